// tovra-wayland: the saver as a Wayland client, on layer-shell compositors
// a layer surface on each output (a background, a screen saver in the
// overlay layer), elsewhere a full-screen window on each.

#include <string>
#include <vector>

#include "automaton/Random.h"
#include "display/linux/LinuxRun.h"
#include "wayland/WaylandProgram.h"

int main(int argc, char** argv) {
    tovra::RuntimeRandom random;
    const int status = tovra::RunWaylandProgram(std::vector<std::string>(argv + 1, argv + argc), random);
    // Ended by SIGTERM or SIGINT: cleaned up, the program now ends by that signal.
    tovra::RaiseStopSignal();
    return status;
}
