#include "update/base64_text.h"

#include <sodium/utils.h>

namespace kestrane {

namespace {

bool IsBase64Character(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
         c == '/' || c == '=';
}

}  // namespace

bool DecodeBase64(std::string_view text, unsigned char *bytes, std::size_t size) {
  // libsodium's decoder takes every character above 0x7F for a digit: only the alphabet passes.
  for (char c : text) {
    if (!IsBase64Character(c)) return false;
  }
  std::size_t decoded = 0;
  return text.size() == sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL) - 1 &&
         sodium_base642bin(bytes, size, text.data(), text.size(), nullptr, &decoded, nullptr,
                           sodium_base64_VARIANT_ORIGINAL) == 0 &&
         decoded == size;
}

}  // namespace kestrane
