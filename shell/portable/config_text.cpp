#include "portable/config_text.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace corvane {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// The key as callers pass it ("Name.x:"), without blanks or the colon.
std::string_view BareKey(std::string_view key) {
  key = Trim(key);
  if (!key.empty() && key.back() == ':') key.remove_suffix(1);
  return Trim(key);
}

// If `line` holds `key` (bare), where its value starts; npos otherwise. The key may itself
// contain colons, so the line must start with the whole key followed by blanks and a colon.
size_t ValueStart(std::string_view line, std::string_view bare) {
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (bare.empty() || line.size() - i < bare.size()) return std::string_view::npos;
  if (!SameLetters(line.substr(i, bare.size()), bare)) return std::string_view::npos;
  i += bare.size();
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (i >= line.size() || line[i] != ':') return std::string_view::npos;
  return i + 1;
}

struct Line {
  size_t begin;  // first byte
  size_t end;    // one past the last byte before the line ending
  size_t next;   // first byte of the next line
};

// Calls visit(line) for each line until it returns true; gives that line back.
template <typename Visit>
std::optional<Line> FindLine(std::string_view content, Visit visit) {
  size_t begin = 0;
  while (begin < content.size()) {
    size_t newline = content.find('\n', begin);
    Line line{begin, newline == std::string_view::npos ? content.size() : newline,
              newline == std::string_view::npos ? content.size() : newline + 1};
    if (line.end > line.begin && content[line.end - 1] == '\r') --line.end;
    if (visit(content.substr(line.begin, line.end - line.begin))) return line;
    begin = line.next;
  }
  return std::nullopt;
}

std::string_view LineEndingOf(std::string_view content) {
  const size_t newline = content.find('\n');
  if (newline == std::string_view::npos) return "\r\n";  // a Windows shell's own files
  return newline > 0 && content[newline - 1] == '\r' ? "\r\n" : "\n";
}

std::string KeyLine(std::string_view key, std::string_view value) {
  std::string out(BareKey(key));
  out += ": ";
  out += value;
  return out;
}

}  // namespace

std::optional<std::string> FindValue(std::string_view content, std::string_view key) {
  const std::string_view bare = BareKey(key);
  size_t start = std::string_view::npos;
  std::string_view found;
  auto line = FindLine(content, [&](std::string_view text) {
    start = ValueStart(text, bare);
    found = text;
    return start != std::string_view::npos;
  });
  if (!line) return std::nullopt;
  return std::string(Trim(found.substr(start)));
}

std::string ReplaceValue(std::string_view content, std::string_view key, std::string_view value) {
  const std::string_view bare = BareKey(key);
  auto line = FindLine(content, [&](std::string_view text) {
    return ValueStart(text, bare) != std::string_view::npos;
  });
  std::string out;
  if (line) {
    out.append(content.substr(0, line->begin));
    out += KeyLine(key, value);
    out.append(content.substr(line->end));
    return out;
  }
  out.append(content);
  const std::string_view ending = LineEndingOf(content);
  if (!content.empty() && content.back() != '\n') out += ending;
  out += KeyLine(key, value);
  out += ending;
  return out;
}

std::optional<bool> ParseBool(std::string_view text) {
  text = Trim(text);
  if (SameLetters(text, "true")) return true;
  if (SameLetters(text, "false")) return false;
  return std::nullopt;
}

std::optional<int> ParseInt(std::string_view text) {
  text = Trim(text);
  if (text.empty()) return std::nullopt;
  size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i == text.size()) return std::nullopt;
  for (size_t j = i; j < text.size(); ++j) {
    if (!std::isdigit(static_cast<unsigned char>(text[j]))) return std::nullopt;
  }
  const std::string digits(text);
  errno = 0;
  const long long number = std::strtoll(digits.c_str(), nullptr, 10);
  if (errno == ERANGE || number < INT_MIN || number > INT_MAX) return std::nullopt;
  return static_cast<int>(number);
}

}  // namespace corvane
