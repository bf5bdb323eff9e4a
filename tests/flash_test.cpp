// The flash analyser on sequences whose flashes are known by construction.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <tuple>
#include <utility>
#include <vector>

#include "tovra-life/FlashAnalysis.h"

namespace tovra::life {
namespace {

// A frame at each time shows `pick(t, x, y)`.
FlashReport Analyse(int width, int height, double fps, double seconds, double dpi,
                    const std::function<uint32_t(double, int, int)>& pick) {
    FlashAnalyser analyser(width, height, fps, dpi);
    std::vector<uint32_t> frame(static_cast<std::size_t>(width + 3) * height);
    for (int k = 0; k < std::lround(seconds * fps); ++k) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) frame[static_cast<std::size_t>(y) * (width + 3) + x] = pick(k / fps, x, y);
        analyser.Add(frame.data(), width + 3);
    }
    return analyser.Report();
}

// Two colours alternating `hz` times a second (a flash each time), from `from` seconds on, inside a
// rectangle from the top left corner; black elsewhere.
std::function<uint32_t(double, int, int)> Alternate(uint32_t a, uint32_t b, double hz, int w = 1 << 20, int h = 1 << 20,
                                                    double from = 0) {
    return [=](double t, int x, int y) {
        if (x >= w || y >= h) return 0u;
        return t >= from && static_cast<long>(std::floor((t - from) * hz * 2 + 1e-9)) % 2 ? b : a;
    };
}

// A colour at each frame: `first`, then from each listed frame on the colour listed with it.
std::function<uint32_t(double, int, int)> Frames(uint32_t first, std::vector<std::pair<int, uint32_t>> from, double fps) {
    return [=](double t, int, int) {
        uint32_t colour = first;
        for (auto [frame, c] : from)
            if (std::lround(t * fps) >= frame) colour = c;
        return colour;
    };
}

