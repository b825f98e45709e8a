#include "controllers/menu_clipper.h"

#include "core/manager.h"
#include "ui/flip_setting.h"

namespace kestrane {

// The foreground hook arrives with the window controllers; until then the clipper has nothing
// to install, and start-up and shut-down already call it at the right places.
void StartMenuClipper(Manager &) {}
void StopMenuClipper(Manager &) {}
bool MenuClipperRunning(const Manager &) { return false; }

void ToggleMenuClipper(Manager &m, std::string_view command) {
  FlipSetting(m, m.settings.menuClipperEnabled, command, key::kMenuClipperEnabled);
  if (m.settings.menuClipperEnabled) {
    StartMenuClipper(m);
  } else {
    StopMenuClipper(m);
  }
}

}  // namespace kestrane
