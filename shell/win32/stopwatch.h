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

}  // namespace corvane::win32
