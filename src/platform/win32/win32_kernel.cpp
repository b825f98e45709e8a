#include "platform/win32/win32_kernel.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "platform/win32/optional_functions.h"
#include "platform/win32/win32_exception_guard.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_wide_path.h"

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

template <typename Fn>
Fn Kernel32(const char *name) {
  return LoadedFunction<Fn>("kernel32.dll", name);
}

using MoveFileExW_ = BOOL(WINAPI *)(LPCWSTR, LPCWSTR, DWORD);
using CreateDirectoryW_ = BOOL(WINAPI *)(LPCWSTR, LPSECURITY_ATTRIBUTES);
using GetFileAttributesW_ = DWORD(WINAPI *)(LPCWSTR);
using SetFileAttributesW_ = BOOL(WINAPI *)(LPCWSTR, DWORD);
using DeleteFileW_ = BOOL(WINAPI *)(LPCWSTR);
using WideOpen = std::FILE *(__cdecl *)(const wchar_t *, const wchar_t *);
using CharUpperBuffW_ = DWORD(WINAPI *)(LPWSTR, DWORD);

WideOpen WideFileOpen() { return LoadedFunction<WideOpen>("msvcrt.dll", "_wfopen"); }

DWORD Attributes(FilePath path) {
  if (IsAnsi(path)) return GetFileAttributesA(path.text);
  auto get = Kernel32<GetFileAttributesW_>("GetFileAttributesW");
  WidePath wide(path);
  if (get == nullptr || !wide.ok()) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_FILE_ATTRIBUTES;
  }
  return get(wide.get());
}

bool SetAttributes(FilePath path, DWORD attributes) {
  if (IsAnsi(path)) return SetFileAttributesA(path.text, attributes) != 0;
  auto set = Kernel32<SetFileAttributesW_>("SetFileAttributesW");
  WidePath wide(path);
  return set != nullptr && wide.ok() && set(wide.get(), attributes) != 0;
}

