#include "win32/shell_imports.h"

#include <windows.h>

#include <fstream>
#include <iterator>

#include "portable/pe_imports.h"
#include "portable/transcript_text.h"
#include "win32/transcript.h"

namespace corvane::win32 {

namespace {

// The shell's file name, as plug-ins name it in their import tables.
std::string OwnFileName() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string full = path;
  return full.substr(full.find_last_of("\\/") + 1);
}

FARPROC OwnExport(const std::string &name) {
  HMODULE self = GetModuleHandleA(nullptr);
  if (name.size() > 1 && name[0] == '#') {
    return GetProcAddress(self, MAKEINTRESOURCEA(std::stoi(name.substr(1))));
  }
  return GetProcAddress(self, name.c_str());
}

}  // namespace

std::string ProvidedShellFunctions() {
  auto *base = reinterpret_cast<const BYTE *>(GetModuleHandleA(nullptr));
  const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
  const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY &exports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  std::string names;
  if (exports.VirtualAddress == 0) return names;
  const auto *directory =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + exports.VirtualAddress);
  const auto *rvas = reinterpret_cast<const DWORD *>(base + directory->AddressOfNames);
  for (DWORD i = 0; i < directory->NumberOfNames; ++i) {
    names += (i ? " " : "") + std::string(reinterpret_cast<const char *>(base + rvas[i]));
  }
  return names;
}

bool ProvidesShellImports(const char *path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return true;
  const std::string image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const auto imports = ImportsFrom(image, OwnFileName());
  if (!imports) return true;
  bool all = true;
  for (const std::string &name : *imports) {
    if (OwnExport(name) != nullptr) continue;
    Record("missing shell function " + name + " imported by " + Quote(path));
    all = false;
  }
  return all;
}

}  // namespace corvane::win32
