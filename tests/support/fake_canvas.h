// Painting as a test sees it: every drawing call recorded, polygons kept whole.
#pragma once

#include <string>
#include <vector>

#include "call_log.h"
#include "platform/canvas.h"

namespace kestrane::testing {

struct DrawnPolygon {
  std::vector<Point> points;
  ColourRef outline;
  ColourRef fill;
};

class FakeCanvas final : public Canvas {
 public:
  explicit FakeCanvas(CallLog &log) : log_(log) {}

  Rect client{0, 0, 25, 25};
  Rect invalid{0, 0, 25, 25};
  std::vector<DrawnPolygon> polygons;
  int openBuffers = 0;
  int openPaints = 0;

  PaintRequest BeginPaint(WindowHandle window) override;
  void EndPaint(WindowHandle window, const PaintRequest &request) override;
  DeviceContext CreateBuffer(DeviceContext like, int width, int height) override;
  void ReleaseBuffer(DeviceContext buffer) override;
  void CopyBuffer(DeviceContext target, DeviceContext buffer, const Rect &area) override;
  void FillRect(DeviceContext dc, const Rect &rect, ColourRef colour) override;
  void Polygon(DeviceContext dc, const Point *points, int count, ColourRef outline,
               ColourRef fill) override;

 private:
  CallLog &log_;
};

}  // namespace kestrane::testing
