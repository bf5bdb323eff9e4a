#include "display/FormTimer.h"

namespace tovra {

void FormTimer::SetInterval(int32_t milliseconds) {
    interval_ = milliseconds;
    Apply();
}

void FormTimer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Apply();
}

void FormTimer::Apply() {
    if (enabled_ && interval_ > 0) driver_.StartTimer(static_cast<uint32_t>(interval_));
    else driver_.StopTimer();
}

}  // namespace tovra
