#include "fake_update_ports.h"

#include <algorithm>
#include <iterator>

#include <sodium/crypto_hash_sha256.h>
#include <sodium/crypto_sign_ed25519.h>
#include <sodium/utils.h>

namespace kestrane::testing {

std::string Sha256Hex(std::string_view content) {
  static const char kDigits[] = "0123456789abcdef";
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256(digest, reinterpret_cast<const unsigned char *>(content.data()),
                     content.size());
  std::string hex;
  for (unsigned char byte : digest) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0xF];
  }
  return hex;
}

namespace {

std::string Base64(const unsigned char *bytes, std::size_t size) {
  std::string text(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(text.data(), text.size(), bytes, size, sodium_base64_VARIANT_ORIGINAL);
  text.pop_back();  // the terminator
  return text;
}

}  // namespace

AuthorKey::AuthorKey(unsigned char seed) {
  unsigned char seedBytes[crypto_sign_ed25519_SEEDBYTES];
  std::fill(std::begin(seedBytes), std::end(seedBytes), seed);
  unsigned char publicKey[crypto_sign_ed25519_PUBLICKEYBYTES];
  crypto_sign_ed25519_seed_keypair(publicKey, secret_, seedBytes);
  public_ = Base64(publicKey, sizeof publicKey);
}

std::string AuthorKey::Sign(std::string_view content) const {
  unsigned char signature[crypto_sign_ed25519_BYTES];
  crypto_sign_ed25519_detached(signature, nullptr,
                               reinterpret_cast<const unsigned char *>(content.data()),
                               content.size(), secret_);
  return Base64(signature, sizeof signature);
}

Path FakeFolderBrowser::ChooseFolder(WindowHandle owner, const char *title, unsigned flags) {
  log_.Add(std::string("ChooseFolder ") + title);
  lastOwner = owner;
  lastFlags = flags;
  if (answers.empty()) return Path();
  Path chosen{answers.front()};
  answers.pop_front();
  return chosen;
}

}  // namespace kestrane::testing
