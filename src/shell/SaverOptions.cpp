#include "shell/SaverOptions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <system_error>

#include "settings/CellSize.h"
#include "settings/SaverSettings.h"

namespace tovra {

namespace {

// One saver setting as a resource and an option.
struct SettingResource {
    const char* name;     // resource and option name
    const char* key;      // store key
    const char* allowed;  // for messages
    std::optional<std::string> (*storeText)(std::string_view value);
    const char* option = nullptr;  // the option's name where it differs from the resource's
};

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::optional<long> WholeNumber(std::string_view s, long lo, long hi) {
    long value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || value < lo || value > hi) return std::nullopt;
    return value;
}

std::optional<std::string> BooleanText(std::string_view value) {
    const std::string v = Lower(value);
    if (v == "true" || v == "on" || v == "yes" || v == "1") return "True";
    if (v == "false" || v == "off" || v == "no" || v == "0") return "False";
    return std::nullopt;
}

std::optional<std::string> ColorText(std::string_view value) {
    static constexpr std::array<const char*, kColorCount> kNames = {"red", "yellow", "green", "blue", "purple"};
    const std::string v = Lower(value);
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (v == kNames[i]) return std::to_string(i);
    return std::nullopt;
}

std::optional<std::string> ModeText(std::string_view value) {
    const std::string v = Lower(value);
    if (v == "torus") return "True";
    if (v == "island") return "False";
    return std::nullopt;
}

std::optional<std::string> SpeedText(std::string_view value) {
    const auto n = WholeNumber(value, 0, 300);
    return n ? std::optional<std::string>(std::to_string(*n)) : std::nullopt;
}

std::optional<std::string> ReseedText(std::string_view value) {
    const auto n = WholeNumber(value, 1, 32767);
    return n ? std::optional<std::string>(std::to_string(*n)) : std::nullopt;
}

std::optional<std::string> SeedingText(std::string_view value) {
    static constexpr std::array<const char*, kSeedingModeCount> kModes = {"random", "patterns", "mixed"};
    const std::string v = Lower(value);
    for (std::size_t i = 0; i < kModes.size(); ++i)
        if (v == kModes[i]) return std::to_string(i);
    return std::nullopt;
}

// A folder that exists, or nothing (no folder: the built-in patterns only).
std::optional<std::string> PatternsText(std::string_view value) {
    std::error_code ec;
    if (value.empty() || std::filesystem::is_directory(std::filesystem::path(value), ec)) return std::string(value);
    return std::nullopt;
}

std::optional<std::string> CellSizeStoreText(std::string_view value) {
    const std::optional<int> size = ParseCellSize(value);
    return size ? std::optional<std::string>(CellSizeText(*size)) : std::nullopt;
}

constexpr std::array<SettingResource, 8> kSettings = {{
    {"rainbow", kRainbowKey, "true or false", BooleanText},
    {"color", kColorKey, "red, yellow, green, blue or purple", ColorText},
    {"mode", kTorusKey, "torus or island", ModeText},
    {"speed", kSpeedKey, "a whole number of milliseconds from 0 (fastest) to 300", SpeedText},
    {"reseed", kDelayKey, "a whole number of generations from 1 to 32767", ReseedText},
    {"seeding", kSeedingKey, "random, patterns or mixed", SeedingText},
    {"patterns", kPatternsKey, "a folder of .rle and .cells pattern files", PatternsText},
    {"cellSize", kCellSizeKey, "a whole number of pixels from 10 to 40, or auto", CellSizeStoreText, "cell-size"},
}};

const SettingResource* FindSetting(std::string_view name) {
    for (const SettingResource& s : kSettings)
        if (name == s.name) return &s;
    return nullptr;
}

const SettingResource* FindOption(std::string_view name) {
    for (const SettingResource& s : kSettings)
        if (name == (s.option != nullptr ? s.option : s.name)) return &s;
    return nullptr;
}

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

// Blanks around a value (common at the end of a hand-written resource line)
// are not part of it.
std::string_view Trimmed(std::string_view s) {
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const std::size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

std::optional<std::string> StoreText(const SettingResource& setting, std::string_view value) {
    return setting.storeText(Trimmed(value));
}

}  // namespace

const char kWindowIdAllowed[] = "a window number from 1 to 0xffffffff, decimal or 0x hexadecimal";

std::optional<unsigned long> ParseWindowId(std::string_view text) {
    text = Trimmed(text);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    // X resource ids are 32 bits on the wire: a larger number would name
    // another window.
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value == 0 || value > 0xFFFFFFFFu)
        return std::nullopt;
    return static_cast<unsigned long>(value);
}

std::optional<std::string> SettingStoreText(std::string_view resource, std::string_view value) {
    const SettingResource* s = FindSetting(resource);
    return s != nullptr ? StoreText(*s, value) : std::nullopt;
}

