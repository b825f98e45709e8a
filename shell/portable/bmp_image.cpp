#include "portable/bmp_image.h"

#include <cstdint>
#include <cstring>

namespace corvane {

namespace {

void Put16(std::vector<unsigned char> &out, size_t at, std::uint16_t value) {
  out[at] = static_cast<unsigned char>(value);
  out[at + 1] = static_cast<unsigned char>(value >> 8);
}

void Put32(std::vector<unsigned char> &out, size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;

}  // namespace

size_t Bmp24Stride(int width) {
  return width <= 0 ? 0 : (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
}

std::vector<unsigned char> EncodeBmp24(int width, int height, const unsigned char *topDown,
                                       size_t stride) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  const size_t rowBytes = Bmp24Stride(width);
  const size_t pixels = rowBytes * static_cast<size_t>(height);
  std::vector<unsigned char> out(kFileHeader + kInfoHeader + pixels, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<std::uint32_t>(out.size()));
  Put32(out, 10, kFileHeader + kInfoHeader);
  Put32(out, 14, kInfoHeader);
  Put32(out, 18, static_cast<std::uint32_t>(width));
  Put32(out, 22, static_cast<std::uint32_t>(height));  // positive: bottom row first
  Put16(out, 26, 1);
  Put16(out, 28, 24);
  Put32(out, 34, static_cast<std::uint32_t>(pixels));
  Put32(out, 38, 2835);  // 72 dpi
  Put32(out, 42, 2835);
  const size_t copy = static_cast<size_t>(width) * 3;
  for (int row = 0; row < height; ++row) {
    const unsigned char *source = topDown + static_cast<size_t>(height - 1 - row) * stride;
    std::memcpy(out.data() + kFileHeader + kInfoHeader + static_cast<size_t>(row) * rowBytes,
                source, copy);
  }
  return out;
}

}  // namespace corvane
