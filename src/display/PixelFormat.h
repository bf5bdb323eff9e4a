#pragma once
// Colours in the layout of a TrueColor picture: channels where its masks
// say, of the width they give (5, 6, 8, 10 bits...), in pixels of 2, 3 or 4
// bytes in either byte order. Each channel of a colour 0x00RRGGBB becomes the
// level of the target's width nearest to its 8-bit value. A frame drawn from
// sprites in these values (`Value`) reaches the picture with a plain copy, or
// a narrowing to 2 or 3 bytes, instead of a conversion of every pixel; the
// bits outside the masks (an alpha channel) are set on the way, so the
// picture is opaque.

#include <array>
#include <cstdint>

namespace tovra {

class PixelFormat {
public:
    // The frame's usual layout: 32-bit pixels, red at 0xFF0000, green 0xFF00,
    // blue 0xFF, in this machine's byte order.
    PixelFormat();
    // `depth` bits of each pixel are used (the rest stays 0), `bitsPerPixel`
    // is 16, 24 or 32; the masks must lie within the depth.
    PixelFormat(uint32_t redMask, uint32_t greenMask, uint32_t blueMask, int depth, int bitsPerPixel,
                bool mostSignificantFirst);

    // The value a colour has in this layout, without the alpha bits.
    uint32_t Value(uint32_t rgb) const { return red_[rgb >> 16 & 0xFF] | green_[rgb >> 8 & 0xFF] | blue_[rgb & 0xFF]; }
    // The whole pixel of a colour.
    uint32_t Pixel(uint32_t rgb) const { return Value(rgb) | alpha_; }
    // The size of a value that is the picture's pixel as it is (4 bytes, or
    // 2 narrowed from it, in this machine's byte order and without alpha
    // bits); 0 when values have to be converted.
    int DirectBytes() const { return direct_ ? bytes_ : 0; }
    int BytesPerPixel() const { return bytes_; }
    // Writes `count` values as pixels at `to`, BytesPerPixel() bytes each.
    void Convert(const uint32_t* values, int count, unsigned char* to) const;

private:
    std::array<uint32_t, 256> red_{}, green_{}, blue_{};
    uint32_t alpha_ = 0;
    int bytes_ = 4;
    bool msbFirst_ = false;  // the bytes of a pixel go most significant first
    bool swap_ = false;      // ... and this machine's go the other way
    bool direct_ = true;
};

}  // namespace tovra
