// How programs a script starts talk with the shell: WM_COPYDATA both ways. A program finds the
// shell's core window in its environment and sends it lines for the transcript; the script's
// `tell` sends a program's window a text to act on.
#pragma once

namespace corvane {

// COPYDATASTRUCT::dwData of a transcript line sent to the core window.
constexpr unsigned long kTranscriptLineTag = 0x52545643;  // "CVTR"
// COPYDATASTRUCT::dwData of a `tell` text sent to a program's window.
constexpr unsigned long kTellTag = 0x4C455443;  // "CTEL"
// The environment variable holding the core window's handle, in hexadecimal.
constexpr char kCoreWindowVariable[] = "CORVANE_CORE";

}  // namespace corvane
