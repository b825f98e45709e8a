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

// Extracts into "out/" of a fresh folder, or a folder the browser names in the system's code
// page and the disk holds in UTF-8; the archive lies beside it.
struct ZipRig : testing::TestRig {
  explicit ZipRig(const std::string &folder = "out", const std::string &onDisk = "out") {
    char pattern[] = "/tmp/kestrane-zip-XXXXXX";
    root = mkdtemp(pattern);
    dest = root + "/" + folder + "/";
    disk = root + "/" + onDisk + "/";
    fs::create_directory(disk);
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
    for (const auto &item : fs::recursive_directory_iterator(disk)) {
      found.insert(fs::relative(item.path(), disk).generic_string() +
                   (item.is_directory() ? "/" : ""));
    }
    return found;
  }
  std::string Read(const std::string &relative) const {
    std::ifstream in(disk + relative, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void Put(const std::string &relative, const std::string &content) const {
    std::ofstream(disk + relative, std::ios::binary) << content;
  }

  std::string root, dest, disk, archive;
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

// Names as today's tools store them: flagged as UTF-8, UTF-8 without the flag (Info-ZIP's zip),
// in the OEM code page (CP437 here), "./" entries and "." steps. Each is written exactly, into a
// folder whose own name goes beyond ASCII, and listed in the system's code page (Latin-1 here,
// "?" for what it lacks). A path of 259 UTF-16 units fits, however many bytes its UTF-8 takes.
// Without wide-character file functions (95, 98, ME) names stay byte for byte.
TEST(ZipExtraction, NamesAreDecodedAndWrittenExactly) {
  ZipRig rig("out\xE9", "out\xC3\xA9");
  const std::string step(100, 'e'), wide = [] {
    std::string accents;
    for (int i = 0; i < 100; ++i) accents += "\xC3\xA9";
    return accents;
  }();
  const std::string deep = wide + "/" + wide + "/" + std::string(259 - rig.dest.size() - 202, 'x');
  ASSERT_TRUE(MakeZip(rig.archive, {{"./", ""},
                                    {"caf\xC3\xA9.txt", "flagged", false, true},
                                    {"\xC3\x9F.txt", "unflagged UTF-8"},
                                    {"M\x84rz.txt", "OEM"},
                                    {"./docs/./\xE6\x97\xA5.txt", "beyond Latin-1", false, true},
                                    {"docs/.", ""},
                                    {deep, "259 units", false, true}}));
  EXPECT_EQ(rig.Extract(), "");
  EXPECT_EQ(
      rig.Written(),
      (std::set<std::string>{"caf\xC3\xA9.txt", "\xC3\x9F.txt", "M\xC3\xA4rz.txt", "docs/",
                             "docs/\xE6\x97\xA5.txt", wide + "/", wide + "/" + wide + "/", deep}));
  EXPECT_EQ(rig.Read("caf\xC3\xA9.txt"), "flagged");
  EXPECT_EQ(rig.Read("M\xC3\xA4rz.txt"), "OEM");
  EXPECT_EQ(rig.Read(deep), "259 units");
  std::string shownDeep(201, '?');
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].text,
            kHeading + rig.dest + "caf\xE9.txt\n" + rig.dest + "\xDF.txt\n" + rig.dest +
                "M\xE4rz.txt\n" + rig.dest + "docs/?.txt\n" + rig.dest + "docs/\n" + rig.dest +
                std::string(100, '\xE9') + "/" + std::string(100, '\xE9') + "/" +
                deep.substr(deep.size() - (259 - rig.dest.size() - 202)) + "\n");

  ZipRig old("out");
  old.kernel.utf8Paths = false;
  ASSERT_TRUE(MakeZip(old.archive,
                      {{"./caf\xC3\xA9.txt", "flagged", false, true}, {"M\x84rz.txt", "OEM"}}));
  EXPECT_EQ(old.Extract(), "");
  // Each byte a character of the system's code page: UTF-8's two bytes of "é" are two of them.
  EXPECT_EQ(old.Written(), (std::set<std::string>{"caf\xC3\x83\xC2\xA9.txt", "M\xC2\x84rz.txt"}));
  EXPECT_EQ(old.desktop.boxes[0].text,
            kHeading + old.dest + "caf\xC3\xA9.txt\n" + old.dest + "M\x84rz.txt\n");
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
                                                          {"COM\xFD"},  // "COM²" in CP437
                                                          {"tab\there"},
                                                          {"what?.txt"},
                                                          {""},
                                                          {"a//b.txt"},
                                                          {"./../evil.txt"},
                                                          {std::string(800, 'n')},
                                                          {"same.txt", "SAME.TXT"},
                                                          {"./same.txt", "same.txt"}};
  auto refused = [](const std::vector<std::string> &names, bool utf8) {
    SCOPED_TRACE(names.back());
    ZipRig rig;
    std::vector<ZipItem> items = {{"first.txt", "fine"}};
    for (const std::string &name : names) items.push_back({name, "payload", false, utf8});
    ASSERT_TRUE(MakeZip(rig.archive, items));
    EXPECT_EQ(rig.Extract(), kFailed);
    EXPECT_TRUE(rig.Written().empty());
    EXPECT_TRUE(rig.desktop.boxes.empty());
  };
  for (const std::vector<std::string> &names : archives) refused(names, false);
  // Flagged as UTF-8 but not well-formed: cut short, an overlong "." or "/", a surrogate, past
  // U+10FFFF; a device once decoded; two names that differ only in the case of a letter beyond
  // ASCII.
  for (const std::vector<std::string> &names :
       std::vector<std::vector<std::string>>{{"caf\xC3.txt"},
                                             {"\xC0\xAE\xC0\xAE/evil.txt"},
                                             {"sub\xC0\xAF..\xC0\xAF"
                                              "evil.txt"},
                                             {"\xED\xA0\x80.txt"},
                                             {"\xF4\x90\x80\x80.txt"},
                                             {"COM\xC2\xB9"},
                                             {"sub/lpt\xC2\xB3.txt"},
                                             {"caf\xC3\xA9.txt", "CAF\xC3\x89.TXT"}}) {
    refused(names, true);
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
