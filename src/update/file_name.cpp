#include "update/file_name.h"

#include "core/path_text.h"

namespace kestrane {

namespace {

// The ports' numbers: a digit, or a superscript one, two or three in the system's code page.
bool IsPortNumber(char c) {
  constexpr std::string_view kSuperscripts = "\xB9\xB2\xB3";
  return (c >= '0' && c <= '9') || kSuperscripts.find(c) != std::string_view::npos;
}

// CON, NUL, COM1, LPT\xB2 ... name devices whatever their extension: "nul.txt" is the null
// device. COM0 and LPT0 are reserved too.
bool IsDeviceName(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
    if (EqualNoCase(base, device)) return true;
  }
  if (base.size() == 4 &&
      (EqualNoCase(base.substr(0, 3), "COM") || EqualNoCase(base.substr(0, 3), "LPT"))) {
    return IsPortNumber(base[3]);
  }
  return false;
}

}  // namespace

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
    if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) return false;
  }
  if (name.back() == '.' || name.back() == ' ') return false;
  return !IsDeviceName(name);
}

}  // namespace kestrane
