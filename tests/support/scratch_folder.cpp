#include "scratch_folder.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace kestrane::testing {

ScratchFolder::ScratchFolder() {
  std::error_code error;
  previous_ = std::filesystem::current_path(error).string();
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrane-unit-XXXXXX").string();
  if (error || mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a scratch folder " + pattern);
  }
  path_ = pattern;
  if (chdir(path_.c_str()) != 0) {
    std::filesystem::remove(path_, error);
    throw std::runtime_error("cannot enter the scratch folder " + path_);
  }
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace kestrane::testing
