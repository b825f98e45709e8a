// The transcript file: one event a line, written through at once so a crashing plug-in leaves
// every line before the crash. The dialog watcher thread writes too.
#pragma once

#include <string>
#include <vector>

namespace corvane::win32 {

bool OpenTranscript(const std::string &path);
void Record(const std::string &line);
// Lines written since the transcript was opened, from `first` on.
std::vector<std::string> RecordedLines(std::size_t first);
std::size_t RecordedCount();
void CloseTranscript();

}  // namespace corvane::win32
