// The style record GetSettingPtr(1) hands out and MakeStyleGradient reads. Plug-ins know only
// that it is at least 300 bytes with the fill colour at byte 16.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

struct StyleRecord {
  std::uint32_t bevel;
  std::uint32_t bevelPosition;
  std::uint32_t gradientType;
  std::uint32_t flags;
  std::uint32_t colour;        // COLORREF 0x00BBGGRR: fill, top of the gradient
  std::uint32_t colourTo;      // bottom of the gradient
  std::uint32_t borderColour;  // the 1-pixel border
  std::uint32_t borderWidth;
  std::uint32_t textColour;     // for what is drawn on the style: texts, marks
  unsigned char reserved[264];  // up to the 300 bytes plug-ins copy
};

static_assert(offsetof(StyleRecord, colour) == 16, "plug-ins read the fill colour at byte 16");
static_assert(offsetof(StyleRecord, textColour) == 32, "and the text colour at byte 32");
static_assert(sizeof(StyleRecord) == 300, "plug-ins copy 300 bytes");

// The shell's own look: a slate-blue gradient with a light outline.
StyleRecord DefaultStyle();
constexpr std::uint32_t kOutlineColour = 0x00F0E0D0;

// The colour of row `row` of `rows` between `from` (first row) and `to` (last row).
std::uint32_t BlendColour(std::uint32_t from, std::uint32_t to, int row, int rows);

}  // namespace corvane
