// What every extraction keeps to, whatever the archive: shared by the zip fuzz targets.
#pragma once

#include <string>
#include <vector>

#include "fake_desktop.h"

namespace kestrane::fuzz {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// The archive `root`/update.zip was extracted into `dest` (`root`/out/) with `result`: nothing
// was written beside them, every listed path lies inside `dest` without a ".." step, and when
// no list was shown, and no shut-down came to hide it, the result is one of the error texts.
void CheckExtraction(const std::string &root, const std::string &dest, const std::string &result,
                     const std::vector<testing::ShownBox> &boxes, bool shutDown = false);

}  // namespace kestrane::fuzz
