#pragma once
// The timer that paces the generations: while enabled and with an interval
// above 0 it ticks about every interval milliseconds; with an interval of 0 it
// raises nothing (the platform's own timer would tick at its fastest rate).

#include <cstdint>

namespace tovra {

class TimerDriver {
public:
    virtual ~TimerDriver() = default;
    virtual void StartTimer(uint32_t milliseconds) = 0;  // replaces a running timer
    virtual void StopTimer() = 0;
    // The frame clock, apart from the generations' timer: while a change
    // blends, the display asks for a FrameTick about every `milliseconds`
    // and stops it as soon as nothing blends. A platform that has none
    // shows each generation's picture at once.
    virtual void StartFrameTimer(uint32_t milliseconds) { (void)milliseconds; }  // replaces a running one
    virtual void StopFrameTimer() {}
};

class GenerationTimer {
public:
    // Design values: 100 milliseconds, enabled.
    explicit GenerationTimer(TimerDriver& driver) : driver_(driver) {}

    void SetInterval(int32_t milliseconds);
    void SetEnabled(bool enabled);

private:
    void Apply();

    TimerDriver& driver_;
    int32_t interval_ = 100;
    bool enabled_ = true;
};

}  // namespace tovra
