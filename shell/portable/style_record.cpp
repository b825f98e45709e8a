#include "portable/style_record.h"

namespace corvane {

StyleRecord DefaultStyle() {
  StyleRecord style{};
  style.gradientType = 1;       // vertical
  style.colour = 0x00A56F4A;    // RGB(74, 111, 165)
  style.colourTo = 0x005C3F2B;  // RGB(43, 63, 92)
  style.borderColour = kOutlineColour;
  style.borderWidth = 1;
  style.textColour = 0x00FFFFFF;  // white
  return style;
}

std::uint32_t BlendColour(std::uint32_t from, std::uint32_t to, int row, int rows) {
  if (rows <= 1 || row <= 0) return from;
  if (row >= rows - 1) return to;
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int a = static_cast<int>((from >> shift) & 0xFF);
    const int b = static_cast<int>((to >> shift) & 0xFF);
    const int channel = a + (b - a) * row / (rows - 1);
    out |= static_cast<std::uint32_t>(channel) << shift;
  }
  return out;
}

}  // namespace corvane
