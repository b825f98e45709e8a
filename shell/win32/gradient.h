// Painting a style's two-colour vertical gradient: MakeStyleGradient and the Slit use it.
#pragma once

#include <windows.h>

#include "portable/style_record.h"

namespace corvane::win32 {

void PaintGradient(HDC dc, const RECT &rect, const StyleRecord &style, bool border);

}  // namespace corvane::win32
