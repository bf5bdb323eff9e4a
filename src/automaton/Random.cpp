#include "automaton/Random.h"

#include <bit>
#include <cmath>

namespace tovra {

namespace {

uint64_t SplitMix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

}  // namespace

void RuntimeRandom::Randomize(float seed) {
    const uint32_t bits = std::bit_cast<uint32_t>(seed);
    state_ ^= static_cast<uint64_t>(bits) * 0xD6E8FEB86659FD93ULL;
    SplitMix(state_);
}

float RuntimeRandom::Rnd() {
    // 24 bits fill a float's mantissa exactly, so the result is below 1.
    return static_cast<float>(SplitMix(state_) >> 40) * (1.0f / 16777216.0f);
}

int RandomInt(RandomStream& random, int lo, int hi) {
    const float r = random.Rnd();
    const int n = hi - lo + 1;
    return static_cast<int>(std::floor(static_cast<double>(static_cast<float>(n)) * r +
                                       static_cast<double>(static_cast<float>(lo))));
}

}  // namespace tovra
