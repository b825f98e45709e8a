#include "core/bounded_text.h"

#include <cstdio>
#include <cstring>

namespace kestrane::detail {

bool AssignText(char *data, std::size_t &length, std::size_t maxLength, std::string_view text) {
  length = text.size() < maxLength ? text.size() : maxLength;
  if (length > 0) std::memmove(data, text.data(), length);
  data[length] = '\0';
  return length == text.size();
}

bool AppendText(char *data, std::size_t &length, std::size_t maxLength, std::string_view text) {
  std::size_t room = maxLength - length;
  std::size_t n = text.size() < room ? text.size() : room;
  if (n > 0) std::memmove(data + length, text.data(), n);
  length += n;
  data[length] = '\0';
  return n == text.size();
}

bool FormatText(char *data, std::size_t &length, std::size_t maxLength, const char *format,
                va_list args) {
#if defined(_WIN32)
  // The system's own formatter: the C99 one mingw-w64 links in its place would add some 22 KB
  // to the DLL, mostly floating-point conversions never used here. It writes no terminator when
  // the text fills the buffer and answers -1 when it is cut.
  int n = _vsnprintf(data, maxLength, format, args);
  data[maxLength] = '\0';
#else
  int n = std::vsnprintf(data, maxLength + 1, format, args);
#endif
  if (n < 0) {  // cut where the buffer ends, without saying how long the whole would be
    ResyncText(data, length, maxLength);
    return false;
  }
  length = static_cast<std::size_t>(n) < maxLength ? static_cast<std::size_t>(n) : maxLength;
  return static_cast<std::size_t>(n) <= maxLength;
}

void ResyncText(char *data, std::size_t &length, std::size_t maxLength) {
  data[maxLength] = '\0';
  length = std::strlen(data);
}

}  // namespace kestrane::detail
