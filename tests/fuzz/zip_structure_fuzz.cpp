// Archives built from the input with minizip's writer, so that mutations change entries rather
// than offsets and every run gets past the header parsing to the name checks, the staging, the
// copying and the CRC and size checks: names from steps ("..", drive letters, both separators,
// device names, long steps, an earlier name again in upper case), folder entries, stored and
// deflated data of every size, the encrypted flag, now and then one entry whose data, CRC, size
// or method lies, and a shut-down between entries. Beyond what every extraction keeps to
// (extraction_checks.h): nothing stays in the folder that no entry names (no staging file), an
// extraction that lists its files wrote every entry's data exactly and took no lie, and one
// that shut-down stopped shows nothing.
#include <stdlib.h>
#include <zlib.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "extraction_checks.h"
#include "fuzz_choices.h"
#include "test_rig.h"
#include "update/update_worker.h"
#include "update/zip_extraction.h"
#include "zip.h"
#include "zip_maker.h"

namespace {

using kestrane::fuzz::Check;
using kestrane::fuzz::Choices;
namespace fs = std::filesystem;

// Steps of entry names; a choice past the table is a step of up to 255 letters.
const char *const kSteps[] = {"a.txt",   "sub",    "b.bin",  "..",       ".",     "",
                              "C:",      "c:\\x",  "con",    "NUL.txt",  "com1",  "COM\xB9.log",
                              "lpt\xB3", "trail ", "trail.", "a:stream", "A.TXT", "ctl\x01",
                              "what?",   "x.part", "~.txt",  "..."};
constexpr unsigned kStepCount = sizeof kSteps / sizeof kSteps[0];
constexpr unsigned kMaxEntries = 8;
constexpr unsigned kMaxLongStep = 256;
constexpr std::size_t kSmallDataBytes = 64;
constexpr std::size_t kPatternUnit = 64;
constexpr std::size_t kManyBlocks = 5000;

struct Entry {
  std::string name;
  std::string data;
  int method = Z_DEFLATED;
  bool encrypted = false;
  bool folder = false;
};

// Choices 0 to 2 tell no lie.
enum Lie : unsigned { kHugeSize = 3, kFlippedData, kWrongCrc, kWrongSize, kUnknownMethod };

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919) >> 5);
  return bytes;
}

std::string Name(Choices &in, const std::vector<Entry> &made) {
  const unsigned how = in.Pick(8);
  if (how == 7 && !made.empty()) {
    std::string again = made[in.Pick(static_cast<unsigned>(made.size()))].name;
    for (char &c : again) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return again;
  }
  std::string name;
  const unsigned steps = 1 + in.Pick(3);
  for (unsigned i = 0; i < steps; ++i) {
    if (i > 0) name += in.Pick(4) == 3 ? '\\' : '/';
    const unsigned step = in.Pick(kStepCount + 1);
    name += step < kStepCount ? std::string(kSteps[step]) : std::string(in.Pick(kMaxLongStep), 'l');
  }
  if (how == 6) name += '/';
  return name;
}

Entry MakeEntry(Choices &in, const std::vector<Entry> &made) {
  Entry e;
  e.name = Name(in, made);
  e.folder = !e.name.empty() && (e.name.back() == '/' || e.name.back() == '\\');
  e.method = in.Pick(2) == 0 ? Z_DEFLATED : 0;
  e.encrypted = in.Pick(16) == 15;
  switch (in.Pick(4)) {
    case 0: e.data = in.Bytes(in.Pick(kSmallDataBytes)); break;
    case 1: break;
    case 2: e.data = Pattern(in.Pick(256) * kPatternUnit); break;
    default: e.data = Pattern((1 + in.Pick(4)) * kManyBlocks); break;
  }
  return e;
}

bool WriteArchive(const std::string &path, const std::vector<Entry> &entries,
                  const std::string &comment) {
  zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
  if (zip == nullptr) return false;
  bool ok = true;
  for (const Entry &e : entries) {
    zip_fileinfo info{};
    ok = ok &&
         zipOpenNewFileInZip4(zip, e.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, e.method,
                              Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                              Z_DEFAULT_STRATEGY, nullptr, 0, 0, e.encrypted ? 1 : 0) == ZIP_OK &&
         zipWriteInFileInZip(zip, e.data.data(), static_cast<unsigned>(e.data.size())) == ZIP_OK &&
         zipCloseFileInZip(zip) == ZIP_OK;
  }
  return zipClose(zip, comment.empty() ? nullptr : comment.c_str()) == ZIP_OK && ok;
}

