#include "zip_maker.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "unzip.h"
#include "zip.h"

namespace kestrane::testing {

bool MakeZip(const std::string &path, const std::vector<ZipItem> &items,
             const std::string &comment) {
  zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
  if (zip == nullptr) return false;
  bool ok = true;
  for (const ZipItem &item : items) {
    zip_fileinfo info{};
    int method = item.stored ? 0 : Z_DEFLATED;
    const uLong flags = item.utf8 ? 1u << 11 : 0;
    ok = ok &&
         zipOpenNewFileInZip4(zip, item.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                              method, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                              Z_DEFAULT_STRATEGY, nullptr, 0, 0, flags) == ZIP_OK &&
         zipWriteInFileInZip(zip, item.content.data(),
                             static_cast<unsigned>(item.content.size())) == ZIP_OK &&
         zipCloseFileInZip(zip) == ZIP_OK;
  }
  return zipClose(zip, comment.empty() ? nullptr : comment.c_str()) == ZIP_OK && ok;
}

bool CorruptEntryData(const std::string &path, int index) {
  unzFile archive = unzOpen(path.c_str());
  if (archive == nullptr) return false;
  bool found = unzGoToFirstFile(archive) == UNZ_OK;
  for (int i = 0; found && i < index; ++i) found = unzGoToNextFile(archive) == UNZ_OK;
  unz_file_info64 info{};
  ZPOS64_T start = 0;
  if (found &&
      unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK &&
      unzOpenCurrentFile(archive) == UNZ_OK) {
    start = unzGetCurrentFileZStreamPos64(archive);
    unzCloseCurrentFile(archive);
  }
  unzClose(archive);
  if (start == 0 || info.compressed_size == 0) return false;

  std::FILE *file = std::fopen(path.c_str(), "r+b");
  if (file == nullptr) return false;
  ZPOS64_T middle = start + info.compressed_size / 2;
  ZPOS64_T end = start + info.compressed_size;
  bool ok = true;
  for (ZPOS64_T at = middle; ok && at < middle + 4 && at < end; ++at) {
    ok = std::fseek(file, static_cast<long>(at), SEEK_SET) == 0;
    int byte = ok ? std::fgetc(file) : EOF;
    ok = byte != EOF && std::fseek(file, static_cast<long>(at), SEEK_SET) == 0 &&
         std::fputc(byte ^ 0xFF, file) != EOF;
  }
  return std::fclose(file) == 0 && ok;
}

namespace {

// Little-endian, as zip headers are.
bool WriteField(std::FILE *file, long at, std::uint32_t value, int bytes) {
  if (std::fseek(file, at, SEEK_SET) != 0) return false;
  for (int i = 0; i < bytes; ++i) {
    if (std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), file) == EOF) return false;
  }
  return true;
}

}  // namespace

bool SetEntryField(const std::string &path, int index, EntryField field, std::uint32_t value) {
  unzFile archive = unzOpen(path.c_str());
  if (archive == nullptr) return false;
  bool found = unzGoToFirstFile(archive) == UNZ_OK;
  for (int i = 0; found && i < index; ++i) found = unzGoToNextFile(archive) == UNZ_OK;
  unz64_file_pos position{};
  found = found && unzGetFilePos64(archive, &position) == UNZ_OK;
  unzClose(archive);
  if (!found) return false;

  // Offsets within the central header (which names its local header at 42) and the local one.
  constexpr long kLocalHeaderAt = 42;
  struct Place {
    long central, local;
    int bytes;
  };
  const Place places[] = {{10, 8, 2}, {16, 14, 4}, {24, 22, 4}};
  const Place &place = places[static_cast<int>(field)];
  std::FILE *file = std::fopen(path.c_str(), "r+b");
  if (file == nullptr) return false;
  const auto central = static_cast<long>(position.pos_in_zip_directory);
  unsigned char local[4] = {};
  bool ok = std::fseek(file, central + kLocalHeaderAt, SEEK_SET) == 0 &&
            std::fread(local, 1, sizeof local, file) == sizeof local;
  const long localAt =
      local[0] | local[1] << 8 | local[2] << 16 | static_cast<long>(local[3]) << 24;
  ok = ok && WriteField(file, central + place.central, value, place.bytes) &&
       WriteField(file, localAt + place.local, value, place.bytes);
  return std::fclose(file) == 0 && ok;
}

int ReplaceBytes(const std::string &path, const std::string &from, const std::string &to) {
  if (from.empty() || from.size() != to.size()) return 0;
  std::string bytes;
  {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  int count = 0;
  for (std::size_t at = bytes.find(from); at != std::string::npos;
       at = bytes.find(from, at + to.size())) {
    bytes.replace(at, from.size(), to);
    ++count;
  }
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return count;
}

}  // namespace kestrane::testing
