#include "shell/WaylandStart.h"

#include <algorithm>

namespace tovra {

namespace {

std::string Message(const std::string& text) { return std::string(kWaylandProgramName) + ": " + text; }

}  // namespace

bool OutputWanted(const WaylandOptions& options, const std::string& name) {
    return options.output.empty() || options.output == name;
}

WaylandStart PlanWaylandStart(const WaylandOptions& options, const CompositorOffer& offer) {
    WaylandStart start;
    if (!offer.compositor || !offer.shm) {
        start.status = 1;
        start.message = Message(std::string("the compositor offers no ") +
                                (!offer.compositor ? "wl_compositor of version 4 or later" : "shared-memory buffers (wl_shm)") +
                                ", which tovra-wayland draws with");
        return start;
    }
    switch (options.surface) {
        case WaylandSurfaceKind::Layer:
            if (!offer.layerShell) {
                start.status = 2;
                start.message = Message("-layer: the compositor offers no layer surfaces (wlr-layer-shell); use -fullscreen");
                return start;
            }
            start.layer = true;
            break;
        case WaylandSurfaceKind::Fullscreen:
            if (!offer.xdgShell) {
                start.status = 2;
                start.message = Message("-fullscreen: the compositor offers no windows (xdg-shell); use -layer");
                return start;
            }
            break;
        case WaylandSurfaceKind::Default:
            start.layer = offer.layerShell;
            if (!offer.layerShell && !offer.xdgShell) {
                start.status = 1;
                start.message = Message("the compositor offers neither layer surfaces (wlr-layer-shell) nor windows (xdg-shell)");
                return start;
            }
            break;
    }
    start.layerKind = options.layer.value_or(WaylandLayer::Background);
    if (!options.output.empty() &&
        std::find(offer.outputs.begin(), offer.outputs.end(), options.output) == offer.outputs.end()) {
        std::string names;
        for (const std::string& name : offer.outputs) names += (names.empty() ? "" : ", ") + name;
        start.status = 2;
        start.message = Message("-output: \"" + options.output + "\" is not allowed; use " +
                                (offer.outputs.empty() ? std::string("an output's name (the compositor has none now)")
                                                       : "one of the outputs: " + names));
    }
    return start;
}

std::string NoWaylandDisplayMessage(const char* waylandDisplay, const char* runtimeDir) {
    const std::string name = waylandDisplay != nullptr && *waylandDisplay != '\0' ? waylandDisplay : "wayland-0";
    if (runtimeDir == nullptr || *runtimeDir == '\0')
        return Message("cannot connect to the Wayland display \"" + name +
                       "\": XDG_RUNTIME_DIR is not set; run it in a Wayland session");
    return Message("cannot connect to the Wayland display \"" + name + "\" in " + runtimeDir +
                   "; run it in a Wayland session, or set WAYLAND_DISPLAY");
}

}  // namespace tovra
