#include "update/zip_extraction.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "test_rig.h"
#include "update/update_worker.h"
#include "zip_maker.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;
using testing::MakeZip;
using testing::ZipItem;

constexpr const char *kHeading = "The following files where extracted...\n\n";
constexpr const char *kFailed = "Error Extracting File";

// Extracts into "out/" of a fresh folder; the archive lies beside it.
struct ZipRig : testing::TestRig {
  ZipRig() {
    char pattern[] = "/tmp/kestrane-zip-XXXXXX";
    root = mkdtemp(pattern);
    dest = root + "/out/";
    fs::create_directory(dest);
    archive = root + "/update.zip";
  }
  ~ZipRig() { fs::remove_all(root); }

  std::string Extract() {
    WorkerRun run(manager, manager.updates.epoch.load());
    return ExtractZipArchive(run, archive.c_str(), dest.c_str()).c_str();
  }

  // Everything under the destination, folders ending in "/".
  std::set<std::string> Written() const {
    std::set<std::string> found;
    for (const auto &item : fs::recursive_directory_iterator(dest)) {
      found.insert(fs::relative(item.path(), dest).generic_string() +
                   (item.is_directory() ? "/" : ""));
    }
    return found;
  }
  std::string Read(const std::string &relative) const {
    std::ifstream in(dest + relative, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void Put(const std::string &relative, const std::string &content) const {
    std::ofstream(dest + relative, std::ios::binary) << content;
  }

  std::string root, dest, archive;
};

std::string Binary(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919) >> 3);
  return bytes;
}

TEST(ZipExtraction, WritesTheFilesListsThemAndGivesTheComment) {
  ZipRig rig;
  const std::string binary = Binary(3000);  // several copy blocks, zero bytes included
  rig.Put("a.txt", "an older a.txt, longer than the new one");
  ASSERT_TRUE(MakeZip(rig.archive, {{"a.txt", "alpha"}, {"b.bin", binary}}, "Version 2 notes"));

  EXPECT_EQ(rig.Extract(), "Version 2 notes");
  EXPECT_EQ(rig.Written(), (std::set<std::string>{"a.txt", "b.bin"}));  // no staging file left
  EXPECT_EQ(rig.Read("a.txt"), "alpha");
  EXPECT_EQ(rig.Read("b.bin"), binary);
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  const testing::ShownBox &box = rig.desktop.boxes[0];
  EXPECT_EQ(box.text, kHeading + rig.dest + "a.txt\n" + rig.dest + "b.bin\n");
  EXPECT_EQ(box.caption, "Kestrane 0.7b");
  EXPECT_EQ(box.style, box::kTopMost | box::kIconInformation);
  EXPECT_EQ(box.owner, kNoWindow);

  // No comment gives an empty text; a long one is cut to what a path buffer holds.
  ASSERT_TRUE(MakeZip(rig.archive, {{"a.txt", "alpha"}}));
  EXPECT_EQ(rig.Extract(), "");
  ASSERT_TRUE(MakeZip(rig.archive, {{"a.txt", "alpha"}}, std::string(300, 'c')));
  EXPECT_EQ(rig.Extract(), std::string(259, 'c'));
  EXPECT_EQ(rig.desktop.boxes.size(), 3u);
}

TEST(ZipExtraction, FolderEntriesAndMissingParentsAreCreated) {
  ZipRig rig;
  ASSERT_TRUE(MakeZip(
      rig.archive,
      {{"docs/", ""}, {"docs/readme.txt", "read me"}, {"sub/deeper/x.txt", "x"}, {"empty/", ""}}));
  EXPECT_EQ(rig.Extract(), "");
  EXPECT_EQ(rig.Written(), (std::set<std::string>{"docs/", "docs/readme.txt", "empty/", "sub/",
                                                  "sub/deeper/", "sub/deeper/x.txt"}));
  EXPECT_EQ(rig.Read("sub/deeper/x.txt"), "x");
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].text, kHeading + rig.dest + "docs/\n" + rig.dest +
                                           "docs/readme.txt\n" + rig.dest + "sub/deeper/x.txt\n" +
                                           rig.dest + "empty/\n");
}

