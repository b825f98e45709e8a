// Path and text helpers shared across the core.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/bounded_text.h"

namespace kestrane {

class Shell;

// The text up to and including the last backslash or slash; empty when there is neither.
Path FolderPart(std::string_view path);

// The text after the last backslash or slash; the whole text when there is neither.
Path FileNamePart(std::string_view path);

// Only ASCII letters change: paths are in the system's 8-bit code page.
void LowerCase(Path &text);
void LowerCaseAscii(char *text, std::size_t size);
// Equal but for the case of ASCII letters.
bool EqualNoCase(std::string_view a, std::string_view b);

inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// Puts the shell's folder in front of a path that does not contain ":\" anywhere. False, with
// the path unchanged, when the result would not fit: a cut path names another file.
bool MakeAbsolute(Shell &shell, Path &path);

// Removes blanks, tabs, CR and LF from both ends; what lies between stays as it is. A text of
// nothing but those is left as it is.
std::string_view TrimBlanks(std::string_view text);

template <std::size_t N>
void TrimBlanks(BoundedText<N> &text) {
  text.Assign(TrimBlanks(text.view()));
}

}  // namespace kestrane
