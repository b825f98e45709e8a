#include "win32/script_commands.h"

#include <optional>

#include "host/shell_messages.h"
#include "portable/menu_model.h"
#include "portable/text_format.h"
#include "portable/transcript_text.h"
#include "win32/dialog_watcher.h"
#include "win32/message_pump.h"
#include "win32/screenshot.h"
#include "win32/shell_state.h"
#include "win32/shell_windows.h"
#include "win32/transcript.h"
#include "win32/window_lookup.h"

namespace corvane::win32 {

namespace {

using namespace kestrane;

constexpr DWORD kSettleMs = 20;  // after each command, for what it posted

HWND Target(const char *verb, const std::string &className) {
  HWND window = FindShellWindow(className);
  if (!window) Record(std::string(verb) + " wnd:" + className + " -> no window");
  return window;
}

LPARAM Point(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

void RightClick(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  const int x = client.right / 2;
  const int y = client.bottom / 2;
  if (IsDocked(window)) {
    SendMessageA(window, WM_RBUTTONUP, 0, Point(x, y));
    return;
  }
  POINT screen{x, y};
  ClientToScreen(window, &screen);
  SendMessageA(window, WM_NCRBUTTONUP, HTCAPTION, Point(screen.x, screen.y));
}

void Pick(const ScriptCommand &command) {
  const Menu *menu = Shell().menus.LastShown();
  if (!menu) {
    Record("pick " + Quote(command.text) + " -> no menu shown");
    return;
  }
  // A number at the end may belong to the command ("TogglePlugin 3") or be an integer
  // item's value ("TransparencyAlpha 300"): the whole line is tried first.
  const MenuItem *item = nullptr;
  std::optional<std::string> value = command.value;
  if (value) {
    item = FindItem(*menu, command.text + " " + *value);
    if (item) value.reset();
  }
  if (!item) item = FindItem(*menu, command.text);
  if (!item) {
    Record("pick " + Quote(command.text) + " -> no such item");
    return;
  }
  // Copied before sending: the plug-in may rebuild its menus while handling the bro@m.
  const std::string broam = PickedBroam(*item, value ? &*value : nullptr);
  SendMessageA(Shell().core, kHostMsgBroam, 0, reinterpret_cast<LPARAM>(broam.c_str()));
}

// Lines before this index were there before the last waitfor ended.
std::size_t g_waitedUpTo = 0;

void WaitFor(const ScriptCommand &command) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(command.numbers[0]);
  for (;;) {
    const std::vector<std::string> lines = RecordedLines(g_waitedUpTo);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].find(command.text) != std::string::npos) {
        g_waitedUpTo += i + 1;
        return;
      }
    }
    if (GetTickCount64() >= deadline) break;
    PumpMessages(10);
  }
  g_waitedUpTo = RecordedCount();
  Record("waitfor " + Quote(command.text) + " -> timeout");
}

void Screenshot(const ScriptCommand &command) {
  HWND window = Target("screenshot", command.target);
  if (!window) return;
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpMessages(50);
  Record("screenshot " + WindowName(window) + " " + Quote(command.text) + " " +
         SaveScreenshot(window, command.text));
}

}  // namespace

bool RunScriptCommand(const ScriptCommand &command) {
  switch (command.verb) {
    case ScriptVerb::kBroam:
      SendMessageA(Shell().core, kHostMsgBroam, 0, reinterpret_cast<LPARAM>(command.text.c_str()));
      break;
    case ScriptVerb::kReconfigure: {
      int live = 0;
      for (WindowId id : Shell().subscriptions.Subscribers(kHostMsgReconfigure)) {
        if (IsWindow(reinterpret_cast<HWND>(id))) ++live;
      }
      Record(Format("reconfigure -> %d", live));
      SendToSubscribers(kHostMsgReconfigure, 0, 0);
      break;
    }
    case ScriptVerb::kWait: PumpMessages(static_cast<DWORD>(command.numbers[0])); break;
    case ScriptVerb::kRclick:
      if (HWND window = Target("rclick", command.target)) RightClick(window);
      break;
    case ScriptVerb::kPick: Pick(command); break;
    case ScriptVerb::kAnswer: QueueMessageBoxAnswer(command.answer); break;
    case ScriptVerb::kHold: HoldNextMessageBox(); break;
    case ScriptVerb::kWaitFor: WaitFor(command); break;
    case ScriptVerb::kDialogOpen: QueueOpenFile(command.text); break;
    case ScriptVerb::kDialogFolder: QueueFolder(command.text); break;
    case ScriptVerb::kWindow:
      if (HWND window = Target("window", command.target)) Record(DescribeWindow(window));
      break;
    case ScriptVerb::kMove:
      if (HWND window = Target("move", command.target)) {
        SetWindowPos(window, nullptr, static_cast<int>(command.numbers[0]),
                     static_cast<int>(command.numbers[1]), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      break;
    case ScriptVerb::kSend:
      if (HWND window = Target("send", command.target)) {
        const LRESULT result = SendMessageA(window, static_cast<UINT>(command.numbers[0]),
                                            static_cast<WPARAM>(command.numbers[1]),
                                            static_cast<LPARAM>(command.numbers[2]));
        Record(Format("send %s %lld %lld %lld -> %lld", WindowName(window).c_str(),
                      command.numbers[0], command.numbers[1], command.numbers[2],
                      static_cast<long long>(result)));
      }
      break;
    case ScriptVerb::kScreenshot: Screenshot(command); break;
    case ScriptVerb::kEnd: return false;
  }
  PumpMessages(kSettleMs);
  return true;
}

}  // namespace corvane::win32
