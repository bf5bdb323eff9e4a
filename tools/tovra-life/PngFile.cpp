#include "tovra-life/PngFile.h"

#include <zlib.h>

#include <cstring>

namespace tovra::life {

namespace {

void Put32(std::vector<unsigned char>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(v >> shift));
}

// A chunk: its length, type, data and the CRC of type and data.
void Chunk(std::vector<unsigned char>& out, const char* type, const unsigned char* data, std::size_t size) {
    Put32(out, static_cast<uint32_t>(size));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    Put32(out, static_cast<uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(size + 4))));
}

}  // namespace

bool EncodePng(const uint32_t* pixels, int width, int height, int stride, std::vector<unsigned char>& file) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    file.assign(kSignature, kSignature + 8);
    unsigned char header[13] = {};
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<unsigned char>(static_cast<uint32_t>(width) >> (24 - 8 * i));
        header[4 + i] = static_cast<unsigned char>(static_cast<uint32_t>(height) >> (24 - 8 * i));
    }
    header[8] = 8;  // bits per channel
    header[9] = 2;  // RGB
    Chunk(file, "IHDR", header, sizeof header);

    // A raw deflate stream inside a zlib header and trailer written here, so
    // that the Adler-32 of a row of zeros is a multiplication, not a pass.
    z_stream z{};
    if (deflateInit2(&z, 1, Z_DEFLATED, -15, 8, Z_RLE) != Z_OK) return false;
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    std::vector<unsigned char> packed(2 + deflateBound(&z, static_cast<uLong>((row + 1) * height)) + 4);
    packed[0] = 0x78, packed[1] = 0x01;  // deflate, 32K window, fastest; 0x7801 is a multiple of 31
    z.next_out = packed.data() + 2;
    z.avail_out = static_cast<uInt>(packed.size() - 6);
    // Each row in the filter Sub (each byte less the one a pixel to its
    // left: a flat stretch becomes a run of zeros), or in the filter Up
    // (each byte less the one above: all zeros) where it repeats the row
    // above, as most rows of a cell do.
    std::vector<unsigned char> filtered(row + 1), repeated(row + 1, 0);
    filtered[0] = 1, repeated[0] = 2;
    constexpr uint32_t kBase = 65521;
    uint32_t sum = 1, sumOfSums = 0;  // Adler-32's two halves
    bool ok = true;
    for (int y = 0; y < height && ok; ++y) {
        const uint32_t* from = pixels + static_cast<std::size_t>(y) * stride;
        const bool same = y > 0 && std::memcmp(from, from - stride, static_cast<std::size_t>(width) * 4) == 0;
        if (same) {
            // The filter byte 2, then row zeros that add nothing to the sum.
            sum = (sum + 2) % kBase;
            sumOfSums = static_cast<uint32_t>((sumOfSums + sum + static_cast<uint64_t>(sum) * row) % kBase);
        } else {
            uint32_t left = 0;
            for (int x = 0; x < width; ++x) {
                const uint32_t p = from[x];
                unsigned char* to = &filtered[1 + static_cast<std::size_t>(x) * 3];
                to[0] = static_cast<unsigned char>((p >> 16) - (left >> 16));
                to[1] = static_cast<unsigned char>((p >> 8) - (left >> 8));
                to[2] = static_cast<unsigned char>(p - left);
                left = p;
            }
            const uint32_t adler = static_cast<uint32_t>(
                adler32(sumOfSums << 16 | sum, filtered.data(), static_cast<uInt>(filtered.size())));
            sum = adler & 0xFFFF, sumOfSums = adler >> 16;
        }
        z.next_in = same ? repeated.data() : filtered.data();
        z.avail_in = static_cast<uInt>(row + 1);
        ok = deflate(&z, Z_NO_FLUSH) == Z_OK;
    }
    ok = ok && deflate(&z, Z_FINISH) == Z_STREAM_END;
    packed.resize(packed.size() - 4 - z.avail_out);
    deflateEnd(&z);
    if (!ok) return false;
    Put32(packed, sumOfSums << 16 | sum);
    Chunk(file, "IDAT", packed.data(), packed.size());
    Chunk(file, "IEND", nullptr, 0);
    return true;
}

}  // namespace tovra::life
