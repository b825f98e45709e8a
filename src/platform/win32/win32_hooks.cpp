#include "platform/win32/win32_hooks.h"

#include "platform/win32/optional_functions.h"
#include "platform/win32/win32_exception_guard.h"
#include "platform/win32/win32_handles.h"

namespace kestrane::win32 {

namespace {

using SetWinEventHookFn = HWINEVENTHOOK(WINAPI *)(DWORD, DWORD, HMODULE, WINEVENTPROC, DWORD, DWORD,
                                                  DWORD);
using UnhookWinEventFn = BOOL(WINAPI *)(HWINEVENTHOOK);

constexpr DWORD kOutOfContextSkipOwnThread = 0x0001;  // WINEVENT_OUTOFCONTEXT | SKIPOWNTHREAD
constexpr int kLowLevelKeyboard = 13;                 // WH_KEYBOARD_LL

// The hooks call back on the thread that installed them; one table serves the process.
HookTable *g_table = nullptr;

HookHandle AsHandle(const void *hook) {
  return static_cast<HookHandle>(reinterpret_cast<std::uintptr_t>(hook));
}

// Calls deliver(handler) behind a guard of its own, as the window procedure does.
template <typename Handler, typename Deliver>
void Guarded(Handler *handler, Deliver deliver) {
  struct Call {
    Handler *handler;
    Deliver *deliver;
  } call{handler, &deliver};
  Fault fault = RunGuarded(
      [](void *c) {
        auto *call = static_cast<Call *>(c);
        (*call->deliver)(*call->handler);
      },
      &call);
  if (fault.raised) handler->OnFault(fault);
}

}  // namespace

void UniqueWinEventHook::Reset(HWINEVENTHOOK hook) {
  if (hook_ != nullptr) {
    if (auto unhook = LoadedFunction<UnhookWinEventFn>("user32.dll", "UnhookWinEvent")) {
      unhook(hook_);
    }
  }
  hook_ = hook;
}

HookTable::~HookTable() {
  if (g_table == this) g_table = nullptr;
}

HookHandle HookTable::AddWinEventHook(unsigned event, WinEventHandler &handler) {
  auto set = LoadedFunction<SetWinEventHookFn>("user32.dll", "SetWinEventHook");
  if (set == nullptr) return kNoHook;
  for (int i = 0; i < kWinEventSlots; ++i) {
    if (winEvents_[i].get() != nullptr) continue;
    g_table = this;
    // Set before installing: the system may call back as soon as the hook exists.
    winEventHandlers_[i] = &handler;
    HWINEVENTHOOK hook = set(event, event, GetModuleHandleA(nullptr), &HookTable::OnWinEvent, 0, 0,
                             kOutOfContextSkipOwnThread);
    if (hook == nullptr) {
      winEventHandlers_[i] = nullptr;
      return kNoHook;
    }
    winEvents_[i].Reset(hook);
    return AsHandle(hook);
  }
  return kNoHook;
}

HookHandle HookTable::AddKeyboardHook(KeyboardHandler &handler) {
  if (keyboard_.get() != nullptr) return kNoHook;
  g_table = this;
  keyboardHandler_ = &handler;
  HHOOK hook =
      SetWindowsHookExA(kLowLevelKeyboard, &HookTable::OnKeyboard, GetModuleHandleA(nullptr), 0);
  if (hook == nullptr) {
    keyboardHandler_ = nullptr;
    return kNoHook;
  }
  keyboard_.Reset(hook);
  return AsHandle(hook);
}

void HookTable::Remove(HookHandle hook) {
  if (hook == kNoHook) return;
  if (AsHandle(keyboard_.get()) == hook) {
    keyboard_.Reset();
    keyboardHandler_ = nullptr;
    return;
  }
  for (int i = 0; i < kWinEventSlots; ++i) {
    if (AsHandle(winEvents_[i].get()) == hook) {
      winEvents_[i].Reset();
      winEventHandlers_[i] = nullptr;
      return;
    }
  }
}

void CALLBACK HookTable::OnWinEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object,
                                    LONG child, DWORD, DWORD) {
  if (g_table == nullptr) return;
  for (int i = 0; i < kWinEventSlots; ++i) {
    if (g_table->winEvents_[i].get() != hook || g_table->winEventHandlers_[i] == nullptr) continue;
    const WinEvent seen{event, FromHwnd(window), object, child};
    Guarded(g_table->winEventHandlers_[i], [&seen](WinEventHandler &h) { h.OnWinEvent(seen); });
    return;
  }
}

LRESULT CALLBACK HookTable::OnKeyboard(int code, WPARAM wParam, LPARAM lParam) {
  // A negative code must go straight on, untouched.
  if (code >= 0 && g_table != nullptr && g_table->keyboardHandler_ != nullptr && lParam != 0) {
    const auto *key = reinterpret_cast<const KBDLLHOOKSTRUCT *>(lParam);
    const KeyEvent pressed{static_cast<unsigned>(wParam), static_cast<unsigned>(key->vkCode),
                           static_cast<unsigned>(key->flags)};
    Guarded(g_table->keyboardHandler_, [&pressed](KeyboardHandler &h) { h.OnKey(pressed); });
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace kestrane::win32
