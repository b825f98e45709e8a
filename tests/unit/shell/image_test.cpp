// Screenshots and gradients: a BMP other tools can open, and the style colours where
// plug-ins expect them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "portable/bmp_image.h"
#include "portable/style_record.h"

namespace corvane {
namespace {

std::uint32_t Read32(const std::vector<unsigned char> &bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

TEST(Bmp, HeaderAndPaddedBottomUpRows) {
  // 2x2 pixels, rows of 6 bytes padded to 8 in the file; the source stride is 7.
  const unsigned char top[] = {1, 2, 3, 4, 5, 6, 99};
  const unsigned char bottom[] = {7, 8, 9, 10, 11, 12, 99};
  std::vector<unsigned char> source(top, top + 7);
  source.insert(source.end(), bottom, bottom + 7);
  const auto file = EncodeBmp24(2, 2, source.data(), 7);

  ASSERT_EQ(file.size(), 54u + 16u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(Read32(file, 2), file.size());
  EXPECT_EQ(Read32(file, 10), 54u);
  EXPECT_EQ(Read32(file, 18), 2u);
  EXPECT_EQ(Read32(file, 22), 2u);
  EXPECT_EQ(file[28], 24);
  EXPECT_EQ(Read32(file, 34), 16u);
  const unsigned char expected[] = {7, 8, 9, 10, 11, 12, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0};
  EXPECT_EQ(std::memcmp(file.data() + 54, expected, sizeof expected), 0);
}

TEST(Bmp, Stride) {
  EXPECT_EQ(Bmp24Stride(1), 4u);
  EXPECT_EQ(Bmp24Stride(4), 12u);
  EXPECT_EQ(Bmp24Stride(5), 16u);
  EXPECT_EQ(Bmp24Stride(0), 0u);
}

TEST(Bmp, EmptyImageIsJustTheHeader) { EXPECT_EQ(EncodeBmp24(0, 0, nullptr, 0).size(), 54u); }

TEST(Style, FillColourAtByte16) {
  const StyleRecord style = DefaultStyle();
  unsigned char bytes[300];
  std::memcpy(bytes, &style, sizeof bytes);
  std::uint32_t fill = 0;
  std::memcpy(&fill, bytes + 16, sizeof fill);
  EXPECT_EQ(fill, style.colour);
  EXPECT_NE(style.colour, style.colourTo);  // a gradient, not a flat fill
}

TEST(Style, BlendRunsFromFirstToLastRow) {
  const std::uint32_t from = 0x00000000;
  const std::uint32_t to = 0x00FF6432;  // blue 255, green 100, red 50
  EXPECT_EQ(BlendColour(from, to, 0, 11), from);
  EXPECT_EQ(BlendColour(from, to, 10, 11), to);
  EXPECT_EQ(BlendColour(from, to, 5, 11), 0x007F3219u);
  EXPECT_EQ(BlendColour(to, from, 5, 11), 0x00803219u);
  EXPECT_EQ(BlendColour(from, to, 0, 1), from);
}

}  // namespace
}  // namespace corvane
