#include "display/x11/BitmapCells.h"

#include <stb/stb_image.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace tovra {

SpritePixels LoadCellBitmap(const std::string& path) {
    int width = 0, height = 0, channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> data(stbi_load(path.c_str(), &width, &height, &channels, 3),
                                                   stbi_image_free);
    if (data == nullptr) return {};
    // Only the corner a cell shows is converted.
    const int w = std::min(width, kSpriteSize), h = std::min(height, kSpriteSize);
    std::vector<uint32_t> corner(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const stbi_uc* p = data.get() + (static_cast<std::size_t>(y) * width + x) * 3;
            corner[static_cast<std::size_t>(y) * w + x] = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
        }
    return SpriteFromBitmap(corner.data(), w, h, w);
}

}  // namespace tovra
