// A file that arrives beside its target under a temporary name. It is removed on every path
// out unless it has been moved into place.
#pragma once

#include <string_view>

#include "core/bounded_text.h"
#include "core/text_coding.h"
#include "platform/kernel.h"

namespace kestrane {

class StagedFile {
 public:
  StagedFile() = default;
  StagedFile(const StagedFile &) = delete;
  StagedFile &operator=(const StagedFile &) = delete;
  ~StagedFile() { Remove(); }

  // The target's path followed by `suffix`; false when that does not fit a path. The staged
  // file's path is in the target's coding.
  bool Name(Kernel &kernel, std::string_view target, const char *suffix,
            TextCoding coding = TextCoding::kSystem);
  // A name beside `target` that nothing holds yet and that fits wherever the target does: the
  // target followed by `suffix` (and a number when that is taken) or, where none of those fits,
  // a name no longer than the target's own. False when every one tried is taken.
  bool NameFree(Kernel &kernel, std::string_view target, const char *suffix,
                TextCoding coding = TextCoding::kSystem);
  const char *c_str() const { return name_.c_str(); }
  FilePath path() const { return {name_.c_str(), coding_}; }
  bool named() const { return !name_.empty(); }

  // Moves the file over `target`; from then on it is the target's and is no longer removed.
  bool MoveOver(Kernel &kernel, FilePath target);
  // Removes the file now (if there is one), read-only or not, and forgets it.
  void Remove();
  // Forgets the file without removing it.
  void Release() { name_.Clear(); }

 private:
  Kernel *kernel_ = nullptr;
  Utf8Path name_;
  TextCoding coding_ = TextCoding::kSystem;
};

}  // namespace kestrane
