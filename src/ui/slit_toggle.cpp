#include "ui/slit_toggle.h"

#include "core/manager.h"
#include "host/shell_messages.h"
#include "ui/window_state.h"

namespace kestrane {

void ToggleSlit(Manager &m) {
  if (m.slitWindow == kNoWindow) return;
  Shell &shell = m.ports.shell;
  auto window = static_cast<std::intptr_t>(m.managerWindow);
  if (m.settings.inSlit) {
    shell.Send(m.slitWindow, kSlitMsgRemoveWindow, 0, window);
    m.ports.desktop.SetWindowPos(m.managerWindow, ZOrder::kUnchanged, m.settings.x, m.settings.y, 0,
                                 0, winstyle::kPosNoSize | winstyle::kPosNoZOrder);
    m.settings.inSlit = false;
    ApplyWindowState(m);
  } else {
    m.settings.inSlit = true;
    ApplyWindowState(m);  // not layered before the Slit takes it
    shell.Send(m.slitWindow, kSlitMsgAddWindow, 0, window);
  }
}

}  // namespace kestrane
