#pragma once
// PNG files of 8-bit RGB pictures, written fast: rows in the filter Sub (Up
// where a row repeats the one above), deflated with zlib's run-length
// strategy at its fastest level, which suits pictures of flat cells on a flat
// background.

#include <cstdint>
#include <string>
#include <vector>

namespace tovra::life {

// A whole PNG file of 8-bit RGB from `width` x `height` pixels 0x00RRGGBB,
// rows `stride` pixels apart, top to bottom; false when zlib fails.
bool EncodePng(const uint32_t* pixels, int width, int height, int stride, std::vector<unsigned char>& file);

// The pixels 0x00RRGGBB of a PNG file of 8-bit RGB or RGBA (alpha left
// out), not interlaced, in any of the five filters; false with what is wrong
// in `problem`.
bool DecodePng(const std::vector<unsigned char>& file, int& width, int& height, std::vector<uint32_t>& pixels,
               std::string& problem);

}  // namespace tovra::life
