#pragma once
// The cell bitmaps read with stb_image: what a sprite draws, the top-left
// 10 x 10 pixels of the picture as 0x00RRGGBB.

#include <string>

#include "display/CellFrame.h"

namespace tovra {

// Not `loaded` when the file is missing or cannot be read.
SpritePixels LoadCellBitmap(const std::string& path);

}  // namespace tovra
