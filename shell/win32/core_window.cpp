// The core window: registrations, bro@ms, status texts. Plug-ins reach it through GetCVWnd.
#include <cstdint>

#include "host/shell_messages.h"
#include "portable/program_channel.h"
#include "portable/subscriptions.h"
#include "portable/text_format.h"
#include "portable/transcript_text.h"
#include "win32/shell_state.h"
#include "win32/shell_windows.h"
#include "win32/transcript.h"
#include "win32/window_lookup.h"

namespace corvane::win32 {

namespace {

using namespace kestrane;

constexpr char kCoreClass[] = "CorvaneCore";

std::vector<unsigned> MessagesOf(LPARAM lParam) {
  return ReadMessageList(reinterpret_cast<const std::uint32_t *>(lParam));
}

const char *TextOfMessage(LPARAM lParam) {
  return lParam ? reinterpret_cast<const char *>(lParam) : "";
}

LRESULT CALLBACK CoreProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kHostMsgRegister:
    case kHostMsgUnregister: {
      HWND client = reinterpret_cast<HWND>(wParam);
      const auto messages = MessagesOf(lParam);
      const bool add = message == kHostMsgRegister;
      const auto id = reinterpret_cast<WindowId>(client);
      if (add) {
        Shell().subscriptions.Add(id, messages);
      } else {
        Shell().subscriptions.Remove(id, messages);
      }
      Record(std::string(add ? "register " : "unregister ") + WindowName(client) + " " +
             JoinMessages(messages));
      return 0;
    }
    case kHostMsgBroam: {
      const char *text = TextOfMessage(lParam);
      // Copied: a plug-in may change its buffer while the bro@m is being delivered.
      const std::string broam = text;
      int live = 0;
      for (WindowId id : Shell().subscriptions.Subscribers(kHostMsgBroam)) {
        if (IsWindow(reinterpret_cast<HWND>(id))) ++live;
      }
      Record("broam " + Quote(broam) + Format(" -> %d", live));
      return SendToSubscribers(kHostMsgBroam, 0, reinterpret_cast<LPARAM>(broam.c_str()));
    }
    case kHostMsgStatusText: Record("status " + Quote(TextOfMessage(lParam))); return 0;
    case kHostMsgHideMenus: Record("hidemenus"); return 0;
    case WM_COPYDATA: {
      // A line from a program the script started.
      const auto *data = reinterpret_cast<const COPYDATASTRUCT *>(lParam);
      if (!data || data->dwData != kTranscriptLineTag) return FALSE;
      Record(
          EscapeControls(std::string_view(static_cast<const char *>(data->lpData), data->cbData)));
      return TRUE;
    }
    default: break;
  }
  if (message >= WM_USER) {
    Record(Format("core message %u %llu %lld", message, static_cast<unsigned long long>(wParam),
                  static_cast<long long>(lParam)));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool CreateShellWindows(HINSTANCE instance) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = CoreProc;
  wc.hInstance = instance;
  wc.lpszClassName = kCoreClass;
  if (!RegisterClassA(&wc)) return false;
  Shell().core = CreateWindowExA(WS_EX_TOOLWINDOW, kCoreClass, "Corvane", WS_POPUP, 0, 0, 0, 0,
                                 nullptr, nullptr, instance, nullptr);
  Shell().slit = CreateSlitWindow(instance);
  return Shell().core != nullptr && Shell().slit != nullptr;
}

void DestroyShellWindows() {
  if (Shell().slit) DestroyWindow(Shell().slit);
  if (Shell().core) DestroyWindow(Shell().core);
  Shell().slit = nullptr;
  Shell().core = nullptr;
}

int SendToSubscribers(unsigned message, WPARAM wParam, LPARAM lParam) {
  int delivered = 0;
  // A snapshot: a receiver may register or unregister while it handles the message.
  for (WindowId id : Shell().subscriptions.Subscribers(message)) {
    HWND window = reinterpret_cast<HWND>(id);
    if (!IsWindow(window)) continue;
    SendMessageA(window, message, wParam, lParam);
    ++delivered;
  }
  return delivered;
}

}  // namespace corvane::win32