TEST(FlashAnalyser, KnownSequences) {
    constexpr uint32_t kBlack = 0, kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF;
    constexpr uint32_t kRedsGrey = 0x7F7F7F;  // the relative luminance of the red, about 0.21
    constexpr uint32_t kPale = 0xEEEEEE;      // 0.85: white to it is a change whose darker state is not below 0.8
    const double area = 341.0 * 256;
    // A slow fade: from black to white over a second and back over the next.
    const auto fade = [](double t, int, int) {
        const double s = std::fmod(t, 2.0), level = s < 1 ? s : 2 - s;
        return static_cast<uint32_t>(std::lround(level * 255)) * 0x010101u;
    };
    // The whole frame at 10 Hz where `in` says, black elsewhere.
    const auto only = [toggle = Alternate(kBlack, kWhite, 10)](std::function<bool(int, int)> in) {
        return [=](double t, int x, int y) { return in(x, y) ? toggle(t, x, y) : kBlack; };
    };
    // Eight changes between two greys, their first and last 60 frames apart: seven at most in any second.
    std::vector<std::pair<int, uint32_t>> spread;
    for (const int frame : {1, 9, 18, 26, 35, 43, 52, 61}) spread.push_back({frame, spread.size() % 2 ? kBlack : kWhite});
    // ... and at 64 frames a second, 63 frames apart: all eight within one second.
    std::vector<std::pair<int, uint32_t>> spread64, redSpread64;
    for (const int frame : {1, 10, 19, 28, 37, 46, 55, 64}) {
        spread64.push_back({frame, spread64.size() % 2 ? kBlack : kWhite});
        redSpread64.push_back({frame, redSpread64.size() % 2 ? kRed : kBlue});
    }
    // A rise too small to count, then eight changes from its top: the first 0.12 below it.
    std::vector<std::pair<int, uint32_t>> fromTheTop{{1, 0xA2A2A2}};
    for (int frame = 8; frame <= 57; frame += 7) fromTheTop.push_back({frame, fromTheTop.size() % 2 ? 0x868686u : 0xA2A2A2u});
    const struct { const char* what; int width, height; double fps, dpi; std::function<uint32_t(double, int, int)> pick;
                   int general, red; double share; } rows[] = {
        // Frames of 100 x 75 pixels at 24 dots per inch, where an area is 85 x 64 pixels.
        {"the whole screen black and white at 2 Hz", 100, 75, 60, 24, Alternate(kBlack, kWhite, 2), 2, 0, 0},
        {"... at 3 Hz", 100, 75, 60, 24, Alternate(kBlack, kWhite, 3), 3, 0, 0},
        {"... at 4 Hz", 100, 75, 60, 24, Alternate(kBlack, kWhite, 4), 4, 0, 1},
        {"... at 10 Hz", 100, 75, 60, 24, Alternate(kBlack, kWhite, 10), 10, 0, 1},
        {"... at 10 Hz, 64 frames a second", 100, 75, 64, 24, Alternate(kBlack, kWhite, 10), 10, 0, 1},
        {"... at every frame, 64 frames a second: the most one second holds", 100, 75, 64, 24, Alternate(kBlack, kWhite, 32),
         32, 0, 1},
        {"... at 4 Hz, 10 frames a second", 100, 75, 10, 24, Alternate(kBlack, kWhite, 4), 4, 0, 1},
        {"... at 2 Hz, 2.5 frames a second: the frames show one flash a second", 100, 75, 2.5, 24,
         Alternate(kBlack, kWhite, 2), 1, 0, 0},
        {"a small square at 10 Hz", 100, 75, 60, 24, Alternate(kBlack, kWhite, 10, 10, 10), 0, 0, 100 / (85.0 * 64)},
        {"the square at 2 dots per inch: larger than an area", 100, 75, 60, 2, Alternate(kBlack, kWhite, 10, 10, 10),
         10, 0, 1},
        {"a 2 x 2 square at 1 dot per inch: a third of an area of 4 x 3", 100, 75, 60, 1, Alternate(kBlack, kWhite, 10, 2, 2),
         10, 0, 4 / 12.0},
        {"red and a grey as bright at 5 Hz", 100, 75, 60, 24, Alternate(kRed, kRedsGrey, 5), 0, 5, 1},
        {"red and blue at 5 Hz", 100, 75, 60, 24, Alternate(kRed, kBlue, 5), 5, 5, 1},
        {"the grey and blue at 5 Hz: neither is red", 100, 75, 60, 24, Alternate(kRedsGrey, kBlue, 5), 5, 0, 1},
        {"black and red at 2 Hz", 100, 75, 60, 24, Alternate(kBlack, kRed, 2), 2, 2, 0},
        {"white and pale grey at 10 Hz", 100, 75, 60, 24, Alternate(kWhite, kPale, 10), 0, 0, 0},
        {"white and a grey of 0.70 at 10 Hz: the darker state is below 0.8", 100, 75, 60, 24,
         Alternate(kWhite, 0xDADADA, 10), 10, 0, 1},
        {"white and a yellow of 0.8 exactly (as a float): the darker state is not below 0.8", 100, 75, 60, 24,
         Alternate(kWhite, 0xE6EDA2, 10), 0, 0, 0},
        {"two colours 0.1 apart exactly (as floats): a change of at least 0.1", 100, 75, 60, 24,
         Alternate(0x371532, 0x964A2E, 10), 10, 0, 1},
        {"black and a grey of level 10 (relative luminance 0.003) at 10 Hz", 100, 75, 60, 24, Alternate(kBlack, 0x0A0A0A, 10),
         0, 0, 0},
        {"red and a magenta as bright, 0.13 away in u'v', at 5 Hz", 100, 75, 60, 24, Alternate(kRed, 0xFF00A0, 5), 0, 0, 0},
        {"... and one 0.21 away", 100, 75, 60, 24, Alternate(kRed, 0xFF00E0, 5), 0, 5, 1},
        {"... one 0.1992 away", 100, 75, 60, 24, Alternate(kRed, 0xFF00D8, 5), 0, 0, 0},
        {"... and one 0.2004 away", 100, 75, 60, 24, Alternate(kRed, 0xFF00D9, 5), 0, 5, 1},
        {"red and a brown almost as bright, 0.18 away, mostly in u'", 100, 75, 60, 24, Alternate(kRed, 0xA06838, 5), 0, 0, 0},
        {"black and a dark red at 5 Hz: black has the white's chromaticity", 100, 75, 60, 24, Alternate(kBlack, 0x400000, 5),
         0, 5, 1},
        {"eight changes over just more than a second", 100, 75, 60, 24, Frames(kBlack, spread, 60), 3, 0, 0},
        {"eight changes within a second at 64 frames a second", 100, 75, 64, 24, Frames(kBlack, spread64, 64), 4, 0, 1},
        {"... between red and blue", 100, 75, 64, 24, Frames(kRed, redSpread64, 64), 4, 4, 1},
        {"eight changes from the top of a small rise", 100, 75, 60, 24, Frames(0x959595, fromTheTop, 60), 4, 0, 1},
        {"a slow fade", 100, 75, 30, 24, fade, 1, 0, 0},
        // At 96 dots per inch an area is 341 x 256 pixels.
        {"a quarter of an area at 10 Hz", 400, 300, 60, 96, Alternate(kBlack, kWhite, 10, 341, 64), 0, 0, 0.25},
        {"just over a quarter", 400, 300, 60, 96, Alternate(kBlack, kWhite, 10, 341, 65), 10, 0, 341.0 * 65 / area},
        {"... in a frame narrower than an area: a quarter of the area, not of the frame", 200, 300, 60, 96,
         Alternate(kBlack, kWhite, 10, 200, 100), 0, 0, 200.0 * 100 / area},
        {"two quarters of an area, too far apart for one area to hold more than one", 800, 300, 60, 96,
         only([](int x, int y) { return y < 64 && (x < 341 || (x >= 450 && x < 791)); }), 0, 0, 0.25},
        // Frames of 100 x 75 at 24 dots per inch again.
        {"a half at 2 Hz and a small square at 10 Hz: the share is the square's", 100, 75, 60, 24,
         [half = Alternate(kBlack, kWhite, 2), square = Alternate(kBlack, kWhite, 10)](double t, int x, int y) {
             return x < 50 ? half(t, x, y) : x < 60 && y < 10 ? square(t, x, y) : kBlack;
         },
         2, 0, 100 / (85.0 * 64)},
    };
    for (const auto& r : rows) {
        const FlashReport report = Analyse(r.width, r.height, r.fps, 3, r.dpi, r.pick);
        EXPECT_EQ(report.generalFlashes, r.general) << r.what;
        EXPECT_EQ(report.redFlashes, r.red) << r.what;
        EXPECT_NEAR(report.share, r.share, 1e-9) << r.what;
        EXPECT_EQ(report.Passes(), r.general <= 3 && r.red <= 3) << r.what;
        EXPECT_EQ(report.frames, std::lround(3 * r.fps)) << r.what;
    }
    // From white, the first change is to black: 61 frames at 4 Hz hold eight changes, four flashes.
    EXPECT_EQ(Analyse(100, 75, 60, 61 / 60.0, 24, Alternate(kWhite, kBlack, 4)).generalFlashes, 4);
    // Frames of no pixels (a size of 0, or one below it) hold no flash, whatever flashes beside them in memory.
    for (auto [width, height] : {std::pair{0, 5}, {-3, 5}, {5, -2}}) {
        FlashAnalyser empty(width, height, 60, 96);
        for (int k = 0; k < 180; ++k) {
            const uint32_t beside = k / 3 % 2 ? kWhite : kBlack;
            empty.Add(&beside, 0);
        }
        const FlashReport& r = empty.Report();
        EXPECT_EQ(std::tuple(r.frames, r.generalFlashes, r.redFlashes, r.share, r.Passes()), std::tuple(180, 0, 0, 0.0, true))
            << width << " x " << height;
    }
}

