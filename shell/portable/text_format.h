// printf-style formatting into std::string, so callers never juggle fixed buffers.
#pragma once

#include <string>

namespace corvane {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
Format(const char *format, ...);

}  // namespace corvane
