// The form's timer: ticking only while enabled with an interval above 0.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/FormTimer.h"

namespace tovra {
namespace {

class RecordingDriver : public TimerDriver {
public:
    std::vector<std::string> calls;
    void StartTimer(uint32_t ms) override { calls.push_back("start " + std::to_string(ms)); }
    void StopTimer() override { calls.push_back("stop"); }
};

TEST(FormTimerContract, IntervalZeroRaisesNothing) {
    RecordingDriver driver;
    FormTimer timer(driver);
    EXPECT_EQ(timer.Interval(), 100);
    EXPECT_TRUE(timer.Enabled());
    timer.SetInterval(0);  // never started: nothing to stop
    timer.SetInterval(300);
    timer.SetInterval(0);  // the platform timer would tick at its fastest rate: stopped instead
    EXPECT_FALSE(timer.Ticking());
    timer.SetEnabled(true);
    EXPECT_FALSE(timer.Ticking());
    timer.SetInterval(65535);
    timer.SetEnabled(false);
    timer.SetEnabled(false);  // stopping twice asks the platform once
    timer.SetInterval(-7);
    EXPECT_EQ(timer.Interval(), 0);
    const std::vector<std::string> expected = {"start 300", "stop", "start 65535", "stop"};
    EXPECT_EQ(driver.calls, expected);
}

}  // namespace
}  // namespace tovra
