// The text of a `key: value` configuration file: finding a key and replacing its line.
// Keys are given with or without their trailing colon and compared without regard to case.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// The value of the first line whose key matches, trimmed of blanks.
std::optional<std::string> FindValue(std::string_view content, std::string_view key);

// The content with the first line of that key replaced by "key: value", or that line appended.
// Every other byte is kept; an appended line takes the line ending the file already uses.
std::string ReplaceValue(std::string_view content, std::string_view key, std::string_view value);

// "true"/"false" in any case.
std::optional<bool> ParseBool(std::string_view text);

// A whole decimal number that fits an int, with an optional sign.
std::optional<int> ParseInt(std::string_view text);

}  // namespace corvane
