#pragma once
// The Linux program's command line and X resources, read the way XScreenSaver
// display modules read theirs. Where the picture goes (-root, -window,
// -window-id, $XSCREENSAVER_WINDOW) and the saver settings, which land in
// a settings store as the texts the display reads, so that the same
// reader applies the same defaults on every platform.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsStore.h"

namespace tovra {

inline constexpr char kProgramName[] = "tovra";
inline constexpr char kProgramClass[] = "Tovra";

enum class SaverTarget { Default, Root, OwnWindow, WindowId };

struct SaverOptions {
    SaverTarget target = SaverTarget::Default;
    unsigned long windowId = 0;
    std::string display;            // -display NAME; empty: $DISPLAY
    std::vector<std::string> xrm;   // -xrm "tovra.speed: 100", in order
    bool help = false;
    bool fps = false;               // -fps: the frame rate and load in a corner
    // Settings given on the command line: (resource name, store text).
    std::vector<std::pair<std::string, std::string>> settings;
};

// Reads the arguments after the program's name. Options may be written with
// one dash or two. Returns "" or the message for the first argument that
// cannot be used (an unknown option, a missing or bad value); every bad value
// is named with what is allowed.
std::string ParseSaverOptions(const std::vector<std::string>& args, SaverOptions& options);

// A window number as XScreenSaver passes it: decimal, or hexadecimal after
// "0x", blanks around it ignored. Zero, a number beyond 32 bits and anything
// else give nothing.
std::optional<unsigned long> ParseWindowId(std::string_view text);
// What a window number may be, for messages.
extern const char kWindowIdAllowed[];

// The store text of a setting resource ("color", " blue " -> "3"; "cellSize",
// "AUTO" -> "Auto"); blanks around the value are ignored. Nothing for an
// unknown resource or a value it does not allow.
std::optional<std::string> SettingStoreText(std::string_view resource, std::string_view value);

// Puts the settings into `store` under the application and section the
// display reads: the command line's values first, then for each setting
// not given there the X resource that `resource` finds ("rainbow", ...). A
// resource value that cannot be used gives a warning (returned, one per
// line) and leaves the setting at its default.
std::vector<std::string> PutSaverSettings(const std::vector<std::pair<std::string, std::string>>& given,
                                          const std::function<std::optional<std::string>(const char*)>& resource,
                                          SettingsStore& store);

// The options, for -help and after a usage error.
std::string SaverUsage();

// tovra-wayland's command line: the same settings (there are no resources
// on Wayland), and where its surfaces go.
inline constexpr char kWaylandProgramName[] = "tovra-wayland";

enum class WaylandLayer { Background, Bottom, Top, Overlay };  // the layer shell's numbers
// Neither -layer nor -fullscreen: the background layer where the compositor
// offers layer surfaces, else a full-screen window.
enum class WaylandSurfaceKind { Default, Layer, Fullscreen };

struct WaylandOptions {
    WaylandSurfaceKind surface = WaylandSurfaceKind::Default;
    std::optional<WaylandLayer> layer;  // -layer; none: the background
    std::string output;                 // -output NAME; empty: every output
    bool exitOnInput = false;           // -exit-on-input
    bool help = false;
    std::vector<std::pair<std::string, std::string>> settings;  // as in SaverOptions
};

// As ParseSaverOptions, for tovra-wayland; -layer and -fullscreen together
// are refused.
std::string ParseWaylandOptions(const std::vector<std::string>& args, WaylandOptions& options);
std::string WaylandUsage();

}  // namespace tovra
