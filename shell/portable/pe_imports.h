// What a DLL file imports from one library, read from its import table without loading it:
// the shell can say which of its functions a plug-in lacks before the loader fails (Windows) or
// binds the name to a stub that aborts the process when called (Wine).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// The names `image` (a PE32 or PE32+ file's bytes) imports from `library` (compared without
// regard to letter case), an import by ordinal as "#N". None when the bytes are no PE image
// or its import table cannot be read.
std::optional<std::vector<std::string>> ImportsFrom(std::string_view image,
                                                    std::string_view library);

}  // namespace corvane
