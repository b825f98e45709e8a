#include "core/text_file.h"

#include <cstdio>
#include <memory>

#include "core/bounded_text.h"
#include "platform/kernel.h"

namespace kestrane {

namespace {

struct FileCloser {
  void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Binary throughout: the file's own line ends are kept byte for byte.
File Open(const char *path, const char *mode) { return File(std::fopen(path, mode)); }

bool WriteAndClose(File file, std::string_view text) {
  bool ok = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
  return std::fclose(file.release()) == 0 && ok;
}

}  // namespace

bool ReadWholeFile(const char *path, HeapText &content) {
  File file = Open(path, "rb");
  if (!file) return false;
  content.Clear();
  char block[4096];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof block, file.get())) > 0) {
    if (!content.Append({block, n})) return false;
  }
  return std::ferror(file.get()) == 0;
}

bool CreateEmptyFile(const char *path) { return static_cast<bool>(Open(path, "wb")); }

bool AppendToFile(const char *path, std::string_view text) {
  File file = Open(path, "ab");
  return file && WriteAndClose(std::move(file), text);
}

bool ReplaceFileContent(Kernel &kernel, const char *path, std::string_view content) {
  BoundedText<kPathCapacity + 8> temporary;
  if (!temporary.Format("%s.new", path)) return false;
  File file = Open(temporary.c_str(), "wb");
  if (!file) return false;
  if (!WriteAndClose(std::move(file), content) || !kernel.MoveFileOver(temporary.c_str(), path)) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace kestrane
