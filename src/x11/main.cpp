// tovra: the Linux program, an XScreenSaver display module. It draws into the
// window the daemon hands over ($XSCREENSAVER_WINDOW, or -window-id), on the
// root window (-root) or in a window of its own (-window).

#include <string>
#include <vector>

#include "automaton/Random.h"
#include "display/linux/LinuxRun.h"
#include "x11/SaverProgram.h"

int main(int argc, char** argv) {
    tovra::RuntimeRandom random;
    const int status = tovra::RunSaverProgram(std::vector<std::string>(argv + 1, argv + argc), random);
    // Ended by SIGTERM or SIGINT: cleaned up, the program now ends by that
    // signal, which is how the daemon knows that it ended as asked.
    tovra::RaiseStopSignal();
    return status;
}
