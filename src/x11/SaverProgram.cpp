#include "x11/SaverProgram.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "display/x11/X11DisplayWindow.h"
#include "settings/SaverSettings.h"
#include "settings/SettingsStore.h"
#include "shell/SaverOptions.h"

#ifndef TOVRA_DATA_DIR
#define TOVRA_DATA_DIR "/usr/share/tovra"
#endif

namespace {

constexpr unsigned kOwnWindowWidth = 800;
constexpr unsigned kOwnWindowHeight = 600;

Window CreateOwnWindow(Display* display) {
    const int screen = DefaultScreen(display);
    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, kOwnWindowWidth,
                                        kOwnWindowHeight, 0, BlackPixel(display, screen), BlackPixel(display, screen));
    XStoreName(display, window, "Tovra");
    XClassHint hint{const_cast<char*>(tovra::kProgramName), const_cast<char*>(tovra::kProgramClass)};
    XSetClassHint(display, window, &hint);
    XMapWindow(display, window);
    return window;
}

}  // namespace

namespace tovra {

int RunSaverProgram(const std::vector<std::string>& args, RandomStream& random) {
    SaverOptions options;
    const std::string error = ParseSaverOptions(args, options);
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n%s", error.c_str(), SaverUsage().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(SaverUsage().c_str(), stdout);
        return 0;
    }

    // The daemon names its window in the environment.
    std::optional<unsigned long> handedOver;
    if (const char* env = std::getenv("XSCREENSAVER_WINDOW"); env != nullptr && *env != '\0') {
        handedOver = ParseWindowId(env);
        if (!handedOver) {
            std::fprintf(stderr, "tovra: XSCREENSAVER_WINDOW: \"%s\" is not allowed; use %s\n", env, kWindowIdAllowed);
            return 2;
        }
    }

    Display* display = XOpenDisplay(options.display.empty() ? nullptr : options.display.c_str());
    if (display == nullptr) {
        std::fprintf(stderr, "tovra: cannot open display \"%s\"\n", XDisplayName(options.display.c_str()));
        return 1;
    }

    // Resources: the server's (xrdb), then -xrm lines, which win.
    XrmInitialize();
    const char* serverResources = XResourceManagerString(display);
    XrmDatabase database = XrmGetStringDatabase(serverResources != nullptr ? serverResources : "");
    for (const std::string& line : options.xrm) XrmPutLineResource(&database, line.c_str());
    const auto resource = [&](const char* name) -> std::optional<std::string> {
        std::string className = name;
        className[0] = static_cast<char>(className[0] - 'a' + 'A');
        char* type = nullptr;
        XrmValue value{};
        if (!XrmGetResource(database, (std::string(kProgramName) + "." + name).c_str(),
                            (std::string(kProgramClass) + "." + className).c_str(), &type, &value) ||
            value.addr == nullptr)
            return std::nullopt;
        return std::string(value.addr);
    };
    MemorySettingsStore store;
    for (const std::string& warning : PutSaverSettings(options.settings, resource, store))
        std::fprintf(stderr, "%s\n", warning.c_str());
    // The scaling the desktop sets for every monitor, where it sets one.
    double xftDpi = 0;
    char* type = nullptr;
    XrmValue value{};
    if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr)
        xftDpi = std::max(std::strtod(value.addr, nullptr), 0.0);
    XrmDestroyDatabase(database);

    Window window = 0;
    bool own = false;
    switch (options.target) {
        case SaverTarget::WindowId: window = options.windowId; break;
        case SaverTarget::OwnWindow: own = true; break;
        case SaverTarget::Root: window = handedOver ? *handedOver : DefaultRootWindow(display); break;
        case SaverTarget::Default:
            if (handedOver) window = *handedOver;
            else own = true;
            break;
    }
    if (own) window = CreateOwnWindow(display);

    int status = 0;
    {
        X11DisplayWindow saver(display, window, own, CellBitmapFolder(TOVRA_DATA_DIR), store, random);
        saver.xftDpi = xftDpi;
        saver.showFps = options.fps;
        saver.bitmapPlaces = "beside the program in " + ProgramFileFolder() + " and in " TOVRA_DATA_DIR;
        // Used by the performance script: a run of a fixed number of ticks.
        if (const char* limit = std::getenv("TOVRA_EXIT_AFTER_TICKS")) saver.tickLimit = std::atol(limit);
        status = saver.Run();
    }
    if (own) XDestroyWindow(display, window);
    XCloseDisplay(display);
    return status;
}

}  // namespace tovra
