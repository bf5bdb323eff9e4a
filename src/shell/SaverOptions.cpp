#include "shell/SaverOptions.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <filesystem>
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

std::string ParseSaverOptions(const std::vector<std::string>& args, SaverOptions& options) {
    const std::string prefix = std::string(kProgramName) + ": ";
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        const std::string given(arg);
        if (arg.size() > 2 && arg.substr(0, 2) == "--") arg.remove_prefix(1);
        if (arg.size() < 2 || arg[0] != '-') return prefix + "unknown argument " + Quoted(given);
        const std::string_view name = arg.substr(1);

        // Options without a value.
        if (name == "root") { options.target = SaverTarget::Root; continue; }
        if (name == "window") { options.target = SaverTarget::OwnWindow; continue; }
        if (name == "help" || name == "h") { options.help = true; continue; }
        if (name == "fps") { options.fps = true; continue; }
        if (name == "rainbow" || name == "no-rainbow") {
            options.settings.emplace_back("rainbow", name == "rainbow" ? "True" : "False");
            continue;
        }

        const SettingResource* setting = FindOption(name);
        const bool takesValue = setting != nullptr || name == "window-id" || name == "display" || name == "xrm";
        if (!takesValue) return prefix + "unknown option " + Quoted(given);
        const char* allowed = setting != nullptr ? setting->allowed
                              : name == "window-id" ? kWindowIdAllowed
                              : name == "display"   ? "an X display name such as :0"
                                                    : "a resource line such as \"tovra.speed: 100\"";
        if (i + 1 == args.size()) return prefix + given + " needs a value: " + allowed;
        const std::string& value = args[++i];
        const auto bad = [&] { return prefix + given + ": " + Quoted(value) + " is not allowed; use " + allowed; };

        if (setting != nullptr) {
            const std::optional<std::string> text = StoreText(*setting, value);
            if (!text) return bad();
            options.settings.emplace_back(setting->name, *text);
        } else if (name == "window-id") {
            const std::optional<unsigned long> id = ParseWindowId(value);
            if (!id) return bad();
            options.target = SaverTarget::WindowId;
            options.windowId = *id;
        } else if (name == "display") {
            options.display = value;
        } else {
            options.xrm.push_back(value);
        }
    }
    return "";
}

std::vector<std::string> PutSaverSettings(const SaverOptions& options,
                                          const std::function<std::optional<std::string>(const char*)>& resource,
                                          SettingsStore& store) {
    std::vector<std::string> warnings;
    for (const SettingResource& s : kSettings) {
        std::optional<std::string> text;
        for (const auto& [name, given] : options.settings)
            if (name == s.name) text = given;  // the last one given counts
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
           "             [-seeding random|patterns|mixed] [-patterns DIR]\n";
}

}  // namespace tovra
