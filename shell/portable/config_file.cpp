#include "portable/config_file.h"

#include <fstream>
#include <iterator>

#include "portable/config_text.h"

namespace corvane {

bool ReadWholeFile(const std::string &path, std::string *content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  content->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool BoolSetting(const std::string *content, std::string_view key, bool fallback) {
  const auto value = content ? FindValue(*content, key) : std::nullopt;
  if (!value) return fallback;
  return ParseBool(*value).value_or(fallback);
}

int IntSetting(const std::string *content, std::string_view key, int fallback) {
  const auto value = content ? FindValue(*content, key) : std::nullopt;
  if (!value) return fallback;
  return ParseInt(*value).value_or(fallback);
}

std::string StringSetting(const std::string *content, std::string_view key,
                          const std::string &fallback) {
  if (!content) return fallback;
  return FindValue(*content, key).value_or(fallback);
}

bool ReadBoolSetting(const std::string &path, const std::string &key, bool fallback) {
  std::string content;
  return BoolSetting(ReadWholeFile(path, &content) ? &content : nullptr, key, fallback);
}

int ReadIntSetting(const std::string &path, const std::string &key, int fallback) {
  std::string content;
  return IntSetting(ReadWholeFile(path, &content) ? &content : nullptr, key, fallback);
}

std::string ReadStringSetting(const std::string &path, const std::string &key,
                              const std::string &fallback) {
  std::string content;
  return StringSetting(ReadWholeFile(path, &content) ? &content : nullptr, key, fallback);
}

bool WriteSetting(const std::string &path, const std::string &key, const std::string &value) {
  std::string content;
  const bool exists = ReadWholeFile(path, &content);  // a missing file is simply empty
  const std::string updated = ReplaceValue(content, key, value);
  if (exists && updated == content) return true;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(updated.data(), static_cast<std::streamsize>(updated.size()));
  return static_cast<bool>(out);
}

std::shared_ptr<const std::string> ConfigCache::Content(const std::string &path,
                                                        const std::optional<FileStamp> &stamp,
                                                        std::uint64_t now) {
  auto known = entries_.find(path);
  if (stamp && known != entries_.end() && known->second.settled &&
      known->second.stamp.size == stamp->size &&
      known->second.stamp.writeTime == stamp->writeTime) {
    return known->second.content;
  }
  std::string content;
  if (!stamp || !ReadWholeFile(path, &content)) {
    entries_.erase(path);
    return nullptr;
  }
  Entry &entry = entries_[path];
  entry.stamp = *stamp;
  entry.settled = now >= stamp->writeTime && now - stamp->writeTime >= kSettledTime;
  entry.content = std::make_shared<const std::string>(std::move(content));
  return entry.content;
}

}  // namespace corvane
