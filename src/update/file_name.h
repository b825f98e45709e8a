// Names of files that come from elsewhere (an update's URL, a zip entry) and are joined to a
// folder of ours.
#pragma once

#include <string_view>

namespace kestrane {

// True only for a name that stays directly inside the folder it is joined to and names an
// ordinary file there: not empty, "." or "..", no "\", "/" or ":", no character Windows
// refuses in file names, no trailing dot or blank (Windows would drop it), no device name.
bool IsPlainFileName(std::string_view name);

}  // namespace kestrane
