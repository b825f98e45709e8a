#include "portable/transcript_text.h"

#include <cstdio>

namespace corvane {

namespace {

void AppendControl(std::string &out, unsigned char c) {
  switch (c) {
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
  }
  char hex[8];
  std::snprintf(hex, sizeof hex, "\\x%02X", c);
  out += hex;
}

}  // namespace

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\\' || c == '"') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      AppendControl(out, c);
    } else {
      out += ch;
    }
  }
  out += '"';
  return out;
}

std::string QuoteOrNull(const char *text) { return text ? Quote(text) : std::string("0"); }

std::string EscapeControls(std::string_view text) {
  std::string out;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20) {
      AppendControl(out, c);
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace corvane
