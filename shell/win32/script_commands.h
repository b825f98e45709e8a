// Carrying out one script command.
#pragma once

#include "portable/script_line.h"

namespace corvane::win32 {

// False for `end`.
bool RunScriptCommand(const ScriptCommand &command);

}  // namespace corvane::win32
