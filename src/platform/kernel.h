// The few kernel services the core needs: system version, own module path, threads, and the
// file system bits that need the system.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "core/bounded_text.h"
#include "core/heap_text.h"
#include "core/text_coding.h"
#include "platform/handles.h"

namespace kestrane {

// What a path names, as the file system's attributes tell; nothing is opened to find out.
enum class PathKind {
  kNothing,  // no such file or folder
  kFile,
  kReadOnlyFile,  // a file that cannot be removed until the attribute is cleared
  kFolder,
  kUnknown,  // the attributes cannot be read (no rights, a name the system refuses)
};

// Enough of a file's size and last change to tell that it changed.
struct FileStamp {
  std::uint64_t size = 0;
  std::uint64_t written = 0;
  bool operator==(const FileStamp &other) const {
    return size == other.size && written == other.written;
  }
};

struct SystemVersion {
  bool ntFamily = false;
  unsigned major = 0;
};

// The calendar time in UTC, to the minute.
struct UtcTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to 31
  int hour = 0;
  int minute = 0;
};

class Kernel {
 public:
  virtual ~Kernel() = default;

  virtual SystemVersion Version() = 0;
  virtual Path ModulePath(ModuleHandle module) = 0;  // full path of a loaded library

  // Runs routine(argument) on a new thread that keeps `module` loaded until it ends, so no
  // code of ours runs after the library is unloaded. Returns false when no thread started.
  virtual bool StartThread(ModuleHandle module, void (*routine)(void *), void *argument) = 0;
  // One more reference on a loaded library, kNoModule when none could be taken; the library
  // stays loaded until ReleaseModule gives it back.
  virtual ModuleHandle HoldModule(ModuleHandle module) = 0;
  virtual void ReleaseModule(ModuleHandle held) = 0;
  virtual void Sleep(unsigned milliseconds) = 0;
  // Moves `from` over `to`, replacing it in one step.
  virtual bool MoveFileOver(FilePath from, FilePath to) = 0;
  // Creates one folder level; true when the folder exists afterwards, made now or before.
  virtual bool CreateFolder(FilePath path) = 0;
  virtual PathKind KindOf(FilePath path) = 0;
  // Removes a file; a read-only one stays and the answer is false.
  virtual bool RemoveFile(FilePath path) = 0;
  // Clears a file's read-only attribute.
  virtual bool MakeWritable(FilePath path) = 0;
  // The file opened as fopen opens it with `mode`; null when it cannot be.
  virtual std::FILE *OpenFile(FilePath path, const char *mode) = 0;
  // True when the file functions take paths in UTF-8: the system has wide-character file
  // functions that work (95, 98 and ME have none).
  virtual bool TakesUtf8Paths() = 0;
  // `text` from one coding into another, in place of what `converted` held; a character the
  // target lacks becomes the system's replacement for it. False when it cannot be converted.
  virtual bool ConvertText(std::string_view text, TextCoding from, TextCoding to,
                           HeapText &converted) = 0;
  // A UTF-8 text in upper case as the system compares file names, in place of what `upper` held.
  virtual bool UpperCaseUtf8(std::string_view text, HeapText &upper) = 0;
  // False when the file cannot be looked at.
  virtual bool StampOf(const char *path, FileStamp &stamp) = 0;
  // Renames a folder; false when `to` exists already.
  virtual bool RenameFolder(const char *from, const char *to) = 0;
  // Removes a folder with everything in it, read-only files too, as far as it can.
  virtual void RemoveTree(const char *path) = 0;
  virtual unsigned TickCount() = 0;
  virtual UtcTime UtcNow() = 0;
};

// The same into a bounded text; false also when the result does not fit it whole.
template <std::size_t N>
bool ConvertText(Kernel &kernel, std::string_view text, TextCoding from, TextCoding to,
                 BoundedText<N> &converted) {
  HeapText result;
  return kernel.ConvertText(text, from, to, result) && converted.Assign(result.view());
}

}  // namespace kestrane
