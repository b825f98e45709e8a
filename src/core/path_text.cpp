#include "core/path_text.h"

#include "platform/shell.h"

namespace kestrane {

namespace {

std::size_t AfterLastSeparator(std::string_view path) {
  std::size_t at = path.find_last_of("\\/");
  return at == std::string_view::npos ? 0 : at + 1;
}

}  // namespace

void LowerCaseAscii(char *text, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (text[i] >= 'A' && text[i] <= 'Z') text[i] = static_cast<char>(text[i] - 'A' + 'a');
  }
}

Path FolderPart(std::string_view path) { return Path(path.substr(0, AfterLastSeparator(path))); }

Path FileNamePart(std::string_view path) { return Path(path.substr(AfterLastSeparator(path))); }

void LowerCase(Path &text) { LowerCaseAscii(text.Buffer(), text.size()); }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
    if (x != y) return false;
  }
  return true;
}

bool MakeAbsolute(Shell &shell, Path &path) {
  if (path.view().find(":\\") != std::string_view::npos) return true;
  Path absolute = shell.Folder();
  if (!absolute.Append(path.view())) return false;
  path = absolute;
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return text;  // nothing but blanks: left as it is
  std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

}  // namespace kestrane
