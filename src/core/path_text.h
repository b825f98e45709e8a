// Small path helpers shared across the core.
#pragma once

#include <string_view>

#include "core/bounded_text.h"

namespace kestrane {

// The text up to and including the last backslash or slash; empty when there is neither.
Path FolderPart(std::string_view path);

// The text after the last backslash or slash; the whole text when there is neither.
Path FileNamePart(std::string_view path);

void LowerCase(Path &text);

}  // namespace kestrane
