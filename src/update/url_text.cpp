#include "update/url_text.h"

namespace kestrane {

namespace {

constexpr std::string_view kDefaultScheme = "http://";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool EnsureUrlScheme(Path &url) {
  if (url.view().find("://") != std::string_view::npos) return true;
  Path full{kDefaultScheme};
  if (!full.Append(url.view())) return false;
  url = full;
  return true;
}

Path UrlFileName(std::string_view url) {
  std::size_t slash = url.rfind('/');
  return Path(slash == std::string_view::npos ? url : url.substr(slash + 1));
}

bool PercentDecode(std::string_view text, Path &decoded) {
  decoded.Clear();
  bool whole = true;
  for (std::size_t i = 0; i < text.size() && whole; ++i) {
    char c = text[i];
    const int high = c == '%' && i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
    const int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
    if (low >= 0) {
      c = static_cast<char>(high * 16 + low);
      i += 2;
    }
    whole = decoded.Append({&c, 1});
  }
  return whole;
}

}  // namespace kestrane
