// The update key a library carries, the release statement its author signs and the
// signature published for it, as texts.
#include <gtest/gtest.h>

#include "fake_kernel.h"
#include "fake_libraries.h"
#include "fake_update_ports.h"
#include "update/catalogue.h"
#include "update/release_statement.h"
#include "update/sha256.h"
#include "update/update_files.h"
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

// The bytes an author's sign-update signs: digests in lower case whatever the published case,
// names as stored (the URL's last segment), "archive:" lines for an archive.
TEST(ReleaseStatement, TheExactBytesAnAuthorSigns) {
  testing::CallLog log;
  testing::FakeKernel kernel(log);
  const std::string x = testing::Sha256Hex("x"), y = testing::Sha256Hex("y");
  std::string upperY = y;
  for (char &c : upperY) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  UpdatePlan plan;
  ASSERT_EQ(
      PlanUpdateFiles(kernel, "http://site/1.3/a.dll  site/A.txt", "p\\", x + " " + upperY, plan)
          .problem,
      PlanProblem::kNone);
  ReleaseStatement statement;
  ASSERT_TRUE(BuildReleaseStatement({"Clock", "1.3", "2004-09-01", false}, plan, statement));
  EXPECT_EQ(statement.view(),
            "kestrane-release 1\nname: Clock\nversion: 1.3\ndate: 2004-09-01\n"
            "file: a.dll " +
                x + "\nfile: A.txt " + y + "\n");
  ASSERT_TRUE(BuildReleaseStatement({"Clock", "1.3", "d", true}, plan, statement));
  EXPECT_EQ(statement.view(),
            "kestrane-release 1\nname: Clock\nversion: 1.3\ndate: d\n"
            "archive: a.dll " +
                x + "\narchive: A.txt " + y + "\n");
  // Without digests the statement cannot bind the files' bytes.
  ASSERT_EQ(PlanUpdateFiles(kernel, "site/a.dll", "p\\", "", plan).problem, PlanProblem::kNone);
  EXPECT_FALSE(BuildReleaseStatement({"Clock", "1.3", "d", false}, plan, statement));
}

TEST(ReleaseStatement, OnlyAnEarlierIsoDateIsOlder) {
  EXPECT_TRUE(IsOlderRelease("2004-01-31", "2004-02-01"));
  EXPECT_TRUE(IsOlderRelease("1999-12-31", "2000-01-01"));
  EXPECT_FALSE(IsOlderRelease("2004-02-01", "2004-02-01"));  // the same date: accepted
  EXPECT_FALSE(IsOlderRelease("2004-02-02", "2004-02-01"));
  // A date of any other shape, on either side, tells no order.
  for (const char *other : {"", "d1", "2004-2-01", "2004-02-1", "2004/01/01", "2004-01-01 ",
                            "20040-1-01", "2004-0a-01", "Feb 2004", "2004-01-011"}) {
    EXPECT_FALSE(IsOlderRelease(other, "2099-01-01")) << other;
    EXPECT_FALSE(IsOlderRelease("1999-01-01", other)) << other;
  }
}

// A known answer, so that the checksums Kestrane compares are SHA-256 and nothing else.
// The catalogue keeps only what verifies with the publisher's key, byte for byte, and offers an
// entry only when every value an install needs is there and well formed.
TEST(Catalogue, OnlyWholeEntriesOfAVerifiedCatalogue) {
  const std::string digest(64, 'a');
  const std::string entry =
      ".name: Clock\n%.version: 1.0\n%.date: 2004-06-01\n%.folder: clock\n%.library: "
      "clock.dll\n%.files: http://site/clock.dll http://site/clock.txt\n%.sha256: " +
      digest + " " + digest + "\n";
  // Entry `id`, with `from` changed to `to` and `extra` lines after it.
  auto of = [&](const std::string &id, const std::string &extra = "", const std::string &from = "",
                const std::string &to = "") {
    std::string text = id + entry + extra;
    for (std::size_t at; (at = text.find('%')) != std::string::npos;) text.replace(at, 1, id);
    if (!from.empty()) text.replace(text.find(from), from.size(), to);
    return text;
  };
  testing::AuthorKey publisher(7), author(8);
  const std::string text =
      "catalogue.plugins: ok\tpacked  noname badfolder badlib short unsigned keyed ok\n" +
      of("ok", "OK.Version: 9.9\nok.version: 2.0\n") +  // any letters; the first line counts
      of("packed", "",
         "files: http://site/clock.dll http://site/clock.txt\npacked.sha256: " + digest + " ",
         "archive: http://site/p.zip\npacked.sha256: ") +
      of("noname", "", "noname.name: Clock", "noname.name:") +
      of("badfolder", "", "folder: clock", "folder: ..") +
      of("badlib", "", "library: clock.dll", "library: a\\b.dll") +
      of("short", "", " " + digest + "\n", "\n") +
      of("unsigned", "unsigned.key: " + author.PublicBase64() + "\n") +
      of("keyed",
         "keyed.key: " + author.PublicBase64() + "\nkeyed.signature: " + author.Sign("x") + "\n");
  Catalogue catalogue;
  catalogue.text.Append(text);
  ParseCatalogue(catalogue);
  std::vector<std::string> ids, complete;
  for (int i = 0; i < catalogue.count; ++i) {
    ids.emplace_back(catalogue.entries[i].id);
    if (IsCompleteEntry(catalogue.entries[i])) complete.emplace_back(catalogue.entries[i].id);
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"ok", "packed", "noname", "badfolder", "badlib", "short",
                                           "unsigned", "keyed"}));
  EXPECT_EQ(complete, (std::vector<std::string>{"ok", "packed", "keyed"}));
  EXPECT_EQ(FindCatalogueEntry(catalogue, "OK")->version, "1.0");
  EXPECT_TRUE(FindCatalogueEntry(catalogue, "packed")->files.empty());

  EXPECT_TRUE(
      IsSignedCatalogue(text, " " + publisher.Sign(text) + "\r\n", publisher.PublicBase64()));
  EXPECT_FALSE(IsSignedCatalogue(text + " ", publisher.Sign(text), publisher.PublicBase64()));
  EXPECT_FALSE(IsSignedCatalogue(text, author.Sign(text), publisher.PublicBase64()));
  EXPECT_FALSE(IsSignedCatalogue(text, publisher.Sign(text), ""));
}

TEST(Sha256OfFile, KnownAnswerAndAMissingFile) {
  std::FILE *f = std::fopen("abc.txt", "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("abc", f);
  std::fclose(f);
  Sha256 digest;
  testing::CallLog log;
  testing::FakeKernel kernel(log);
  ASSERT_TRUE(Sha256OfFile(kernel, "abc.txt", digest));
  EXPECT_EQ(digest.bytes[0], 0xba);
  EXPECT_EQ(digest.bytes[31], 0xad);
  EXPECT_EQ(testing::Sha256Hex("abc"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  std::remove("abc.txt");
  EXPECT_FALSE(Sha256OfFile(kernel, "abc.txt", digest));
}

}  // namespace
}  // namespace kestrane
