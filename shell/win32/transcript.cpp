#include "win32/transcript.h"

#include "win32/handles.h"

namespace corvane::win32 {

namespace {

CriticalSection &Guard() {
  static CriticalSection section;
  return section;
}

UniqueHandle &File() {
  static UniqueHandle file;
  return file;
}

std::vector<std::string> &Lines() {
  static std::vector<std::string> lines;
  return lines;
}

}  // namespace

bool OpenTranscript(const std::string &path) {
  Lock lock(Guard());
  File() = UniqueHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return File().valid();
}

void Record(const std::string &line) {
  Lock lock(Guard());
  if (!File().valid()) return;
  Lines().push_back(line);
  // WriteFile hands the bytes to the system at once: nothing waits in a process buffer.
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(File().get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::vector<std::string> RecordedLines(std::size_t first) {
  Lock lock(Guard());
  const std::vector<std::string> &lines = Lines();
  if (first >= lines.size()) return {};
  return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(first), lines.end());
}

std::size_t RecordedCount() {
  Lock lock(Guard());
  return Lines().size();
}

void CloseTranscript() {
  Lock lock(Guard());
  File().Reset();
}

}  // namespace corvane::win32
