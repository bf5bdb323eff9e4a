// tovra-life --render's window in memory: its timers and clock in simulated time.
#ifdef TOVRA_LIFE_RENDER
#include <gtest/gtest.h>

#include <zlib.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tovra-life/PngFile.h"
#include "tovra-life/RenderPlatform.h"

namespace tovra::life {
namespace {

TEST(RenderPlatform, TimersTickInSimulatedTimeInOrderAndTheClockPassesMidnight) {
    RenderPlatform p("/nowhere", 100, 50, 0.0f);
    std::string log;
    int frames = 0, generations = 0;
    auto note = [&](char what) { log += what + std::to_string(std::lround(p.SecondsSinceMidnight() * 1000)) + " "; };
    // Frames every 100 ms until the first generation stops them; the second starts them at 0 ms (1 ms), the third
    // frame of which moves the next generation to 250 ms after it; they stop after the fourth.
    auto generation = [&] {
        note('G');
        if (++generations == 1) p.StopFrameTimer();
        if (generations == 2) p.StartFrameTimer(0);
    };
    auto frame = [&] {
        note('F');
        if (++frames == 6) p.StartTimer(250);
        if (frames == 7) p.StopFrameTimer();
    };
    p.StartTimer(300), p.StartFrameTimer(100);
    p.RunUntil(700000, generation, frame);
    EXPECT_EQ(p.SecondsSinceMidnight(), 0.7f);
    p.RunUntil(853000, generation, frame);  // up to and at that time
    p.RunUntil(1000000, generation, frame);
    p.StopTimer();
    p.RunUntil(2000000, generation, frame);
    EXPECT_EQ(log, "F100 F200 F300 G300 G600 F601 F602 F603 F604 G853 ");

    RenderPlatform late("/nowhere", 100, 50, 86399.0f);
    float seen = -1;
    late.StartTimer(1000);
    late.RunUntil(1500000, [&] { seen = late.SecondsSinceMidnight(); }, [] {});
    EXPECT_EQ(seen, 0.0f);
    EXPECT_EQ(late.SecondsSinceMidnight(), 0.5f);
}

// A plain reader of what EncodePng writes: the chunks' CRCs, one IDAT whose
// zlib stream (its Adler-32 checked by zlib) unfilters (None, Sub or Up) to
// the rows; the pixels as 0x00RRGGBB, or empty when anything is wrong.
std::vector<uint32_t> ReadPng(const std::vector<unsigned char>& f, int width, int height) {
    auto be = [&](std::size_t at) { return uint32_t{f[at]} << 24 | f[at + 1] << 16 | f[at + 2] << 8 | f[at + 3]; };
    std::vector<unsigned char> idat;
    for (std::size_t at = 8; at + 12 <= f.size(); at += 12 + be(at)) {
        const uint32_t n = be(at);
        if (at + 12 + n > f.size() || crc32(0, &f[at + 4], n + 4) != be(at + 8 + n)) return {};
        if (std::memcmp(&f[at + 4], "IHDR", 4) == 0 && (be(at + 8) != uint32_t(width) || be(at + 12) != uint32_t(height)))
            return {};
        if (std::memcmp(&f[at + 4], "IDAT", 4) == 0) idat.insert(idat.end(), &f[at + 8], &f[at + 8 + n]);
    }
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    std::vector<unsigned char> raw((row + 1) * height + 1);
    uLongf size = raw.size();
    if (uncompress(raw.data(), &size, idat.data(), idat.size()) != Z_OK || size != raw.size() - 1) return {};
    std::vector<uint32_t> pixels;
    for (int y = 0; y < height; ++y) {
        unsigned char* r = &raw[y * (row + 1)];
        const unsigned char* above = y > 0 ? r - (row + 1) : nullptr;
        if (r[0] > 2) return {};
        for (std::size_t i = 1; i <= row; ++i) r[i] += r[0] == 1 && i > 3 ? r[i - 3] : r[0] == 2 && above ? above[i] : 0;
        for (int x = 0; x < width; ++x) pixels.push_back(uint32_t{r[1 + 3 * x]} << 16 | r[2 + 3 * x] << 8 | r[3 + 3 * x]);
    }
    return pixels;
}

TEST(PngFile, RowsOfAnyKindReadBackAsThePixels) {
    std::mt19937 random(7);
    struct Case { const char* what; int width, height, stride, repeat; };  // repeat: rows that are copies of the row above
    for (const Case c : {Case{"noise", 37, 11, 37, 1}, {"cells: rows repeated", 40, 30, 40, 10},
                         {"a wider stride", 20, 9, 40, 3}, {"one pixel", 1, 1, 1, 1}, {"one column", 1, 25, 4, 5}}) {
        std::vector<uint32_t> frame(static_cast<std::size_t>(c.stride) * c.height), want;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.stride; ++x)
                frame[y * c.stride + x] = y % c.repeat ? frame[(y - 1) * c.stride + x] : random() & 0xFFFFFF;
        // Past the width, a row holds the start of the row below: only the row above is the one to compare with.
        for (int y = 0; y + 1 < c.height; ++y)
            for (int x = c.width; x < c.stride && x < 2 * c.width; ++x)
                frame[y * c.stride + x] = frame[(y + 1) * c.stride + x - c.width];
        for (int y = 0; y < c.height; ++y) want.insert(want.end(), &frame[y * c.stride], &frame[y * c.stride] + c.width);
        std::vector<unsigned char> file;
        ASSERT_TRUE(EncodePng(frame.data(), c.width, c.height, c.stride, file)) << c.what;
        EXPECT_EQ(ReadPng(file, c.width, c.height), want) << c.what;
    }
}

}  // namespace
}  // namespace tovra::life
#endif
