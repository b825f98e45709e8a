#include "update/zip_entry_name.h"

#include "core/path_text.h"
#include "update/file_name.h"

namespace kestrane {

bool IsFolderEntryName(std::string_view name) {
  return !name.empty() && IsPathSeparator(name.back());
}

bool IsSafeEntryName(std::string_view name) {
  if (name.empty() || IsPathSeparator(name.front())) return false;
  if (IsFolderEntryName(name)) name.remove_suffix(1);
  for (;;) {
    std::size_t end = name.find_first_of("/\\");
    // Every step between separators is a plain file name: no "." or "..", nothing renamed.
    if (!IsPlainFileName(name.substr(0, end))) return false;
    if (end == std::string_view::npos) return true;
    name.remove_prefix(end + 1);
  }
}

std::string EntryNameKey(std::string_view name) {
  std::string key(name);
  for (char &c : key) {
    if (c == '\\') c = '/';
  }
  LowerCase(key);
  return key;
}

}  // namespace kestrane
