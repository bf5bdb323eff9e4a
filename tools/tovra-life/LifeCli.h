#pragma once
// tovra-life: runs the generation step on a pattern or a random soup and
// prints the population of every generation.

#include <iosfwd>
#include <string>
#include <vector>

namespace tovra::life {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;   // a file that cannot be read or written, or no memory
inline constexpr int kExitBadInput = 2;  // bad arguments or a malformed pattern

// Runs the tool on `args` (without the program name). `seedFromClock` gives
// the soup seed when --seed is absent.
int RunLifeCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               unsigned long long (*seedFromClock)());

}  // namespace tovra::life
