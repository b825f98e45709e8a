// Windows, window classes, layered attributes and message boxes, as the core sees them.
#pragma once

#include <cstdint>

#include "core/bounded_text.h"
#include "platform/fault.h"
#include "platform/handles.h"

namespace kestrane {

// Message box styles, with the values Windows gives them.
namespace box {
constexpr unsigned kOk = 0x0;
constexpr unsigned kYesNo = 0x4;
constexpr unsigned kIconError = 0x10;
constexpr unsigned kIconQuestion = 0x20;
constexpr unsigned kIconInformation = 0x40;
constexpr unsigned kTopMost = 0x40000;
constexpr int kAnswerOk = 1;
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;
}  // namespace box

// Window styles and flags the core asks for, with the values Windows gives them.
namespace winstyle {
constexpr std::uint32_t kExToolWindow = 0x80;
constexpr std::uint32_t kExLayered = 0x80000;
constexpr std::uint32_t kPopupVisibleClipped =
    0x96000000;  // popup, visible, clip siblings+children
constexpr unsigned kClassDoubleClicks = 0x8;
constexpr unsigned kLayeredColourKey = 0x1;
constexpr unsigned kLayeredAlpha = 0x2;
constexpr unsigned kPosShowWindow = 0x40;
constexpr unsigned kPosNoActivate = 0x10;
constexpr unsigned kPosNoSize = 0x1;
constexpr unsigned kPosNoZOrder = 0x4;
}  // namespace winstyle

enum class ZOrder { kTopMost, kNotTopMost, kUnchanged };

struct ScreenSize {
  int width = 0;
  int height = 0;
};

struct WindowMessage {
  WindowHandle window = kNoWindow;
  unsigned id = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  int x = 0, y = 0;  // the new position, for a window that has moved
};

// What the core answers for one window message.
struct MessageResult {
  bool handled = false;  // false: the system's default procedure runs
  std::intptr_t value = 0;
};

// The system calls Kestrane back through these handlers. Each call runs behind an exception
// guard of its own, so that a fault below it (in code the call reached: a plug-in's window, a
// box's message loop) abandons only that call and never unwinds Kestrane's frames above it. The
// handler learns of the fault once the call has been left.
class CallbackHandler {
 public:
  virtual ~CallbackHandler() = default;
  virtual void OnFault(const Fault &fault) = 0;
};

// Receives the messages of the window class the core registers.
class WindowMessageHandler : public CallbackHandler {
 public:
  virtual MessageResult OnMessage(const WindowMessage &message) = 0;
};

struct WindowClassRequest {
  const char *name = nullptr;
  unsigned style = 0;
  ModuleHandle module = kNoModule;
  WindowMessageHandler *handler = nullptr;
};

// Other programs' windows, as the window controllers see them.

// A class name read from a window into room for 50 characters: at most 49 take part, as the
// stored class lists expect.
using ClassName = BoundedText<50>;

struct LayeredAttributes {
  std::uint32_t colourKey = 0;
  unsigned char alpha = 0;
  unsigned flags = 0;  // winstyle::kLayeredColourKey, kLayeredAlpha
};

struct ScreenPoint {
  int x = 0, y = 0;
};

using ThreadId = std::uint32_t;

// Win events and keys, with the values Windows gives them.
namespace winevent {
constexpr unsigned kSystemForeground = 0x0003;
constexpr unsigned kObjectCreate = 0x8000;
constexpr long kObjectWindow = 0;  // the window itself, not a caret, cursor or item in it
constexpr long kChildSelf = 0;
}  // namespace winevent

namespace keys {
constexpr unsigned kKeyDown = 0x0100;     // WM_KEYDOWN; with Alt held the system sends
constexpr unsigned kSysKeyDown = 0x0104;  // WM_SYSKEYDOWN instead
constexpr unsigned kSpace = 0x20;
constexpr unsigned kEscape = 0x1B;
constexpr unsigned kFlagAltDown = 0x20;  // LLKHF_ALTDOWN
}  // namespace keys

struct WinEvent {
  unsigned event = 0;
  WindowHandle window = kNoWindow;
  long objectId = 0;
  long childId = 0;
};

struct KeyEvent {
  unsigned message = 0;  // keys::kKeyDown, kSysKeyDown, key-up messages
  unsigned virtualKey = 0;
  unsigned flags = 0;
};

// Receive the hooks' notifications on the thread that installed them, as window messages are.
class WinEventHandler : public CallbackHandler {
 public:
  virtual void OnWinEvent(const WinEvent &event) = 0;
};

class KeyboardHandler : public CallbackHandler {
 public:
  virtual void OnKey(const KeyEvent &key) = 0;  // the key is passed on afterwards, always
};

class WindowVisitor {
 public:
  virtual ~WindowVisitor() = default;
  virtual void Visit(WindowHandle window) = 0;
};

struct WindowRequest {
  const char *className = nullptr;
  std::uint32_t exStyle = 0;
  std::uint32_t style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  ModuleHandle module = kNoModule;
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  virtual bool RegisterWindowClass(const WindowClassRequest &request) = 0;
  virtual void UnregisterWindowClass(const char *name, ModuleHandle module) = 0;
  virtual WindowHandle MakeWindow(const WindowRequest &request) = 0;
  virtual void DestroyWindow(WindowHandle window) = 0;

