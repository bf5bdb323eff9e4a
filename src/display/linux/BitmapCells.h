#pragma once
// The cell bitmaps read with stb_image: what a sprite draws, the top-left
// 10 x 10 pixels of the picture as 0x00RRGGBB.

#include <string>

#include "display/CellFrame.h"

namespace tovra {

// The largest picture read, both ways: far more than a cell shows, and small
// enough that decoding it stays quick and within a few tens of megabytes.
inline constexpr int kLargestCellBitmap = 4096;

// Not `loaded` when the file is missing or cannot be used: not a BMP picture,
// larger than kLargestCellBitmap either way, shorter than its header says,
// or not decodable. `problem` then says why, as a phrase ("the file is
// empty"); its header is checked before anything is decoded.
SpritePixels LoadCellBitmap(const std::string& path, std::string* problem = nullptr);

}  // namespace tovra
