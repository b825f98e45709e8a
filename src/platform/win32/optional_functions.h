// Functions that not every Windows the shell runs on has. They are looked up by name at run
// time, so Kestrane.dll still loads where they are missing; a caller that gets none does
// without the feature.
#pragma once

#include <windows.h>

namespace kestrane::win32 {

// A function of a library the process has loaded already (kernel32, user32, ...), or null.
// Never loads a library itself.
template <typename Fn>
Fn LoadedFunction(const char *library, const char *name) {
  HMODULE module = GetModuleHandleA(library);
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// A system library that may be missing (psapi on 95/98/ME and NT 4.0 without it): loaded on
// first use and freed by ReleaseOptionalLibraries at endPlugin, not in DllMain, where freeing
// a library is unsafe. Pointers it gave are not kept across a release: look them up each time.
class OptionalLibrary {
 public:
  explicit OptionalLibrary(const char *name) : name_(name) {}
  OptionalLibrary(const OptionalLibrary &) = delete;
  OptionalLibrary &operator=(const OptionalLibrary &) = delete;

  template <typename Fn>
  Fn Function(const char *name) {
    if (module_ == nullptr) module_ = LoadLibraryA(name_);
    if (module_ == nullptr) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
  }

  void Release() {
    if (module_ != nullptr) FreeLibrary(module_);
    module_ = nullptr;
  }

 private:
  const char *name_;
  HMODULE module_ = nullptr;
};

}  // namespace kestrane::win32
