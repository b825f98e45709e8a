// Configuration files on disk, read and written whole: they are a few dozen lines.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

bool ReadWholeFile(const std::string &path, std::string *content);

bool ReadBoolSetting(const std::string &path, const std::string &key, bool fallback);
int ReadIntSetting(const std::string &path, const std::string &key, int fallback);
std::string ReadStringSetting(const std::string &path, const std::string &key,
                              const std::string &fallback);

// The same from a file's content already read (null: there is no file).
bool BoolSetting(const std::string *content, std::string_view key, bool fallback);
int IntSetting(const std::string *content, std::string_view key, int fallback);
std::string StringSetting(const std::string *content, std::string_view key,
                          const std::string &fallback);

// Replaces or appends the key's line, creating the file; false when it cannot be written.
// A write that would change nothing leaves the file as it is.
bool WriteSetting(const std::string &path, const std::string &key, const std::string &value);

// What tells that a file changed without reading it: its size and last-write time (in
// 100-nanosecond steps, as the system gives it).
struct FileStamp {
  std::uint64_t size = 0;
  std::uint64_t writeTime = 0;
};

// Files kept in memory between reads, so that a plug-in reading a hundred keys at start-up
// opens its file once. A file is read again when its stamp changed, and every time while it
// was written less than kSettledTime before it was read: time stamps can be as coarse as two
// seconds, and a change within the same step would not show. Not thread-safe.
class ConfigCache {
 public:
  static constexpr std::uint64_t kSettledTime = 30'000'000;  // 3 s

  // The file's content, or null when it cannot be read. `stamp` is what the file system
  // says now (nullopt: no such file); `now` is the current time in the stamp's steps.
  std::shared_ptr<const std::string> Content(const std::string &path,
                                             const std::optional<FileStamp> &stamp,
                                             std::uint64_t now);
  void Forget(const std::string &path) { entries_.erase(path); }

 private:
  struct Entry {
    FileStamp stamp;
    bool settled = false;
    std::shared_ptr<const std::string> content;
  };
  std::map<std::string, Entry> entries_;
};

}  // namespace corvane
