// Archives built from the input with minizip's writer, so that mutations change entries rather
// than offsets and every run gets past the header parsing to the name checks, the staging, the
// copying and the CRC and size checks: names from steps ("..", "." steps, drive letters, both
// separators, device names, long steps, steps beyond ASCII in UTF-8 and not, an earlier name
// again in upper case), flagged as UTF-8 or not, folder entries, stored and deflated data of
// every size, the encrypted flag, now and then one entry whose data, CRC, size or method lies,
// a system without wide-character file functions, and a shut-down between entries. Beyond what
// every extraction keeps to (extraction_checks.h): nothing stays in the folder that no entry names
// (no staging file), an extraction that lists its files wrote every entry's data exactly and took
// no lie, and one that shut-down stopped shows nothing.
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

#include "core/text_coding.h"
#include "extraction_checks.h"
#include "fake_kernel.h"
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

// Steps of entry names; the choice just past the table is a step of up to 255 letters, those
// after it are steps beyond ASCII. Steps of the first table beyond ASCII are no UTF-8.
const char *const kSteps[] = {"a.txt",   "sub",    "b.bin",  "..",       ".",     "",
                              "C:",      "c:\\x",  "con",    "NUL.txt",  "com1",  "COM\xB9.log",
                              "lpt\xB3", "trail ", "trail.", "a:stream", "A.TXT", "ctl\x01",
                              "what?",   "x.part", "~.txt",  "..."};
struct BeyondAscii {
  const char *step;
  bool utf8;  // well-formed UTF-8
};
const BeyondAscii kBeyondAscii[] = {
    {"caf\xC3\xA9", true}, {"CAF\xC3\x89", true}, {"M\x84rz", false},    {"\xC0\xAE", false},
    {"COM\xC2\xB9", true}, {"com\xFD", false},    {"\xE6\x97\xA5", true}};
constexpr unsigned kStepCount = sizeof kSteps / sizeof kSteps[0];
constexpr unsigned kBeyondCount = sizeof kBeyondAscii / sizeof kBeyondAscii[0];
constexpr unsigned kMaxEntries = 8;
constexpr unsigned kMaxLongStep = 256;
constexpr std::size_t kSmallDataBytes = 64;
constexpr std::size_t kPatternUnit = 64;
constexpr std::size_t kManyBlocks = 5000;
constexpr unsigned kUtf8Flag = 1u << 11;

struct Entry {
  std::string name;
  std::string oem;       // the name as the OEM code page reads it
  bool utf8 = true;      // the name is well-formed UTF-8
  bool flagged = false;  // ... and says so
  std::string data;
  int method = Z_DEFLATED;
  bool encrypted = false;
};

// The name Kestrane writes the entry under, as the disk holds it (UTF-8): decoded unless the
// system has no wide-character file functions (`old`), then byte for byte in the system's code
// page (Latin-1 here), and without its "." steps. Empty for the folder itself; ending in a
// separator for a folder.
std::string OnDisk(const Entry &e, bool old) {
  static kestrane::testing::CallLog log;
  static kestrane::testing::FakeKernel system(log);  // its code pages: Latin-1, CP437 for OEM
  kestrane::HeapText decoded;
  system.ConvertText(e.name, old ? kestrane::TextCoding::kSystem : kestrane::TextCoding::kOem,
                     kestrane::TextCoding::kUtf8, decoded);
  const std::string name = !old && e.utf8 ? e.name : std::string(decoded.view());
  std::string kept;
  for (std::size_t from = 0; from < name.size();) {
    std::size_t end = name.find_first_of("/\\", from);
    std::size_t next = end == std::string::npos ? name.size() : end + 1;
    if (name.compare(from, end == std::string::npos ? std::string::npos : end - from, ".") != 0) {
      kept += name.substr(from, next - from);
    }
    from = next;
  }
  return kept;
}

bool IsFolder(const std::string &name) {
  return !name.empty() && (name.back() == '/' || name.back() == '\\');
}

