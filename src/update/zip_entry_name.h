// Which names of a zip archive may be joined to the folder the user chose.
#pragma once

#include <string_view>

#include "core/heap_text.h"

namespace kestrane {

// A name ending in a slash or backslash stands for a folder.
bool IsFolderEntryName(std::string_view name);

// True when the name, joined to a folder, stays inside it and names the same file on every
// Windows file system: no drive or stream (":"), no leading separator, no "." or ".." step, no
// step that Windows would silently rename (a trailing dot or blank) or take for a device
// ("con", "nul.txt", "com1"), no control character (embedded zeros included) and none of the
// characters Windows refuses in file names.
bool IsSafeEntryName(std::string_view name);

// Appends the form under which two names reach the same file on Windows (ASCII lower case, one
// kind of separator) and a zero after it; false when there was no memory for it.
bool AppendEntryNameKey(HeapText &keys, std::string_view name);

}  // namespace kestrane
