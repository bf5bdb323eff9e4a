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

    z_stream z{};
    if (deflateInit2(&z, 1, Z_DEFLATED, 15, 8, Z_RLE) != Z_OK) return false;
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    std::vector<unsigned char> packed(deflateBound(&z, static_cast<uLong>((row + 1) * height)));
    z.next_out = packed.data();
    z.avail_out = static_cast<uInt>(packed.size());
    // Each row in the filter "Sub" (each byte less the one a pixel to its
    // left): a flat stretch becomes a run of zeros.
    std::vector<unsigned char> filtered(row + 1);
    filtered[0] = 1;
    bool ok = true;
    for (int y = 0; y < height && ok; ++y) {
        const uint32_t* from = pixels + static_cast<std::size_t>(y) * stride;
        uint32_t left = 0;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = from[x];
            unsigned char* to = &filtered[1 + static_cast<std::size_t>(x) * 3];
            to[0] = static_cast<unsigned char>((p >> 16) - (left >> 16));
            to[1] = static_cast<unsigned char>((p >> 8) - (left >> 8));
            to[2] = static_cast<unsigned char>(p - left);
            left = p;
        }
        z.next_in = filtered.data();
        z.avail_in = static_cast<uInt>(filtered.size());
        ok = deflate(&z, Z_NO_FLUSH) == Z_OK;
    }
    ok = ok && deflate(&z, Z_FINISH) == Z_STREAM_END;
    const std::size_t size = packed.size() - z.avail_out;
    deflateEnd(&z);
    if (!ok) return false;
    Chunk(file, "IDAT", packed.data(), size);
    Chunk(file, "IEND", nullptr, 0);
    return true;
}

}  // namespace tovra::life
