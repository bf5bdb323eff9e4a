#pragma once
// The clock as the program reads it: the local time of day in seconds since
// midnight, as a 32-bit float. It starts again at 0 at midnight.

namespace tovra {

class TimeOfDay {
public:
    virtual ~TimeOfDay() = default;
    virtual float SecondsSinceMidnight() = 0;
};

}  // namespace tovra
