// Runs code Kestrane cannot vouch for (a hosted plug-in's entry point, a text behind a pointer
// another program passed) so that an exception it raises comes back as a report instead of
// ending the shell's process.
#pragma once

#include "platform/libraries.h"

namespace kestrane::win32 {

// Calls call(context). When that raises an exception, the call is abandoned, the frames it
// left on the stack are unwound, and the exception's code and address come back; the caller
// goes on as if the call had returned. Works on any thread and nests.
Fault RunGuarded(void (*call)(void *context), void *context);

}  // namespace kestrane::win32
