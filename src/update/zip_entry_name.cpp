#include "update/zip_entry_name.h"

#include "core/path_text.h"
#include "platform/kernel.h"
#include "update/file_name.h"

namespace kestrane {

namespace {

// A "." step is the folder it stands in: it goes, with the separator after it. A name whose
// last step is "." keeps the separator before it, and so names a folder.
bool DropDotSteps(std::string_view name, Utf8Path &kept) {
  kept.Clear();
  while (!name.empty()) {
    const std::size_t end = name.find_first_of("/\\");
    const std::size_t piece = end == std::string_view::npos ? name.size() : end + 1;
    if (name.substr(0, end) != "." && !kept.Append(name.substr(0, piece))) return false;
    name.remove_prefix(piece);
  }
  return true;
}

}  // namespace

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

EntryNaming DecodeEntryName(Kernel &kernel, std::string_view stored, bool utf8Flag, bool decode,
                            Utf8Path &name) {
  if (stored.empty()) return EntryNaming::kUnsafe;
  Utf8Path decoded;
  if (!decode || IsUtf8(stored)) {
    if (!decoded.Assign(stored)) return EntryNaming::kUnsafe;
  } else if (utf8Flag ||
             !ConvertText(kernel, stored, TextCoding::kOem, TextCoding::kUtf8, decoded)) {
    return EntryNaming::kUnsafe;
  }
  if (!DropDotSteps(decoded.view(), name)) return EntryNaming::kUnsafe;
  if (name.empty()) return EntryNaming::kHere;
  return IsSafeEntryName(name.view()) ? EntryNaming::kName : EntryNaming::kUnsafe;
}

bool AppendEntryNameKey(Kernel &kernel, bool utf8, std::string_view name, HeapText &keys) {
  const std::size_t at = keys.size();
  if (!AppendNameKey(kernel, utf8, name, keys) || !keys.Append(std::string_view("", 1))) {
    return false;
  }
  char *key = keys.data() + at;
  for (; *key != '\0'; ++key) {
    if (*key == '\\') *key = '/';
  }
  return true;
}

}  // namespace kestrane
