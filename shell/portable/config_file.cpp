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

bool ReadBoolSetting(const std::string &path, const std::string &key, bool fallback) {
  std::string content;
  if (!ReadWholeFile(path, &content)) return fallback;
  const auto value = FindValue(content, key);
  if (!value) return fallback;
  return ParseBool(*value).value_or(fallback);
}

int ReadIntSetting(const std::string &path, const std::string &key, int fallback) {
  std::string content;
  if (!ReadWholeFile(path, &content)) return fallback;
  const auto value = FindValue(content, key);
  if (!value) return fallback;
  return ParseInt(*value).value_or(fallback);
}

std::string ReadStringSetting(const std::string &path, const std::string &key,
                              const std::string &fallback) {
  std::string content;
  if (!ReadWholeFile(path, &content)) return fallback;
  return FindValue(content, key).value_or(fallback);
}

bool WriteSetting(const std::string &path, const std::string &key, const std::string &value) {
  std::string content;
  ReadWholeFile(path, &content);  // a missing file is simply empty
  const std::string updated = ReplaceValue(content, key, value);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(updated.data(), static_cast<std::streamsize>(updated.size()));
  return static_cast<bool>(out);
}

}  // namespace corvane
