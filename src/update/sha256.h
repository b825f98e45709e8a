// SHA-256 of a downloaded file, by libsodium compiled into Kestrane: it works on every system
// the DLL loads on (the system's own, CryptoAPI's, needs Windows XP SP3).
#pragma once

#include <cstddef>

#include "platform/kernel.h"

namespace kestrane {

constexpr std::size_t kSha256Bytes = 32;

struct Sha256 {
  unsigned char bytes[kSha256Bytes] = {};
};

// False when the file cannot be read to its end.
bool Sha256OfFile(Kernel &kernel, FilePath path, Sha256 &digest);

}  // namespace kestrane