// True when the lie was told.
bool Tell(const std::string &archive, unsigned lie, unsigned index, const Entry &e) {
  using kestrane::testing::EntryField;
  using kestrane::testing::SetEntryField;
  const auto crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef *>(e.data.data()), static_cast<uInt>(e.data.size())));
  const int at = static_cast<int>(index);
  switch (lie) {
    case kFlippedData: return kestrane::testing::CorruptEntryData(archive, at);
    case kWrongCrc: return SetEntryField(archive, at, EntryField::kCrc, crc ^ 1);
    case kWrongSize:
      return SetEntryField(archive, at, EntryField::kUncompressedSize,
                           static_cast<std::uint32_t>(e.data.size()) ^ 1);
    case kUnknownMethod: return SetEntryField(archive, at, EntryField::kMethod, 99);
    case kHugeSize: return SetEntryField(archive, at, EntryField::kUncompressedSize, 0x7FFFFFFF);
    default: return false;
  }
}

// Every path an entry may leave below the folder: each folder on its way, and itself.
std::set<std::string> NamedPaths(const std::vector<Entry> &entries) {
  std::set<std::string> paths;
  for (const Entry &e : entries) {
    for (std::size_t i = 0; i < e.name.size(); ++i) {
      if (e.name[i] == '/' || e.name[i] == '\\') paths.insert(e.name.substr(0, i));
    }
    if (!e.folder) paths.insert(e.name);
  }
  return paths;
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  Choices in(data, size);
  std::vector<Entry> entries;
  const unsigned count = 1 + in.Pick(kMaxEntries);
  for (unsigned i = 0; i < count; ++i) entries.push_back(MakeEntry(in, entries));
  const unsigned lie = in.Pick(8);
  const unsigned liar = in.Pick(count);
  const unsigned stopAfterMoves = in.Pick(8) == 7 ? 1 + in.Pick(4) : 0;
  std::string comment;
  switch (in.Pick(4)) {
    case 0: break;
    case 1: comment = "Version 2"; break;
    case 2: comment = in.Bytes(in.Pick(kSmallDataBytes)); break;
    default: comment.assign(300, 'c'); break;
  }

  char pattern[] = "/tmp/kestrane-zip-structure-XXXXXX";
  const std::string root = mkdtemp(pattern);
  const std::string dest = root + "/out/";
  const std::string archive = root + "/update.zip";
  fs::create_directory(dest);
  if (!WriteArchive(archive, entries, comment)) {
    fs::remove_all(root);
    return 0;
  }
  // A flipped byte gives itself away in the data written; a header's lie must refuse the entry.
  const bool lied =
      Tell(archive, lie, liar, entries[liar]) && !entries[liar].folder && lie != kFlippedData;

  kestrane::testing::TestRig rig;
  kestrane::WorkerRun run(rig.manager, rig.manager.updates.epoch.load());
  unsigned moves = 0;
  rig.kernel.afterMove = [&](const std::string &) {
    if (++moves == stopAfterMoves) rig.manager.updates.epoch.fetch_add(1);
  };
  const std::string result =
      kestrane::ExtractZipArchive(run, archive.c_str(), dest.c_str()).c_str();
  kestrane::fuzz::CheckExtraction(root, dest, result, rig.desktop.boxes, run.Stopped());

  const std::set<std::string> named = NamedPaths(entries);
  for (const auto &item : fs::recursive_directory_iterator(dest)) {
    Check(named.count(fs::relative(item.path(), dest).generic_string()) == 1);
  }
  if (run.Stopped()) Check(rig.desktop.boxes.empty());
  if (!rig.desktop.boxes.empty()) {
    Check(rig.desktop.boxes.size() == 1 && !lied);
    for (const Entry &e : entries) Check(e.folder || ReadFile(dest + e.name) == e.data);
  }
  fs::remove_all(root);
  return 0;
}
