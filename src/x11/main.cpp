// tovra: the Linux program, an XScreenSaver display module. It draws into the
// window the daemon hands over ($XSCREENSAVER_WINDOW, or -window-id), on the
// root window (-root) or in a window of its own (-window).

#include <string>
#include <vector>

#include "automaton/Random.h"
#include "x11/SaverProgram.h"

int main(int argc, char** argv) {
    tovra::RuntimeRandom random;
    return tovra::RunSaverProgram(std::vector<std::string>(argv + 1, argv + argc), random);
}
