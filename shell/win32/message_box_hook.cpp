#include "win32/message_box_hook.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "win32/handles.h"
#include "win32/shell_imports.h"
#include "win32/transcript.h"
#include "win32/window_lookup.h"

namespace corvane::win32 {

namespace {

struct Note {
  unsigned long serial;
  DWORD thread;
  HookedBox box;
  bool claimed;
};

CriticalSection &Guard() {
  static CriticalSection section;
  return section;
}

std::vector<Note> &Notes() {
  static std::vector<Note> notes;
  return notes;
}

int WINAPI HookedMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
  static unsigned long serial = 0;
  unsigned long mine = 0;
  {
    Lock lock(Guard());
    mine = ++serial;
    Notes().push_back({mine,
                       GetCurrentThreadId(),
                       {owner, caption ? caption : "Error", text ? text : "", style},
                       false});
  }
  const int result = MessageBoxA(owner, text, caption, style);
  Lock lock(Guard());
  auto &notes = Notes();
  for (auto it = notes.begin(); it != notes.end(); ++it) {
    if (it->serial == mine) {
      notes.erase(it);
      break;
    }
  }
  return result;
}

// Layered attributes cannot be read back reliably under Wine, so the shell notes what a
// plug-in sets.
BOOL WINAPI HookedSetLayeredWindowAttributes(HWND window, COLORREF key, BYTE alpha, DWORD flags) {
  char values[64];
  std::snprintf(values, sizeof values, " key=0x%08lX alpha=%u flags=%lu",
                static_cast<unsigned long>(key), static_cast<unsigned>(alpha),
                static_cast<unsigned long>(flags));
  Record("layered " + WindowName(window) + values);
  return SetLayeredWindowAttributes(window, key, alpha, flags);
}

struct Hook {
  const char *name;
  const void *replacement;
};

FARPROC WINAPI HookedGetProcAddress(HMODULE module, LPCSTR name);
HMODULE WINAPI HookedLoadLibraryA(LPCSTR name);
HMODULE WINAPI HookedLoadLibraryW(LPCWSTR name);
HMODULE WINAPI HookedLoadLibraryExA(LPCSTR name, HANDLE file, DWORD flags);
HMODULE WINAPI HookedLoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags);

const Hook kHooks[] = {
    {"MessageBoxA", reinterpret_cast<const void *>(&HookedMessageBoxA)},
    {"SetLayeredWindowAttributes",
     reinterpret_cast<const void *>(&HookedSetLayeredWindowAttributes)},
    {"GetProcAddress", reinterpret_cast<const void *>(&HookedGetProcAddress)},
    {"LoadLibraryA", reinterpret_cast<const void *>(&HookedLoadLibraryA)},
    {"LoadLibraryW", reinterpret_cast<const void *>(&HookedLoadLibraryW)},
    {"LoadLibraryExA", reinterpret_cast<const void *>(&HookedLoadLibraryExA)},
    {"LoadLibraryExW", reinterpret_cast<const void *>(&HookedLoadLibraryExW)},
};

// A library that imports a function this shell lacks is refused as Windows refuses it, where
// Wine would bind the name to a stub that ends the process when called.
bool Refused(LPCSTR name) {
  if (name == nullptr || ProvidesShellImports(name)) return false;
  SetLastError(ERROR_PROC_NOT_FOUND);
  return true;
}

HMODULE WINAPI HookedLoadLibraryA(LPCSTR name) {
  if (Refused(name)) return nullptr;
  HMODULE module = LoadLibraryA(name);
  HookModule(module);
  return module;
}

HMODULE WINAPI HookedLoadLibraryW(LPCWSTR name) {
  HMODULE module = LoadLibraryW(name);
  HookModule(module);
  return module;
}

