// Whole-file reads and writes of the list file, with an all-or-nothing replace.
#pragma once

#include <string>
#include <string_view>

namespace kestrane {

class Kernel;

bool ReadWholeFile(const char *path, std::string &content);
bool CreateEmptyFile(const char *path);
bool AppendToFile(const char *path, std::string_view text);
// Writes beside the file and moves the result over it, so a failure leaves the old file whole.
bool ReplaceFileContent(Kernel &kernel, const char *path, std::string_view content);

}  // namespace kestrane
