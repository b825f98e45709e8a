// The transcript file: one event a line, written through at once so a crashing plug-in leaves
// every line before the crash. The dialog watcher thread writes too.
#pragma once

#include <string>

namespace corvane::win32 {

bool OpenTranscript(const std::string &path);
void Record(const std::string &line);
void CloseTranscript();

}  // namespace corvane::win32
