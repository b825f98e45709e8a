// Checksums of downloaded files, computed by the system.
#pragma once

#include <cstddef>
#include <memory>

namespace kestrane {

constexpr std::size_t kSha256Bytes = 32;

struct Sha256 {
  unsigned char bytes[kSha256Bytes] = {};
};

class Sha256Hasher {
 public:
  virtual ~Sha256Hasher() = default;
  virtual bool Add(const void *data, std::size_t size) = 0;
  virtual bool Finish(Sha256 &digest) = 0;
};

class Digest {
 public:
  virtual ~Digest() = default;
  // Null when the system has no SHA-256 provider (Windows before XP SP3).
  virtual std::unique_ptr<Sha256Hasher> StartSha256() = 0;
};

}  // namespace kestrane
