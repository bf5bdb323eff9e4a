// tovra-life --render's window in memory: its timers and clock in simulated time.
#ifdef TOVRA_LIFE_RENDER
#include <gtest/gtest.h>

#include <zlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tovra-life/LifeCli.h"
#include "tovra-life/PngFile.h"
#include "tovra-life/Render.h"
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
    // repeat: rows that are copies of the row above, but for their last pixel where `lastDiffers`
    struct Case { const char* what; int width, height, stride, repeat; bool lastDiffers = false; };
    for (const Case c : {Case{"noise", 37, 11, 37, 1}, {"cells: rows repeated", 40, 30, 40, 10},
                         {"a wider stride", 20, 9, 40, 3}, {"one pixel", 1, 1, 1, 1}, {"one column", 1, 25, 4, 5},
                         {"rows like the one above but for the last pixel", 8, 6, 8, 3, true}}) {
        std::vector<uint32_t> frame(static_cast<std::size_t>(c.stride) * c.height), want;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.stride; ++x) {
                uint32_t& p = frame[y * c.stride + x];
                p = y % c.repeat ? frame[(y - 1) * c.stride + x] : random() & 0xFFFFFF;
                if (y % c.repeat && c.lastDiffers && x == c.width - 1) p ^= 0x010101;
            }
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

// A PNG file put together by hand: chunks with their CRCs, and rows of 8-bit RGB or RGBA filtered as the
// PNG format defines each filter (None, Sub, Up, Average, Paeth), the row's filter given.
struct HandPng {
    int width, height, channels;
    std::vector<unsigned char> raw;  // unfiltered, a row after another
    static void Chunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data) {
        const auto put = [&](uint32_t v) { for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<unsigned char>(v >> s)); };
        put(static_cast<uint32_t>(data.size()));
        std::vector<unsigned char> typed(type, type + 4);
        typed.insert(typed.end(), data.begin(), data.end());
        out.insert(out.end(), typed.begin(), typed.end());
        put(static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
    }
    std::vector<unsigned char> File(const std::function<int(int)>& filterOfRow) const {
        const int row = width * channels;
        std::vector<unsigned char> filtered;
        for (int y = 0; y < height; ++y) {
            const int f = filterOfRow(y);
            filtered.push_back(static_cast<unsigned char>(f));
            for (int i = 0; i < row; ++i) {
                const auto at = [&](int yy, int ii) { return yy < 0 || ii < 0 ? 0 : int(raw[static_cast<std::size_t>(yy) * row + ii]); };
                const int a = at(y, i - channels), b = at(y - 1, i), c = at(y - 1, i - channels);
                const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                const int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                const int predicted = f == 1 ? a : f == 2 ? b : f == 3 ? (a + b) / 2 : f == 4 ? paeth : 0;
                filtered.push_back(static_cast<unsigned char>(at(y, i) - predicted));
            }
        }
        std::vector<unsigned char> packed(compressBound(static_cast<uLong>(filtered.size())));
        uLongf size = static_cast<uLongf>(packed.size());
        compress(packed.data(), &size, filtered.data(), static_cast<uLong>(filtered.size()));
        packed.resize(size);
        std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        std::vector<unsigned char> header;
        for (const int v : {width, height})
            for (int s = 24; s >= 0; s -= 8) header.push_back(static_cast<unsigned char>(static_cast<uint32_t>(v) >> s));
        header.insert(header.end(), {8, static_cast<unsigned char>(channels == 3 ? 2 : 6), 0, 0, 0});
        Chunk(file, "IHDR", header);
        // Chunks of other types are passed over, those named as IDAT and IEND are but for the last letter too.
        Chunk(file, "tEXt", {'a', 0, 'b'});
        Chunk(file, "IENd", {});
        // The pixels in two IDAT chunks, as a writer may split them.
        const std::size_t half = packed.size() / 2;
        Chunk(file, "IDAT", {packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(half)});
        Chunk(file, "IDAt", {0x78, 1, 2});
        Chunk(file, "IDAT", {packed.begin() + static_cast<std::ptrdiff_t>(half), packed.end()});
        Chunk(file, "IEND", {});
        return file;
    }
};

