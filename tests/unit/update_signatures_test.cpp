// The update key a library carries and the signatures published for its files, as texts.
#include <gtest/gtest.h>

#include "fake_libraries.h"
#include "fake_update_ports.h"
#include "update/sha256.h"
#include "update/update_key.h"
#include "update/update_signatures.h"

namespace kestrane {
namespace {

using Kind = UpdateKey::Kind;

// RFC 8032's first test key, whose bytes begin d7 5a 98 01 and end 07 51 1a.
constexpr char kRfcKey[] = "11qYAYKxCrfVS/7TyWQHOg7hcvPapiMlrwIaaPcHURo=";

TEST(UpdateKey, FortyFourBase64CharactersBetweenBlanksAndLineEnds) {
  UpdateKey key = ParseUpdateKey(std::string(" \r\n\t") + kRfcKey + "\r\n\r\n");
  ASSERT_EQ(key.kind, Kind::kKey);
  EXPECT_EQ(key.bytes[0], 0xd7);
  EXPECT_EQ(key.bytes[3], 0x01);
  EXPECT_EQ(key.bytes[31], 0x1a);

  std::string text = kRfcKey;
  std::string nonCanonical = text;
  nonCanonical[42] = 'p';  // the same bytes with stray low bits set
  for (const std::string &bad : std::vector<std::string>{
           std::string(), std::string("   "), text.substr(0, 43), text + "A",
           text.substr(0, 43) + "A", nonCanonical, "11qYAYKxCrfVS/7Ty QHOg7hcvPapiMlrwIaaPcHURo=",
           "11qYAYKxCrfVS_7TyWQHOg7hcvPapiMlrwIaaPcHURo=",
           text.substr(0, 20) + '\0' + text.substr(21),
           text.substr(0, 20) + '\xBF' + text.substr(21), std::string(44, '=')}) {
    EXPECT_EQ(ParseUpdateKey(bad).kind, Kind::kUnusable) << bad;
  }
}

TEST(UpdateKey, ReadFromTheLibraryFileAsData) {
  testing::CallLog log;
  testing::FakeLibraries libraries(log);
  libraries.available["signed.dll"].resources[kUpdateKeyResource] = kRfcKey;
  libraries.available["plain.dll"];
  libraries.available["huge.dll"].resources[kUpdateKeyResource] = std::string(300, ' ') + kRfcKey;
  libraries.available["closed.dll"].readableAsData = false;
  EXPECT_EQ(ReadUpdateKey(libraries, "signed.dll").kind, Kind::kKey);
  EXPECT_EQ(ReadUpdateKey(libraries, "plain.dll").kind, Kind::kNone);
  EXPECT_EQ(ReadUpdateKey(libraries, "huge.dll").kind, Kind::kUnusable);
  EXPECT_EQ(ReadUpdateKey(libraries, "closed.dll").kind, Kind::kUnusable);
  EXPECT_TRUE(libraries.loaded.empty());  // nothing of theirs was loaded to run
}

TEST(UpdateSignatures, EightyEightCanonicalBase64Characters) {
  std::string good = testing::AuthorKey(7).Sign("content");
  Signature signature;
  EXPECT_TRUE(DecodeSignature(good, signature));
  std::string nonCanonical = good;
  nonCanonical[85] = static_cast<char>(good[85] + 1);  // A, Q, g or w: stray low bits set
  for (const std::string &bad : std::vector<std::string>{
           good.substr(0, 86), good + "==", good.substr(0, 86) + "A=", nonCanonical,
           good.substr(0, 5) + '\x89' + good.substr(6), std::string(88, 'A')}) {
    EXPECT_FALSE(DecodeSignature(bad, signature)) << bad;
  }
}

// A known answer, so that the checksums Kestrane compares are SHA-256 and nothing else.
TEST(Sha256OfFile, KnownAnswerAndAMissingFile) {
  std::FILE *f = std::fopen("abc.txt", "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("abc", f);
  std::fclose(f);
  Sha256 digest;
  ASSERT_TRUE(Sha256OfFile("abc.txt", digest));
  EXPECT_EQ(digest.bytes[0], 0xba);
  EXPECT_EQ(digest.bytes[31], 0xad);
  EXPECT_EQ(testing::Sha256Hex("abc"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  std::remove("abc.txt");
  EXPECT_FALSE(Sha256OfFile("abc.txt", digest));
}

}  // namespace
}  // namespace kestrane
