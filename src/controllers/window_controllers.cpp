#include "controllers/window_controllers.h"

#include "core/manager.h"
#include "ui/flip_setting.h"

namespace kestrane {

namespace {

void ReapplyAfterToggle(Manager &m, bool nowOn) {
  if (!nowOn) RestoreWindowControllers(m);
  ApplyWindowControllers(m);
}

}  // namespace

// The controllers' hooks and passes over the windows arrive with the window-controller work;
// start-up, shut-down, the commands and the plug-in switches already call these.
void StartWindowControllers(Manager &) {}
void StopWindowControllers(Manager &) {}
void ApplyWindowControllers(Manager &) {}
void RestoreWindowControllers(Manager &) {}

void ToggleTransparencyController(Manager &m, std::string_view command) {
  FlipSetting(m, m.settings.globalTransparency, command, key::kGlobalTransparency);
  ReapplyAfterToggle(m, m.settings.globalTransparency);
}

void ToggleStickyController(Manager &m, std::string_view command) {
  FlipSetting(m, m.settings.globalSticky, command, key::kGlobalSticky);
  ReapplyAfterToggle(m, m.settings.globalSticky);
}

void SetControllerAlpha(Manager &m, int alpha) {
  RestoreWindowControllers(m);
  m.settings.globalTransAlpha = alpha;
  m.ports.shell.WriteInt(m.configFile.c_str(), key::kGlobTransAlpha, alpha);
  ApplyWindowControllers(m);
}

}  // namespace kestrane
