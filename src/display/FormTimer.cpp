#include "display/FormTimer.h"

namespace tovra {

void FormTimer::SetInterval(int32_t milliseconds) {
    interval_ = milliseconds < 0 ? 0 : milliseconds;
    Apply();
}

void FormTimer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Apply();
}

void FormTimer::Apply() {
    if (enabled_ && interval_ > 0) {
        driver_.StartTimer(static_cast<uint32_t>(interval_));
        running_ = true;
    } else if (running_) {
        driver_.StopTimer();
        running_ = false;
    }
}

}  // namespace tovra
