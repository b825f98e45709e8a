#include "platform/win32/win32_kernel.h"

#include <cstring>
#include <memory>
#include <new>

#include "platform/win32/optional_functions.h"
#include "platform/win32/win32_exception_guard.h"
#include "platform/win32/win32_handles.h"

namespace kestrane::win32 {

namespace {

struct ThreadStart {
  HMODULE module;
  void (*routine)(void *);
  void *argument;
};

// Holds a reference on the library for the thread's whole life and drops it as the thread
// ends, so the shell can unload Kestrane while a worker still runs without pulling the code
// out from under it.
DWORD WINAPI ThreadTrampoline(LPVOID parameter) {
  ThreadStart start = *static_cast<ThreadStart *>(parameter);
  delete static_cast<ThreadStart *>(parameter);
  // A fault Kestrane's own code raised (the C++ library's failures raise one) ends only this
  // thread's work, not the shell.
  struct Routine {
    void (*run)(void *);
    void *argument;
  } routine{start.routine, start.argument};
  RunGuarded(
      [](void *r) {
        auto *routine = static_cast<Routine *>(r);
        routine->run(routine->argument);
      },
      &routine);
  FreeLibraryAndExitThread(start.module, 0);
}

// One more reference on the library, for a thread's life or a box's. GetModuleHandleExA is Windows
// XP and later; before it, loading the library's own file again takes the same reference.
HMODULE HoldLibrary(HMODULE module) {
  using GetModuleHandleEx = BOOL(WINAPI *)(DWORD, LPCSTR, HMODULE *);
  auto pin = LoadedFunction<GetModuleHandleEx>("kernel32.dll", "GetModuleHandleExA");
  if (pin != nullptr) {
    HMODULE held = nullptr;
    return pin(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(module), &held)
               ? held
               : nullptr;
  }
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  return LoadLibraryA(path);
}

}  // namespace

SystemVersion Win32Kernel::Version() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return {};
#pragma GCC diagnostic pop
  return {info.dwPlatformId == VER_PLATFORM_WIN32_NT, static_cast<unsigned>(info.dwMajorVersion)};
}

Path Win32Kernel::ModulePath(ModuleHandle module) {
  Path path;
  DWORD n = GetModuleFileNameA(ToHmodule(module), path.Buffer(), Path::kCapacity);
  if (n == 0 || n >= Path::kCapacity) return Path();  // a cut path would name another file
  path.Resync();
  return path;
}

bool Win32Kernel::StartThread(ModuleHandle module, void (*routine)(void *), void *argument) {
  HMODULE held = HoldLibrary(ToHmodule(module));
  if (held == nullptr) return false;
  auto *start = new (std::nothrow) ThreadStart{held, routine, argument};
  if (start == nullptr) {
    FreeLibrary(held);
    return false;
  }
  HANDLE thread = CreateThread(nullptr, 0, ThreadTrampoline, start, 0, nullptr);
  if (thread == nullptr) {
    delete start;
    FreeLibrary(held);
    return false;
  }
  CloseHandle(thread);
  return true;
}

ModuleHandle Win32Kernel::HoldModule(ModuleHandle module) {
  return module == kNoModule ? kNoModule : FromHmodule(HoldLibrary(ToHmodule(module)));
}

void Win32Kernel::ReleaseModule(ModuleHandle held) { FreeLibrary(ToHmodule(held)); }

void Win32Kernel::Sleep(unsigned milliseconds) { ::Sleep(milliseconds); }

