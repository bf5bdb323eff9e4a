#include "wayland/WaylandProgram.h"

#include <cstdio>
#include <cstdlib>

#include "display/linux/LinuxRun.h"
#include "display/wayland/WaylandClient.h"
#include "settings/SettingsStore.h"
#include "shell/SaverOptions.h"
#include "shell/WaylandStart.h"

#ifndef TOVRA_DATA_DIR
#define TOVRA_DATA_DIR "/usr/share/tovra"
#endif

namespace tovra {

int RunWaylandProgram(const std::vector<std::string>& args, RandomStream& random) {
    WaylandOptions options;
    const std::string error = ParseWaylandOptions(args, options);
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n%s", error.c_str(), WaylandUsage().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(WaylandUsage().c_str(), stdout);
        return 0;
    }
    MemorySettingsStore store;
    PutSaverSettings(options.settings, [](const char*) { return std::nullopt; }, store);

    WaylandClient client(store, random, CellBitmapFolder(TOVRA_DATA_DIR));
    if (!client.Connect()) {
        std::fprintf(stderr, "%s\n",
                     NoWaylandDisplayMessage(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_RUNTIME_DIR")).c_str());
        return 1;
    }
    const WaylandStart start = PlanWaylandStart(
        options, {client.HasCompositor(), client.HasShm(), client.HasLayerShell(), client.HasXdgShell(), client.OutputNames()});
    if (start.status != 0) {
        std::fprintf(stderr, "%s\n", start.message.c_str());
        return start.status;
    }
    // Used by the performance script: a run of a fixed number of ticks.
    if (const char* limit = std::getenv("TOVRA_EXIT_AFTER_TICKS")) client.tickLimit = std::atol(limit);
    return client.Run({start.layer, static_cast<int>(start.layerKind), options.output, options.exitOnInput});
}

}  // namespace tovra
