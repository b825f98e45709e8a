#include "update/zip_extraction.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "core/path_text.h"
#include "platform/kernel.h"
#include "unzip.h"
#include "update/download.h"
#include "update/staged_file.h"
#include "update/update_worker.h"
#include "update/zip_entry_name.h"

namespace kestrane {

namespace {

constexpr const char *kCouldNotOpen = "Could Not Open Zip";
constexpr const char *kNoFiles = "Could Not Find Files In Zip";
constexpr const char *kExtractionFailed = "Error Extracting File";
constexpr const char *kListHeading = "The following files where extracted...\n\n";

constexpr unsigned kCopyBlock = 1024;
// A plug-in's archive holds a few hundred files at most; far more is a broken or hostile one,
// as is an archive that would fill the disk.
constexpr unsigned long kMaxEntries = 10000;
constexpr std::uint64_t kMaxExtractedBytes = std::uint64_t{1} << 30;

struct ArchiveCloser {
  void operator()(void *archive) const { unzClose(archive); }
};
using Archive = std::unique_ptr<void, ArchiveCloser>;

struct FileCloser {
  void operator()(std::FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The open entry's data. Closing gives minizip's CRC verdict: the way that succeeds asks for
// it with CloseVerified, the destructor closes on every other way out.
class OpenEntry {
 public:
  explicit OpenEntry(unzFile archive) : archive_(archive) {
    open_ = unzOpenCurrentFile(archive_) == UNZ_OK;
  }
  ~OpenEntry() {
    if (open_) unzCloseCurrentFile(archive_);
  }
  OpenEntry(const OpenEntry &) = delete;
  OpenEntry &operator=(const OpenEntry &) = delete;

  bool IsOpen() const { return open_; }
  bool CloseVerified() {
    open_ = false;
    return unzCloseCurrentFile(archive_) == UNZ_OK;
  }

 private:
  unzFile archive_;
  bool open_ = false;
};

struct EntryInfo {
  unz_file_info64 info{};
  char buffer[kPathCapacity] = {};
  bool nameFits = false;  // the whole name is in the buffer, terminated

  // Byte for byte as stored, embedded zeros included, so that they can be refused.
  std::string_view Name() const {
    return {buffer, nameFits ? static_cast<std::size_t>(info.size_filename) : sizeof buffer};
  }
  bool IsFolder() const { return IsFolderEntryName(Name()); }
};

bool ReadEntryInfo(unzFile archive, EntryInfo &entry) {
  if (unzGetCurrentFileInfo64(archive, &entry.info, entry.buffer, sizeof entry.buffer, nullptr, 0,
                              nullptr, 0) != UNZ_OK) {
    return false;
  }
  entry.nameFits = entry.info.size_filename < sizeof entry.buffer;
  return true;
}

enum class Walk { kEnded, kStopped, kBroken };

// Visits the entries in archive order, no more than the archive's directory counts. A failure
// to reach the next entry other than the end of the list leaves the walk broken.
template <typename Visit>
Walk WalkEntries(unzFile archive, unsigned long count, Visit visit) {
  for (unsigned long i = 0; i < count; ++i) {
    if (i > 0) {
      int step = unzGoToNextFile(archive);
      if (step == UNZ_END_OF_LIST_OF_FILE) return Walk::kEnded;
      if (step != UNZ_OK) return Walk::kBroken;
    } else if (unzGoToFirstFile(archive) != UNZ_OK) {
      return Walk::kBroken;
    }
    if (!visit()) return Walk::kStopped;
  }
  return Walk::kEnded;
}

bool IsUnsupported(const unz_file_info64 &info) {
  constexpr unsigned long kEncrypted = 0x1;
  constexpr unsigned long kStored = 0, kDeflated = 8;
  return (info.flag & kEncrypted) != 0 ||
         (info.compression_method != kStored && info.compression_method != kDeflated);
}

// Looks at every entry before anything is written: one unsafe name, duplicate file, entry
// minizip cannot read, or a total that would fill the disk refuses the whole archive. Names
// too long to hold are checked as far as they are held; such an entry fails in its turn.
// True when two of the `count` zero-ended keys are equal, or there is no memory to tell.
bool HasDuplicateKey(const HeapText &keys, unsigned long count) {
  std::unique_ptr<const char *[]> sorted(new (std::nothrow) const char *[count > 0 ? count : 1]);
  if (!sorted) return true;
  const char *key = keys.c_str();
  for (unsigned long i = 0; i < count; ++i, key += std::strlen(key) + 1) sorted[i] = key;
  auto before = [](const char *a, const char *b) { return std::strcmp(a, b) < 0; };
  std::sort(sorted.get(), sorted.get() + count, before);
  for (unsigned long i = 1; i < count; ++i) {
    if (std::strcmp(sorted[i - 1], sorted[i]) == 0) return true;
  }
  return false;
}

bool IsWholeArchiveSafe(unzFile archive, unsigned long count) {
  HeapText keys;  // of every file entry
  unsigned long files = 0;
  std::uint64_t total = 0;
  EntryInfo entry;
  Walk walk = WalkEntries(archive, count, [&] {
    if (!ReadEntryInfo(archive, entry) || !IsSafeEntryName(entry.Name())) return false;
    if (entry.IsFolder()) return true;
    if (IsUnsupported(entry.info)) return false;
    total += entry.info.uncompressed_size;
    if (entry.info.uncompressed_size > kMaxExtractedBytes || total > kMaxExtractedBytes) {
      return false;
    }
    ++files;
    return AppendEntryNameKey(keys, entry.Name());
  });
  return walk == Walk::kEnded && !HasDuplicateKey(keys, files);
}

// Creates every missing folder of `path` from the last level of the destination folder on;
// `from` is the position of the destination folder's closing separator.
bool CreateFolders(Kernel &kernel, const Path &path, std::size_t from) {
  for (std::size_t i = from; i < path.size(); ++i) {
    if (!IsPathSeparator(path[i])) continue;
    Path level(path.view().substr(0, i));
    if (!kernel.CreateFolder(level.c_str())) return false;
  }
  return true;
}

// Copies the open entry into `path`. Only the declared size is accepted: a stream that ends
// early passes minizip without a CRC check.
bool CopyEntryData(unzFile archive, const char *path, std::uint64_t declared) {
  File file(std::fopen(path, "wb"));
  if (!file) return false;
  char block[kCopyBlock];
  std::uint64_t written = 0;
  int n;
  while ((n = unzReadCurrentFile(archive, block, sizeof block)) > 0) {
    written += static_cast<unsigned>(n);
    if (written > declared || std::fwrite(block, 1, static_cast<std::size_t>(n), file.get()) !=
                                  static_cast<std::size_t>(n)) {
      return false;
    }
  }
  bool whole = n == 0 && written == declared;
  return std::fclose(file.release()) == 0 && whole;
}

// Writes the current entry below `folder`; gives the local path it was written to, or false
// when the entry failed, leaving nothing of it behind and any file it would replace as it was.
bool ExtractCurrentEntry(Kernel &kernel, unzFile archive, const Path &folder, Path &local) {
  EntryInfo entry;
  if (!ReadEntryInfo(archive, entry) || !entry.nameFits) return false;
  local = folder;
  if (!local.Append(entry.Name())) return false;  // no room for the whole path
  if (!CreateFolders(kernel, local, folder.size() - 1)) return false;
  if (entry.IsFolder()) return true;

  // Beside the target under a name nothing holds yet, so that neither the file being replaced
  // nor a file of another entry is touched until the new content is whole.
  OpenEntry data(archive);
  StagedFile staging;
  return data.IsOpen() && staging.NameFree(kernel, local.view(), kPartialSuffix) &&
         CopyEntryData(archive, staging.c_str(), entry.info.uncompressed_size) &&
         data.CloseVerified() && staging.MoveOver(kernel, local.c_str());
}

// Cut where it no longer fits, and at an embedded zero.
Path ReadComment(unzFile archive) {
  Path comment;
  int n = unzGetGlobalComment(archive, comment.Buffer(), Path::kMaxLength);
  comment.Buffer()[n > 0 ? n : 0] = '\0';
  comment.Resync();
  return comment;
}

// `whole` once every entry was written; the list is shown only when `showList`.
Path Extract(WorkerRun &run, const char *archivePath, const char *folder, bool showList,
             bool &whole) {
  whole = false;
  Archive archive(unzOpen(archivePath));
  if (!archive) return kCouldNotOpen;
  unz_global_info64 global{};  // the 64-bit count, so that a huge one cannot wrap round
  if (unzGetGlobalInfo64(archive.get(), &global) != UNZ_OK) return kCouldNotOpen;
  if (global.number_entry == 0 || unzGoToFirstFile(archive.get()) != UNZ_OK) return kNoFiles;
  if (global.number_entry > kMaxEntries) return kExtractionFailed;
  const auto count = static_cast<unsigned long>(global.number_entry);
  if (!IsWholeArchiveSafe(archive.get(), count)) return kExtractionFailed;

  Path destination(folder);
  if (destination.empty()) return kExtractionFailed;  // joined names would start at the root
  if (!IsPathSeparator(destination[destination.size() - 1])) destination.Append("\\");
  HeapText list;  // what does not fit in memory is left out of the message
  list.Append(kListHeading);
  Path local;
  // Shut-down stops it between entries: what is written stays, and nothing is shown.
  Walk walk = WalkEntries(archive.get(), count, [&] {
    if (run.Stopped() ||
        !ExtractCurrentEntry(run.ports().kernel, archive.get(), destination, local)) {
      return false;
    }
    if (list.Append(local.view())) list.Append("\n");
    return true;
  });
  if (walk != Walk::kEnded) return kExtractionFailed;

  whole = true;
  if (showList) run.Show(list.c_str(), box::kTopMost | box::kIconInformation);
  return ReadComment(archive.get());
}

}  // namespace

Path ExtractZipArchive(WorkerRun &run, const char *archive, const char *folder) {
  bool whole = false;
  return Extract(run, archive, folder, true, whole);
}

bool ExtractZipArchiveQuietly(WorkerRun &run, const char *archive, const char *folder,
                              Path &result) {
  bool whole = false;
  result = Extract(run, archive, folder, false, whole);
  return whole;
}

}  // namespace kestrane
