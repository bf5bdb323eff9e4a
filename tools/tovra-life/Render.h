#pragma once
// tovra-life --render: the saver's display run over a simulated clock, its
// picture written as PNG files, frame-00000.png, frame-00001.png, ...

#include <cmath>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "automaton/CellGrid.h"
#include "settings/SettingsStore.h"

namespace tovra::life {

// The largest render: frames of at most this many pixels each way, and at
// most this many frames.
inline constexpr int kMaxFrameWidth = 7680;
inline constexpr int kMaxFrameHeight = 4320;
inline constexpr long long kMaxFrames = 100000;
// The longest simulated time, in seconds: one day.
inline constexpr double kMaxRenderSeconds = 86400.0;

// When the frames are taken: frame k at k * periodUs microseconds of
// simulated time, for every such time up to and including totalUs.
struct FrameTimes {
    double periodUs = 0;
    int64_t totalUs = 0;
    // How many frames that is (may be far above kMaxFrames); a period that
    // rounds a hair below a whole fraction of the total still reaches it.
    double Count() const {
        const double steps = static_cast<double>(totalUs) / periodUs;
        return std::floor(steps * (1 + 1e-12) + 1e-9) + 1;
    }
    int64_t At(long long frame) const { return std::llround(static_cast<double>(frame) * periodUs); }
};

struct RenderJob {
    std::string folder;  // where the frames go; made when missing
    int columns = 0, rows = 0, cellSize = 10;
    FrameTimes times;
    // The clock's time of day at the start, in seconds since midnight; none:
    // the local time now.
    std::optional<float> startSeconds;
    // The cells the world starts with, which then run without reseeding;
    // none: the saver's own seedings (the store's Seeding and Delay).
    const CellGrid* cells = nullptr;
    // The settings the display reads, as their stored texts.
    MemorySettingsStore* store = nullptr;
};

// Renders the job's frames into its folder, each file written beside its
// name and renamed, so none is ever half written. Returns kExitOk, or
// kExitFailure after one line on `err` (a folder or file that cannot be
// made or written, the cell bitmaps missing).
int RenderFrames(const RenderJob& job, std::ostream& err);

// The frames a render wrote into `folder` (frame-00000.png on, up to the
// first missing), `fps` a second on a screen of `dpi` dots per inch, through
// the flash analyser: its report on `out`, and kExitOk when they pass,
// kExitFlashes when they do not, kExitFailure after one line on `err` when
// the frames cannot be read or differ in size.
inline constexpr int kExitFlashes = 3;
int AnalyseFrames(const std::string& folder, double fps, double dpi, std::ostream& out, std::ostream& err);
// The same frames through the still analyser: how long one pixel held one
// colour other than `background` (0x00RRGGBB); kExitOk or kExitFailure.
int AnalyseStillness(const std::string& folder, double fps, uint32_t background, std::ostream& out, std::ostream& err);

}  // namespace tovra::life
