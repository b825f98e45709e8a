// Other programs a script starts (`run`) and talks to (`tell`); they end with the shell.
#pragma once

#include <string>

namespace corvane::win32 {

// Starts the command line from the shell's working folder, with the core window's handle in
// its environment.
void RunProgram(const std::string &commandLine);
// Sends TEXT to the first window of that class of any process (top-level or message-only).
void TellWindow(const std::string &className, const std::string &text);
// Asks every started program to quit (WM_QUIT to its first thread) and ends those that do not.
void EndPrograms();

}  // namespace corvane::win32
