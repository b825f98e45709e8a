// Standard base64, as keys and signatures are published.
#pragma once

#include <cstddef>
#include <string_view>

namespace kestrane {

// Exactly `size` bytes from `text`, which must be their canonical encoding, padding included.
bool DecodeBase64(std::string_view text, unsigned char *bytes, std::size_t size);

}  // namespace kestrane
