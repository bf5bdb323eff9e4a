#include "display/linux/BitmapCells.h"

#include <stb/stb_image.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace tovra {

namespace {

uint32_t Little(const unsigned char* p, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

// Why the BMP file of `size` bytes that begins with `head` (as much of its
// first 54 bytes as it has) cannot be used, or "" when its header is sound
// and the file holds the pixels the header promises.
std::string HeaderProblem(const unsigned char* head, long long size) {
    if (size == 0) return "the file is empty";
    if (size < 2 || head[0] != 'B' || head[1] != 'M') return "it is not a BMP picture";
    if (size < 18) return "the file ends inside its header";
    const uint32_t infoSize = Little(head + 14, 4);
    const bool core = infoSize == 12;  // the OS/2 header: 16-bit sizes
    if (size < (core ? 26 : 54)) return "the file ends inside its header";
    const auto signedField = [&](int at) { return static_cast<long long>(static_cast<int32_t>(Little(head + at, 4))); };
    const long long width = core ? Little(head + 18, 2) : signedField(18);
    const long long height = core ? Little(head + 20, 2) : signedField(22);
    const uint32_t bits = Little(head + (core ? 24 : 28), 2);
    const uint32_t compression = core ? 0 : Little(head + 30, 4);
    if (width <= 0 || height == 0) return "its header gives no pixels";
    if (width > kLargestCellBitmap || std::llabs(height) > kLargestCellBitmap)
        return "its header claims " + std::to_string(width) + " x " + std::to_string(std::llabs(height)) +
               " pixels; a cell picture may have at most " + std::to_string(kLargestCellBitmap) + " x " +
               std::to_string(kLargestCellBitmap);
    // Uncompressed rows (plain or with colour masks) have a known length.
    if (compression == 0 || compression == 3 || compression == 6) {
        const long long needed = Little(head + 10, 4) + (width * bits + 31) / 32 * 4 * std::llabs(height);
        if (size < needed)
            return "the file ends after " + std::to_string(size) + " of the " + std::to_string(needed) +
                   " bytes its header promises";
    }
    return "";
}

}  // namespace

SpritePixels LoadCellBitmap(const std::string& path, std::string* problem) {
    std::string why;
    std::string& reason = problem != nullptr ? *problem : why;
    reason.clear();
    // Looked at before it is opened: opening a pipe would wait for a writer.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        reason = std::strerror(errno);
        return {};
    }
    if (!S_ISREG(info.st_mode)) {
        reason = "it is not a file";
        return {};
    }
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    unsigned char head[54] = {};
    if (file == nullptr || (std::fread(head, 1, sizeof head, file.get()) == 0 && std::ferror(file.get()))) {
        reason = std::strerror(errno);
        return {};
    }
    reason = HeaderProblem(head, info.st_size);
    if (!reason.empty()) return {};

    int width = 0, height = 0, channels = 0;
    std::rewind(file.get());
    std::unique_ptr<stbi_uc, void (*)(void*)> data(stbi_load_from_file(file.get(), &width, &height, &channels, 3),
                                                   stbi_image_free);
    if (data == nullptr) {
        reason = std::string("the picture cannot be decoded (") + stbi_failure_reason() + ")";
        return {};
    }
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