// What DecodePng says is wrong with a file; empty when it reads it.
std::string Refusal(const std::vector<unsigned char>& file) {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    std::string problem;
    return DecodePng(file, width, height, pixels, problem) ? std::string() : problem;
}

// DecodePng against files put together by hand: every filter on every row of RGB and of RGBA noise gives
// back the pixels (alpha dropped); a damaged or unusable file is refused with what is wrong with it.
TEST(PngFile, TheReaderTakesEveryFilterAndRefusesWhatItCannotRead) {
    std::mt19937 random(11);
    for (const int channels : {3, 4}) {
        HandPng png{13, 10, channels, {}};
        std::vector<uint32_t> want;
        for (int k = 0; k < png.width * png.height; ++k) {
            const uint32_t v = random();
            for (int c = 0; c < channels; ++c) png.raw.push_back(static_cast<unsigned char>(v >> (8 * (3 - c))));
            want.push_back(v >> 8);
        }
        for (const int first : {0, 1, 2, 3, 4}) {
            int width = 0, height = 0;
            std::vector<uint32_t> pixels;
            std::string problem;
            EXPECT_TRUE(DecodePng(png.File([&](int y) { return (y + first) % 5; }), width, height, pixels, problem)) << problem;
            EXPECT_EQ(std::tuple(width, height, pixels == want), std::tuple(13, 10, true)) << channels << " " << first;
        }
    }
    HandPng small{3, 2, 3, std::vector<unsigned char>(18, 200)};
    const std::vector<unsigned char> good = small.File([](int) { return 0; });
    // Changes to the good file: a byte set at an offset (the IHDR's data start at 16), its CRC made right again
    // where `fix`.
    const std::string header = "a PNG file that is not 8-bit RGB or RGBA, not interlaced, of at most "
                               "8192 pixels each way";
    const struct { const char* what; std::size_t at; int byte; bool fix; std::string problem; } rows[] = {
        {"another signature", 1, 'Q', false, "not a PNG file"},
        {"a chunk said to be longer than the file", 11, 200, false, "a PNG file cut short"},
        {"a damaged header", 20, 7, false, "a PNG chunk whose checksum is wrong"},
        {"no header: its chunk of another type", 15, 'r', true, "a PNG file without its header"},
        {"no width", 19, 0, true, header},
        {"no height", 23, 0, true, header},
        {"too wide", 17, 0x7F, true, header},
        {"too high", 21, 0x7F, true, header},
        {"16 bits a channel", 24, 16, true, header},
        {"a palette", 25, 3, true, header},
        {"a compression of another kind", 26, 1, true, header},
        {"filters of another kind", 27, 1, true, header},
        {"interlaced", 28, 1, true, header},
        {"a row more than its pixels", 23, 3, true, "a PNG file whose pixels do not unpack to its size"},
    };
    for (const auto& r : rows) {
        std::vector<unsigned char> file = good;
        file[r.at] = static_cast<unsigned char>(r.byte);
        if (r.fix) {
            const uint32_t crc = static_cast<uint32_t>(crc32(0, &file[12], 17));
            for (int k = 0; k < 4; ++k) file[29 + static_cast<std::size_t>(k)] = static_cast<unsigned char>(crc >> (24 - 8 * k));
        }
        EXPECT_EQ(Refusal(file), r.problem) << r.what;
    }
    // The file cut anywhere (a copy of just that much: nothing of the rest lies beyond it).
    for (std::size_t cut = 0; cut < good.size(); ++cut)
        EXPECT_EQ(Refusal(std::vector<unsigned char>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut))),
                  cut < 8 ? "not a PNG file" : "a PNG file cut short") << cut;
    // 8192 pixels each way at the most.
    for (const int wide : {8192, 8193}) {
        const HandPng line{wide, 1, 3, std::vector<unsigned char>(static_cast<std::size_t>(wide) * 3, 1)};
        const std::string problem = Refusal(line.File([](int) { return 0; }));
        EXPECT_EQ(problem.empty(), wide == 8192) << problem;
    }
    // A row in no filter the reader knows.
    HandPng odd{3, 2, 3, std::vector<unsigned char>(18, 9)};
    EXPECT_EQ(Refusal(odd.File([](int y) { return y == 1 ? 5 : 0; })), "a PNG row in an unknown filter");
}

