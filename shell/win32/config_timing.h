// Under --timing: how many calls a plug-in made to the configuration functions (Read*, Write*,
// FileExists) and the time it spent in them, so a start-up's time can be split.
#pragma once

namespace corvane::win32 {

struct ConfigTime {
  long long calls = 0;
  long long microseconds = 0;
};

ConfigTime ConfigTimeSoFar();

}  // namespace corvane::win32
