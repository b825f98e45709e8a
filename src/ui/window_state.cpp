#include "ui/window_state.h"

#include "core/manager.h"

namespace kestrane {

void ApplyWindowState(Manager &m) {
  Desktop &desktop = m.ports.desktop;
  const ManagerSettings &s = m.settings;
  WindowHandle window = m.managerWindow;

  if (m.hiddenByHost && s.toggleWithPlugins) {
    desktop.HideWindow(window);
    return;
  }
  if (m.layeredSupported) {
    std::uint32_t ex = desktop.ExStyle(window);
    if (s.inSlit) {
      // The Slit paints its docked windows itself; a layered child would not show.
      desktop.SetExStyle(window, ex & ~winstyle::kExLayered);
    } else {
      desktop.SetExStyle(window, ex | winstyle::kExLayered);
      unsigned char alpha =
          s.transparencyEnabled ? static_cast<unsigned char>(s.transparencyAlpha & 0xFF) : 255;
      desktop.SetLayeredAttributes(window, kColourKey, alpha,
                                   winstyle::kLayeredColourKey | winstyle::kLayeredAlpha);
    }
  }
  desktop.SetWindowPos(window, s.alwaysOnTop ? ZOrder::kTopMost : ZOrder::kNotTopMost, s.x, s.y,
                       s.width, s.height, winstyle::kPosShowWindow | winstyle::kPosNoActivate);
  desktop.Invalidate(window);
}

}  // namespace kestrane
