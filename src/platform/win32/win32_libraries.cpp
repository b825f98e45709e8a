#include "platform/win32/win32_libraries.h"

#include <cstring>

#include "platform/win32/win32_handles.h"

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
  explicit DataFile(const char *path)
      : module_(LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  DataFile(const DataFile &) = delete;
  DataFile &operator=(const DataFile &) = delete;
  ~DataFile() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

}  // namespace

ModuleHandle Win32Libraries::Load(const char *path) { return FromHmodule(LoadLibraryA(path)); }

EntryPoint Win32Libraries::Resolve(ModuleHandle module, const char *name) {
  return static_cast<EntryPoint>(
      reinterpret_cast<std::uintptr_t>(GetProcAddress(ToHmodule(module), name)));
}

void Win32Libraries::Free(ModuleHandle module) { FreeLibrary(ToHmodule(module)); }

int Win32Libraries::CallBegin(EntryPoint beginPlugin, ModuleHandle module) {
  return As<BeginPluginFn>(beginPlugin)(ToHmodule(module));
}

int Win32Libraries::CallBeginSlit(EntryPoint begin, ModuleHandle module, WindowHandle slit) {
  return As<BeginSlitFn>(begin)(ToHmodule(module), ToHwnd(slit));
}

void Win32Libraries::CallEnd(EntryPoint endPlugin, ModuleHandle module) {
  As<EndPluginFn>(endPlugin)(ToHmodule(module));
}

const char *Win32Libraries::CallInfo(EntryPoint pluginInfo, int code) {
  return As<PluginInfoFn>(pluginInfo)(code);
}

DataResource Win32Libraries::ReadDataResource(const char *path, const char *name, char *content,
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
