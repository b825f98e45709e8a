#pragma once

#include "platform/digest.h"

namespace kestrane::win32 {

// CryptoAPI's SHA-256, from the AES provider (XP SP3 and later).
class Win32Digest final : public Digest {
 public:
  std::unique_ptr<Sha256Hasher> StartSha256() override;
};

}  // namespace kestrane::win32
