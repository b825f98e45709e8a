// What the shell knows during a session. Everything here is touched on the shell's own thread
// only; the dialog watcher keeps its own state.
#pragma once

#include <windows.h>

#include <set>
#include <string>

#include "portable/command_line.h"
#include "portable/menu_model.h"
#include "portable/style_record.h"
#include "portable/subscriptions.h"

namespace corvane::win32 {

struct ShellState {
  Options options;
  std::string folder;  // ends in a backslash
  HINSTANCE instance = nullptr;
  HWND core = nullptr;
  HWND slit = nullptr;
  Subscriptions subscriptions;
  MenuStore menus;
  std::set<HWND> sticky;
  StyleRecord style = DefaultStyle();
  COLORREF outline = kOutlineColour;
};

ShellState &Shell();

}  // namespace corvane::win32
