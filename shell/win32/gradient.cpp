#include "win32/gradient.h"

#include "win32/handles.h"

namespace corvane::win32 {

void PaintGradient(HDC dc, const RECT &rect, const StyleRecord &style, bool border) {
  const int rows = rect.bottom - rect.top;
  for (int row = 0; row < rows; ++row) {
    GdiObject<HBRUSH> brush(CreateSolidBrush(BlendColour(style.colour, style.colourTo, row, rows)));
    RECT line{rect.left, rect.top + row, rect.right, rect.top + row + 1};
    FillRect(dc, &line, brush.get());
  }
  if (border) {
    GdiObject<HBRUSH> brush(CreateSolidBrush(style.borderColour));
    FrameRect(dc, &rect, brush.get());
  }
}

}  // namespace corvane::win32
