#include "ui/window_style.h"

#include <cstring>

#include "core/manager.h"

namespace kestrane {

namespace {

ColourRef ColourAt(const WindowStyle &style, std::size_t offset) {
  ColourRef colour = 0;
  std::memcpy(&colour, style.record.bytes + offset, sizeof colour);
  return colour;
}

}  // namespace

ColourRef GearFillColour(const WindowStyle &style) { return ColourAt(style, kGearFillOffset); }

ColourRef TextColour(const WindowStyle &style) { return ColourAt(style, kTextColourOffset); }

void LoadStyle(Manager &manager) {
  manager.style.record = manager.ports.shell.Style();
  manager.style.outline = manager.ports.shell.OutlineColour();
}

}  // namespace kestrane
