// Names of files that come from elsewhere (an update's URL, a zip entry) and are joined to a
// folder of ours.
#pragma once

#include <string_view>

#include "core/heap_text.h"

namespace kestrane {

class Kernel;

// True only for a name that stays directly inside the folder it is joined to and names an
// ordinary file there: not empty, "." or "..", no "\", "/" or ":", no character Windows
// refuses in file names, no trailing dot or blank (Windows would drop it), no device name. The
// name is in the system's code page or in UTF-8.
bool IsPlainFileName(std::string_view name);

// Appends the form under which two names reach the same file on Windows: for names in UTF-8
// (`utf8`), upper case as the system compares names, else ASCII lower case. False when it
// could not be made.
bool AppendNameKey(Kernel &kernel, bool utf8, std::string_view name, HeapText &key);

}  // namespace kestrane
