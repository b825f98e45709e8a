// The transcript file: one event a line, written through at once so a crashing plug-in leaves
// every line before the crash. The dialog watcher thread writes too.
#pragma once

#include <string>
#include <vector>

namespace corvane::win32 {

bool OpenTranscript(const std::string &path);
void Record(const std::string &line);
void CloseTranscript();

// The first line written at or after line `from` (counting from 0) that contains `text`, or -1.
int FindTranscriptLine(int from, const std::string &text);

}  // namespace corvane::win32
