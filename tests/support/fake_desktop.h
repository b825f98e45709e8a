// Windows as a test sees them: a registry of fake windows whose creation and destruction
// call the registered handler just as the system would, plus scripted failures and answers.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "call_log.h"
#include "platform/desktop.h"

namespace kestrane::testing {

struct FakeWindow {
  std::string className;
  std::uint32_t exStyle = 0;
  std::uint32_t style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  bool visible = false;
  bool topMost = false;
  bool layeredSet = false;
  std::uint32_t colourKey = 0;
  unsigned alpha = 0;
  unsigned layeredFlags = 0;
  int invalidations = 0;
  // Other programs' windows, for the window controllers.
  std::string process = "";  // the executable's full path; empty: the process cannot be opened
  bool topLevel = true;
  bool perPixel = false;  // drawn with UpdateLayeredWindow: its attributes cannot be read
  ThreadId thread = 1;
  bool refusesChanges = false;  // a program of a higher integrity level
};

struct FakeHook {
  unsigned event = 0;  // win events; 0 for the keyboard hook
  WinEventHandler *winEvents = nullptr;
  KeyboardHandler *keys = nullptr;
};

// Thrown by a test's callback (a box's `whileShown`, a bro@m's delivery) to stand for an
// exception raised below a guard: the guard that the doubles stand in for turns it into the Fault.
struct SimulatedFault {
  Fault fault;
};

struct ShownBox {
  WindowHandle owner;
  std::string text;
  std::string caption;
  unsigned style;
};

class FakeDesktop final : public Desktop {
 public:
  explicit FakeDesktop(CallLog &log) : log_(log) {}

  bool failRegisterClass = false;
  bool failCreateWindow = false;
  ScreenSize screen{1024, 768};
  std::map<WindowHandle, FakeWindow> windows;
  std::map<std::string, WindowMessageHandler *> classes;
  std::deque<int> answers;  // for the next message boxes; OK when empty
  std::vector<ShownBox> boxes;
  std::function<void(const ShownBox &)> whileShown;  // runs while a box is open

  FakeWindow &Window(WindowHandle w) { return windows.at(w); }

  bool RegisterWindowClass(const WindowClassRequest &request) override;
  void UnregisterWindowClass(const char *name, ModuleHandle module) override;
  WindowHandle MakeWindow(const WindowRequest &request) override;
  void DestroyWindow(WindowHandle window) override;
  void HideWindow(WindowHandle window) override;
  bool IsVisible(WindowHandle window) override { return Window(window).visible; }
  std::uint32_t ExStyle(WindowHandle window) override;
  bool SetExStyle(WindowHandle window, std::uint32_t exStyle) override;
  bool SetLayeredAttributes(WindowHandle window, std::uint32_t colourKey, unsigned char alpha,
                            unsigned flags) override;
  void SetWindowPos(WindowHandle window, ZOrder order, int x, int y, int width, int height,
                    unsigned flags) override;
  void Invalidate(WindowHandle window) override;
  std::map<std::pair<WindowHandle, unsigned>, unsigned> timers;  // (window, id) -> period
  bool StartTimer(WindowHandle window, unsigned id, unsigned milliseconds) override;
  void StopTimer(WindowHandle window, unsigned id) override;
  ScreenSize PrimaryScreen() override;
  std::deque<std::string> chosenFiles;  // answers of the next open-file dialogs; empty: cancel
  std::function<void()> whileChoosing;  // runs while an open-file dialog is open
  Path ChooseFile(const char *title, const char *filterName, const char *pattern,
                  Fault &fault) override;
  int ShowMessageBox(WindowHandle owner, const char *text, const char *caption, unsigned style,
                     Fault &fault) override;

  // Other programs' windows and the hooks.
  bool failHooks = false;
  std::map<HookHandle, FakeHook> hooks;
  std::vector<WindowMessage> posted;  // waiting for DeliverPosted
  bool failPost = false;
  std::set<ThreadId> hungThreads;  // let the probe's time pass
  ScreenPoint cursor{300, 200};
  WindowHandle underCursor = kNoWindow;  // what WindowAt answers

  // A top-level window of another program.
  WindowHandle AddWindow(const std::string &className, const std::string &process,
                         std::uint32_t exStyle = 0);
  // As the system does, on the thread that installed the hooks.
  void FireWinEvent(unsigned event, WindowHandle window, long objectId = 0, long childId = 0);
  void PressKey(unsigned message, unsigned virtualKey, unsigned flags = 0);
  // Hands every posted message to its window's procedure, as the message loop would.
  void DeliverPosted();

  void ForEachTopLevelWindow(WindowVisitor &visitor) override;
  bool WindowExists(WindowHandle window) override { return windows.count(window) != 0; }
  ClassName WindowClass(WindowHandle window) override;
  Path ProcessExecutable(WindowHandle window) override;
  bool ReadLayeredAttributes(WindowHandle window, LayeredAttributes &attributes) override;
  ScreenPoint CursorPosition() override { return cursor; }
  WindowHandle WindowAt(ScreenPoint point) override;
  bool Post(WindowHandle window, unsigned message, std::uintptr_t wParam,
            std::intptr_t lParam) override;
  ThreadId WindowThread(WindowHandle window) override;
  bool ThreadAnswers(WindowHandle window, unsigned milliseconds) override;
  HookHandle InstallWinEventHook(unsigned event, WinEventHandler &handler) override;
  HookHandle InstallKeyboardHook(KeyboardHandler &handler) override;
  void RemoveHook(HookHandle hook) override;

 private:
  HookHandle AddHook(const FakeHook &hook);
  std::uintptr_t nextHook_ = 0x4000;

  CallLog &log_;
  std::uintptr_t nextWindow_ = 0x100;
  std::mutex boxesMutex_;       // update workers show boxes from their own threads
  std::mutex invalidateMutex_;  // the gear's thread invalidates beside the window's
};

}  // namespace kestrane::testing
