#include "update/url_text.h"

namespace kestrane {

namespace {

constexpr std::string_view kDefaultScheme = "http://";

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

}  // namespace kestrane
