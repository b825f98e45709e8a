#include "update/sha256.h"

#include <sodium/crypto_hash_sha256.h>

#include <cstdio>
#include <memory>

namespace kestrane {

namespace {

struct FileCloser {
  void operator()(std::FILE *f) const { std::fclose(f); }
};

constexpr std::size_t kBlockBytes = std::size_t{16} * 1024;

}  // namespace

bool Sha256OfFile(Kernel &kernel, FilePath path, Sha256 &digest) {
  std::unique_ptr<std::FILE, FileCloser> file(kernel.OpenFile(path, "rb"));
  if (!file) return false;
  crypto_hash_sha256_state state;
  crypto_hash_sha256_init(&state);
  unsigned char block[kBlockBytes];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof block, file.get())) > 0) {
    crypto_hash_sha256_update(&state, block, n);
  }
  if (std::ferror(file.get()) != 0) return false;
  crypto_hash_sha256_final(&state, digest.bytes);
  return true;
}

}  // namespace kestrane
