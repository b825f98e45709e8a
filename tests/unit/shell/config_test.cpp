// Configuration files: what a plug-in reads back must be what it wrote, and the lines it did
// not touch must survive byte for byte.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "portable/config_file.h"
#include "portable/config_text.h"

namespace corvane {
namespace {

TEST(ConfigFind, KeyWithOrWithoutColonCaseInsensitive) {
  const std::string text = "Kestrane.plugin.X: 10\nother: 3\n";
  EXPECT_EQ(FindValue(text, "Kestrane.plugin.X:"), "10");
  EXPECT_EQ(FindValue(text, "kestrane.PLUGIN.x"), "10");
  EXPECT_EQ(FindValue(text, "other:"), "3");
}

TEST(ConfigFind, FirstMatchWins) { EXPECT_EQ(FindValue("a: 1\nA: 2\n", "a:"), "1"); }

TEST(ConfigFind, TrimsBlanksAndCarriageReturns) {
  EXPECT_EQ(FindValue("  key :\t  some value  \r\nnext: 1\r\n", "key:"), "some value");
  EXPECT_EQ(FindValue("key:", "key:"), "");
}

TEST(ConfigFind, KeyMustBeWholeAndFollowedByColon) {
  const std::string text = "key.longer: 1\nkeyword 2\n# key: 3\n";
  EXPECT_FALSE(FindValue(text, "key:"));
  EXPECT_FALSE(FindValue(text, ""));
  EXPECT_FALSE(FindValue("", "key:"));
}

TEST(ConfigFind, KeyMayContainColons) {
  EXPECT_EQ(FindValue("a:b: 5\n", "a:b:"), "5");
  EXPECT_EQ(FindValue("a: b: 5\n", "a:"), "b: 5");
}

TEST(ConfigReplace, ReplacesOnlyTheFirstLineOfTheKey) {
  const std::string text = "# comment\r\nx: 1\r\ny: 2\r\nX: 9\r\n";
  // The line takes the key as the caller spells it.
  EXPECT_EQ(ReplaceValue(text, "X:", "5"), "# comment\r\nX: 5\r\ny: 2\r\nX: 9\r\n");
}

TEST(ConfigReplace, AppendsWithTheFileLineEnding) {
  EXPECT_EQ(ReplaceValue("a: 1\n", "b:", "2"), "a: 1\nb: 2\n");
  EXPECT_EQ(ReplaceValue("a: 1\r\n", "b:", "2"), "a: 1\r\nb: 2\r\n");
  EXPECT_EQ(ReplaceValue("a: 1", "b:", "2"), "a: 1\r\nb: 2\r\n");
  EXPECT_EQ(ReplaceValue("", "b", "2"), "b: 2\r\n");
}

TEST(ConfigReplace, LastLineWithoutEndingStaysWithoutIt) {
  EXPECT_EQ(ReplaceValue("a: 1\nb: 2", "b:", "3"), "a: 1\nb: 3");
}

TEST(ConfigReplace, ReadsBackWhatItWrote) {
  std::string text = "one: 1\n";
  text = ReplaceValue(text, "Two.Key:", "a value: with colon");
  text = ReplaceValue(text, "one:", "");
  EXPECT_EQ(FindValue(text, "two.key:"), "a value: with colon");
  EXPECT_EQ(FindValue(text, "one:"), "");
}

TEST(ConfigValues, Bool) {
  EXPECT_EQ(ParseBool("TRUE"), true);
  EXPECT_EQ(ParseBool(" false "), false);
  EXPECT_FALSE(ParseBool("1"));
  EXPECT_FALSE(ParseBool("yes"));
  EXPECT_FALSE(ParseBool("truest"));
}

TEST(ConfigValues, Int) {
  EXPECT_EQ(ParseInt("42"), 42);
  EXPECT_EQ(ParseInt(" -7 "), -7);
  EXPECT_EQ(ParseInt("+3"), 3);
  EXPECT_EQ(ParseInt("2147483647"), 2147483647);
  EXPECT_FALSE(ParseInt("2147483648"));
  EXPECT_FALSE(ParseInt("12px"));
  EXPECT_FALSE(ParseInt("0x10"));
  EXPECT_FALSE(ParseInt("-"));
  EXPECT_FALSE(ParseInt(""));
}

class ConfigFileTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("corvane_config_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    std::filesystem::create_directories(folder_);
    path_ = (folder_ / "Kestrane.rc").string();
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  void Put(const std::string &content) { std::ofstream(path_, std::ios::binary) << content; }
  std::string Get() {
    std::string content;
    EXPECT_TRUE(ReadWholeFile(path_, &content));
    return content;
  }

  std::filesystem::path folder_;
  std::string path_;
};

TEST_F(ConfigFileTest, MissingFileGivesFallbacks) {
  EXPECT_TRUE(ReadBoolSetting(path_, "a:", true));
  EXPECT_EQ(ReadIntSetting(path_, "a:", 17), 17);
  EXPECT_EQ(ReadStringSetting(path_, "a:", "dflt"), "dflt");
}

TEST_F(ConfigFileTest, UnparsableValuesGiveFallbacks) {
  Put("flag: maybe\nsize: big\nname:\n");
  EXPECT_FALSE(ReadBoolSetting(path_, "flag:", false));
  EXPECT_EQ(ReadIntSetting(path_, "size:", 5), 5);
  EXPECT_EQ(ReadStringSetting(path_, "name:", "dflt"), "");  // present but empty
}

TEST_F(ConfigFileTest, WriteCreatesTheFile) {
  ASSERT_TRUE(WriteSetting(path_, "Kestrane.x:", "10"));
  EXPECT_EQ(Get(), "Kestrane.x: 10\r\n");
  EXPECT_EQ(ReadIntSetting(path_, "kestrane.X:", 0), 10);
}

TEST_F(ConfigFileTest, WriteKeepsOtherLinesByteForByte) {
  const std::string before = "# top\n\n  x:   1  \ny: true\r\nz: \xE9t\xE9\n";
  Put(before);
  ASSERT_TRUE(WriteSetting(path_, "y:", "false"));
  EXPECT_EQ(Get(), "# top\n\n  x:   1  \ny: false\r\nz: \xE9t\xE9\n");
  EXPECT_FALSE(ReadBoolSetting(path_, "y:", true));
}

TEST_F(ConfigFileTest, WriteFailsInAMissingFolder) {
  EXPECT_FALSE(WriteSetting((folder_ / "no" / "such.rc").string(), "a:", "1"));
}

TEST_F(ConfigFileTest, WriteThatChangesNothingLeavesTheFileUntouched) {
  Put("a: 1\r\n");
  const auto old = std::filesystem::last_write_time(path_) - std::chrono::hours(1);
  std::filesystem::last_write_time(path_, old);
  ASSERT_TRUE(WriteSetting(path_, "a:", "1"));
  EXPECT_EQ(std::filesystem::last_write_time(path_), old);
  ASSERT_TRUE(WriteSetting(path_, "a:", "2"));
  EXPECT_EQ(Get(), "a: 2\r\n");
}

// The cache is told the file's stamp; a test can hold it still while the content changes.
TEST_F(ConfigFileTest, CacheReadsAgainWhatMayHaveChanged) {
  ConfigCache cache;
  const std::uint64_t now = 1'000'000'000;
  const FileStamp settled{5, now - ConfigCache::kSettledTime};
  Put("a: 1\n");
  EXPECT_EQ(*cache.Content(path_, settled, now), "a: 1\n");
  Put("a: 2\n");  // same size, same stamp: kept from memory
  EXPECT_EQ(*cache.Content(path_, settled, now + 1), "a: 1\n");
  EXPECT_EQ(*cache.Content(path_, FileStamp{5, settled.writeTime + 1}, now), "a: 2\n");

  // Written just before it was read: the stamp cannot be trusted, every read opens the file.
  const FileStamp fresh{5, now - 1};
  Put("a: 3\n");
  EXPECT_EQ(*cache.Content(path_, fresh, now), "a: 3\n");
  Put("a: 4\n");
  EXPECT_EQ(*cache.Content(path_, fresh, now), "a: 4\n");

  EXPECT_EQ(cache.Content(path_, std::nullopt, now), nullptr);
  std::filesystem::remove(path_);
  EXPECT_EQ(cache.Content(path_, settled, now), nullptr);  // gone between stamp and read
  EXPECT_EQ(IntSetting(nullptr, "a:", 7), 7);
}

}  // namespace
}  // namespace corvane
