#include "update/staged_file.h"

#include "core/path_text.h"
#include "platform/kernel.h"

namespace kestrane {

namespace {

constexpr int kNameAttempts = 10;
constexpr char kStandIn = '~';

// The target followed by `suffix`, and by the attempt's number after the first.
bool SuffixedName(std::string_view target, const char *suffix, int attempt, Path &name) {
  const int length = static_cast<int>(target.size());
  return attempt == 0 ? name.Format("%.*s%s", length, target.data(), suffix)
                      : name.Format("%.*s%s%d", length, target.data(), suffix, attempt);
}

// The target with "~" in place of its file name's first character and, after the first
// attempt, a digit in place of the second. Never a device name, never renamed by the system:
// the name's end is the target's own.
bool SameLengthName(std::string_view target, int attempt, Path &name) {
  const std::size_t start = FolderPart(target).size();
  if (start == target.size() || (attempt > 0 && target.size() - start < 2)) return false;
  if (!name.Assign(target)) return false;
  name.Buffer()[start] = kStandIn;
  if (attempt > 0) name.Buffer()[start + 1] = static_cast<char>('0' + attempt);
  return !EqualNoCase(name.view(), target);
}

}  // namespace

bool StagedFile::Name(Kernel &kernel, std::string_view target, const char *suffix) {
  Remove();
  Path name{target};
  if (name.size() != target.size() || !name.Append(suffix)) return false;
  kernel_ = &kernel;
  name_ = name;
  return true;
}

bool StagedFile::NameFree(Kernel &kernel, std::string_view target, const char *suffix) {
  Remove();
  Path name;
  auto take = [&] {
    if (kernel.KindOf(name.c_str()) != PathKind::kNothing) return false;
    kernel_ = &kernel;
    name_ = name;
    return true;
  };
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    if (SuffixedName(target, suffix, attempt, name) && take()) return true;
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    if (SameLengthName(target, attempt, name) && take()) return true;
  }
  return false;
}

bool StagedFile::MoveOver(Kernel &kernel, const char *target) {
  if (!named() || !kernel.MoveFileOver(name_.c_str(), target)) return false;
  Release();
  return true;
}

void StagedFile::Remove() {
  if (!named()) return;
  // A previous file moved aside keeps the attributes the user gave it: read-only is no reason
  // to leave it behind.
  if (!kernel_->RemoveFile(name_.c_str()) &&
      kernel_->KindOf(name_.c_str()) == PathKind::kReadOnlyFile &&
      kernel_->MakeWritable(name_.c_str())) {
    kernel_->RemoveFile(name_.c_str());
  }
  Release();
}

}  // namespace kestrane
