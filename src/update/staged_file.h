// A file that arrives beside its target under a temporary name. It is removed on every path
// out unless it has been moved into place.
#pragma once

#include <string_view>

#include "core/bounded_text.h"

namespace kestrane {

class Kernel;

class StagedFile {
 public:
  StagedFile() = default;
  StagedFile(const StagedFile &) = delete;
  StagedFile &operator=(const StagedFile &) = delete;
  ~StagedFile() { Remove(); }

  // The target's path followed by `suffix`; false when that does not fit a path.
  bool Name(std::string_view target, const char *suffix);
  const char *c_str() const { return name_.c_str(); }
  bool named() const { return !name_.empty(); }

  // Moves the file over `target`; from then on it is the target's and is no longer removed.
  bool MoveOver(Kernel &kernel, const char *target);
  // Removes the file now (if there is one) and forgets it.
  void Remove();
  // Forgets the file without removing it.
  void Release() { name_.Clear(); }

 private:
  Path name_;
};

}  // namespace kestrane
