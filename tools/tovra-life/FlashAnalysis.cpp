#include "tovra-life/FlashAnalysis.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace tovra::life {

namespace {

constexpr float kLeastChange = 0.1f;         // of relative luminance
constexpr float kDarkerBelow = 0.8f;         // the darker state of a general flash
constexpr double kSaturatedRed = 0.8;        // R / (R + G + B), linear
constexpr float kLeastRedShift = 0.2f;       // in u'v'
constexpr double kAreaWidth = 341, kAreaHeight = 256, kAreaDpi = 96;

// sRGB's 8-bit levels, linearised.
const std::array<float, 256>& LinearLevels() {
    static const std::array<float, 256> levels = [] {
        std::array<float, 256> l{};
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            l[i] = static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        return l;
    }();
    return levels;
}

struct Colour {
    float luminance, u, v;
    bool red;
};

Colour ColourOf(uint32_t rgb) {
    const std::array<float, 256>& lin = LinearLevels();
    const double r = lin[rgb >> 16 & 0xFF], g = lin[rgb >> 8 & 0xFF], b = lin[rgb & 0xFF];
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    const double x = 0.4124 * r + 0.3576 * g + 0.1805 * b;
    const double z = 0.0193 * r + 0.1192 * g + 0.9505 * b;
    const double d = x + 15 * y + 3 * z;
    // Black has no chromaticity of its own: it takes the white point's (D65).
    const double u = d > 0 ? 4 * x / d : 0.1978, v = d > 0 ? 9 * y / d : 0.4683;
    const double sum = r + g + b;
    return {static_cast<float>(y), static_cast<float>(u), static_cast<float>(v), sum > 0 && r / sum >= kSaturatedRed};
}

}  // namespace

FlashAnalyser::FlashAnalyser(int width, int height, double fps, double dpi)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), fps_(std::clamp(fps, 1e-6, double{kMostFramesASecond})) {
    // The frames whose changes fall within a second that ends at a frame.
    window_ = std::clamp(static_cast<int>(std::ceil(fps_ - 1e-9)), 1, kMostFramesASecond);
    const double scale = std::max(dpi, 1.0) / kAreaDpi;
    areaWidth_ = std::max(1, static_cast<int>(std::lround(kAreaWidth * scale)));
    areaHeight_ = std::max(1, static_cast<int>(std::lround(kAreaHeight * scale)));
    quarter_ = static_cast<int64_t>(areaWidth_) * areaHeight_ / 4;
    const std::size_t count = static_cast<std::size_t>(width_) * height_;
    pixels_.resize(count);
    general_.resize(count);
    red_.resize(count);
    sums_.resize(static_cast<std::size_t>(width_ + 1) * (height_ + 1));
}

// One pixel's next colour: a change of luminance, of red, or neither.
void FlashAnalyser::Step(PixelState& p, uint32_t rgb, bool first) {
    p.generalChanges <<= 1;
    p.redChanges <<= 1;
    if (!first && rgb == p.rgb) return;  // a colour that stays is no change
    p.rgb = rgb;
    const Colour c = ColourOf(rgb);
    if (first) {
        p.low = p.high = c.luminance;
        p.red = c.red, p.u = c.u, p.v = c.v;
        return;
    }
    // A change is counted against the extreme the last one reached.
    const float l = c.luminance;
    const bool darker = p.direction >= 0 && p.high - l >= kLeastChange && l < kDarkerBelow;
    const bool brighter = !darker && p.direction <= 0 && l - p.low >= kLeastChange && p.low < kDarkerBelow;
    if (darker) p.direction = -1, p.low = l;
    if (brighter) p.direction = 1, p.high = l;
    p.low = std::min(p.low, l);
    p.high = std::max(p.high, l);
    // Between two changes only the extreme in their direction counts.
    if (p.direction > 0) p.low = p.high;
    if (p.direction < 0) p.high = p.low;
    p.generalChanges |= darker || brighter;
    const float du = c.u - p.u, dv = c.v - p.v;
    if ((c.red || p.red) && du * du + dv * dv > kLeastRedShift * kLeastRedShift) {
        p.redChanges |= 1;
        p.red = c.red, p.u = c.u, p.v = c.v;
    }
}

