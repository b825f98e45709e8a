// Screenshots and gradients: a BMP other tools can open, and the style colours where
// plug-ins expect them. Plug-in images: what a DLL file imports from the shell.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "portable/bmp_image.h"
#include "portable/pe_imports.h"
#include "portable/style_record.h"

namespace corvane {
namespace {

void Put32(std::string &image, size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) image[at + i] = static_cast<char>(value >> (8 * i));
}

// A PE32 file of one section (address 0x1000, file offset 0x200) importing GetCVWnd and
// ordinal 7 from CORVANE.EXE and Sleep from kernel32.dll.
std::string PluginImage() {
  std::string image(0x400, '\0');
  image.replace(0, 2, "MZ");
  Put32(image, 0x3C, 0x40);
  image.replace(0x40, 4, std::string("PE\0\0", 4));
  image[0x46] = 1;                       // one section
  image[0x54] = static_cast<char>(224);  // the optional header's size
  image[0x58] = 0x0B, image[0x59] = 0x01;
  Put32(image, 0x58 + 92, 16);       // data directories
  Put32(image, 0x58 + 104, 0x1000);  // the import directory
  const size_t section = 0x58 + 224;
  Put32(image, section + 8, 0x200);
  Put32(image, section + 12, 0x1000);
  Put32(image, section + 16, 0x200);
  Put32(image, section + 20, 0x200);
  auto at = [](std::uint32_t rva) { return rva - 0x1000 + 0x200; };
  Put32(image, at(0x1000), 0x1100);  // descriptor: lookup table, name, bound table
  Put32(image, at(0x100C), 0x1080);
  Put32(image, at(0x1010), 0x1100);
  Put32(image, at(0x1014), 0x1120);
  Put32(image, at(0x1020), 0x1090);
  Put32(image, at(0x1024), 0x1120);
  image.replace(at(0x1080), 11, "CORVANE.EXE");
  image.replace(at(0x1090), 12, "kernel32.dll");
  Put32(image, at(0x1100), 0x1140);
  Put32(image, at(0x1104), 0x80000007);
  Put32(image, at(0x1120), 0x1150);
  image.replace(at(0x1142), 8, "GetCVWnd");
  image.replace(at(0x1152), 5, "Sleep");
  return image;
}

TEST(PeImports, NamesAndOrdinalsFromOneLibraryAndNothingPastTheEnd) {
  const std::string image = PluginImage();
  EXPECT_EQ(ImportsFrom(image, "corvane.exe"), (std::vector<std::string>{"GetCVWnd", "#7"}));
  EXPECT_EQ(ImportsFrom(image, "KERNEL32.DLL"), std::vector<std::string>{"Sleep"});
  EXPECT_EQ(ImportsFrom(image, "user32.dll"), std::vector<std::string>{});
  EXPECT_FALSE(ImportsFrom("MZ not a plug-in", "corvane.exe"));
  // Cut anywhere, it is read no further than it goes (ASan watches).
  for (size_t size = 0; size < image.size(); ++size) {
    const std::vector<char> cut(image.begin(), image.begin() + static_cast<long>(size));
    ImportsFrom(std::string_view(cut.data(), cut.size()), "corvane.exe");
  }
}

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
