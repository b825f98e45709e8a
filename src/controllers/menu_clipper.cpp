#include "controllers/menu_clipper.h"

#include "core/manager.h"
#include "core/modal_scope.h"
#include "core/path_text.h"
#include "core/plugin_fault.h"
#include "host/shell_messages.h"
#include "ui/flip_setting.h"

namespace kestrane {

void StartMenuClipper(Manager &m) {
  ControllerState &c = m.controllers;
  if (c.foregroundHook != kNoHook) return;
  c.foregroundHook =
      m.ports.desktop.InstallWinEventHook(winevent::kSystemForeground, c.onForeground);
}

void StopMenuClipper(Manager &m) {
  ControllerState &c = m.controllers;
  if (c.foregroundHook == kNoHook) return;
  m.ports.desktop.RemoveHook(c.foregroundHook);
  c.foregroundHook = kNoHook;
}

bool MenuClipperRunning(const Manager &m) { return m.controllers.foregroundHook != kNoHook; }

void ToggleMenuClipper(Manager &m, std::string_view command) {
  FlipSetting(m, m.settings.menuClipperEnabled, command, key::kMenuClipperEnabled);
  if (m.settings.menuClipperEnabled) {
    StartMenuClipper(m);
  } else {
    StopMenuClipper(m);
  }
}

bool IsUnderHostFolder(const Manager &m, std::string_view executable) {
  Path lower{executable};
  LowerCase(lower);
  return lower.view().find(m.hostFolder.view()) != std::string_view::npos;
}

void ForegroundHookHandler::OnWinEvent(const WinEvent &event) {
  Manager &m = manager_;
  RunInSession(m.innermostEntry, [&] {
    // The whole path: a program deep inside the shell's folder is still the shell's.
    Path executable = m.ports.desktop.ProcessExecutable(event.window);
    if (!IsUnderHostFolder(m, executable.view())) {
      m.ports.shell.Send(m.coreWindow, kHostMsgHideMenus, 0, 0);
    }
  });
}

void ForegroundHookHandler::OnFault(const Fault &fault) {
  ContainCallbackFault(manager_, guarded_step::kWindowEvent, fault);
}

}  // namespace kestrane
