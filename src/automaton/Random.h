#pragma once
// The program's one pseudo-random stream and the integer draw built on it.

#include <cstdint>

namespace tovra {

class RandomStream {
public:
    virtual ~RandomStream() = default;
    // Re-seed from a number (the seeding passes the time of day).
    virtual void Randomize(float seed) = 0;
    // Next number r with 0 <= r < 1.
    virtual float Rnd() = 0;
};

// The stream the program runs on: SplitMix64, each number the top 24 bits
// of the next output as a fraction. Randomize mixes the seed into the current state rather
// than replacing it, so two seedings at the same clock reading still differ.
class RuntimeRandom final : public RandomStream {
public:
    explicit RuntimeRandom(uint64_t state = 0x5DEECE66DULL) : state_(state) {}
    void Randomize(float seed) override;
    float Rnd() override;

private:
    uint64_t state_;
};

// Uniform integer in lo..hi, both included (lo <= hi): the largest integer
// not above n * r + lo, with n = hi - lo + 1 and r the next number.
int RandomInt(RandomStream& random, int lo, int hi);

}  // namespace tovra
