// The update information plug-in authors publish: "NAME.version:", "NAME.date:" ... lines in
// the shell's configuration format, read through the shell's own ReadString.
#pragma once

#include <string_view>

#include "core/bounded_text.h"
#include "platform/shell.h"

namespace kestrane {

constexpr const char *kNoInfo = "[No Info]";  // what a missing key reads as
constexpr const char *kMetadataFileName = "metadata.txt";

using ShortText = BoundedText<100>;

struct UpdateMetadata {
  ShortText version;  // trimmed
  ShortText date;     // trimmed
  ShortText author;
  LongText changes;
  LongText files;  // trimmed: blank-separated URLs
  LongText information;
  LongText archive;    // trimmed: a URL used when files is missing or empty
  LongText sha256;     // trimmed: one digest per file, blank-separated; optional
  LongText signature;  // trimmed: the author's signature of the release statement; optional
};

// A value that fills its text was cut where it no longer fit (and so left untrimmed): read as a
// list, it would lose its last elements.
bool IsCut(const LongText &value);

// `hostFolder` followed by "metadata.txt"; empty when that does not fit a path (a cut path
// would name another file).
Path MetadataFilePath(const Path &hostFolder);

// Every key for the plug-in called `name`, each "[No Info]" when the file or key is missing,
// and all of them, without a look, when `file` is empty.
UpdateMetadata ReadUpdateMetadata(Shell &shell, const char *file, const char *name);

// Neither missing nor empty.
bool IsPublished(std::string_view value);

// All four trimmed first: true when the published version or date differs from the plug-in's
// own and both are published.
bool IsUpdateAvailable(std::string_view version, std::string_view date, std::string_view ownVersion,
                       std::string_view ownDate);

}  // namespace kestrane