  virtual void HideWindow(WindowHandle window) = 0;
  virtual bool IsVisible(WindowHandle window) = 0;
  virtual std::uint32_t ExStyle(WindowHandle window) = 0;
  // Both false when the system refused the change (another program's window of a higher
  // integrity level).
  virtual bool SetExStyle(WindowHandle window, std::uint32_t exStyle) = 0;
  virtual bool SetLayeredAttributes(WindowHandle window, std::uint32_t colourKey,
                                    unsigned char alpha, unsigned flags) = 0;
  virtual void SetWindowPos(WindowHandle window, ZOrder order, int x, int y, int width, int height,
                            unsigned flags) = 0;
  virtual void Invalidate(WindowHandle window) = 0;  // whole window, no erase
  // A timer of one of Kestrane's own windows: the window gets `id` with every tick, each
  // `milliseconds` apart; starting a running timer again gives it the new period from now.
  // False when the system has no timer to give.
  virtual bool StartTimer(WindowHandle window, unsigned id, unsigned milliseconds) = 0;
  virtual void StopTimer(WindowHandle window, unsigned id) = 0;

  virtual ScreenSize PrimaryScreen() = 0;
  // A box's or dialog's message loop runs other code on this thread (plug-ins' windows): a
  // fault there abandons the box, closes every box and dialog opened inside it, and comes back
  // as `fault` (the answer is then 0, or no file).
  // The system's open-file dialog with one filter; empty when the user cancels.
  virtual Path ChooseFile(const char *title, const char *filterName, const char *pattern,
                          Fault &fault) = 0;
  virtual int ShowMessageBox(WindowHandle owner, const char *text, const char *caption,
                             unsigned style, Fault &fault) = 0;

  // Other programs' windows, for the window controllers.
  virtual void ForEachTopLevelWindow(WindowVisitor &visitor) = 0;
  virtual bool WindowExists(WindowHandle window) = 0;
  virtual ClassName WindowClass(WindowHandle window) = 0;
  // The full path of the executable of the window's process; empty when it cannot be read.
  virtual Path ProcessExecutable(WindowHandle window) = 0;
  // False when the window is not layered or its attributes cannot be read.
  virtual bool ReadLayeredAttributes(WindowHandle window, LayeredAttributes &attributes) = 0;
  virtual ScreenPoint CursorPosition() = 0;
  virtual WindowHandle WindowAt(ScreenPoint point) = 0;  // the deepest visible window there
  // False when the message could not be queued.
  virtual bool Post(WindowHandle window, unsigned message, std::uintptr_t wParam,
                    std::intptr_t lParam) = 0;
  // The thread that owns the window; 0 once the window is gone.
  virtual ThreadId WindowThread(WindowHandle window) = 0;
  // Whether the window's thread takes a message within the time. Changing another thread's
  // window waits for that thread, without limit: a hung program must be found out first.
  virtual bool ThreadAnswers(WindowHandle window, unsigned milliseconds) = 0;
  // Out of context, for every process and thread but this one; kNoHook when none could be
  // installed.
  virtual HookHandle InstallWinEventHook(unsigned event, WinEventHandler &handler) = 0;
  // The low-level keyboard hook, for every thread; kNoHook when none could be installed.
  virtual HookHandle InstallKeyboardHook(KeyboardHandler &handler) = 0;
  virtual void RemoveHook(HookHandle hook) = 0;
};

}  // namespace kestrane
