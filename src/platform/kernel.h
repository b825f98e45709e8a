// The few kernel services the core needs: system version, own module path, threads, and the
// file system bits that need the system.
#pragma once

#include "core/bounded_text.h"
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
  virtual bool MoveFileOver(const char *from, const char *to) = 0;
  // Creates one folder level; true when the folder exists afterwards, made now or before.
  virtual bool CreateFolder(const char *path) = 0;
  virtual PathKind KindOf(const char *path) = 0;
  // Removes a file; a read-only one stays and the answer is false.
  virtual bool RemoveFile(const char *path) = 0;
  // Clears a file's read-only attribute.
  virtual bool MakeWritable(const char *path) = 0;
  virtual unsigned TickCount() = 0;
  virtual UtcTime UtcNow() = 0;
};

}  // namespace kestrane
