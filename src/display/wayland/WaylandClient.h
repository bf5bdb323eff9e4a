#pragma once
// tovra-wayland's connection to the compositor: its globals, its outputs
// and, on each output that is wanted, one surface (a layer surface or a
// full-screen window) with a saver display of its own, whose world is sized
// to the output. Frames go through wl_shm buffers, only the changed parts
// copied and damaged; a surface ticks only when the compositor's frame
// callback says that it is shown, so a hidden surface or an output that is
// off computes nothing.

#include <wayland-client.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automaton/Random.h"
#include "settings/SettingsStore.h"

struct zwlr_layer_shell_v1;
struct xdg_wm_base;
struct wp_viewporter;
struct wp_fractional_scale_manager_v1;
struct zxdg_output_manager_v1;

namespace tovra {

class WaylandSurface;
struct WaylandOutput;

// How the surfaces are made, as the program chose.
struct WaylandSurfaces {
    bool layer = true;       // layer surfaces, else full-screen windows
    int layerIndex = 0;      // background, bottom, top, overlay: 0 to 3
    std::string output;      // the one output to draw on; empty: every one
    bool exitOnInput = false;
};

class WaylandClient {
public:
    WaylandClient(SettingsStore& store, RandomStream& random, std::string dataFolder);
    ~WaylandClient();
    WaylandClient(const WaylandClient&) = delete;
    WaylandClient& operator=(const WaylandClient&) = delete;

    // Connects to the compositor (WAYLAND_DISPLAY) and reads its globals and
    // outputs; false when there is no display to connect to.
    bool Connect();
    bool HasCompositor() const { return compositor_ != nullptr; }
    bool HasShm() const { return shm_ != nullptr; }
    bool HasLayerShell() const { return layerShell_ != nullptr; }
    bool HasXdgShell() const { return wmBase_ != nullptr; }
    std::vector<std::string> OutputNames() const;

    // Draws until a stop signal, the input that ends it, the compositor
    // closing a full-screen window, or the compositor going away. Returns the
    // exit status: 0, or 1 when the compositor went away or cannot be used
    // (the message on stderr).
    int Run(const WaylandSurfaces& surfaces);

    // For measurements: end the run after this many ticks of all surfaces (0: never).
    long tickLimit = 0;

    // The compositor's events.
    static void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
    static void GlobalRemove(void* data, wl_registry* registry, uint32_t name);
    static void SeatCapabilities(void* data, wl_seat* seat, uint32_t capabilities);
    // A pointer motion, button or key pressed: with exitOnInput the run ends.
    void InputSeen() { inputSeen_ = true; }

private:
    friend class WaylandSurface;
    friend struct WaylandOutput;

    void AddOutput(uint32_t name, uint32_t version);
    // An output whose description is complete (again): its surface made or re-scaled.
    void OutputReady(WaylandOutput& output);
    void RemoveSurfaceOf(const WaylandOutput& output);
    void Fail(const std::string& message);

    SettingsStore& store_;
    RandomStream& random_;
    std::string dataFolder_;
    WaylandSurfaces config_;
    bool running_ = false;

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    zwlr_layer_shell_v1* layerShell_ = nullptr;
    xdg_wm_base* wmBase_ = nullptr;
    wp_viewporter* viewporter_ = nullptr;
    wp_fractional_scale_manager_v1* fractionalScale_ = nullptr;
    zxdg_output_manager_v1* xdgOutputs_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_pointer* pointer_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    uint32_t seatCapabilities_ = 0;

    std::vector<std::unique_ptr<WaylandOutput>> outputs_;
    std::vector<std::unique_ptr<WaylandSurface>> surfaces_;
    bool inputSeen_ = false;
    bool windowClosed_ = false;
    bool toldOfBitmaps_ = false;  // that none can be used
    std::string failure_;
    long ticks_ = 0;
};

}  // namespace tovra