bool Win32Kernel::MoveFileOver(const char *from, const char *to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32Kernel::CreateFolder(const char *path) {
  if (CreateDirectoryA(path, nullptr)) return true;
  DWORD attributes = GetFileAttributesA(path);  // already there, and a folder rather than a file
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

PathKind Win32Kernel::KindOf(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::kNothing
                                                                          : PathKind::kUnknown;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return PathKind::kFolder;
  return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? PathKind::kReadOnlyFile : PathKind::kFile;
}

bool Win32Kernel::RemoveFile(const char *path) { return DeleteFileA(path) != 0; }

bool Win32Kernel::MakeWritable(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  attributes &= ~DWORD{FILE_ATTRIBUTE_READONLY};
  // No attribute left is said with the one that means none.
  return SetFileAttributesA(path, attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL) != 0;
}

bool Win32Kernel::StampOf(const char *path, FileStamp &stamp) {
  // Every system has FindFirstFileA; GetFileAttributesExA came with 98 and NT 4.0.
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  stamp.size = std::uint64_t{found.nFileSizeHigh} << 32 | found.nFileSizeLow;
  stamp.written = std::uint64_t{found.ftLastWriteTime.dwHighDateTime} << 32 |
                  found.ftLastWriteTime.dwLowDateTime;
  return true;
}

bool Win32Kernel::RenameFolder(const char *from, const char *to) {
  return MoveFileA(from, to) != 0;  // never over an existing name
}

namespace {

// The narrow and the wide file functions, for one walk over either kind of name.
struct NarrowNames {
  using Char = char;
  using Found = WIN32_FIND_DATAA;
  static constexpr std::size_t kLongest = MAX_PATH;
  static HANDLE First(const char *pattern, Found *found) { return FindFirstFileA(pattern, found); }
  static BOOL Next(HANDLE search, Found *found) { return FindNextFileA(search, found); }
  static void RemoveFile(const char *path) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path);
  }
  static void RemoveFolder(const char *path) { RemoveDirectoryA(path); }
};

struct WideNames {
  using Char = wchar_t;
  using Found = WIN32_FIND_DATAW;
  static constexpr std::size_t kLongest = 32768;
  static HANDLE First(const wchar_t *pattern, Found *found) {
    return FindFirstFileW(pattern, found);
  }
  static BOOL Next(HANDLE search, Found *found) { return FindNextFileW(search, found); }
  static void RemoveFile(const wchar_t *path) {
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path);
  }
  static void RemoveFolder(const wchar_t *path) { RemoveDirectoryW(path); }
};

// Depth first. `path` holds `length` characters in room for Names::kLongest. False when the
// first search failed because the system lacks the functions (the wide ones on 95, 98, ME).
template <typename Names>
bool RemoveTreeOf(typename Names::Char *path, std::size_t length) {
  using Char = typename Names::Char;
  if (length + 3 > Names::kLongest) return true;
  path[length] = Char('\\');
  path[length + 1] = Char('*');
  path[length + 2] = Char(0);
  typename Names::Found found;
  HANDLE search = Names::First(path, &found);
  if (search == INVALID_HANDLE_VALUE && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) return false;
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const Char *name = found.cFileName;
      if (name[0] == Char('.') && (name[1] == 0 || (name[1] == Char('.') && name[2] == 0))) {
        continue;
      }
      std::size_t end = length + 1;
      for (std::size_t i = 0; name[i] != 0 && end + 1 < Names::kLongest; ++i) path[end++] = name[i];
      path[end] = Char(0);
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveTreeOf<Names>(path, end);
      } else {
        Names::RemoveFile(path);
      }
    } while (Names::Next(search, &found));
    FindClose(search);
  }
  path[length] = Char(0);
  Names::RemoveFolder(path);
  return true;
}

}  // namespace

// By the wide names where the system has them: an extracted name the system's code page cannot
// hold would come back from the narrow functions as "?" and stay.
void Win32Kernel::RemoveTree(const char *path) {
  std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[WideNames::kLongest]);
  int length = wide ? MultiByteToWideChar(CP_ACP, 0, path, -1, wide.get(), WideNames::kLongest) : 0;
  if (length > 0 && RemoveTreeOf<WideNames>(wide.get(), static_cast<std::size_t>(length - 1))) {
    return;
  }
  char narrow[NarrowNames::kLongest];
  std::size_t size = std::strlen(path);
  if (size >= sizeof narrow) return;
  std::memcpy(narrow, path, size + 1);
  RemoveTreeOf<NarrowNames>(narrow, size);
}

unsigned Win32Kernel::TickCount() { return GetTickCount(); }

}  // namespace kestrane::win32
