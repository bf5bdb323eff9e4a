// tovra-life --render's window in memory: its timers and clock in simulated time.
#ifdef TOVRA_LIFE_RENDER
#include <gtest/gtest.h>

#include <cmath>
#include <string>

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

}  // namespace
}  // namespace tovra::life
#endif
