#include "display/GenerationTimer.h"

namespace tovra {

void GenerationTimer::SetInterval(int32_t milliseconds) {
    interval_ = milliseconds;
    Apply();
}

void GenerationTimer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Apply();
}

void GenerationTimer::Apply() {
    if (enabled_ && interval_ > 0) driver_.StartTimer(static_cast<uint32_t>(interval_));
    else driver_.StopTimer();
}

}  // namespace tovra
