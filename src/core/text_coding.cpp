#include "core/text_coding.h"

namespace kestrane {

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the sequence a lead byte begins, 0 for a byte no sequence begins with.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;  // a continuation byte, an overlong lead (C0, C1) or beyond U+10FFFF
}

}  // namespace

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = SequenceLength(lead);
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if (!IsContinuation(static_cast<unsigned char>(text[i + k]))) return false;
    }
    if (length > 2) {
      // The second byte's range excludes overlong forms, surrogates and what lies past U+10FFFF.
      const auto second = static_cast<unsigned char>(text[i + 1]);
      if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
          (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
        return false;
      }
    }
    i += length;
  }
  return true;
}

std::size_t CharacterBytes(std::string_view text, std::size_t at, TextCoding coding) {
  if (coding != TextCoding::kUtf8) return 1;
  std::size_t length = SequenceLength(static_cast<unsigned char>(text[at]));
  return length == 0 || at + length > text.size() ? 1 : length;
}

bool FitsWindowsPath(std::string_view path, TextCoding coding) {
  if (coding != TextCoding::kUtf8) return path.size() <= kMaxPathUnits;
  std::size_t units = 0;
  for (char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsContinuation(byte)) continue;
    units += byte >= 0xF0 ? 2 : 1;  // beyond the BMP: a surrogate pair
  }
  return units <= kMaxPathUnits;
}

}  // namespace kestrane
