#include "update/file_name.h"

#include "core/path_text.h"
#include "platform/kernel.h"

namespace kestrane {

namespace {

// The ports' numbers: a digit, or a superscript one, two or three in the system's code page
// or in UTF-8.
bool IsPortNumber(std::string_view number) {
  constexpr std::string_view kSuperscripts = "\xB9\xB2\xB3";
  if (number.size() == 2 && number[0] == '\xC2') number.remove_prefix(1);
  return number.size() == 1 && ((number[0] >= '0' && number[0] <= '9') ||
                                kSuperscripts.find(number[0]) != std::string_view::npos);
}

// CON, NUL, COM1, LPT\xB2 ... name devices whatever their extension: "nul.txt" is the null
// device. COM0 and LPT0 are reserved too.
bool IsDeviceName(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
    if (EqualNoCase(base, device)) return true;
  }
  if (base.size() >= 4 &&
      (EqualNoCase(base.substr(0, 3), "COM") || EqualNoCase(base.substr(0, 3), "LPT"))) {
    return IsPortNumber(base.substr(3));
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

bool AppendNameKey(Kernel &kernel, bool utf8, std::string_view name, HeapText &key) {
  HeapText upper;
  if (utf8 && !kernel.UpperCaseUtf8(name, upper)) return false;
  const std::size_t at = key.size();
  if (!key.Append(utf8 ? upper.view() : name)) return false;
  LowerCaseAscii(key.data() + at, key.size() - at);
  return true;
}

}  // namespace kestrane
