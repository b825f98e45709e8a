// A fresh folder that is the working folder while it lives. The doubles answer Windows paths
// ("C:\Corvane\..."), which are plain relative names on this system: whatever the core writes
// to them through the real file functions lands here and goes with the folder, not into the
// folder the tests were started from. Scratch folders nest; end them in reverse order.
#pragma once

#include <string>

namespace kestrane::testing {

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder &) = delete;
  ScratchFolder &operator=(const ScratchFolder &) = delete;

  const std::string &path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;  // the working folder to go back to
};

}  // namespace kestrane::testing
