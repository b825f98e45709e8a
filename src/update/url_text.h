// Addresses of update files and the names their local copies get.
#pragma once

#include <string_view>

#include "core/bounded_text.h"

namespace kestrane {

// Puts "http://" in front of a text that holds no "://" anywhere; an address of any scheme
// passes unchanged. False, with the text unchanged, when the result would not fit: a cut
// address would name another file.
bool EnsureUrlScheme(Path &url);

// The part after the last "/"; the whole text when it holds none; empty when it ends in "/".
Path UrlFileName(std::string_view url);

// Each "%" with two hexadecimal digits becomes the byte they give, as browsers decode a name to
// save a file under; any other "%" stays. False when the result does not fit.
bool PercentDecode(std::string_view text, Path &decoded);

}  // namespace kestrane
