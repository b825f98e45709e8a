// Update sites' texts built from the input and taken through a whole update of a running
// plug-in: the metadata file (files list or archive, sha256 list, the release's signature, ISO
// dates or others) read as the shell reads it, the planning of the files, the release's
// signature, their downloads and checksums, the new library's key, the stop, the moves, the zip
// offer and the restart, with its plug-in carrying its author's key or not, a read-only file in
// its folder, a new version that faults, and shut-down at any step. Whatever the texts say:
// nothing changes outside the plug-in's folder (and the folder chosen for an archive), no
// temporary file stays, a completed update put exactly the files served in place and passed
// every check that applied, and an update that ended otherwise left the plug-in's folder as it
// was, at the latest once the next start after a shut-down has put back what was moved.
#include <sys/stat.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/path_text.h"
#include "core/session_start.h"
#include "core/startup.h"
#include "fuzz_choices.h"
#include "portable/config_text.h"
#include "ui/commands.h"
#include "update/catalogue.h"
#include "update/url_text.h"
#include "update_rig.h"
#include "zip_maker.h"

namespace {

using kestrane::fuzz::Choices;
namespace fs = std::filesystem;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

const char *const kSites[] = {"http://site/", "https://site/", "", "site/", "HTTP://site:8080/d/"};
// Steps of a URL's path; a choice past the table is a step of up to 63 letters.
const char *const kSteps[] = {
    "a.dll",      "a.txt",       "b.ini",   "pack.zip",           "..",     "%2e%2e", ".",
    "COM1",       "COM\xB9.txt", "con.txt", "a.dll.kestrane-new", "b.part", "A.DLL",  "x?y=1",
    "c:evil.dll", "trail.",      ""};
constexpr unsigned kSiteCount = sizeof kSites / sizeof kSites[0];
constexpr unsigned kStepCount = sizeof kSteps / sizeof kSteps[0];
constexpr unsigned kMaxElements = 5;
constexpr unsigned kMaxLongStep = 64;
constexpr std::size_t kFilesCapacity = 4095;  // what the files field holds
constexpr std::size_t kKeptSignatures = 1000;
const char *const kOwnDates[] = {"d1", "2004-06-01"};
const char *const kPublishedDates[] = {"d2", "2004-06-01", "2004-05-31", "2004-07-01"};
const char *const kSuffixesOfOurs[] = {".kestrane-new", ".kestrane-old", ".part"};

enum Key : unsigned { kNoKey, kAuthorsKey, kMalformedKey };
enum Digests : unsigned {
  kNoDigests,
  kRightDigests,
  kRightInUpperCase,
  kOneWrong,
  kOneTooFew,
  kOneTooMany,
  kNotHex
};
enum Signature : unsigned {
  kNoSignature,
  kSigned,
  kByAStranger,
  kForAnotherName,
  kPerFileAsBefore,  // the old NAME.signatures: list, each file's bytes signed
  kNotBase64
};
enum NewKey : unsigned { kNewLibraryKeyed, kNewLibraryRekeyed, kNewLibraryWithoutKey };
enum ShutDown : unsigned { kDuringADownload, kJustAfterTheStop, kDuringTheMoves, kNoShutDown };

std::string SampleArchive() {
  static const std::string bytes = [] {
    const std::string path = fs::temp_directory_path() / "kestrane-update-plan-sample.zip";
    kestrane::testing::MakeZip(path, {{"readme.txt", "read me"}, {"docs/", ""}});
    std::ifstream in(path, std::ios::binary);
    std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    fs::remove(path);
    return content;
  }();
  return bytes;
}

std::string Url(Choices &in) {
  std::string url = kSites[in.Pick(kSiteCount)];
  const unsigned steps = 1 + in.Pick(2);
  for (unsigned i = 0; i < steps; ++i) {
    if (i > 0) url += in.Pick(4) == 3 ? '\\' : '/';
    const unsigned step = in.Pick(kStepCount + 1);
    url += step < kStepCount ? std::string(kSteps[step]) : std::string(in.Pick(kMaxLongStep), 'l');
  }
  return url;
}

// The list as the format reads it: cut to its field, then URLs between blanks, each trimmed.
std::vector<std::string> Elements(const std::string &list) {
  std::vector<std::string> elements;
  std::string_view text = kestrane::TrimBlanks(std::string_view(list));
  text = text.substr(0, kFilesCapacity);
  while (!text.empty()) {
    std::size_t blank = text.find(' ');
    std::string_view element = kestrane::TrimBlanks(text.substr(0, blank));
    if (!element.empty()) elements.emplace_back(element);
    if (blank == std::string_view::npos) break;
    text.remove_prefix(blank + 1);
  }
  return elements;
}

std::string AsAsked(const std::string &url) {
  return url.find("://") == std::string::npos ? "http://" + url : url;
}

std::string Joined(const std::vector<std::string> &parts, const char *between) {
  std::string text;
  for (const std::string &part : parts) text += (text.empty() ? "" : between) + part;
  return text;
}

// Signing is most of a run's time, and the contents repeat.
std::string SignedBy(const kestrane::testing::AuthorKey &author, const std::string &bytes) {
  static std::map<std::pair<const void *, std::string>, std::string> made;
  if (made.size() > kKeptSignatures) made.clear();
  auto [known, fresh] = made.try_emplace({&author, bytes});
  if (fresh) known->second = author.Sign(bytes);
  return known->second;
}

bool IsOurs(const std::string &name) {
  for (const char *suffix : kSuffixesOfOurs) {
    if (name.find(suffix) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace kestrane;
  Choices in(data, size);
  const unsigned key = in.Pick(3);
  const bool readOnly = in.Pick(4) == 3;
  std::map<std::string, std::string> served;  // by URL as asked for
  std::string files;
  const unsigned count = in.Pick(kMaxElements);
  for (unsigned i = 0; i < count; ++i) {
    std::string url = Url(in);
    const char *const separators[] = {" ", " ", "   ", "\t"};
    files += (i > 0 ? separators[in.Pick(4)] : "") + url;
    const bool refused = in.Pick(8) == 7;
    std::string content;
    switch (in.Pick(4)) {
      case 0:
      case 1: content = "new " + std::to_string(i); break;
      case 2: content = in.Bytes(in.Pick(32)); break;
      default: content = SampleArchive(); break;
    }
    if (!refused) served[AsAsked(url)] = content;
  }
  const bool archive = in.Pick(4) == 3;
  const std::string archiveUrl = "http://site/pack.zip";
  if (archive) served[archiveUrl] = SampleArchive();
  const unsigned digests = in.Pick(7);
  const unsigned signature = in.Pick(6);
  const unsigned newKey = in.Pick(3);
  const std::string ownDate = kOwnDates[in.Pick(2)];
  const std::string date = kPublishedDates[in.Pick(4)];
  const bool newVersionFaults = in.Pick(8) == 7;
  const bool extract = in.Pick(2) == 0;
  const unsigned shutDown = in.Pick(8) == 7 ? in.Pick(3) : kNoShutDown;

  std::vector<std::string> elements = Elements(files);
  if (elements.empty() && archive) elements = {archiveUrl};
  const bool asArchive = Elements(files).empty();
  static const testing::AuthorKey author(1), stranger(2);
  std::vector<std::string> sums, perFile;
  std::string fileLines;  // of the release statement, as the author's sign-update builds it
  bool newLibrary = false;
  for (std::size_t i = 0; i < elements.size(); ++i) {
    auto content = served.find(AsAsked(elements[i]));
    const std::string bytes = content == served.end() ? "" : content->second;
    std::string sum = testing::Sha256Hex(bytes);
    if (digests == kRightInUpperCase) {
      for (char &c : sum) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (digests == kOneWrong && i + 1 == elements.size()) sum = testing::Sha256Hex("other");
    sums.push_back(sum);
    perFile.push_back(SignedBy(author, bytes));
    const std::string name(UrlFileName(elements[i]).view());
    fileLines +=
        (asArchive ? "archive: " : "file: ") + name + " " + testing::Sha256Hex(bytes) + "\n";
    newLibrary = newLibrary || EqualNoCase(name, "a.dll");
  }
  if (digests == kOneTooFew && !sums.empty()) sums.pop_back();
  if (digests == kOneTooMany) sums.push_back(testing::Sha256Hex("more"));
  if (digests == kNotHex) sums = {"not-hexadecimal"};
  auto statement = [&](const char *name) {
    return "kestrane-release 1\nname: " + std::string(name) + "\nversion: 2.0\ndate: " + date +
           "\n" + fileLines;
  };
  std::string published;
  switch (signature) {
    case kSigned: published = SignedBy(author, statement("Alpha")); break;
    case kByAStranger: published = SignedBy(stranger, statement("Alpha")); break;
    case kForAnotherName: published = SignedBy(author, statement("Beta")); break;
    case kNotBase64: published = "not base64!"; break;
    default: break;
  }

  testing::UpdateRig rig;
  testing::FakeModule &alpha = rig.Plugin("a", {{1, "Alpha"}, {2, "1.0"}, {4, ownDate}});
  if (key == kAuthorsKey) alpha.resources["KESTRANE_UPDATE_KEY"] = author.PublicBase64();
  if (key == kMalformedKey) alpha.resources["KESTRANE_UPDATE_KEY"] = "AAAA";
  // The new library, read from its staged file under whatever case its name has.
  for (const std::string &element : elements) {
    const std::string name(UrlFileName(element).view());
    if (!EqualNoCase(name, "a.dll") || newKey == kNewLibraryWithoutKey) continue;
    rig.libraries.available[rig.root + "plugins/a/" + name + ".kestrane-new"]
        .resources["KESTRANE_UPDATE_KEY"] =
        (newKey == kNewLibraryKeyed ? author : stranger).PublicBase64();
  }
  if (newVersionFaults) {
    alpha.behaviour = [&rig](const std::string &call) {
      return call == "beginPlugin" && rig.Read("plugins/a/a.dll") != "old a"
                 ? testing::FaultAt(0x10)
                 : Fault{};
    };
  }
  rig.Write("plugins/a/a.txt", "old text");
  if (readOnly) chmod((rig.root + "plugins/a/a.txt").c_str(), 0444);
  fs::create_directory(rig.root + "chosen");
  std::string metadata =
      "Alpha.version: 2.0\nAlpha.date: " + date + "\nAlpha.files: " + files + "\n";
  if (archive) metadata += "Alpha.archive: " + archiveUrl + "\n";
  if (digests != kNoDigests) metadata += "Alpha.sha256: " + Joined(sums, " ") + "\n";
  if (signature == kPerFileAsBefore) metadata += "Alpha.signatures: " + Joined(perFile, " ") + "\n";
  if (!published.empty()) metadata += "Alpha.signature: " + published + "\n";
  rig.Write("metadata.txt", metadata);
  // The same lines as a catalogue, each perhaps written another way (its key in other letters,
  // blanks and tabs around it, a CR LF end, a second line of the key later on) and more of the
  // input behind them: the catalogue's own reader finds every value the shell's reader finds.
  {
    Catalogue catalogue;
    std::string text = "catalogue.plugins: Alpha " + in.Bytes(16) + "\n", later;
    for (std::size_t at = 0; at < metadata.size();) {
      std::size_t end = metadata.find('\n', at);
      std::string line = metadata.substr(at, end - at);
      at = end + 1;
      switch (in.Pick(5)) {
        case 1:
          for (char &c : line) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
          break;
        case 2: line = " \t" + line + "\r"; break;
        case 3: later += line.substr(0, line.find(':')) + ": later\n"; break;
        case 4: line = "\r" + line; break;  // no key at all for the shell
        default: break;
      }
      text += line + "\n";
    }
    text += later + in.Bytes(in.Pick(8) * 32);
    catalogue.text.Append(text);
    ParseCatalogue(catalogue);
    const char *const fields[] = {"name",        "version", "date",    "author",
                                  "information", "folder",  "library", "files",
                                  "archive",     "sha256",  "key",     "signature"};
    for (int i = 0; i < catalogue.count; ++i) {
      const CatalogueEntry &e = catalogue.entries[i];
      if (e.id.find(':') != std::string_view::npos) continue;  // no key can be written for it
      const std::string_view values[] = {e.name,        e.version, e.date,    e.author,
                                         e.information, e.folder,  e.library, e.files,
                                         e.archive,     e.sha256,  e.key,     e.signature};
      for (std::size_t f = 0; f < std::size(fields); ++f) {
        auto shell = corvane::FindValue(text, std::string(e.id) + "." + fields[f]);
        Check(values[f] == (shell ? *shell : std::string()));
      }
    }
  }
  bool ended = false;
  auto end = [&] {
    if (ended) return;
    ended = true;
    EndManager(rig.manager, kNoModule);
  };
  for (const auto &[url, content] : served) {
    testing::ScriptedAnswer answer;
    answer.body = content;
    if (shutDown == kDuringADownload) answer.beforeRead = end;
    rig.internet.Serve(url, answer);
  }
  auto afterTheStop = [&] {
    if (!rig.manager.plugins.slots[0].running && !ended) end();
  };
  if (shutDown == kJustAfterTheStop) rig.kernel.onTickCount = afterTheStop;
  if (shutDown == kDuringTheMoves)
    rig.kernel.afterMove = [&](const std::string &) { afterTheStop(); };
  rig.Start("plugins/a/a.dll\r\n");
  rig.manager.plugins.slots[0].updateAvailable = true;
  rig.folders.answers = {rig.root + "chosen/"};
  rig.desktop.answers = {box::kAnswerYes, extract ? box::kAnswerYes : box::kAnswerNo};
  const auto before = rig.Folder("");

  HandleBroam(rig.manager, "@KestraneInternal UpdatePlugin 0");
  rig.RunWorkers();
  // After a shut-down, the next start: it puts back what an update cut short had moved.
  if (ended) BeginSession(rig.manager);

  const auto after = rig.Folder("");
  // After a shut-down the busy index stays as it was: the next begin starts afresh.
  Check(ended || rig.manager.busyIndex.load() == -1);
  auto inPlugin = [](const std::string &path) { return path.rfind("plugins/a/", 0) == 0; };
  for (const auto &[path, content] : before) {
    if (!inPlugin(path)) Check(after.count(path) == 1 && after.at(path) == content);
  }
  for (const auto &[path, content] : after) {
    Check(inPlugin(path) || path.rfind("chosen/", 0) == 0 || before.count(path) == 1);
    Check(!IsOurs(path));
  }
  std::map<std::string, std::string> pluginBefore, pluginAfter;
  for (const auto &[path, content] : before)
    if (inPlugin(path)) pluginBefore[path] = content;
  for (const auto &[path, content] : after)
    if (inPlugin(path)) pluginAfter[path] = content;

  bool completed = false;
  for (const std::string &text : rig.Boxes()) {
    completed = completed || text.rfind("Update Procedure Complete.", 0) == 0;
  }
  if (completed) {
    Check(!ended && (!newVersionFaults || pluginAfter["plugins/a/a.dll"] == "old a"));
    // An empty list publishes nothing.
    Check(digests == kNoDigests || sums.empty() || digests == kRightDigests ||
          digests == kRightInUpperCase);
    const bool older = ownDate[0] == '2' && date[0] == '2' && date < ownDate;
    Check(key == kNoKey ||
          (key == kAuthorsKey && signature == kSigned && !older && digests != kNoDigests &&
           (!newLibrary || newKey != kNewLibraryWithoutKey)));
    for (const std::string &element : elements) {
      auto content = served.find(AsAsked(element));
      Check(content != served.end());
      const std::string name(UrlFileName(element).view());
      Check(pluginAfter["plugins/a/" + name] == content->second);
    }
  } else {
    Check(pluginAfter == pluginBefore);
  }
  return 0;
}
