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

bool AppendEntryNameKey(HeapText &keys, std::string_view name) {
  const std::size_t at = keys.size();
  if (!keys.Append(name) || !keys.Append(std::string_view("", 1))) return false;
  char *key = keys.data() + at;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (key[i] == '\\') key[i] = '/';
  }
  LowerCaseAscii(key, name.size());
  return true;
}

}  // namespace kestrane
