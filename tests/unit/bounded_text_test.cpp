#include "core/bounded_text.h"

#include <gtest/gtest.h>

#include <string>

#include "core/path_text.h"

namespace kestrane {
namespace {

TEST(BoundedText, CutsAtCapacityAndSaysSo) {
  BoundedText<5> t;
  EXPECT_TRUE(t.Assign("abcd"));
  EXPECT_EQ(t.view(), "abcd");
  EXPECT_FALSE(t.Assign("abcdef"));
  EXPECT_EQ(t.view(), "abcd");
  EXPECT_EQ(t.c_str()[4], '\0');

  Path p{std::string(300, 'x')};
  EXPECT_EQ(p.size(), 259u);
  EXPECT_EQ(std::string(p.c_str()).size(), 259u);
}

TEST(BoundedText, AppendAndFormatNeverOverrun) {
  BoundedText<8> t{"abc"};
  EXPECT_TRUE(t.Append("de"));
  EXPECT_FALSE(t.Append("fghij"));
  EXPECT_EQ(t.view(), "abcdefg");

  EXPECT_FALSE(t.Format("%s-%d", "long text", 12345));
  EXPECT_EQ(t.view(), "long te");
  EXPECT_TRUE(t.Format("%d", 42));
  EXPECT_EQ(t.view(), "42");
}

TEST(BoundedText, NullAndEmptyTexts) {
  Path p{static_cast<const char *>(nullptr)};
  EXPECT_TRUE(p.empty());
  EXPECT_STREQ(p.c_str(), "");
}

TEST(BoundedText, ResyncAfterDirectFillStaysInside) {
  Path p;
  std::fill(p.Buffer(), p.Buffer() + Path::kCapacity, 'y');  // a writer that forgot the zero
  p.Resync();
  EXPECT_EQ(p.size(), Path::kMaxLength);
}

TEST(PathText, FolderAndFileParts) {
  EXPECT_EQ(FolderPart("c:\\a/b\\c.dll").view(), "c:\\a/b\\");
  EXPECT_EQ(FileNamePart("c:\\a\\b/c.dll").view(), "c.dll");
  EXPECT_EQ(FolderPart("plain.dll").view(), "");
  EXPECT_EQ(FileNamePart("plain.dll").view(), "plain.dll");
  EXPECT_EQ(FileNamePart("c:\\dir\\").view(), "");
}

TEST(PathText, LowerCaseTouchesOnlyAsciiLetters) {
  Path p{"C:\\Shell\\PlugIns\\\xC4x.DLL"};
  LowerCase(p);
  EXPECT_EQ(p.view(), "c:\\shell\\plugins\\\xC4x.dll");
}

}  // namespace
}  // namespace kestrane
