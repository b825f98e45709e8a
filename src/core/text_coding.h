// How the bytes of a text are meant. Kestrane's own texts are in the system's code page; the
// names of zip entries come in UTF-8 or in the OEM code page, and a name the system's code page
// cannot hold reaches the file system in UTF-8.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/bounded_text.h"

namespace kestrane {

enum class TextCoding : unsigned char { kSystem, kOem, kUtf8 };

// A path for the file functions of the ports: its bytes and how they are meant. Kestrane's own
// paths are in the system's code page; a name that code page cannot hold comes in UTF-8.
struct FilePath {
  FilePath(const char *path) : text(path) {}  // NOLINT: a path in the system's code page
  FilePath(const char *path, TextCoding how) : text(path), coding(how) {}
  const char *text;
  TextCoding coding = TextCoding::kSystem;
};

// Windows' file functions take paths of at most 259 characters, counted in UTF-16 units.
constexpr std::size_t kMaxPathUnits = kPathCapacity - 1;
// Room for such a path in UTF-8, which takes up to three bytes a unit, or in any code page.
using Utf8Path = BoundedText<3 * kMaxPathUnits + 1>;

bool IsAscii(std::string_view text);

// Well-formed UTF-8: shortest forms only, no surrogates, nothing beyond U+10FFFF.
bool IsUtf8(std::string_view text);

// The bytes of the character that begins at `at`: a whole UTF-8 sequence, or one byte.
std::size_t CharacterBytes(std::string_view text, std::size_t at, TextCoding coding);

// True when Windows' file functions take the path: 259 bytes in the system's code page (as its
// ANSI functions count), 259 UTF-16 units in UTF-8.
bool FitsWindowsPath(std::string_view path, TextCoding coding);

}  // namespace kestrane
