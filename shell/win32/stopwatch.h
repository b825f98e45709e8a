// Microseconds on the performance counter, for --timing.
#pragma once

#include <windows.h>

namespace corvane::win32 {

class Stopwatch {
 public:
  Stopwatch() { QueryPerformanceCounter(&start_); }
  long long Microseconds() const {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (now.QuadPart - start_.QuadPart) * 1000000 / frequency.QuadPart;
  }

 private:
  LARGE_INTEGER start_;
};

// Under --timing: writes `timing WHAT N us`, the time since the watch started.
void RecordTiming(const char *what, const Stopwatch &watch);

}  // namespace corvane::win32
