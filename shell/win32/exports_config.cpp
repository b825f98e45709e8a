// Read*/Write*/FileExists: configuration files, each call written to the transcript with its
// result so a test sees what the plug-in read.
#include <windows.h>

#include "host/corvane_api.h"
#include "portable/config_file.h"
#include "portable/text_format.h"
#include "portable/transcript_text.h"
#include "win32/config_timing.h"
#include "win32/handles.h"
#include "win32/shell_state.h"
#include "win32/transcript.h"

using corvane::Format;
using corvane::Quote;
using corvane::QuoteOrNull;
using corvane::win32::Record;

namespace {

std::string Text(const char *text) { return text ? text : ""; }

std::string FileAndKey(const char *file, const char *key) {
  return QuoteOrNull(file) + " " + QuoteOrNull(key);
}

std::uint64_t Join(DWORD high, DWORD low) { return std::uint64_t{high} << 32 | low; }

std::optional<corvane::FileStamp> Stamp(const char *path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return std::nullopt;
  }
  return corvane::FileStamp{
      Join(data.nFileSizeHigh, data.nFileSizeLow),
      Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)};
}

std::uint64_t Now() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return Join(now.dwHighDateTime, now.dwLowDateTime);
}

// Plug-ins may read from more than one thread.
corvane::win32::CriticalSection &Guard() {
  static corvane::win32::CriticalSection section;
  return section;
}

corvane::ConfigCache &Cache() {
  static corvane::ConfigCache cache;
  return cache;
}

std::shared_ptr<const std::string> Content(const char *file) {
  corvane::win32::Lock lock(Guard());
  return Cache().Content(file, Stamp(file), Now());
}

long long g_calls = 0, g_ticks = 0;  // under --timing; guarded by Guard()

long long Ticks() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

// Counts the call and its time under --timing.
class TimedCall {
 public:
  TimedCall() : start_(corvane::win32::Shell().options.timing ? Ticks() : 0) {}
  ~TimedCall() {
    if (start_ == 0) return;
    const long long elapsed = Ticks() - start_;
    corvane::win32::Lock lock(Guard());
    ++g_calls;
    g_ticks += elapsed;
  }
  TimedCall(const TimedCall &) = delete;
  TimedCall &operator=(const TimedCall &) = delete;

 private:
  long long start_;
};

}  // namespace

corvane::win32::ConfigTime corvane::win32::ConfigTimeSoFar() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  Lock lock(Guard());
  return ConfigTime{g_calls, g_ticks * 1000000 / frequency.QuadPart};
}

bool ReadBool(const char *file, const char *key, bool fallback) {
  TimedCall timed;
  const bool value =
      file && key ? corvane::BoolSetting(Content(file).get(), key, fallback) : fallback;
  Record("ReadBool " + FileAndKey(file, key) + Format(" %d -> %d", fallback, value));
  return value;
}

int ReadInt(const char *file, const char *key, int fallback) {
  TimedCall timed;
  const int value =
      file && key ? corvane::IntSetting(Content(file).get(), key, fallback) : fallback;
  Record("ReadInt " + FileAndKey(file, key) + Format(" %d -> %d", fallback, value));
  return value;
}

const char *ReadString(const char *file, const char *key, const char *fallback) {
  TimedCall timed;
  // The caller copies the text at once; one buffer per thread keeps two threads apart.
  static thread_local std::string answer;
  if (file && key) {
    answer = corvane::StringSetting(Content(file).get(), key, Text(fallback));
  } else {
    answer = Text(fallback);
  }
  Record("ReadString " + FileAndKey(file, key) + " " + QuoteOrNull(fallback) + " -> " +
         Quote(answer));
  return answer.c_str();
}

namespace {

void Write(const char *call, const char *file, const char *key, const std::string &value,
           const std::string &shown) {
  TimedCall timed;
  bool written = false;
  if (file && key) {
    corvane::win32::Lock lock(Guard());
    written = corvane::WriteSetting(file, key, value);
    Cache().Forget(file);
  }
  Record(std::string(call) + " " + FileAndKey(file, key) + " " + shown +
         (written ? "" : " -> failed"));
}

}  // namespace

void WriteBool(const char *file, const char *key, bool value) {
  Write("WriteBool", file, key, value ? "true" : "false", value ? "1" : "0");
}

void WriteInt(const char *file, const char *key, int value) {
  Write("WriteInt", file, key, std::to_string(value), std::to_string(value));
}

void WriteString(const char *file, const char *key, const char *value) {
  Write("WriteString", file, key, Text(value), QuoteOrNull(value));
}

bool FileExists(const char *path) {
  TimedCall timed;
  bool exists = false;
  if (path) {
    const DWORD attributes = GetFileAttributesA(path);
    exists = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  Record("FileExists " + QuoteOrNull(path) + Format(" -> %d", exists));
  return exists;
}
