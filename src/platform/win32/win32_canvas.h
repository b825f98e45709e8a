#pragma once

#include "platform/canvas.h"

namespace kestrane::win32 {

// GDI: painting sessions, an off-screen buffer, solid fills and polygons.
class Win32Canvas final : public Canvas {
 public:
  PaintRequest BeginPaint(WindowHandle window) override;
  void EndPaint(WindowHandle window, const PaintRequest &request) override;
  DeviceContext CreateBuffer(DeviceContext like, int width, int height) override;
  void ReleaseBuffer(DeviceContext buffer) override;
  void CopyBuffer(DeviceContext target, DeviceContext buffer, const Rect &area) override;
  void FillRect(DeviceContext dc, const Rect &rect, ColourRef colour) override;
  void Polygon(DeviceContext dc, const Point *points, int count, ColourRef outline,
               ColourRef fill) override;
};

}  // namespace kestrane::win32