HMODULE WINAPI HookedLoadLibraryExA(LPCSTR name, HANDLE file, DWORD flags) {
  const bool code = !(flags & (LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (code && Refused(name)) return nullptr;
  HMODULE module = LoadLibraryExA(name, file, flags);
  if (code) HookModule(module);
  return module;
}

HMODULE WINAPI HookedLoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags) {
  HMODULE module = LoadLibraryExW(name, file, flags);
  if (!(flags & (LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))) HookModule(module);
  return module;
}

void Patch(ULONG_PTR *slot, const void *replacement) {
  DWORD old = 0;
  if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old)) return;
  *slot = reinterpret_cast<ULONG_PTR>(replacement);
  VirtualProtect(slot, sizeof *slot, old, &old);
}

// The hook for an import given by name, or nullptr.
const void *HookFor(const char *name) {
  for (const Hook &hook : kHooks) {
    if (std::strcmp(hook.name, name) == 0) return hook.replacement;
  }
  return nullptr;
}

// The system libraries the hooked functions come from.
const char *const kOwners[] = {"user32.dll", "kernel32.dll", "kernelbase.dll"};

bool IsOwner(HMODULE module) {
  for (const char *owner : kOwners) {
    if (module != nullptr && module == GetModuleHandleA(owner)) return true;
  }
  return false;
}

// The hook for an import known only by the address it was bound to.
const void *HookForAddress(ULONG_PTR address) {
  for (const Hook &hook : kHooks) {
    for (const char *owner : kOwners) {
      HMODULE module = GetModuleHandleA(owner);
      const FARPROC real = module ? GetProcAddress(module, hook.name) : nullptr;
      if (real && address == reinterpret_cast<ULONG_PTR>(real)) return hook.replacement;
    }
  }
  return nullptr;
}

// A plug-in that looks a system function up at run time gets the same hook as an import.
FARPROC WINAPI HookedGetProcAddress(HMODULE module, LPCSTR name) {
  FARPROC real = GetProcAddress(module, name);
  if (real == nullptr || IS_INTRESOURCE(name) || !IsOwner(module)) return real;
  const void *hook = HookFor(name);
  return hook ? reinterpret_cast<FARPROC>(const_cast<void *>(hook)) : real;
}

}  // namespace

int HookModule(HMODULE module) {
  auto *base = reinterpret_cast<BYTE *>(module);
  if (!base || module == GetModuleHandleA(nullptr)) return 0;
  const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return 0;
  const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return 0;
  const IMAGE_DATA_DIRECTORY &imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return 0;

  int patched = 0;
  for (auto *entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
       entry->Name != 0; ++entry) {
    auto *slot = reinterpret_cast<IMAGE_THUNK_DATA *>(base + entry->FirstThunk);
    const auto *name =
        entry->OriginalFirstThunk
            ? reinterpret_cast<const IMAGE_THUNK_DATA *>(base + entry->OriginalFirstThunk)
            : nullptr;
    for (; slot->u1.Function != 0; ++slot, name = name ? name + 1 : nullptr) {
      const void *hook = nullptr;
      if (name && !IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) {
        const auto *byName =
            reinterpret_cast<const IMAGE_IMPORT_BY_NAME *>(base + name->u1.AddressOfData);
        hook = HookFor(reinterpret_cast<const char *>(byName->Name));
      } else {
        hook = HookForAddress(slot->u1.Function);
      }
      if (hook && slot->u1.Function != reinterpret_cast<ULONG_PTR>(hook)) {
        Patch(reinterpret_cast<ULONG_PTR *>(&slot->u1.Function), hook);
        ++patched;
      }
    }
  }
  return patched;
}

std::optional<HookedBox> ClaimHookedBox(DWORD thread, const std::string &text) {
  Lock lock(Guard());
  auto &notes = Notes();
  Note *fallback = nullptr;
  for (auto it = notes.rbegin(); it != notes.rend(); ++it) {
    if (it->claimed || it->thread != thread) continue;
    if (it->box.text == text) {
      it->claimed = true;
      return it->box;
    }
    if (!fallback) fallback = &*it;
  }
  if (!fallback) return std::nullopt;
  fallback->claimed = true;
  return fallback->box;
}

}  // namespace corvane::win32
