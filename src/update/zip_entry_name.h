// Which names of a zip archive may be joined to the folder the user chose, and how they read.
#pragma once

#include <string_view>

#include "core/heap_text.h"
#include "core/text_coding.h"

namespace kestrane {

class Kernel;

// A name ending in a slash or backslash stands for a folder.
bool IsFolderEntryName(std::string_view name);

// True when the name, joined to a folder, stays inside it and names the same file on every
// Windows file system: no drive or stream (":"), no leading separator, no "." or ".." step, no
// step that Windows would silently rename (a trailing dot or blank) or take for a device
// ("con", "nul.txt", "com1"), no control character (embedded zeros included) and none of the
// characters Windows refuses in file names.
bool IsSafeEntryName(std::string_view name);

enum class EntryNaming {
  kName,    // the name to join to the folder
  kHere,    // nothing but "." steps ("./"): the folder itself, which the entry adds nothing to
  kUnsafe,  // not IsSafeEntryName, not well-formed UTF-8 though flagged so, or too long to hold
};

// What an entry's stored name gives, with its "." steps dropped. Where the file functions take
// UTF-8 (`decode`) the name comes out in UTF-8: a name flagged as UTF-8 (bit 11 of the entry's
// flags, `utf8Flag`) as it stands; an unflagged one that reads as UTF-8 as it stands too, since
// Info-ZIP's zip and others write UTF-8 without the flag; any other in the OEM code page, the
// format's rule for unflagged names. Without `decode` (95, 98, ME) it stays byte for byte.
EntryNaming DecodeEntryName(Kernel &kernel, std::string_view stored, bool utf8Flag, bool decode,
                            Utf8Path &name);

// Appends the form under which two names reach the same file on Windows (AppendNameKey, and
// one kind of separator) and a zero after it; false when it could not be made.
bool AppendEntryNameKey(Kernel &kernel, bool utf8, std::string_view name, HeapText &keys);

}  // namespace kestrane
