// The shell's own functions as plug-ins see them: what it exports, and whether a DLL imports
// one it lacks, found in the DLL's file before it is loaded.
#pragma once

#include <string>

namespace corvane::win32 {

// The names in this shell's export table, blank-separated.
std::string ProvidedShellFunctions();

// False, after a transcript line naming each, when the DLL at `path` imports from this shell a
// function it does not export. A file that cannot be read or is no DLL is left to the loader.
bool ProvidesShellImports(const char *path);

}  // namespace corvane::win32
