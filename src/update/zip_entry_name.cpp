#include "update/zip_entry_name.h"

#include <cstring>

#include "core/path_text.h"

namespace kestrane {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool SameLetters(std::string_view text, std::string_view lowerCase) {
  if (text.size() != lowerCase.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != lowerCase[i]) return false;
  }
  return true;
}

// Windows opens a device for these names in any folder and with any extension.
bool IsDeviceName(std::string_view step) {
  std::string_view stem = step.substr(0, step.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  for (const char *device : {"con", "prn", "aux", "nul", "conin$", "conout$", "clock$"}) {
    if (SameLetters(stem, device)) return true;
  }
  return stem.size() == 4 &&
         (SameLetters(stem.substr(0, 3), "com") || SameLetters(stem.substr(0, 3), "lpt")) &&
         stem[3] >= '1' && stem[3] <= '9';
}

bool IsSafeStep(std::string_view step) {
  // Covers "." and ".." too; "..." or "a. " would be renamed, and a renamed step can climb.
  if (step.empty() || step.back() == '.' || step.back() == ' ') return false;
  for (char c : step) {
    if (static_cast<unsigned char>(c) < 0x20 || std::strchr("<>:\"|?*", c) != nullptr) {
      return false;
    }
  }
  return !IsDeviceName(step);
}

}  // namespace

bool IsFolderEntryName(std::string_view name) { return !name.empty() && IsSeparator(name.back()); }

bool IsSafeEntryName(std::string_view name) {
  if (name.empty() || IsSeparator(name.front())) return false;
  if (IsFolderEntryName(name)) name.remove_suffix(1);
  for (;;) {
    std::size_t end = name.find_first_of("/\\");
    if (!IsSafeStep(name.substr(0, end))) return false;
    if (end == std::string_view::npos) return true;
    name.remove_prefix(end + 1);
  }
}

std::string EntryNameKey(std::string_view name) {
  std::string key(name);
  for (char &c : key) {
    if (c == '\\') c = '/';
  }
  LowerCase(key);
  return key;
}

}  // namespace kestrane
