// Read*/Write*/FileExists: configuration files, each call written to the transcript with its
// result so a test sees what the plug-in read.
#include "host/corvane_api.h"
#include "portable/config_file.h"
#include "portable/text_format.h"
#include "portable/transcript_text.h"
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

}  // namespace

bool ReadBool(const char *file, const char *key, bool fallback) {
  const bool value = file && key ? corvane::ReadBoolSetting(file, key, fallback) : fallback;
  Record("ReadBool " + FileAndKey(file, key) + Format(" %d -> %d", fallback, value));
  return value;
}

int ReadInt(const char *file, const char *key, int fallback) {
  const int value = file && key ? corvane::ReadIntSetting(file, key, fallback) : fallback;
  Record("ReadInt " + FileAndKey(file, key) + Format(" %d -> %d", fallback, value));
  return value;
}

const char *ReadString(const char *file, const char *key, const char *fallback) {
  // The caller copies the text at once; one buffer per thread keeps two threads apart.
  static thread_local std::string answer;
  if (file && key) {
    answer = corvane::ReadStringSetting(file, key, Text(fallback));
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
  const bool written = file && key && corvane::WriteSetting(file, key, value);
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
  bool exists = false;
  if (path) {
    const DWORD attributes = GetFileAttributesA(path);
    exists = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  Record("FileExists " + QuoteOrNull(path) + Format(" -> %d", exists));
  return exists;
}
