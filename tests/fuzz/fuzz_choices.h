// Choices read from a fuzzer's input front to back, one byte each, so that a short hand-made
// input means something and a changed byte changes one choice. Past the end every choice is 0:
// the first answer of each choice is the ordinary case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrane::fuzz {

class Choices {
 public:
  Choices(const std::uint8_t *data, std::size_t size) : at_(data), end_(data + size) {}

  // 0 to count - 1.
  unsigned Pick(unsigned count) { return at_ < end_ ? *at_++ % count : 0; }
  // Up to `count` bytes of the input as they are.
  std::string Bytes(std::size_t count) {
    std::size_t n = static_cast<std::size_t>(end_ - at_) < count ? end_ - at_ : count;
    std::string bytes(reinterpret_cast<const char *>(at_), n);
    at_ += n;
    return bytes;
  }

 private:
  const std::uint8_t *at_;
  const std::uint8_t *end_;
};

}  // namespace kestrane::fuzz
