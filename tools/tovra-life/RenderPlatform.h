#pragma once
// The display platform of tovra-life --render: the saver's window as a
// picture in memory, on a clock that moves only as the render moves it.

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "display/SaverDisplay.h"
#include "display/linux/LinuxRun.h"

namespace tovra::life {

inline constexpr int64_t kMicrosPerDay = 86400LL * 1000000;

// The display's window as a picture in memory: a client area of the frame's
// size, the cell bitmaps from the data folder, and a clock and timers that
// run only as far as the render moves them.
class RenderPlatform final : public FileSpritePlatform {
public:
    RenderPlatform(std::string folder, int width, int height, float startSeconds)
        : FileSpritePlatform(std::move(folder), "tovra-life"), width_(width), height_(height),
          shown_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)), startUs_(std::llround(static_cast<double>(startSeconds) * 1e6)) {}

    // The start's time of day and the simulated time since, past midnight
    // starting again at 0.
    float SecondsSinceMidnight() override;
    double ClientWidth() override { return width_; }
    double ClientHeight() override { return height_; }
    // No monitor known: cells of the Cell size setting's own pixels.
    std::vector<MonitorArea> Monitors() override { return {}; }
    FrameMemory AllocateFrame(int, int) override { return {}; }
    // What the window shows: the parts of the frame handed on.
    void PresentFrame(const CellFrame& frame, const std::vector<FrameRect>& parts) override;
    const std::vector<uint32_t>& Shown() const { return shown_; }
    void UnloadWindow() override {}

    // A timer restarts its period when it is started; one of 0 would tick
    // without end at one instant, so it runs at 1 ms, the fastest there is.
    void StartTimer(uint32_t ms) override { generations_.Start(nowUs_, ms); }
    void StopTimer() override { generations_.on = false; }
    void StartFrameTimer(uint32_t ms) override { frames_.Start(nowUs_, ms); }
    void StopFrameTimer() override { frames_.on = false; }

    // Every timer tick up to and at `untilUs` (the display's Tick and
    // FrameTick), in the order of their times; at the same instant the frame
    // clock goes first, so that a generation's own picture is the one that
    // moment shows.
    void RunUntil(int64_t untilUs, const std::function<void()>& tick, const std::function<void()>& frameTick);

    int loadedBitmaps() const { return sprites_.loaded(); }

private:
    struct Timer {
        bool on = false;
        int64_t periodUs = 0, dueUs = 0;
        void Start(int64_t nowUs, uint32_t ms);
    };

    int width_, height_;
    std::vector<uint32_t> shown_;
    int64_t startUs_;
    int64_t nowUs_ = 0;
    Timer generations_, frames_;
};

}  // namespace tovra::life
