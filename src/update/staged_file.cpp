#include "update/staged_file.h"

#include <cstdio>

#include "platform/kernel.h"

namespace kestrane {

bool StagedFile::Name(std::string_view target, const char *suffix) {
  Remove();
  Path name{target};
  if (name.size() != target.size() || !name.Append(suffix)) return false;
  name_ = name;
  return true;
}

bool StagedFile::MoveOver(Kernel &kernel, const char *target) {
  if (!named() || !kernel.MoveFileOver(name_.c_str(), target)) return false;
  Release();
  return true;
}

void StagedFile::Remove() {
  if (named()) std::remove(name_.c_str());
  Release();
}

}  // namespace kestrane
