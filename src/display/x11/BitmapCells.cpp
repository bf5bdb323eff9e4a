#include "display/x11/BitmapCells.h"

#include <stb/stb_image.h>

#include <memory>

namespace tovra {

std::optional<CellPixels> LoadCellBitmap(const std::string& path) {
    int width = 0, height = 0, channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> data(stbi_load(path.c_str(), &width, &height, &channels, 3),
                                                   stbi_image_free);
    if (data == nullptr || width < 10 || height < 10) return std::nullopt;
    CellPixels cell{};
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const stbi_uc* p = data.get() + (static_cast<std::size_t>(y) * width + x) * 3;
            cell[static_cast<std::size_t>(y * 10 + x)] = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
        }
    return cell;
}

}  // namespace tovra
