#pragma once
// How tovra-wayland starts on what the compositor offers: layer surfaces or
// full-screen windows, on which outputs, or the one-line refusal and exit
// status (1: the display cannot be used; 2: an option cannot be used here,
// as for the X11 program's options).

#include <string>
#include <vector>

#include "shell/SaverOptions.h"

namespace tovra {

// The globals the compositor announced, and its outputs' names in order.
struct CompositorOffer {
    bool compositor = false;  // wl_compositor, version 4 or later
    bool shm = false;         // wl_shm
    bool layerShell = false;  // zwlr_layer_shell_v1
    bool xdgShell = false;    // xdg_wm_base
    std::vector<std::string> outputs;
};

struct WaylandStart {
    int status = 0;       // 0: start; else exit with it after the message
    std::string message;  // "tovra-wayland: ..." when it does not start
    bool layer = false;   // layer surfaces, else full-screen windows
    WaylandLayer layerKind = WaylandLayer::Background;
};
WaylandStart PlanWaylandStart(const WaylandOptions& options, const CompositorOffer& offer);

// Whether an output of this name gets a surface: every output, or the one -output names.
bool OutputWanted(const WaylandOptions& options, const std::string& name);

// The message when there is no Wayland display to connect to.
std::string NoWaylandDisplayMessage(const char* waylandDisplay, const char* runtimeDir);

}  // namespace tovra
