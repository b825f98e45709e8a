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

constexpr unsigned long kUtf8Name = 1UL << 11;  // the entry's name is in UTF-8

struct EntryInfo {
  unz_file_info64 info{};
  char buffer[Utf8Path::kCapacity] = {};
  bool nameFits = false;  // the whole name is in the buffer, terminated

  // Byte for byte as stored, embedded zeros included, so that they can be refused.
  std::string_view Name() const {
    return {buffer, nameFits ? static_cast<std::size_t>(info.size_filename) : sizeof buffer};
  }
};

bool ReadEntryInfo(unzFile archive, EntryInfo &entry) {
  if (unzGetCurrentFileInfo64(archive, &entry.info, entry.buffer, sizeof entry.buffer, nullptr, 0,
                              nullptr, 0) != UNZ_OK) {
    return false;
  }
  entry.nameFits = entry.info.size_filename < sizeof entry.buffer;
  return true;
}

// Where the entries go: the chosen folder as the system's code page gives it, for names in that
// code page, and the same in UTF-8 for names that need it.
struct Destination {
  Kernel &kernel;
  bool decode;  // the file functions take UTF-8: names are decoded
  Utf8Path folder;
  Utf8Path utf8Folder;
};

// The entry's name as it is written, and the coding of its path: only a name beyond ASCII goes
// the way of UTF-8.
EntryNaming NameOf(const Destination &d, const EntryInfo &entry, Utf8Path &name,
                   TextCoding &coding) {
  if (!entry.nameFits) return EntryNaming::kUnsafe;  // no path could hold it
  EntryNaming naming =
      DecodeEntryName(d.kernel, entry.Name(), (entry.info.flag & kUtf8Name) != 0, d.decode, name);
  coding = d.decode && !IsAscii(name.view()) ? TextCoding::kUtf8 : TextCoding::kSystem;
  return naming;
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

// Looks at every entry before anything is written: one unsafe name (also one too long for any
// path), duplicate file, entry minizip cannot read, or a total that would fill the disk refuses
// the whole archive.
bool IsWholeArchiveSafe(const Destination &d, unzFile archive, unsigned long count) {
  HeapText keys;  // of every file entry
  unsigned long files = 0;
  std::uint64_t total = 0;
  EntryInfo entry;
  Utf8Path name;
  TextCoding coding;
  Walk walk = WalkEntries(archive, count, [&] {
    if (!ReadEntryInfo(archive, entry)) return false;
    switch (NameOf(d, entry, name, coding)) {
      case EntryNaming::kUnsafe: return false;
      case EntryNaming::kHere: return true;
      case EntryNaming::kName: break;
    }
    if (IsFolderEntryName(name.view())) return true;
    if (IsUnsupported(entry.info)) return false;
    total += entry.info.uncompressed_size;
    if (entry.info.uncompressed_size > kMaxExtractedBytes || total > kMaxExtractedBytes) {
      return false;
    }
    ++files;
    return AppendEntryNameKey(d.kernel, d.decode, name.view(), keys);
  });
  return walk == Walk::kEnded && !HasDuplicateKey(keys, files);
}

// Creates every missing folder of `path` from the last level of the destination folder on;
// `from` is the position of the destination folder's closing separator.
bool CreateFolders(Kernel &kernel, const Utf8Path &path, TextCoding coding, std::size_t from) {
  for (std::size_t i = from; i < path.size(); ++i) {
    if (!IsPathSeparator(path[i])) continue;
    Utf8Path level(path.view().substr(0, i));
    if (!kernel.CreateFolder(FilePath(level.c_str(), coding))) return false;
  }
  return true;
}

// Copies the open entry into `path`. Only the declared size is accepted: a stream that ends
// early passes minizip without a CRC check.
bool CopyEntryData(Kernel &kernel, unzFile archive, FilePath path, std::uint64_t declared) {
  File file(kernel.OpenFile(path, "wb"));
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

enum class Extracted { kWritten, kSkipped, kFailed };

// Writes the current entry below the destination; `local` is the path it was written to, in
// `coding`. A failed entry leaves nothing of it behind and any file it would replace as it was.
Extracted ExtractCurrentEntry(const Destination &d, unzFile archive, Utf8Path &local,
                              TextCoding &coding) {
  EntryInfo entry;
  Utf8Path name;
  if (!ReadEntryInfo(archive, entry)) return Extracted::kFailed;
  switch (NameOf(d, entry, name, coding)) {
    case EntryNaming::kUnsafe: return Extracted::kFailed;
    case EntryNaming::kHere: return Extracted::kSkipped;
    case EntryNaming::kName: break;
  }
  const Utf8Path &folder = coding == TextCoding::kUtf8 ? d.utf8Folder : d.folder;
  local = folder;
  if (!local.Append(name.view()) || !FitsWindowsPath(local.view(), coding)) {
    return Extracted::kFailed;  // no room for the whole path
  }
  if (!CreateFolders(d.kernel, local, coding, folder.size() - 1)) return Extracted::kFailed;
  if (IsFolderEntryName(name.view())) return Extracted::kWritten;

  // Beside the target under a name nothing holds yet, so that neither the file being replaced
  // nor a file of another entry is touched until the new content is whole.
  OpenEntry data(archive);
  StagedFile staging;
  bool written =
      data.IsOpen() && staging.NameFree(d.kernel, local.view(), kPartialSuffix, coding) &&
      CopyEntryData(d.kernel, archive, staging.path(), entry.info.uncompressed_size) &&
      data.CloseVerified() && staging.MoveOver(d.kernel, FilePath(local.c_str(), coding));
  return written ? Extracted::kWritten : Extracted::kFailed;
}

// The archive is opened through the Kernel port, so that its path may be in UTF-8.
struct ArchiveSource {
  Kernel *kernel;
  TextCoding coding;
};

voidpf ZCALLBACK OpenArchiveFile(voidpf opaque, const void *name, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  auto *source = static_cast<ArchiveSource *>(opaque);
  return source->kernel->OpenFile(FilePath(static_cast<const char *>(name), source->coding), "rb");
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
Path Extract(WorkerRun &run, FilePath archivePath, const char *folder, bool showList,
             bool &whole) {
  whole = false;
  Kernel &kernel = run.ports().kernel;
  ArchiveSource source{&kernel, archivePath.coding};
  zlib_filefunc64_def files;
  fill_fopen64_filefunc(&files);
  files.zopen64_file = OpenArchiveFile;
  files.opaque = &source;
  Archive archive(unzOpen2_64(archivePath.text, &files));
  if (!archive) return kCouldNotOpen;
  unz_global_info64 global{};  // the 64-bit count, so that a huge one cannot wrap round
  if (unzGetGlobalInfo64(archive.get(), &global) != UNZ_OK) return kCouldNotOpen;
  if (global.number_entry == 0 || unzGoToFirstFile(archive.get()) != UNZ_OK) return kNoFiles;
  if (global.number_entry > kMaxEntries) return kExtractionFailed;
  const auto count = static_cast<unsigned long>(global.number_entry);

  Destination d{kernel, kernel.TakesUtf8Paths(), folder, {}};
  // Empty, joined names would start at the root.
  if (d.folder.empty() || d.folder.size() > kMaxPathUnits) return kExtractionFailed;
  if (!IsPathSeparator(d.folder[d.folder.size() - 1])) d.folder.Append("\\");
  if (d.decode &&
      !ConvertText(kernel, d.folder.view(), TextCoding::kSystem, TextCoding::kUtf8, d.utf8Folder)) {
    return kExtractionFailed;
  }
  if (!IsWholeArchiveSafe(d, archive.get(), count)) return kExtractionFailed;

  HeapText list;  // what does not fit in memory is left out of the message
  list.Append(kListHeading);
  Utf8Path local;
  TextCoding coding = TextCoding::kSystem;
  HeapText shown;
  // Shut-down stops it between entries: what is written stays, and nothing is shown.
  Walk walk = WalkEntries(archive.get(), count, [&] {
    if (run.Stopped()) return false;
    switch (ExtractCurrentEntry(d, archive.get(), local, coding)) {
      case Extracted::kFailed: return false;
      case Extracted::kSkipped: return true;
      case Extracted::kWritten: break;
    }
    // The list, as every text of the boxes, is in the system's code page.
    bool readable = coding == TextCoding::kSystem ||
                    kernel.ConvertText(local.view(), coding, TextCoding::kSystem, shown);
    if (readable && list.Append(coding == TextCoding::kSystem ? local.view() : shown.view())) {
      list.Append("\n");
    }
    return true;
  });
  if (walk != Walk::kEnded) return kExtractionFailed;

  whole = true;
  if (showList) run.Show(list.c_str(), box::kTopMost | box::kIconInformation);
  return ReadComment(archive.get());
}

}  // namespace

Path ExtractZipArchive(WorkerRun &run, FilePath archive, const char *folder) {
  bool whole = false;
  return Extract(run, archive, folder, true, whole);
}

bool ExtractZipArchiveQuietly(WorkerRun &run, FilePath archive, const char *folder,
                              Path &result) {
  bool whole = false;
  result = Extract(run, archive, folder, false, whole);
  return whole;
}

}  // namespace kestrane
