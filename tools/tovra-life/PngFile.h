#pragma once
// PNG files of 8-bit RGB pictures, written fast: rows in the filter Sub,
// deflated with zlib's run-length strategy at its fastest level, which suits
// pictures of flat cells on a flat background.

#include <cstdint>
#include <vector>

namespace tovra::life {

// A whole PNG file of `width` x `height` pixels, 3 bytes each (red, green,
// blue), rows top to bottom; false when zlib fails.
bool EncodePng(const unsigned char* rgb, int width, int height, std::vector<unsigned char>& file);

}  // namespace tovra::life
