#include "ui/manager_window_proc.h"

#include "core/manager.h"
#include "host/shell_messages.h"
#include "ui/window_state.h"

namespace kestrane {

const unsigned kRegisteredMessages[3] = {kHostMsgReconfigure, kHostMsgBroam, 0};

namespace {

void SendRegistration(Manager &m, WindowHandle window, unsigned message) {
  m.ports.shell.Send(m.coreWindow, message, static_cast<std::uintptr_t>(window),
                     reinterpret_cast<std::intptr_t>(kRegisteredMessages));
}

MessageResult Handled(std::intptr_t value = 0) { return {true, value}; }

}  // namespace

MessageResult ManagerWindowProc::OnMessage(const WindowMessage &message) {
  Manager &m = manager_;
  switch (message.id) {
    case wm::kCreate:
      // Recorded before the creation call returns: the next steps need it.
      m.managerWindow = message.window;
      SendRegistration(m, message.window, kHostMsgRegister);
      m.ports.shell.MakeSticky(message.window);
      ApplyWindowState(m);
      return Handled();
    case wm::kDestroy:
      m.ports.shell.RemoveSticky(message.window);
      SendRegistration(m, message.window, kHostMsgUnregister);
      return Handled();
    default: return {};
  }
}

}  // namespace kestrane
