// The system hooks the window controllers hold: each one is removed when its slot is emptied
// or the table goes away, and its callbacks reach the core's handler, never letting an
// exception back into the system.
#pragma once

#include <windows.h>

#include "platform/desktop.h"

namespace kestrane::win32 {

// An out-of-context win-event hook; UnhookWinEvent is looked up at run time, as
// SetWinEventHook is.
class UniqueWinEventHook {
 public:
  UniqueWinEventHook() = default;
  ~UniqueWinEventHook() { Reset(); }
  UniqueWinEventHook(const UniqueWinEventHook &) = delete;
  UniqueWinEventHook &operator=(const UniqueWinEventHook &) = delete;

  HWINEVENTHOOK get() const { return hook_; }
  void Reset(HWINEVENTHOOK hook = nullptr);

 private:
  HWINEVENTHOOK hook_ = nullptr;
};

// A SetWindowsHookExA hook.
class UniqueWindowsHook {
 public:
  UniqueWindowsHook() = default;
  ~UniqueWindowsHook() { Reset(); }
  UniqueWindowsHook(const UniqueWindowsHook &) = delete;
  UniqueWindowsHook &operator=(const UniqueWindowsHook &) = delete;

  HHOOK get() const { return hook_; }
  void Reset(HHOOK hook = nullptr) {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    hook_ = hook;
  }

 private:
  HHOOK hook_ = nullptr;
};

class HookTable {
 public:
  HookTable() = default;
  ~HookTable();
  HookTable(const HookTable &) = delete;
  HookTable &operator=(const HookTable &) = delete;

  HookHandle AddWinEventHook(unsigned event, WinEventHandler &handler);
  HookHandle AddKeyboardHook(KeyboardHandler &handler);  // one at a time
  void Remove(HookHandle hook);

 private:
  static void CALLBACK OnWinEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object,
                                  LONG child, DWORD thread, DWORD time);
  static LRESULT CALLBACK OnKeyboard(int code, WPARAM wParam, LPARAM lParam);

  static constexpr int kWinEventSlots = 4;
  UniqueWinEventHook winEvents_[kWinEventSlots];
  WinEventHandler *winEventHandlers_[kWinEventSlots] = {};
  UniqueWindowsHook keyboard_;
  KeyboardHandler *keyboardHandler_ = nullptr;
};

}  // namespace kestrane::win32
