// Configuration files on disk, read and written whole: they are a few dozen lines.
#pragma once

#include <string>

namespace corvane {

bool ReadWholeFile(const std::string &path, std::string *content);

bool ReadBoolSetting(const std::string &path, const std::string &key, bool fallback);
int ReadIntSetting(const std::string &path, const std::string &key, int fallback);
std::string ReadStringSetting(const std::string &path, const std::string &key,
                              const std::string &fallback);

// Replaces or appends the key's line, creating the file; false when it cannot be written.
bool WriteSetting(const std::string &path, const std::string &key, const std::string &value);

}  // namespace corvane
