#include "display/PixelFormat.h"

#include <bit>
#include <cstring>

namespace tovra {

namespace {

// value << shift of the level nearest to `level8` / 255 for each 8-bit level,
// on a channel of `mask`.
std::array<uint32_t, 256> ChannelTable(uint32_t mask) {
    std::array<uint32_t, 256> table{};
    if (mask == 0) return table;
    const int shift = std::countr_zero(mask);
    const uint64_t top = mask >> shift;
    for (uint64_t c = 0; c < 256; ++c) table[c] = static_cast<uint32_t>((c * top + 127) / 255) << shift & mask;
    return table;
}

}  // namespace

PixelFormat::PixelFormat() : PixelFormat(0xFF0000, 0xFF00, 0xFF, 24, 32, std::endian::native == std::endian::big) {}

PixelFormat::PixelFormat(uint32_t redMask, uint32_t greenMask, uint32_t blueMask, int depth, int bitsPerPixel,
                         bool mostSignificantFirst)
    : red_(ChannelTable(redMask)),
      green_(ChannelTable(greenMask)),
      blue_(ChannelTable(blueMask)),
      bytes_(bitsPerPixel / 8) {
    const uint32_t used = depth >= 32 ? ~0u : (1u << depth) - 1;
    alpha_ = used & ~(redMask | greenMask | blueMask);
    msbFirst_ = mostSignificantFirst;
    swap_ = mostSignificantFirst != (std::endian::native == std::endian::big);
    direct_ = alpha_ == 0 && (bytes_ == 4 || bytes_ == 2) && !swap_;
}

void PixelFormat::Convert(const uint32_t* values, int count, unsigned char* to) const {
    if (direct_ && bytes_ == 4) {
        std::memcpy(to, values, sizeof(uint32_t) * count);
        return;
    }
    // One plain loop per size, which the compiler turns into vector code.
    switch (bytes_ * 2 + swap_) {
        case 8:
            for (int i = 0; i < count; ++i) {
                const uint32_t v = values[i] | alpha_;
                std::memcpy(to + 4 * i, &v, 4);
            }
            break;
        case 9:
            for (int i = 0; i < count; ++i) {
                const uint32_t v = __builtin_bswap32(values[i] | alpha_);
                std::memcpy(to + 4 * i, &v, 4);
            }
            break;
        case 4:
            for (int i = 0; i < count; ++i) {
                const uint16_t v = static_cast<uint16_t>(values[i] | alpha_);
                std::memcpy(to + 2 * i, &v, 2);
            }
            break;
        case 5:
            for (int i = 0; i < count; ++i) {
                const uint16_t v = __builtin_bswap16(static_cast<uint16_t>(values[i] | alpha_));
                std::memcpy(to + 2 * i, &v, 2);
            }
            break;
        default:  // 3 bytes, in the order asked for
            for (int i = 0; i < count; ++i) {
                const uint32_t v = values[i] | alpha_;
                for (int b = 0; b < 3; ++b)
                    to[3 * i + b] = static_cast<unsigned char>(v >> 8 * (msbFirst_ ? 2 - b : b));
            }
            break;
    }
}

}  // namespace tovra
