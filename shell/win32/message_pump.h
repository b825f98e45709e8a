// Running this thread's messages while the session waits, so sent and posted messages between
// the shell and the plug-in are handled.
#pragma once

#include <windows.h>

namespace corvane::win32 {

void PumpMessages(DWORD milliseconds);

}  // namespace corvane::win32
