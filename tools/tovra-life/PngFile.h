#pragma once
// PNG files of 8-bit RGB pictures, written fast: rows in the filter Sub (Up
// where a row repeats the one above), deflated with zlib's run-length
// strategy at its fastest level, which suits pictures of flat cells on a flat
// background.

#include <cstdint>
#include <vector>

namespace tovra::life {

// A whole PNG file of 8-bit RGB from `width` x `height` pixels 0x00RRGGBB,
// rows `stride` pixels apart, top to bottom; false when zlib fails.
bool EncodePng(const uint32_t* pixels, int width, int height, int stride, std::vector<unsigned char>& file);

}  // namespace tovra::life
