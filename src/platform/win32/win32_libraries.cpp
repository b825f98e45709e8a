#include "platform/win32/win32_libraries.h"

#include <cstring>

#include "platform/win32/optional_functions.h"
#include "platform/win32/win32_exception_guard.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_wide_path.h"

namespace kestrane::win32 {

namespace {

// The plug-in entry points, C calling convention.
using BeginPluginFn = int (*)(HINSTANCE);
using BeginSlitFn = int (*)(HINSTANCE, HWND);
using EndPluginFn = void (*)(HINSTANCE);
using PluginInfoFn = const char *(*)(int);

template <typename Fn>
Fn As(EntryPoint entry) {
  return reinterpret_cast<Fn>(static_cast<std::uintptr_t>(entry));
}

// A library mapped as a data file for as long as it is read. When the library is loaded
// already, Windows hands out the loaded module with one more reference instead; this is taken
// and dropped on the window thread, beside the table's own, so no library code runs either way.
class DataFile {
 public:
  explicit DataFile(FilePath path) : module_(Open(path)) {}
  DataFile(const DataFile &) = delete;
  DataFile &operator=(const DataFile &) = delete;
  ~DataFile() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  HMODULE get() const { return module_; }

 private:
  static HMODULE Open(FilePath path) {
    if (IsAnsi(path)) return LoadLibraryExA(path.text, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    using LoadLibraryExW_ = HMODULE(WINAPI *)(LPCWSTR, HANDLE, DWORD);
    auto load = LoadedFunction<LoadLibraryExW_>("kernel32.dll", "LoadLibraryExW");
    WidePath wide(path);
    return load != nullptr && wide.ok() ? load(wide.get(), nullptr, LOAD_LIBRARY_AS_DATAFILE)
                                        : nullptr;
  }

  HMODULE module_;
};

// One call's arguments, for the guarded trampolines below.
struct PluginCall {
  EntryPoint entry;
  HINSTANCE module;
  HWND slit;
  int code;
  const char *text;
  char *buffer;
  std::size_t capacity;
  std::uintptr_t unreadable;
};

constexpr std::uintptr_t kPageSize = 4096;

// A page that can be read without harm: committed, readable, and not a guard page (reading one
// would disarm it, and the thread whose stack it guards could then no longer grow it).
bool Readable(const char *at) {
  constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  MEMORY_BASIC_INFORMATION region{};
  return VirtualQuery(at, &region, sizeof region) != 0 && region.State == MEM_COMMIT &&
         (region.Protect & kReadable) != 0 && (region.Protect & PAGE_GUARD) == 0;
}

// Reads the text byte by byte, each page looked at before it is read; a page that changes in
// between still faults inside the guard. Answers the first address that cannot be read, or 0.
std::uintptr_t CopyInto(const char *text, char *buffer, std::size_t capacity) {
  std::size_t length = 0;
  for (; text != nullptr && length + 1 < capacity; ++length) {
    const char *at = text + length;
    if ((length == 0 || (reinterpret_cast<std::uintptr_t>(at) & (kPageSize - 1)) == 0) &&
        !Readable(at)) {
      buffer[0] = '\0';
      return reinterpret_cast<std::uintptr_t>(at);
    }
    if (*at == '\0') break;
    buffer[length] = *at;
  }
  buffer[length] = '\0';
  return 0;
}

Fault GuardedCopy(void (*copy)(void *), PluginCall &call) {
  if (call.capacity == 0) return Fault{};
  Fault fault = RunGuarded(copy, &call);
  if (!fault.raised && call.unreadable != 0) {
    fault.raised = true;  // as the read would have raised
    fault.code = exception::kAccessViolation;
    fault.address = call.unreadable;
  }
  if (fault.raised) call.buffer[0] = '\0';  // a partial copy is no answer
  return fault;
}

}  // namespace

ModuleHandle Win32Libraries::Load(const char *path) { return FromHmodule(LoadLibraryA(path)); }

EntryPoint Win32Libraries::Resolve(ModuleHandle module, const char *name) {
  return static_cast<EntryPoint>(
      reinterpret_cast<std::uintptr_t>(GetProcAddress(ToHmodule(module), name)));
}

void Win32Libraries::Free(ModuleHandle module) { FreeLibrary(ToHmodule(module)); }

Fault Win32Libraries::CallBegin(EntryPoint beginPlugin, ModuleHandle module) {
  PluginCall call{beginPlugin, ToHmodule(module), nullptr, 0, nullptr, nullptr, 0, 0};
  return RunGuarded(
      [](void *c) {
        auto *call = static_cast<PluginCall *>(c);
        As<BeginPluginFn>(call->entry)(call->module);
      },
      &call);
}

Fault Win32Libraries::CallBeginSlit(EntryPoint begin, ModuleHandle module, WindowHandle slit) {
  PluginCall call{begin, ToHmodule(module), ToHwnd(slit), 0, nullptr, nullptr, 0, 0};
  return RunGuarded(
      [](void *c) {
        auto *call = static_cast<PluginCall *>(c);
        As<BeginSlitFn>(call->entry)(call->module, call->slit);
      },
      &call);
}

Fault Win32Libraries::CallEnd(EntryPoint endPlugin, ModuleHandle module) {
  PluginCall call{endPlugin, ToHmodule(module), nullptr, 0, nullptr, nullptr, 0, 0};
  return RunGuarded(
      [](void *c) {
        auto *call = static_cast<PluginCall *>(c);
        As<EndPluginFn>(call->entry)(call->module);
      },
      &call);
}

Fault Win32Libraries::CallInfo(EntryPoint pluginInfo, int code, char *answer,
                               std::size_t capacity) {
  PluginCall call{pluginInfo, nullptr, nullptr, code, nullptr, answer, capacity, 0};
  return GuardedCopy(
      [](void *c) {
        auto *call = static_cast<PluginCall *>(c);
        call->unreadable =
            CopyInto(As<PluginInfoFn>(call->entry)(call->code), call->buffer, call->capacity);
      },
      call);
}

Fault Win32Libraries::CopyText(const char *text, char *buffer, std::size_t capacity) {
  PluginCall call{kNoEntry, nullptr, nullptr, 0, text, buffer, capacity, 0};
  return GuardedCopy(
      [](void *c) {
        auto *call = static_cast<PluginCall *>(c);
        call->unreadable = CopyInto(call->text, call->buffer, call->capacity);
      },
      call);
}

Fault Win32Libraries::RunGuarded(void (*call)(void *context), void *context) {
  return win32::RunGuarded(call, context);
}

bool Win32Libraries::OffsetInModule(ModuleHandle module, std::uintptr_t address,
                                    std::uintptr_t &offset) {
  // A loaded module's handle is its image's address; the image's headers give its size.
  const auto base = static_cast<std::uintptr_t>(module);
  if (base == 0) return false;
  const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
  const auto *headers = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  if (address < base || address - base >= headers->OptionalHeader.SizeOfImage) return false;
  offset = address - base;
  return true;
}

DataResource Win32Libraries::ReadDataResource(FilePath path, const char *name, char *content,
                                              std::size_t capacity, std::size_t &size) {
  size = 0;
  DataFile file(path);
  if (file.get() == nullptr) return DataResource::kUnreadable;
  HRSRC found = FindResourceA(file.get(), name, RT_RCDATA);
  if (found == nullptr) return DataResource::kMissing;
  // Resources need no unlocking or freeing: they live as long as the mapping.
  HGLOBAL loaded = LoadResource(file.get(), found);
  const void *data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return DataResource::kUnreadable;
  size = SizeofResource(file.get(), found);
  std::memcpy(content, data, size < capacity ? size : capacity);
  return DataResource::kFound;
}

}  // namespace kestrane::win32
