#include "platform/win32/win32_canvas.h"

#include "platform/win32/win32_handles.h"

namespace kestrane::win32 {

namespace {

// Deletes a GDI object on every path.
template <typename Handle>
class GdiObject {
 public:
  explicit GdiObject(Handle h) : h_(h) {}
  ~GdiObject() {
    if (h_) DeleteObject(h_);
  }
  GdiObject(const GdiObject &) = delete;
  GdiObject &operator=(const GdiObject &) = delete;
  Handle get() const { return h_; }

 private:
  Handle h_;
};

// Selects an object into a context for one scope and puts the old one back.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~Selection() { SelectObject(dc_, old_); }
  Selection(const Selection &) = delete;
  Selection &operator=(const Selection &) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Paint requests and buffers live for one WM_PAINT on the window's thread: Kestrane paints
// one window, so a few places each are room enough.
constexpr int kOpenPaints = 4;

struct Paint {
  HWND window;
  PAINTSTRUCT request;
};

struct Buffer {
  HDC memory;
  HBITMAP bitmap;
  HGDIOBJ previous;
};

Paint g_paints[kOpenPaints];
Buffer g_buffers[kOpenPaints];

// The entry whose key is `key`, or nullptr; the key nullptr finds a free entry.
template <typename Entry, typename Key>
Entry *Find(Entry (&entries)[kOpenPaints], Key Entry::*key, Key wanted) {
  for (Entry &entry : entries) {
    if (entry.*key == wanted) return &entry;
  }
  return nullptr;
}

RECT ToRect(const Rect &r) { return {r.left, r.top, r.right, r.bottom}; }
Rect FromRect(const RECT &r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

PaintRequest Win32Canvas::BeginPaint(WindowHandle window) {
  HWND hwnd = ToHwnd(window);
  Paint *paint = Find(g_paints, &Paint::window, HWND{});
  if (paint == nullptr) {
    // No room: the window is still validated, with nothing painted, or it would ask forever.
    PAINTSTRUCT request;
    ::BeginPaint(hwnd, &request);
    ::EndPaint(hwnd, &request);
    return {};
  }
  HDC dc = ::BeginPaint(hwnd, &paint->request);
  paint->window = hwnd;
  RECT client{};
  GetClientRect(hwnd, &client);
  return {FromHdc(dc), FromRect(client), FromRect(paint->request.rcPaint)};
}

void Win32Canvas::EndPaint(WindowHandle window, const PaintRequest &) {
  HWND hwnd = ToHwnd(window);
  Paint *paint = Find(g_paints, &Paint::window, hwnd);
  if (hwnd == nullptr || paint == nullptr) return;
  ::EndPaint(hwnd, &paint->request);
  paint->window = nullptr;
}

DeviceContext Win32Canvas::CreateBuffer(DeviceContext like, int width, int height) {
  Buffer *buffer = Find(g_buffers, &Buffer::memory, HDC{});
  if (buffer == nullptr) return DeviceContext{};
  HDC memory = CreateCompatibleDC(nullptr);  // compatible with the screen
  if (!memory) return DeviceContext{};
  HBITMAP bitmap = CreateCompatibleBitmap(ToHdc(like), width, height);
  if (!bitmap) {
    DeleteDC(memory);
    return DeviceContext{};
  }
  *buffer = {memory, bitmap, SelectObject(memory, bitmap)};
  return FromHdc(memory);
}

void Win32Canvas::ReleaseBuffer(DeviceContext buffer) {
  HDC memory = ToHdc(buffer);
  Buffer *found = Find(g_buffers, &Buffer::memory, memory);
  if (memory == nullptr || found == nullptr) return;
  SelectObject(memory, found->previous);
  DeleteObject(found->bitmap);
  DeleteDC(memory);
  found->memory = nullptr;
}

void Win32Canvas::CopyBuffer(DeviceContext target, DeviceContext buffer, const Rect &area) {
  BitBlt(ToHdc(target), area.left, area.top, area.right - area.left, area.bottom - area.top,
         ToHdc(buffer), area.left, area.top, SRCCOPY);
}

void Win32Canvas::FillRect(DeviceContext dc, const Rect &rect, ColourRef colour) {
  GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
  RECT r = ToRect(rect);
  ::FillRect(ToHdc(dc), &r, brush.get());
}

void Win32Canvas::Polygon(DeviceContext dc, const Point *points, int count, ColourRef outline,
                          ColourRef fill) {
  HDC hdc = ToHdc(dc);
  GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, outline));
  GdiObject<HBRUSH> brush(CreateSolidBrush(fill));
  Selection usePen(hdc, pen.get());
  Selection useBrush(hdc, brush.get());
  POINT vertices[32];
  int n = count < 32 ? count : 32;
  for (int i = 0; i < n; ++i) vertices[i] = {points[i].x, points[i].y};
  ::Polygon(hdc, vertices, n);
}

}  // namespace kestrane::win32
