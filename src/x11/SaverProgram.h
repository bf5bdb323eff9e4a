#pragma once
// tovra's run: the command line (the arguments after the program's name) and
// the environment ($XSCREENSAVER_WINDOW, $TOVRA_EXIT_AFTER_TICKS) read, the
// display opened, the settings taken from the options and X resources, and
// the saver display run in its window. Returns the exit status: 0; 1 when the display
// or the window cannot be used; 2 for an option or window number that cannot
// be used (the message and the usage on stderr).

#include <string>
#include <vector>

#include "automaton/Random.h"

namespace tovra {

int RunSaverProgram(const std::vector<std::string>& args, RandomStream& random);

}  // namespace tovra
