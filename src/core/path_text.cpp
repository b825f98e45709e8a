#include "core/path_text.h"

namespace kestrane {

namespace {
std::size_t AfterLastSeparator(std::string_view path) {
  std::size_t at = path.find_last_of("\\/");
  return at == std::string_view::npos ? 0 : at + 1;
}
}  // namespace

Path FolderPart(std::string_view path) { return Path(path.substr(0, AfterLastSeparator(path))); }

Path FileNamePart(std::string_view path) { return Path(path.substr(AfterLastSeparator(path))); }

void LowerCase(Path &text) {
  char *p = text.Buffer();
  for (std::size_t i = 0; i < text.size(); ++i) {
    // Only ASCII letters change: paths are in the system's 8-bit code page.
    if (p[i] >= 'A' && p[i] <= 'Z') p[i] = static_cast<char>(p[i] - 'A' + 'a');
  }
}

}  // namespace kestrane
