#include "ui/update_mark.h"

#include "core/manager.h"
#include "ui/window_style.h"

namespace kestrane {

bool UpdateMarkWanted(const Manager &m) {
  for (const PluginEntry &e : m.plugins.slots) {
    if (e.inUse && e.running && e.updateAvailable.load()) return true;
  }
  return false;
}

void DrawUpdateMark(Manager &m, DeviceContext dc, const Rect &client) {
  // A disc of 5 x 5 pixels: three rows of five between rows of three.
  const int left = client.right - kMarkMargin - kMarkSize;
  const int top = client.top + kMarkMargin;
  const ColourRef colour = TextColour(m.style);
  Canvas &canvas = m.ports.canvas;
  canvas.FillRect(dc, {left + 1, top, left + kMarkSize - 1, top + 1}, colour);
  canvas.FillRect(dc, {left, top + 1, left + kMarkSize, top + kMarkSize - 1}, colour);
  canvas.FillRect(dc, {left + 1, top + kMarkSize - 1, left + kMarkSize - 1, top + kMarkSize},
                  colour);
}

void RefreshUpdateMark(Manager &m) {
  // Painting notes what it showed, so this asks for one painting per change, never a stream.
  WindowHandle window = m.managerWindow.load();
  if (window != kNoWindow && UpdateMarkWanted(m) != m.updateMarkShown) {
    m.ports.desktop.Invalidate(window);
  }
}

}  // namespace kestrane
