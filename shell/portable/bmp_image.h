// A 24-bit BMP file from captured pixels: what `screenshot` writes.
#pragma once

#include <cstddef>
#include <vector>

namespace corvane {

// `topDown` holds `height` rows of `width` blue-green-red pixels, `stride` bytes apart, top
// row first (as GetDIBits gives them with a negative height).
std::vector<unsigned char> EncodeBmp24(int width, int height, const unsigned char *topDown,
                                       size_t stride);

// Bytes per row of a 24-bit bitmap: rows are padded to four bytes.
size_t Bmp24Stride(int width);

}  // namespace corvane
