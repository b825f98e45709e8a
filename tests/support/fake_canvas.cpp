#include "fake_canvas.h"

namespace kestrane::testing {

namespace {
constexpr DeviceContext kWindowDc{0xD1};
constexpr DeviceContext kBufferDc{0xB1};
std::string Dc(DeviceContext dc) {
  return dc == kWindowDc ? "window" : dc == kBufferDc ? "buffer" : "?";
}
std::string Area(const Rect &r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}
}  // namespace

PaintRequest FakeCanvas::BeginPaint(WindowHandle) {
  log_.Add("BeginPaint");
  ++openPaints;
  return {kWindowDc, client, invalid};
}

void FakeCanvas::EndPaint(WindowHandle, const PaintRequest &) {
  log_.Add("EndPaint");
  --openPaints;
}

DeviceContext FakeCanvas::CreateBuffer(DeviceContext like, int width, int height) {
  log_.Add("CreateBuffer like " + Dc(like) + " " + std::to_string(width) + "x" +
           std::to_string(height));
  ++openBuffers;
  return kBufferDc;
}

void FakeCanvas::ReleaseBuffer(DeviceContext) {
  log_.Add("ReleaseBuffer");
  --openBuffers;
}

void FakeCanvas::CopyBuffer(DeviceContext target, DeviceContext buffer, const Rect &area) {
  log_.Add("CopyBuffer " + Dc(buffer) + " to " + Dc(target) + " " + Area(area));
}

void FakeCanvas::FillRect(DeviceContext dc, const Rect &rect, ColourRef colour) {
  log_.Add("FillRect " + Dc(dc) + " " + Area(rect) + " " + std::to_string(colour));
}

void FakeCanvas::Polygon(DeviceContext dc, const Point *points, int count, ColourRef outline,
                         ColourRef fill) {
  log_.Add("Polygon " + Dc(dc) + " " + std::to_string(count));
  polygons.push_back({std::vector<Point>(points, points + count), outline, fill});
}

}  // namespace kestrane::testing