// Choices 0 to 2 tell no lie.
enum Lie : unsigned { kHugeSize = 3, kFlippedData, kWrongCrc, kWrongSize, kUnknownMethod };

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919) >> 5);
  return bytes;
}

// Choices 0 to 7 of `how` name an unflagged entry, 8 to 15 a flagged one.
void Name(Choices &in, const std::vector<Entry> &made, Entry &e) {
  const unsigned how = in.Pick(16);
  e.flagged = how >= 8;
  if (how % 8 == 7 && !made.empty()) {
    const Entry &earlier = made[in.Pick(static_cast<unsigned>(made.size()))];
    e.name = earlier.name;
    e.utf8 = earlier.utf8;
    for (char &c : e.name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return;
  }
  const unsigned steps = 1 + in.Pick(3);
  for (unsigned i = 0; i < steps; ++i) {
    if (i > 0) e.name += in.Pick(4) == 3 ? '\\' : '/';
    const unsigned step = in.Pick(kStepCount + 1 + kBeyondCount);
    if (step < kStepCount) {
      e.name += kSteps[step];
      e.utf8 = e.utf8 && kestrane::IsAscii(kSteps[step]);
    } else if (step == kStepCount) {
      e.name += std::string(in.Pick(kMaxLongStep), 'l');
    } else {
      e.name += kBeyondAscii[step - kStepCount - 1].step;
      e.utf8 = e.utf8 && kBeyondAscii[step - kStepCount - 1].utf8;
    }
  }
  if (how % 8 == 6) e.name += '/';
}

Entry MakeEntry(Choices &in, const std::vector<Entry> &made) {
  Entry e;
  Name(in, made, e);
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
                              Z_DEFAULT_STRATEGY, nullptr, 0, 0,
                              (e.encrypted ? 1u : 0u) | (e.flagged ? kUtf8Flag : 0u)) == ZIP_OK &&
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
std::set<std::string> NamedPaths(const std::vector<Entry> &entries, bool old) {
  std::set<std::string> paths;
  for (const Entry &e : entries) {
    const std::string name = OnDisk(e, old);
    for (std::size_t i = 0; i < name.size(); ++i) {
      if (name[i] == '/' || name[i] == '\\') paths.insert(name.substr(0, i));
    }
    if (!IsFolder(name)) paths.insert(name);
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
  const bool old = in.Pick(8) == 7;  // a system without wide-character file functions

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
  const std::string liarName = OnDisk(entries[liar], old);
  const bool lied = Tell(archive, lie, liar, entries[liar]) && !liarName.empty() &&
                    !IsFolder(liarName) && lie != kFlippedData;

  kestrane::testing::TestRig rig;
  rig.kernel.utf8Paths = !old;
  unsigned moves = 0;
  rig.kernel.afterMove = [&](const std::string &) {
    if (++moves == stopAfterMoves) rig.manager.updates.epoch.fetch_add(1);
  };
  std::string result;
  bool stopped = false;
  {  // the list box shows as the worker's run ends
    kestrane::WorkerRun run(rig.manager, rig.manager.updates.epoch.load());
    result = kestrane::ExtractZipArchive(run, archive.c_str(), dest.c_str()).c_str();
    stopped = run.Stopped();
  }
  kestrane::fuzz::CheckExtraction(root, dest, result, rig.desktop.boxes, stopped);

  const std::set<std::string> named = NamedPaths(entries, old);
  for (const auto &item : fs::recursive_directory_iterator(dest)) {
    Check(named.count(fs::relative(item.path(), dest).generic_string()) == 1);
  }
  if (stopped) Check(rig.desktop.boxes.empty());
  if (!rig.desktop.boxes.empty()) {
    Check(rig.desktop.boxes.size() == 1 && !lied);
    for (const Entry &e : entries) {
      const std::string name = OnDisk(e, old);
      Check(name.empty() || IsFolder(name) || ReadFile(dest + name) == e.data);
    }
  }
  fs::remove_all(root);
  return 0;
}
