#include "tovra-life/PngFile.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

namespace tovra::life {

namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kMostPixelsEachWay = 8192;

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

uint32_t Get32(const unsigned char* at) {
    return uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 8 | at[3];
}

// The Paeth predictor: of left, above and upper left, the one nearest to
// left + above - upper left.
int Paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

}  // namespace

bool DecodePng(const std::vector<unsigned char>& file, int& width, int& height, std::vector<uint32_t>& pixels,
               std::string& problem) {
    if (file.size() < 8 || std::memcmp(file.data(), kSignature, 8) != 0) {
        problem = "not a PNG file";
        return false;
    }
    std::vector<unsigned char> packed;
    int channels = 0;
    bool ended = false;
    for (std::size_t at = 8; !ended;) {
        if (file.size() - at < 12 || Get32(&file[at]) > file.size() - at - 12) {
            problem = "a PNG file cut short";
            return false;
        }
        const uint32_t size = Get32(&file[at]);
        const unsigned char* type = &file[at + 4];
        const unsigned char* data = type + 4;
        if (crc32(0, type, size + 4) != Get32(data + size)) {
            problem = "a PNG chunk whose checksum is wrong";
            return false;
        }
        if (std::memcmp(type, "IHDR", 4) == 0) {
            // 8 bits a channel, RGB or RGBA, the one compression and filter
            // method, not interlaced.
            if (size != 13 || data[8] != 8 || (data[9] != 2 && data[9] != 6) || data[10] != 0 || data[11] != 0 ||
                data[12] != 0 || Get32(data) == 0 || Get32(data + 4) == 0 || Get32(data) > kMostPixelsEachWay || Get32(data + 4) > kMostPixelsEachWay) {
                problem = "a PNG file that is not 8-bit RGB or RGBA, not interlaced, of at most " +
                          std::to_string(kMostPixelsEachWay) + " pixels each way";
                return false;
            }
            width = static_cast<int>(Get32(data));
            height = static_cast<int>(Get32(data + 4));
            channels = data[9] == 2 ? 3 : 4;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            packed.insert(packed.end(), data, data + size);
        }
        ended = std::memcmp(type, "IEND", 4) == 0;
        at += 12 + size;
    }
    if (channels == 0) {
        problem = "a PNG file without its header";
        return false;
    }
    const std::size_t row = static_cast<std::size_t>(width) * channels;
    std::vector<unsigned char> raw((row + 1) * height);
    uLongf size = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &size, packed.data(), static_cast<uLong>(packed.size())) != Z_OK || size != raw.size()) {
        problem = "a PNG file whose pixels do not unpack to its size";
        return false;
    }
    pixels.resize(static_cast<std::size_t>(width) * height);
    const std::vector<unsigned char> none(row, 0);
    for (int y = 0; y < height; ++y) {
        unsigned char* r = &raw[static_cast<std::size_t>(y) * (row + 1)];
        const unsigned char filter = r[0];
        unsigned char* cur = r + 1;
        const unsigned char* above = y > 0 ? cur - (row + 1) : none.data();
        if (filter > 4) {
            problem = "a PNG row in an unknown filter";
            return false;
        }
        for (std::size_t i = 0; i < row; ++i) {
            const int left = i >= static_cast<std::size_t>(channels) ? cur[i - channels] : 0;
            const int up = above[i], upLeft = i >= static_cast<std::size_t>(channels) ? above[i - channels] : 0;
            const int add = filter == 1 ? left : filter == 2 ? up : filter == 3 ? (left + up) / 2 : filter == 4 ? Paeth(left, up, upLeft) : 0;
            cur[i] = static_cast<unsigned char>(cur[i] + add);
        }
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = cur + static_cast<std::size_t>(x) * channels;
            pixels[static_cast<std::size_t>(y) * width + x] = uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
        }
    }
    return true;
}

bool EncodePng(const uint32_t* pixels, int width, int height, int stride, std::vector<unsigned char>& file) {
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
