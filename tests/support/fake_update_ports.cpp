#include "fake_update_ports.h"

#include <cstdint>

namespace kestrane::testing {

namespace {

class FakeHasher final : public Sha256Hasher {
 public:
  bool Add(const void *data, std::size_t size) override {
    content_.append(static_cast<const char *>(data), size);
    return true;
  }
  bool Finish(Sha256 &digest) override {
    digest = FakeDigest::Of(content_);
    return true;
  }

 private:
  std::string content_;
};

}  // namespace

Sha256 FakeDigest::Of(std::string_view content) {
  Sha256 digest;
  for (std::size_t part = 0; part < 4; ++part) {
    std::uint64_t h = 0xcbf29ce484222325ull ^ part;  // FNV-1a, seeded per part
    for (char c : content) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
    for (std::size_t b = 0; b < 8; ++b) digest.bytes[part * 8 + b] = (h >> (8 * b)) & 0xFF;
  }
  return digest;
}

std::string FakeDigest::Hex(std::string_view content) {
  static const char kDigits[] = "0123456789abcdef";
  Sha256 digest = Of(content);
  std::string hex;
  for (unsigned char byte : digest.bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0xF];
  }
  return hex;
}

std::unique_ptr<Sha256Hasher> FakeDigest::StartSha256() {
  if (!available) return nullptr;
  return std::make_unique<FakeHasher>();
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