void FlashAnalyser::Add(const uint32_t* frame, int stride) {
    const bool first = report_.frames == 0;
    const uint64_t inWindow = window_ >= 64 ? ~uint64_t{0} : (uint64_t{1} << window_) - 1;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width_ + x;
            PixelState& p = pixels_[i];
            Step(p, frame[static_cast<std::size_t>(y) * stride + x] & 0xFFFFFF, first);
            general_[i] = static_cast<uint8_t>(std::popcount(p.generalChanges & inWindow) / 2);
            red_[i] = static_cast<uint8_t>(std::popcount(p.redChanges & inWindow) / 2);
        }
    ++report_.frames;
    int general = 0, red = 0;
    double generalShare = 0, redShare = 0;
    Judge(general_, general, generalShare);
    Judge(red_, red, redShare);
    const int worst = std::max(general, red);
    const double share = std::max(generalShare, redShare);
    const int before = std::max(report_.generalFlashes, report_.redFlashes);
    if (worst > before || (worst == before && share > report_.share)) {
        report_.generalFlashes = general;
        report_.redFlashes = red;
        report_.share = share;
        report_.worstSecondEnds = (report_.frames - 1) / fps_;
    }
}

// The most pixels of `flashes` at `atLeast` or more that one area covers;
// an area larger than the frame is cut to it.
int64_t FlashAnalyser::MostInOneArea(const std::vector<uint8_t>& flashes, int atLeast) {
    const int w = width_ + 1;
    for (int y = 0; y < height_; ++y) {
        int64_t row = 0;
        for (int x = 0; x < width_; ++x) {
            row += flashes[static_cast<std::size_t>(y) * width_ + x] >= atLeast;
            sums_[static_cast<std::size_t>(y + 1) * w + x + 1] = sums_[static_cast<std::size_t>(y) * w + x + 1] + row;
        }
    }
    const int aw = std::min(areaWidth_, width_), ah = std::min(areaHeight_, height_);
    int64_t most = 0;
    for (int y = 0; y + ah <= height_; ++y)
        for (int x = 0; x + aw <= width_; ++x) {
            const auto at = [&](int cx, int cy) { return sums_[static_cast<std::size_t>(cy) * w + cx]; };
            most = std::max(most, at(x + aw, y + ah) - at(x, y + ah) - at(x + aw, y) + at(x, y));
        }
    return most;
}

void FlashAnalyser::Judge(const std::vector<uint8_t>& flashes, int& most, double& share) {
    std::array<int64_t, 33> atLeast{};  // pixels with at least n flashes
    for (const uint8_t f : flashes) ++atLeast[f];
    for (int n = 31; n >= 0; --n) atLeast[n] += atLeast[n + 1];
    share = 0;
    if (atLeast[kMostFlashesASecond + 1] > 0)
        share = static_cast<double>(MostInOneArea(flashes, kMostFlashesASecond + 1)) /
                (static_cast<double>(areaWidth_) * areaHeight_);
    // The largest n at which one area holds more than a quarter: fewer
    // pixels reach each n above it, so halving the range finds it.
    int lo = 0, hi = 32;
    while (hi > 0 && atLeast[hi] <= quarter_) --hi;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (MostInOneArea(flashes, mid) > quarter_) lo = mid;
        else hi = mid - 1;
    }
    most = lo;
}

}  // namespace tovra::life

namespace tovra::life {

StillAnalyser::StillAnalyser(int width, int height, double fps, uint32_t background)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), fps_(fps > 0 ? fps : 1), background_(background & 0xFFFFFF),
      colour_(static_cast<std::size_t>(width_) * height_), since_(colour_.size(), 0) {}

void StillAnalyser::Add(const uint32_t* frame, int stride) {
    const int k = report_.frames++;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width_ + x;
            const uint32_t c = frame[static_cast<std::size_t>(y) * stride + x] & 0xFFFFFF;
            if (k == 0 || c != colour_[i]) colour_[i] = c, since_[i] = k;
            const double seconds = (k - since_[i]) / fps_;
            if (c != background_ && (report_.x < 0 || seconds > report_.longestSeconds))
                report_.longestSeconds = seconds, report_.x = x, report_.y = y, report_.colour = c;
        }
}

}  // namespace tovra::life
