#pragma once
// tovra-wayland's run: the command line read, the compositor connected to,
// what it offers checked against the options, and the saver drawn on its
// outputs. Returns the exit status: 0; 1 when there is no Wayland display or
// the compositor cannot be used or goes away; 2 for an option that cannot be
// used (the message, and for a bad option the usage, on stderr).

#include <string>
#include <vector>

#include "automaton/Random.h"

namespace tovra {

int RunWaylandProgram(const std::vector<std::string>& args, RandomStream& random);

}  // namespace tovra