// --flashes and --still on frames written here: the report's lines for a whole frame black and white at
// 10 Hz; a frame of another size than the first is refused, naming both sizes; one frame is read.
TEST(FrameAnalyses, ReportOnTheFramesOfAFolder) {
    const std::string folder = testing::TempDir() + "tovra-frames";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto write = [&](int k, int width, int height, uint32_t colour) {
        std::vector<uint32_t> pixels(static_cast<std::size_t>(width) * height, colour);
        std::vector<unsigned char> file;
        ASSERT_TRUE(EncodePng(pixels.data(), width, height, width, file));
        char name[32];
        std::snprintf(name, sizeof name, "frame-%05d.png", k);
        std::ofstream(std::filesystem::path(folder) / name, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                                                     static_cast<std::streamsize>(file.size()));
    };
    for (int k = 0; k < 120; ++k) write(k, 100, 75, k / 3 % 2 ? 0xFFFFFFu : 0u);
    std::ostringstream out, err;
    EXPECT_EQ(AnalyseFrames(folder, 60, 24, out, err), kExitFlashes);
    EXPECT_EQ(out.str(), "frames: 120, 60 a second; an area is 85 x 64 pixels\n"
                         "worst second: 10 general and 0 red flashes, ending at 1 s\n"
                         "largest share of an area flashing more than 3 times in a second: 100%\n"
                         "passes: no\n");
    std::ostringstream still;
    // White three frames in a row: from the first to the last, 0.2 s at 10 frames a second.
    EXPECT_EQ(AnalyseStillness(folder, 10, 0, still, err), kExitOk);
    EXPECT_EQ(still.str(), "frames: 120, 10 a second\nlongest one lit colour held: 0.2 s, at 0,0 in #ffffff\n");
    EXPECT_EQ(err.str(), "");
    write(120, 100, 74, 0);
    std::ostringstream none;
    EXPECT_EQ(AnalyseFrames(folder, 60, 24, none, err), kExitFailure);
    EXPECT_EQ(none.str(), "");
    EXPECT_EQ(err.str(), "tovra-life: cannot read '" + (std::filesystem::path(folder) / "frame-00120.png").string() +
                             "': 100 x 74 pixels, the frames before it 100 x 75\n");
    // A folder without frames: the first frame's path named in full, as it is up to 200 characters.
    const std::string name = "/frame-00000.png", start = testing::TempDir() + "tovra-";
    const std::string none200 = start + std::string(200 - start.size() - name.size(), 'x');
    std::filesystem::create_directories(none200);
    std::ostringstream nothing, missing;
    EXPECT_EQ(AnalyseFrames(none200, 60, 24, nothing, missing), kExitFailure);
    EXPECT_EQ(missing.str(), "tovra-life: cannot read '" + none200 + name + "': No such file or directory\n");
    std::filesystem::remove_all(none200);
    // A folder of one frame is a sequence of one.
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    write(0, 4, 3, 0xFFFFFF);
    std::ostringstream one, oneErr;
    EXPECT_EQ(AnalyseStillness(folder, 10, 0, one, oneErr), kExitOk);
    EXPECT_EQ(one.str() + oneErr.str(), "frames: 1, 10 a second\nlongest one lit colour held: 0 s, at 0,0 in #ffffff\n");
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tovra::life
#endif
