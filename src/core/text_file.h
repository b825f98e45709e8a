// Whole-file reads and writes of the list file, with an all-or-nothing replace.
#pragma once

#include <string_view>
#include "core/heap_text.h"

namespace kestrane {

class Kernel;

// False also when there is no memory for the whole file.
bool ReadWholeFile(const char *path, HeapText &content);
bool CreateEmptyFile(const char *path);
bool AppendToFile(const char *path, std::string_view text);
// Writes beside the file and moves the result over it, so a failure leaves the old file whole.
bool ReplaceFileContent(Kernel &kernel, const char *path, std::string_view content);

}  // namespace kestrane
