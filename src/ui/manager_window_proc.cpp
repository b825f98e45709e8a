#include "ui/manager_window_proc.h"

#include "controllers/class_capture.h"
#include "core/manager.h"
#include "core/modal_scope.h"
#include "core/plugin_fault.h"
#include "host/shell_messages.h"
#include "ui/commands.h"
#include "ui/manager_menu.h"
#include "ui/paint.h"
#include "ui/update_mark.h"
#include "ui/window_state.h"
#include "update/automatic_check.h"
#include "update/update_worker.h"

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
  MessageResult result = Handled();
  // Kestrane may be shut down while a box of this message is open: then nothing more is done.
  RunInSession(manager_.innermostEntry, [&] { result = Dispatch(message); });
  // Commands, the workers' results and faults mark, unmark and stop plug-ins.
  RefreshUpdateMark(manager_);
  return result;
}

void ManagerWindowProc::OnFault(const Fault &fault) {
  ContainCallbackFault(manager_, guarded_step::kWindowMessage, fault);
}

MessageResult ManagerWindowProc::Dispatch(const WindowMessage &message) {
  Manager &m = manager_;
  ManagerSettings &s = m.settings;
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
    case wm::kPaint: PaintManagerWindow(m, message.window); return Handled();
    case wm::kClose: return Handled();  // only the end routine destroys the window
    case wm::kWindowPosChanging:
      if (!s.inSlit && s.snapWindow && m.ports.desktop.IsVisible(message.window)) {
        m.ports.shell.SnapWindowToEdge(message.lParam, kSnapDistance, 1);
      }
      return Handled();
    case wm::kWindowPosChanged:
      if (!s.inSlit) {
        s.x = message.x;
        s.y = message.y;
        m.ports.shell.WriteInt(m.configFile.c_str(), key::kX, s.x);
        m.ports.shell.WriteInt(m.configFile.c_str(), key::kY, s.y);
      }
      return Handled();
    case wm::kNcHitTest: return Handled(s.inSlit ? kHitClient : kHitCaption);
    case wm::kNcRButtonUp:  // free-standing: the whole window is caption
    case wm::kRButtonUp:    // docked in the Slit
      BuildManagerMenu(m, true);
      return Handled();
    case kHostMsgReconfigure: Reconfigure(m); return Handled();
    case kHostMsgBroam:
      HandleBroam(m, reinterpret_cast<const char *>(message.lParam));
      return Handled();
    // Any program may post these numbers too: each handler carries out only what Kestrane
    // itself sent.
    case kMsgCaptureKey: OnCaptureKey(m, message.wParam, message.lParam); return Handled();
    case kWorkerCallMessage: RunWorkerCall(m, message.wParam, message.lParam); return Handled();
    case wm::kTimer: OnCheckTimer(m, message.wParam); return Handled();
    default: return {};
  }
}

}  // namespace kestrane
