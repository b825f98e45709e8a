// Paths of the ports for the system's wide-character functions. Those are looked up at run time
// (optional_functions.h): 95, 98 and ME have none that work, and Kestrane.dll loads there too.
#pragma once

#include <windows.h>

#include "core/text_coding.h"

namespace kestrane::win32 {

inline UINT CodePageOf(TextCoding coding) {
  switch (coding) {
    case TextCoding::kOem: return CP_OEMCP;
    case TextCoding::kUtf8: return CP_UTF8;
    case TextCoding::kSystem: break;
  }
  return CP_ACP;
}

// A path the ANSI functions take as it stands.
inline bool IsAnsi(FilePath path) { return path.coding == TextCoding::kSystem; }

// The path in UTF-16; not ok when it does not convert or is longer than MAX_PATH allows.
class WidePath {
 public:
  explicit WidePath(FilePath path)
      : ok_(MultiByteToWideChar(CodePageOf(path.coding), 0, path.text, -1, text_, MAX_PATH) > 0) {}
  WidePath(const WidePath &) = delete;
  WidePath &operator=(const WidePath &) = delete;

  bool ok() const { return ok_; }
  const WCHAR *get() const { return text_; }

 private:
  WCHAR text_[MAX_PATH];
  bool ok_;
};

}  // namespace kestrane::win32
