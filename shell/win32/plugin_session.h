// One plug-in's life in the shell: load, start, the script, endPlugin, unload.
#pragma once

#include "portable/script_source.h"

namespace corvane::win32 {

constexpr int kExitDone = 0;
constexpr int kExitPluginMissing = 3;

int RunPluginSession(ScriptSource &script);

// The script's `restart`: endPlugin (when the start succeeded) and the start function again,
// without unloading the library in between.
void RestartPlugin();

}  // namespace corvane::win32
