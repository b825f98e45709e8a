#include "platform/win32/win32_libraries.h"

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

}  // namespace kestrane::win32
