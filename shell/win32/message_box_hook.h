// A message box's style cannot be read back from the dialog, so the shell patches the plug-in's
// import of MessageBoxA: the hook notes owner, caption, text and style, then shows the box as
// usual, and the dialog watcher claims the note when it answers that box. The plug-in's
// LoadLibrary imports are patched too, so DLLs it loads (other plug-ins) get the same hooks.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace corvane::win32 {

struct HookedBox {
  HWND owner = nullptr;
  std::string caption;
  std::string text;
  UINT style = 0;
};

// Patches `module`'s import address table; how many entries now point at a hook.
int HookModule(HMODULE module);

// The newest unclaimed note of `thread` for a box with that text (or, failing that, any of that
// thread's notes), marked claimed.
std::optional<HookedBox> ClaimHookedBox(DWORD thread, const std::string &text);

}  // namespace corvane::win32
