#pragma once
// Flashes in a sequence of frames, in the terms of WCAG 2.3.1:
// - a general flash is a pair of opposing changes in relative luminance of at
//   least 0.1 where the darker state is below 0.8;
// - a red flash is a pair of opposing transitions to or from a saturated red
//   (R / (R + G + B) >= 0.8 of the linearised channels) whose colours lie
//   more than 0.2 apart in CIE 1976 u'v';
// - a second fails where the pixels that flash more than three times in it
//   cover more than a quarter of some area of 341 x 256 pixels at 96 dots per
//   inch (scaled with the dots per inch).
// A change is counted once its colour has moved that far from where the last
// change left it, so a slow fade or a blend in many small steps is one change.

#include <cstdint>
#include <vector>

namespace tovra::life {

inline constexpr int kMostFlashesASecond = 3;
inline constexpr int kMostFramesASecond = 64;

struct FlashReport {
    // Of the worst second: the most flashes that pixels covering more than a
    // quarter of one area each had in it, general and red.
    int generalFlashes = 0;
    int redFlashes = 0;
    // The largest share of one area covered by pixels that flashed more than
    // three times in one second (of either kind, each counted on its own).
    double share = 0;
    // When the worst second ends, in seconds from the first frame.
    double worstSecondEnds = 0;
    int frames = 0;

    bool Passes() const { return generalFlashes <= kMostFlashesASecond && redFlashes <= kMostFlashesASecond; }
};

class FlashAnalyser {
public:
    // Frames of `width` x `height` pixels, `fps` a second (above 0, at most
    // kMostFramesASecond), on a screen of `dpi` dots per inch.
    FlashAnalyser(int width, int height, double fps, double dpi = 96);

    // The next frame: pixels 0x00RRGGBB, rows `stride` pixels apart.
    void Add(const uint32_t* pixels, int stride);
    const FlashReport& Report() const { return report_; }

    int AreaWidth() const { return areaWidth_; }
    int AreaHeight() const { return areaHeight_; }

private:
    struct PixelState {
        float low = 0, high = 0;  // the luminance's extremes since its last change
        int8_t direction = 0;     // of the last change: +1 brighter, -1 darker, 0 none yet
        bool red = false;         // where the last red transition left it
        float u = 0, v = 0;       // ... and its chromaticity
        uint32_t rgb = 0;         // the colour of the last frame
        uint64_t generalChanges = 0, redChanges = 0;  // bit k: a change k frames ago
    };

    static void Step(PixelState& p, uint32_t rgb, bool first);
    // The most flashes that pixels covering more than a quarter of one area
    // had, and the share that pixels with more than three covered.
    void Judge(const std::vector<uint8_t>& flashes, int& most, double& share);
    int64_t MostInOneArea(const std::vector<uint8_t>& flashes, int atLeast);

    int width_, height_;
    double fps_;
    int window_;  // frames whose changes fall within one second
    int areaWidth_, areaHeight_;
    int64_t quarter_;  // a quarter of an area's pixels
    std::vector<PixelState> pixels_;
    std::vector<uint8_t> general_, red_;
    std::vector<int64_t> sums_;
    FlashReport report_;
};

}  // namespace tovra::life

namespace tovra::life {

// How long pixels keep one lit colour (any but the background) from frame to
// frame: the longest run of frames in which a pixel showed the same lit
// colour, as the time from the first of them to the last.
struct StillReport {
    double longestSeconds = 0;
    int x = -1, y = -1;  // a pixel that showed it; -1 where none was ever lit
    uint32_t colour = 0;
    int frames = 0;
};

class StillAnalyser {
public:
    StillAnalyser(int width, int height, double fps, uint32_t background);
    void Add(const uint32_t* pixels, int stride);
    const StillReport& Report() const { return report_; }

private:
    int width_, height_;
    double fps_;
    uint32_t background_;
    std::vector<uint32_t> colour_;  // each pixel's colour in the last frame
    std::vector<int> since_;        // the frame its run began at
    StillReport report_;
};

}  // namespace tovra::life
