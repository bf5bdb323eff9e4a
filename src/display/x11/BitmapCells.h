#pragma once
// The cell bitmaps read with stb_image into 10 x 10 blocks of 0x00RRGGBB
// pixels: the top-left 10 x 10 pixels of the picture.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tovra {

using CellPixels = std::array<uint32_t, 100>;

// Nothing when the file is missing, cannot be read or is smaller than a cell.
std::optional<CellPixels> LoadCellBitmap(const std::string& path);

}  // namespace tovra
