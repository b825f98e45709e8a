#include "ui/window_style.h"

#include <cstring>

#include "core/manager.h"

namespace kestrane {

ColourRef GearFillColour(const WindowStyle &style) {
  ColourRef colour = 0;
  std::memcpy(&colour, style.record.bytes + kGearFillOffset, sizeof colour);
  return colour;
}

void LoadStyle(Manager &manager) {
  manager.style.record = manager.ports.shell.Style();
  manager.style.outline = manager.ports.shell.OutlineColour();
}

}  // namespace kestrane