TEST(ZipExtraction, OneUnsafeNameRefusesTheWholeArchive) {
  const std::vector<std::vector<std::string>> archives = {{"../evil.txt"},
                                                          {"sub/../../evil.txt"},
                                                          {"ok\\..\\..\\evil.txt"},
                                                          {"../"},
                                                          {"sub/.."},
                                                          {"/abs.txt"},
                                                          {"\\abs.txt"},
                                                          {"/"},
                                                          {"C:evil.txt"},
                                                          {"a:stream"},
                                                          {"sub/file. "},
                                                          {"..."},
                                                          {"con"},
                                                          {"sub/NUL.txt"},
                                                          {"com1.log"},
                                                          {"COM\xB9"},
                                                          {"sub/lpt\xB3.txt"},
                                                          {"tab\there"},
                                                          {"what?.txt"},
                                                          {""},
                                                          {"a//b.txt"},
                                                          {"same.txt", "SAME.TXT"}};
  for (const std::vector<std::string> &names : archives) {
    SCOPED_TRACE(names.back());
    ZipRig rig;
    std::vector<ZipItem> items = {{"first.txt", "fine"}};
    for (const std::string &name : names) items.push_back({name, "payload"});
    ASSERT_TRUE(MakeZip(rig.archive, items));
    EXPECT_EQ(rig.Extract(), kFailed);
    EXPECT_TRUE(rig.Written().empty());
    EXPECT_TRUE(rig.desktop.boxes.empty());
  }

  ZipRig rig;  // a zero byte inside a name, which a C string would silently cut
  ASSERT_TRUE(MakeZip(rig.archive, {{"first.txt", "fine"}, {"bad#name.txt", "payload"}}));
  ASSERT_EQ(testing::ReplaceBytes(rig.archive, "bad#", std::string("bad\0", 4)), 2);
  EXPECT_EQ(rig.Extract(), kFailed);
  EXPECT_TRUE(rig.Written().empty());
}

std::string Words(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "word" + std::to_string(i % 97) + " ";
  return text;
}

TEST(ZipExtraction, AFailedEntryLeavesNothingOfItselfAndEarlierFilesStay) {
  // With these contents a spoilt entry fails by its CRC, by a read error, and by a stream that
  // ends early without any CRC check.
  const std::vector<std::pair<std::string, bool>> spoilt = {
      {Binary(5000), true}, {Words(700), false}, {Words(14000), false}};
  for (const auto &[content, stored] : spoilt) {
    SCOPED_TRACE(content.size());
    ZipRig rig;
    rig.Put("second.txt", "the previous second.txt");
    ASSERT_TRUE(MakeZip(rig.archive, {{"first.txt", "one", stored},
                                      {"second.txt", content, stored},
                                      {"third.txt", "three", stored}}));
    ASSERT_TRUE(testing::CorruptEntryData(rig.archive, 1));
    EXPECT_EQ(rig.Extract(), kFailed);
    EXPECT_EQ(rig.Written(), (std::set<std::string>{"first.txt", "second.txt"}));
    EXPECT_EQ(rig.Read("first.txt"), "one");
    EXPECT_EQ(rig.Read("second.txt"), "the previous second.txt");
    EXPECT_TRUE(rig.desktop.boxes.empty());
  }

  // A local path must fit 259 characters; every one that does is written, also where its
  // name with ".part" would not fit.
  ZipRig rig;
  const std::string folder = std::string(99, 'f') + "/";
  std::vector<ZipItem> items;
  for (std::size_t length = 254; length <= 260; ++length) {
    std::string name = folder + folder;
    name += std::string(length - rig.dest.size() - name.size(), 'n');
    items.push_back({name, std::to_string(length)});
  }
  ASSERT_TRUE(MakeZip(rig.archive, items));
  EXPECT_EQ(rig.Extract(), kFailed);
  for (std::size_t i = 0; i + 1 < items.size(); ++i) {
    EXPECT_EQ(rig.Read(items[i].name), items[i].content);
  }
  EXPECT_EQ(rig.Written().size(), 2 + items.size() - 1);  // two folders, all but the last file
}

// Shut-down between two entries: the first stays, the second is never begun, nothing is shown.
TEST(ZipExtraction, ShutDownStopsItBetweenEntries) {
  ZipRig rig;
  ASSERT_TRUE(MakeZip(rig.archive, {{"a.txt", "alpha"}, {"b.txt", "beta"}}));
  rig.kernel.afterMove = [&](const std::string &) { rig.manager.updates.epoch.fetch_add(1); };
  rig.Extract();
  EXPECT_EQ(rig.Written(), std::set<std::string>{"a.txt"});
  EXPECT_TRUE(rig.desktop.boxes.empty());
}

TEST(ZipExtraction, NoArchiveOrNoEntries) {
  ZipRig rig;
  EXPECT_EQ(rig.Extract(), "Could Not Open Zip");  // missing
  std::ofstream(rig.archive) << "PK but no archive at all";
  EXPECT_EQ(rig.Extract(), "Could Not Open Zip");
  // minizip finds no end record at the very start of a file, so the empty archive sits behind
  // a stub, as in a self-extracting one.
  ASSERT_TRUE(MakeZip(rig.root + "/empty.zip", {}, "a comment and nothing else"));
  std::ifstream empty(rig.root + "/empty.zip", std::ios::binary);
  std::ofstream(rig.archive, std::ios::binary) << "stub" << empty.rdbuf();
  EXPECT_EQ(rig.Extract(), "Could Not Find Files In Zip");
  EXPECT_TRUE(rig.desktop.boxes.empty());
  EXPECT_TRUE(rig.Written().empty());
}

}  // namespace
}  // namespace kestrane
