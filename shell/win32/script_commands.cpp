#include "win32/script_commands.h"

#include <windows.h>

#include <psapi.h>

#include <optional>

#include "host/shell_messages.h"
#include "portable/menu_model.h"
#include "portable/text_format.h"
#include "portable/transcript_text.h"
#include "win32/dialog_watcher.h"
#include "win32/message_pump.h"
#include "win32/plugin_session.h"
#include "win32/programs.h"
#include "win32/screenshot.h"
#include "win32/shell_state.h"
#include "win32/shell_windows.h"
#include "win32/stopwatch.h"
#include "win32/transcript.h"
#include "win32/window_lookup.h"

namespace corvane::win32 {

namespace {

using namespace kestrane;

constexpr DWORD kSettleMs = 20;  // after each command, for what it posted
constexpr DWORD kAwaitMs = 20000;
constexpr DWORD kAwaitStepMs = 10;

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

// Pumps until a line holding the text has been written after the line the previous wait
// found, so a line that came early still counts and an old one does not count twice. `await`
// and `waitfor` share the place they have reached. Under --timing, says how long it waited.
void WaitForLine(const char *verb, const std::string &text, DWORD milliseconds) {
  static int next = 0;
  const Stopwatch watch;
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    const int found = FindTranscriptLine(next, text);
    if (found >= 0) {
      next = found + 1;
      RecordTiming(verb, watch);
      return;
    }
    if (GetTickCount64() >= deadline) break;
    PumpMessages(kAwaitStepMs);
  }
  Record(std::string(verb) + " " + Quote(text) + " -> timeout");
}

void Screenshot(const ScriptCommand &command) {
  HWND window = Target("screenshot", command.target);
  if (!window) return;
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpMessages(50);
  Record("screenshot " + WindowName(window) + " " + Quote(command.text) + " " +
         SaveScreenshot(window, command.text));
}

// The process's memory as the system counts it: its private bytes (0 where the system does not
// say) and its working set now and at its peak.
void RecordMemory() {
  using GetMemoryInfo = BOOL(WINAPI *)(HANDLE, PROCESS_MEMORY_COUNTERS *, DWORD);
  // kernel32 has it from Windows 7 on; before, psapi.
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto get = reinterpret_cast<GetMemoryInfo>(
      reinterpret_cast<void (*)()>(GetProcAddress(kernel, "K32GetProcessMemoryInfo")));
  if (!get) {
    get = reinterpret_cast<GetMemoryInfo>(reinterpret_cast<void (*)()>(
        GetProcAddress(LoadLibraryA("psapi.dll"), "GetProcessMemoryInfo")));
  }
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (!get || !get(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&counters),
                   sizeof counters)) {
    Record("memory -> unknown");
    return;
  }
  Record(Format("memory private=%llu working-set=%llu peak-working-set=%llu",
                static_cast<unsigned long long>(counters.PrivateUsage),
                static_cast<unsigned long long>(counters.WorkingSetSize),
                static_cast<unsigned long long>(counters.PeakWorkingSetSize)));
}

}  // namespace

bool RunScriptCommand(const ScriptCommand &command) {
  switch (command.verb) {
    case ScriptVerb::kBroam: {
      const Stopwatch watch;
      SendMessageA(Shell().core, kHostMsgBroam, 0, reinterpret_cast<LPARAM>(command.text.c_str()));
      RecordTiming("broam", watch);
      break;
    }
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
    case ScriptVerb::kWaitFor:
      WaitForLine("waitfor", command.text, static_cast<DWORD>(command.numbers[0]));
      break;
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
    case ScriptVerb::kRun: RunProgram(command.text); break;
    case ScriptVerb::kTell: TellWindow(command.target, command.text); break;
    case ScriptVerb::kAwait: WaitForLine("await", command.text, kAwaitMs); break;
    case ScriptVerb::kRestart: RestartPlugin(); break;
    case ScriptVerb::kMemory: RecordMemory(); break;
    case ScriptVerb::kEnd: return false;
  }
  PumpMessages(kSettleMs);
  return true;
}

}  // namespace corvane::win32
