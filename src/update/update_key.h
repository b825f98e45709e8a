// The update key a plug-in's author puts into the plug-in's library: an Ed25519 public key as
// the raw-data resource "KESTRANE_UPDATE_KEY", 44 characters of standard base64. Updates of a
// plug-in that carries one must be signed by it.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/text_coding.h"

namespace kestrane {

class Libraries;

constexpr std::size_t kUpdateKeyBytes = 32;
constexpr const char *kUpdateKeyResource = "KESTRANE_UPDATE_KEY";

struct UpdateKey {
  enum class Kind {
    kNone,      // the library carries no key: its updates need no signatures
    kKey,       // `bytes` holds the key
    kUnusable,  // a malformed key, or a library that cannot be read: no signature matches it
  };
  Kind kind = Kind::kNone;
  unsigned char bytes[kUpdateKeyBytes] = {};
};

// The resource's content: the key's 44 characters, with blanks and line ends around them.
UpdateKey ParseUpdateKey(std::string_view resource);

// From the library file at `libraryPath` as it is on disk.
UpdateKey ReadUpdateKey(Libraries &libraries, FilePath libraryPath);

}  // namespace kestrane
