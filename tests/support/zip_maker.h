// Zip archives for tests, written with minizip's zip writer, and ways to spoil them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrane::testing {

struct ZipItem {
  std::string name;  // stored as given; a name ending in "/" is a folder entry
  std::string content;
  bool stored = false;  // kept uncompressed, so that a spoilt byte reaches the CRC check
  bool utf8 = false;    // the name flagged as UTF-8 (bit 11), as today's tools flag theirs
};

// Writes the items in order, with the archive comment (none when empty). False when the writer
// fails.
bool MakeZip(const std::string &path, const std::vector<ZipItem> &items,
             const std::string &comment = "");

// Inverts a few bytes in the middle of the data of entry `index` (0 is the first): a stored
// entry then fails its CRC check, a deflated one its inflation or its CRC check. False when
// the entry is missing or has no data.
bool CorruptEntryData(const std::string &path, int index);

enum class EntryField { kMethod, kCrc, kUncompressedSize };

// Sets one field of entry `index` in its local and its central header alike: a lie the archive
// tells consistently, which only the data can give away. False when the entry is missing.
bool SetEntryField(const std::string &path, int index, EntryField field, std::uint32_t value);

// Replaces every occurrence of `from` in the file's bytes by `to`, of the same length: puts
// into names what the writer would not take, such as a zero byte. Gives the number replaced.
int ReplaceBytes(const std::string &path, const std::string &from, const std::string &to);

}  // namespace kestrane::testing