// The worst second is the first to hold the most flashes: a 10 Hz toggle that starts after a calm
// second changes first at 1.05 s, and its 20th change, the tenth flash within a second, comes at 2 s.
TEST(FlashAnalyser, TheWorstSecondIsTheFirstWithTheMostFlashes) {
    const FlashReport report = Analyse(100, 100, 60, 4, 10, Alternate(0, 0xFFFFFF, 10, 1 << 20, 1 << 20, 1.0));
    EXPECT_EQ(report.generalFlashes, 10);
    EXPECT_NEAR(report.worstSecondEnds, 2.0, 1e-9);
    // Brighter steps in a row are one change; the darker state of each is black.
    FlashAnalyser stairs(10, 10, 30, 2);
    std::vector<uint32_t> frame(100);
    for (int round = 0; round < 3; ++round)
        for (const uint32_t level : {0x00u, 0x60u, 0x90u, 0xC0u, 0xFFu, 0x00u}) {
            std::fill(frame.begin(), frame.end(), level * 0x010101u);
            stairs.Add(frame.data(), 10);
        }
    EXPECT_EQ(stairs.Report().generalFlashes, 3);  // 18 frames: up, down three times
}

// How long a pixel keeps one lit colour, at a frame every ten seconds: the pixel (2, 1) of each sequence
// below; every other pixel shows the background.
TEST(StillAnalyser, TheLongestRunOfOneLitColour) {
    constexpr uint32_t kBack = 0xF4F1EA, kLit = 0x1A1A1A, kOther = 0x3A3A48;
    const struct { const char* what; std::function<uint32_t(int)> at; double longest; uint32_t colour; } rows[] = {
        {"never lit", [](int) { return kBack; }, 0, kBack},
        {"lit from frame 2 to 11", [](int k) { return k >= 2 && k <= 11 ? kLit : kBack; }, 90, kLit},
        {"another colour at every frame", [](int k) { return k % 2 ? kLit : kOther; }, 0, kOther},
        {"a colour, then another to the end", [](int k) { return k < 5 ? kLit : kOther; }, 140, kOther},
        {"dimming a level at every frame", [](int k) { return 0x808080u - static_cast<uint32_t>(k) * 0x010101u; }, 0, 0x808080},
    };
    for (const auto& r : rows) {
        StillAnalyser still(4, 3, 0.1, kBack);
        for (int k = 0; k < 20; ++k) {
            std::vector<uint32_t> frame(5 * 3, kBack);
            frame[5 + 2] = r.at(k) | 0xFF000000u;  // what lies above the colour does not count
            still.Add(frame.data(), 5);
        }
        const StillReport& report = still.Report();
        EXPECT_EQ(report.frames, 20) << r.what;
        EXPECT_NEAR(report.longestSeconds, r.longest, 1e-9) << r.what;
        EXPECT_EQ(std::tuple(report.x, report.y), r.colour == kBack ? std::tuple(-1, -1) : std::tuple(2, 1)) << r.what;
        EXPECT_TRUE(r.colour == kBack || report.colour == r.colour) << r.what;
    }
    // A pixel at the left edge held longest stays the answer when others are lit after it.
    StillAnalyser edge(4, 3, 0.1, kBack);
    for (int k = 0; k < 20; ++k) {
        std::vector<uint32_t> frame(12, kBack);
        frame[4] = kLit;                     // (0, 1)
        frame[11] = k % 2 ? kLit : kOther;   // (3, 2)
        edge.Add(frame.data(), 4);
    }
    EXPECT_EQ(std::tuple(edge.Report().x, edge.Report().y, edge.Report().longestSeconds), std::tuple(0, 1, 190.0));
    // Frames of no pixels, a size below 0 among them.
    for (auto [width, height] : {std::pair{-1, 3}, {4, -2}, {0, 0}}) {
        StillAnalyser none(width, height, 1, kBack);
        none.Add(&kLit, 1);
        EXPECT_EQ(std::tuple(none.Report().frames, none.Report().x), std::tuple(1, -1)) << width << " x " << height;
    }
    // A rate of 0 or below counts a frame a second.
    for (double fps : {0.0, -5.0}) {
        StillAnalyser still(1, 1, fps, kBack);
        for (int k = 0; k < 4; ++k) still.Add(&kLit, 1);
        EXPECT_EQ(still.Report().longestSeconds, 3) << fps;
    }
}

}  // namespace
}  // namespace tovra::life
