#include "update/staged_file.h"

#include "core/path_text.h"

namespace kestrane {

namespace {

constexpr int kNameAttempts = 10;
constexpr char kStandIn = '~';

// The target followed by `suffix`, and by the attempt's number after the first.
bool SuffixedName(std::string_view target, const char *suffix, int attempt, Utf8Path &name) {
  const int length = static_cast<int>(target.size());
  return attempt == 0 ? name.Format("%.*s%s", length, target.data(), suffix)
                      : name.Format("%.*s%s%d", length, target.data(), suffix, attempt);
}

// The target with "~" in place of its file name's first character and, after the first
// attempt, a digit in place of the second. Never a device name, never renamed by the system:
// the name's end is the target's own.
bool SameLengthName(std::string_view target, TextCoding coding, int attempt, Utf8Path &name) {
  const std::size_t separator = target.find_last_of("\\/");
  const std::size_t start = separator == std::string_view::npos ? 0 : separator + 1;
  if (start == target.size()) return false;
  const std::size_t first = CharacterBytes(target, start, coding);
  if (attempt > 0 && start + first == target.size()) return false;
  const std::size_t second = attempt > 0 ? CharacterBytes(target, start + first, coding) : 0;
  // A character of several bytes gives way to one: the name is never longer than the target.
  const char digit = static_cast<char>('0' + attempt);
  name.Assign(target.substr(0, start));
  name.Append({&kStandIn, 1});
  if (attempt > 0) name.Append({&digit, 1});
  if (!name.Append(target.substr(start + first + second))) return false;
  return !EqualNoCase(name.view(), target);
}

}  // namespace

bool StagedFile::Name(Kernel &kernel, std::string_view target, const char *suffix,
                      TextCoding coding) {
  Remove();
  Utf8Path name{target};
  if (name.size() != target.size() || !name.Append(suffix) ||
      !FitsWindowsPath(name.view(), coding)) {
    return false;
  }
  kernel_ = &kernel;
  name_ = name;
  coding_ = coding;
  return true;
}

bool StagedFile::NameFree(Kernel &kernel, std::string_view target, const char *suffix,
                          TextCoding coding) {
  Remove();
  Utf8Path name;
  auto take = [&] {
    if (!FitsWindowsPath(name.view(), coding) ||
        kernel.KindOf(FilePath(name.c_str(), coding)) != PathKind::kNothing) {
      return false;
    }
    kernel_ = &kernel;
    name_ = name;
    coding_ = coding;
    return true;
  };
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    if (SuffixedName(target, suffix, attempt, name) && take()) return true;
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    if (SameLengthName(target, coding, attempt, name) && take()) return true;
  }
  return false;
}

bool StagedFile::MoveOver(Kernel &kernel, FilePath target) {
  if (!named() || !kernel.MoveFileOver(path(), target)) return false;
  Release();
  return true;
}

void StagedFile::Remove() {
  if (!named()) return;
  // A previous file moved aside keeps the attributes the user gave it: read-only is no reason
  // to leave it behind.
  if (!kernel_->RemoveFile(path()) && kernel_->KindOf(path()) == PathKind::kReadOnlyFile &&
      kernel_->MakeWritable(path())) {
    kernel_->RemoveFile(path());
  }
  Release();
}

}  // namespace kestrane
