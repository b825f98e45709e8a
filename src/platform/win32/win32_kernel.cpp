#include "platform/win32/win32_kernel.h"

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

unsigned Win32Kernel::TickCount() { return GetTickCount(); }

UtcTime Win32Kernel::UtcNow() {
  SYSTEMTIME now{};
  GetSystemTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute};
}

}  // namespace kestrane::win32
