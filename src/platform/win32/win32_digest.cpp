#include "platform/win32/win32_digest.h"

#include <windows.h>
#include <wincrypt.h>

#include <new>

namespace kestrane::win32 {

namespace {

class CryptoHasher final : public Sha256Hasher {
 public:
  CryptoHasher() = default;
  CryptoHasher(const CryptoHasher &) = delete;
  CryptoHasher &operator=(const CryptoHasher &) = delete;
  ~CryptoHasher() override {
    if (hash_ != 0) CryptDestroyHash(hash_);
    if (provider_ != 0) CryptReleaseContext(provider_, 0);
  }

  // False where the system cannot hash SHA-256: Windows 2000 has no AES provider, and the
  // one of XP before SP3 knows no SHA-256.
  bool Start() {
    if (!CryptAcquireContextA(&provider_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
      provider_ = 0;
      return false;
    }
    if (!CryptCreateHash(provider_, CALG_SHA_256, 0, 0, &hash_)) {
      hash_ = 0;
      return false;
    }
    return true;
  }

  bool Add(const void *data, std::size_t size) override {
    return CryptHashData(hash_, static_cast<const BYTE *>(data), static_cast<DWORD>(size), 0) != 0;
  }

  bool Finish(Sha256 &digest) override {
    DWORD size = sizeof digest.bytes;
    return CryptGetHashParam(hash_, HP_HASHVAL, digest.bytes, &size, 0) != 0 &&
           size == sizeof digest.bytes;
  }

 private:
  HCRYPTPROV provider_ = 0;
  HCRYPTHASH hash_ = 0;
};

}  // namespace

std::unique_ptr<Sha256Hasher> Win32Digest::StartSha256() {
  std::unique_ptr<CryptoHasher> hasher(new (std::nothrow) CryptoHasher);
  if (!hasher || !hasher->Start()) return nullptr;
  return hasher;
}

}  // namespace kestrane::win32
