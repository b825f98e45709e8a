// The shell's style as the button paints it: a private copy, re-read on reconfigure.
#pragma once

#include "platform/shell.h"

namespace kestrane {

struct Manager;

constexpr ColourRef kColourKey = 0x00E600FF;  // RGB(255, 0, 230): see-through when layered
constexpr std::size_t kGearFillOffset = 16;   // byte offset of the fill colour in the style
// The byte offset of the style's text colour, which the update mark takes.
constexpr std::size_t kTextColourOffset = 32;

struct WindowStyle {
  StyleRecord record;
  ColourRef outline = 0;
};

ColourRef GearFillColour(const WindowStyle &style);
ColourRef TextColour(const WindowStyle &style);

void LoadStyle(Manager &manager);

}  // namespace kestrane
