// The few drawing calls of painting the button, as the core sees them.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace kestrane {

using ColourRef = std::uint32_t;

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

struct Point {
  int x = 0, y = 0;
};

// One WM_PAINT: the window's device context, its client area and the part to repaint.
struct PaintRequest {
  DeviceContext dc{};
  Rect client;
  Rect invalid;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual PaintRequest BeginPaint(WindowHandle window) = 0;
  virtual void EndPaint(WindowHandle window, const PaintRequest &request) = 0;

  // An off-screen buffer compatible with `like`, `width` × `height`; released by ReleaseBuffer.
  virtual DeviceContext CreateBuffer(DeviceContext like, int width, int height) = 0;
  virtual void ReleaseBuffer(DeviceContext buffer) = 0;
  // Copies `area` of the buffer to the same place in `target`.
  virtual void CopyBuffer(DeviceContext target, DeviceContext buffer, const Rect &area) = 0;

  virtual void FillRect(DeviceContext dc, const Rect &rect, ColourRef colour) = 0;
  // A filled polygon with a one-pixel outline.
  virtual void Polygon(DeviceContext dc, const Point *points, int count, ColourRef outline,
                       ColourRef fill) = 0;
};

}  // namespace kestrane