namespace {

// An option of one program beside the settings: a switch, which `set`
// turns on, or one that takes a value (`allowed`), which `take` stores or
// refuses.
struct ProgramOption {
    const char* name;
    std::function<void()> set;
    const char* allowed = nullptr;
    std::function<bool(const std::string& value)> take = nullptr;
};

// The arguments of a program whose messages begin with `program`: its own
// options, then the settings (and -rainbow, -no-rainbow), -help and -h.
std::string ParseOptions(const char* program, const std::vector<std::string>& args,
                         const std::vector<ProgramOption>& own, bool& help,
                         std::vector<std::pair<std::string, std::string>>& settings) {
    const std::string prefix = std::string(program) + ": ";
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        const std::string given(arg);
        if (arg.size() > 2 && arg.substr(0, 2) == "--") arg.remove_prefix(1);
        if (arg.size() < 2 || arg[0] != '-') return prefix + "unknown argument " + Quoted(given);
        const std::string_view name = arg.substr(1);

        if (name == "help" || name == "h") { help = true; continue; }
        if (name == "rainbow" || name == "no-rainbow") {
            settings.emplace_back("rainbow", name == "rainbow" ? "True" : "False");
            continue;
        }
        const ProgramOption* option = nullptr;
        for (const ProgramOption& o : own)
            if (name == o.name) option = &o;
        if (option != nullptr && option->set) {
            option->set();
            continue;
        }
        const SettingResource* setting = option == nullptr ? FindOption(name) : nullptr;
        if (option == nullptr && setting == nullptr) return prefix + "unknown option " + Quoted(given);
        const char* allowed = setting != nullptr ? setting->allowed : option->allowed;
        if (i + 1 == args.size()) return prefix + given + " needs a value: " + allowed;
        const std::string& value = args[++i];
        const auto bad = [&] { return prefix + given + ": " + Quoted(value) + " is not allowed; use " + allowed; };
        if (setting != nullptr) {
            const std::optional<std::string> text = StoreText(*setting, value);
            if (!text) return bad();
            settings.emplace_back(setting->name, *text);
        } else if (!option->take(value)) {
            return bad();
        }
    }
    return "";
}

}  // namespace

std::string ParseSaverOptions(const std::vector<std::string>& args, SaverOptions& options) {
    const std::vector<ProgramOption> own = {
        {"root", [&] { options.target = SaverTarget::Root; }},
        {"window", [&] { options.target = SaverTarget::OwnWindow; }},
        {"fps", [&] { options.fps = true; }},
        {"window-id", nullptr, kWindowIdAllowed, [&](const std::string& value) {
             const std::optional<unsigned long> id = ParseWindowId(value);
             if (id) options.target = SaverTarget::WindowId, options.windowId = *id;
             return id.has_value();
         }},
        {"display", nullptr, "an X display name such as :0", [&](const std::string& value) { options.display = value; return true; }},
        {"xrm", nullptr, "a resource line such as \"tovra.speed: 100\"",
         [&](const std::string& value) { options.xrm.push_back(value); return true; }},
    };
    return ParseOptions(kProgramName, args, own, options.help, options.settings);
}

std::string ParseWaylandOptions(const std::vector<std::string>& args, WaylandOptions& options) {
    static constexpr std::array<const char*, 4> kLayers = {"background", "bottom", "top", "overlay"};
    bool fullscreen = false;
    const std::vector<ProgramOption> own = {
        {"layer", nullptr, "background, bottom, top or overlay", [&](const std::string& value) {
             const std::string v = Lower(Trimmed(value));
             const auto found = std::find(kLayers.begin(), kLayers.end(), v);
             if (found != kLayers.end()) options.layer = static_cast<WaylandLayer>(found - kLayers.begin());
             return found != kLayers.end();
         }},
        {"fullscreen", [&] { fullscreen = true; }},
        {"output", nullptr, "an output's name, such as DP-1", [&](const std::string& value) {
             options.output = value;
             return !value.empty();
         }},
        {"exit-on-input", [&] { options.exitOnInput = true; }},
    };
    std::string error = ParseOptions(kWaylandProgramName, args, own, options.help, options.settings);
    if (error.empty() && fullscreen && options.layer)
        error = std::string(kWaylandProgramName) + ": -layer and -fullscreen cannot be used together; use one of them";
    if (fullscreen) options.surface = WaylandSurfaceKind::Fullscreen;
    else if (options.layer) options.surface = WaylandSurfaceKind::Layer;
    return error;
}

std::vector<std::string> PutSaverSettings(const std::vector<std::pair<std::string, std::string>>& given,
                                          const std::function<std::optional<std::string>(const char*)>& resource,
                                          SettingsStore& store) {
    std::vector<std::string> warnings;
    for (const SettingResource& s : kSettings) {
        std::optional<std::string> text;
        for (const auto& [name, value] : given)
            if (name == s.name) text = value;  // the last one given counts
        if (!text) {
            const std::optional<std::string> value = resource(s.name);
            if (!value) continue;
            text = StoreText(s, *value);
            if (!text) {
                warnings.push_back(std::string(kProgramName) + ": resource " + kProgramName + "." + s.name + ": " +
                                   Quoted(*value) + " is not allowed; use " + s.allowed + " (using the default)");
                continue;
            }
        }
        store.SaveSetting(kApplicationTitle, kSettingsSection, s.key, *text);
    }
    return warnings;
}

std::string SaverUsage() {
    return "usage: tovra [-root | -window | -window-id ID] [-display NAME] [-xrm RESOURCE] [-fps]\n"
           "             [-rainbow | -no-rainbow] [-color red|yellow|green|blue|purple]\n"
           "             [-mode torus|island] [-speed 0..300] [-reseed 1..32767]\n"
           "             [-seeding random|patterns|mixed] [-patterns DIR] [-cell-size 10..40|auto]\n";
}

std::string WaylandUsage() {
    return "usage: tovra-wayland [-layer background|bottom|top|overlay | -fullscreen] [-output NAME]\n"
           "             [-exit-on-input] [-rainbow | -no-rainbow] [-color red|yellow|green|blue|purple]\n"
           "             [-mode torus|island] [-speed 0..300] [-reseed 1..32767]\n"
           "             [-seeding random|patterns|mixed] [-patterns DIR] [-cell-size 10..40|auto]\n";
}

}  // namespace tovra