// `text` in UTF-16, changed by `change` (which may do nothing), then in `to`.
template <typename Change>
bool Recode(std::string_view text, TextCoding from, TextCoding to, HeapText &converted,
            Change change) {
  converted.Clear();
  if (text.empty()) return true;
  if (text.size() > INT_MAX / 4) return false;
  const int length = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(CodePageOf(from), 0, text.data(), length, nullptr, 0);
  if (units <= 0) return false;
  std::unique_ptr<WCHAR[]> wide(new (std::nothrow) WCHAR[units]);
  if (!wide ||
      MultiByteToWideChar(CodePageOf(from), 0, text.data(), length, wide.get(), units) != units ||
      !change(wide.get(), units)) {
    return false;
  }
  const UINT page = CodePageOf(to);
  const int bytes = WideCharToMultiByte(page, 0, wide.get(), units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return false;
  std::unique_ptr<char[]> result(new (std::nothrow) char[bytes]);
  return result &&
         WideCharToMultiByte(page, 0, wide.get(), units, result.get(), bytes, nullptr, nullptr) ==
             bytes &&
         converted.Append({result.get(), static_cast<std::size_t>(bytes)});
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

bool Win32Kernel::MoveFileOver(FilePath from, FilePath to) {
  constexpr DWORD kFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (IsAnsi(from) && IsAnsi(to)) return MoveFileExA(from.text, to.text, kFlags) != 0;
  auto move = Kernel32<MoveFileExW_>("MoveFileExW");
  WidePath wideFrom(from), wideTo(to);
  return move != nullptr && wideFrom.ok() && wideTo.ok() &&
         move(wideFrom.get(), wideTo.get(), kFlags) != 0;
}

bool Win32Kernel::CreateFolder(FilePath path) {
  bool made;
  if (IsAnsi(path)) {
    made = CreateDirectoryA(path.text, nullptr) != 0;
  } else {
    auto create = Kernel32<CreateDirectoryW_>("CreateDirectoryW");
    WidePath wide(path);
    made = create != nullptr && wide.ok() && create(wide.get(), nullptr) != 0;
  }
  if (made) return true;
  DWORD attributes = Attributes(path);  // already there, and a folder rather than a file
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

PathKind Win32Kernel::KindOf(FilePath path) {
  DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::kNothing
                                                                          : PathKind::kUnknown;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return PathKind::kFolder;
  return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? PathKind::kReadOnlyFile : PathKind::kFile;
}

bool Win32Kernel::RemoveFile(FilePath path) {
  if (IsAnsi(path)) return DeleteFileA(path.text) != 0;
  auto remove = Kernel32<DeleteFileW_>("DeleteFileW");
  WidePath wide(path);
  return remove != nullptr && wide.ok() && remove(wide.get()) != 0;
}

bool Win32Kernel::MakeWritable(FilePath path) {
  DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  attributes &= ~DWORD{FILE_ATTRIBUTE_READONLY};
  // No attribute left is said with the one that means none.
  return SetAttributes(path, attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
}

std::FILE *Win32Kernel::OpenFile(FilePath path, const char *mode) {
  if (IsAnsi(path)) return std::fopen(path.text, mode);
  WideOpen open = WideFileOpen();
  WidePath wide(path);
  wchar_t wideMode[8] = {};
  for (int i = 0; i < 7 && mode[i] != '\0'; ++i) wideMode[i] = static_cast<wchar_t>(mode[i]);
  return open != nullptr && wide.ok() ? open(wide.get(), wideMode) : nullptr;
}

bool Win32Kernel::TakesUtf8Paths() {
  // 95, 98 and ME export some of these, but they only fail there.
  return Version().ntFamily && Kernel32<MoveFileExW_>("MoveFileExW") != nullptr &&
         Kernel32<CreateDirectoryW_>("CreateDirectoryW") != nullptr &&
         Kernel32<GetFileAttributesW_>("GetFileAttributesW") != nullptr &&
         Kernel32<SetFileAttributesW_>("SetFileAttributesW") != nullptr &&
         Kernel32<DeleteFileW_>("DeleteFileW") != nullptr && WideFileOpen() != nullptr;
}

bool Win32Kernel::ConvertText(std::string_view text, TextCoding from, TextCoding to,
                              HeapText &converted) {
  return Recode(text, from, to, converted, [](WCHAR *, int) { return true; });
}

bool Win32Kernel::UpperCaseUtf8(std::string_view text, HeapText &upper) {
  auto upperCase = LoadedFunction<CharUpperBuffW_>("user32.dll", "CharUpperBuffW");
  if (upperCase == nullptr) return false;
  return Recode(text, TextCoding::kUtf8, TextCoding::kUtf8, upper, [&](WCHAR *wide, int units) {
    return upperCase(wide, static_cast<DWORD>(units)) == static_cast<DWORD>(units);
  });
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

// Looked up: on 95, 98 and ME the wide functions are missing or fail.
struct WideNames {
  using Char = wchar_t;
  using Found = WIN32_FIND_DATAW;
  static constexpr std::size_t kLongest = 32768;
  static HANDLE First(const wchar_t *pattern, Found *found) {
    using FindFirstFileW_ = HANDLE(WINAPI *)(LPCWSTR, LPWIN32_FIND_DATAW);
    auto first = Kernel32<FindFirstFileW_>("FindFirstFileW");
    if (first != nullptr) return first(pattern, found);
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return INVALID_HANDLE_VALUE;
  }
  static BOOL Next(HANDLE search, Found *found) {
    using FindNextFileW_ = BOOL(WINAPI *)(HANDLE, LPWIN32_FIND_DATAW);
    auto next = Kernel32<FindNextFileW_>("FindNextFileW");
    return next != nullptr && next(search, found);
  }
  static void RemoveFile(const wchar_t *path) {
    auto set = Kernel32<SetFileAttributesW_>("SetFileAttributesW");
    auto remove = Kernel32<DeleteFileW_>("DeleteFileW");
    if (set != nullptr) set(path, FILE_ATTRIBUTE_NORMAL);
    if (remove != nullptr) remove(path);
  }
  static void RemoveFolder(const wchar_t *path) {
    using RemoveDirectoryW_ = BOOL(WINAPI *)(LPCWSTR);
    if (auto remove = Kernel32<RemoveDirectoryW_>("RemoveDirectoryW")) remove(path);
  }
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

UtcTime Win32Kernel::UtcNow() {
  SYSTEMTIME now{};
  GetSystemTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute};
}

}  // namespace kestrane::win32
