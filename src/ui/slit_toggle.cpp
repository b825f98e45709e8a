#include "ui/slit_toggle.h"

#include "core/manager.h"
#include "host/shell_messages.h"
#include "ui/window_state.h"

namespace kestrane {

void ReleaseFromSlit(Manager &m) {
  m.ports.shell.Send(m.slitWindow, kSlitMsgRemoveWindow, 0,
                     static_cast<std::intptr_t>(m.managerWindow.load()));
  m.ports.desktop.SetWindowPos(m.managerWindow, ZOrder::kUnchanged, m.settings.x, m.settings.y, 0,
                               0, winstyle::kPosNoSize | winstyle::kPosNoZOrder);
  m.settings.inSlit = false;
}

void ToggleSlit(Manager &m) {
  if (m.slitWindow == kNoWindow) return;
  if (m.settings.inSlit) {
    ReleaseFromSlit(m);
    ApplyWindowState(m);
  } else {
    m.settings.inSlit = true;
    ApplyWindowState(m);  // not layered before the Slit takes it
    m.ports.shell.Send(m.slitWindow, kSlitMsgAddWindow, 0,
                       static_cast<std::intptr_t>(m.managerWindow.load()));
  }
}

}  // namespace kestrane
