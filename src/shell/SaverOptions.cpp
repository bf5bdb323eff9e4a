#include "shell/SaverOptions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <functional>
#include <system_error>

#include "settings/Conversions.h"
#include "settings/SaverSettings.h"
#include "settings/SettingsTable.h"

namespace tovra {

namespace {

// The rows of the settings table that the Linux programs take.
template <typename Match>
const SettingRow* FindRow(Match match) {
    for (const SettingRow& row : SettingsTable())
        if (row.resource != nullptr && match(row)) return &row;
    return nullptr;
}

const SettingRow* FindSetting(std::string_view resource) {
    return FindRow([&](const SettingRow& row) { return resource == row.resource; });
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

std::optional<std::string> StoreText(const SettingRow& setting, std::string_view value) {
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
    const SettingRow* s = FindSetting(resource);
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
// options, then the settings (a switch as -NAME and -no-NAME), -help and -h.
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
        const bool no = name.starts_with("no-");
        if (const SettingRow* s = FindRow([&](const SettingRow& row) {
                return row.isSwitch && (no ? name.substr(3) : name) == row.OptionName();
            })) {
            settings.emplace_back(s->resource, no ? "False" : "True");
            continue;
        }
        const ProgramOption* option = nullptr;
        for (const ProgramOption& o : own)
            if (name == o.name) option = &o;
        if (option != nullptr && option->set) {
            option->set();
            continue;
        }
        const SettingRow* setting =
            option == nullptr ? FindRow([&](const SettingRow& row) { return !row.isSwitch && name == row.OptionName(); })
                              : nullptr;
        if (option == nullptr && setting == nullptr) return prefix + "unknown option " + Quoted(given);
        const char* allowed = setting != nullptr ? setting->allowed : option->allowed;
        if (i + 1 == args.size()) return prefix + given + " needs a value: " + allowed;
        const std::string& value = args[++i];
        const auto bad = [&] { return prefix + given + ": " + Quoted(value) + " is not allowed; use " + allowed; };
        if (setting != nullptr) {
            const std::optional<std::string> text = StoreText(*setting, value);
            if (!text) return bad();
            settings.emplace_back(setting->resource, *text);
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
             const std::string v = LowerCase(Trimmed(value));
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
    for (const SettingRow& s : SettingsTable()) {
        if (s.resource == nullptr) continue;
        std::optional<std::string> text;
        for (const auto& [name, value] : given)
            if (name == s.resource) text = value;  // the last one given counts
        if (!text) {
            const std::optional<std::string> value = resource(s.resource);
            if (!value) continue;
            text = StoreText(s, *value);
            if (!text) {
                warnings.push_back(std::string(kProgramName) + ": resource " + kProgramName + "." + s.resource + ": " +
                                   Quoted(*value) + " is not allowed; use " + s.allowed + " (using the default)");
                continue;
            }
        }
        store.SaveSetting(kApplicationTitle, kSettingsSection, s.key, *text);
    }
    return warnings;
}

namespace {

// A usage text: `first` (the program and its own options, lines after the
// first indented by 13 columns), then each setting of the table, lines
// filled up to 100 columns.
std::string Usage(const std::string& first) {
    const std::string indent(13, ' ');
    std::string text = first;
    std::size_t used = first.size() - (first.rfind('\n') == std::string::npos ? 0 : first.rfind('\n') + 1);
    for (const SettingRow& row : SettingsTable()) {
        if (row.resource == nullptr) continue;
        const std::string name = std::string("-") + row.OptionName();
        const std::string item =
            row.isSwitch ? "[" + name + " | -no-" + row.OptionName() + "]" : "[" + name + " " + row.usage + "]";
        if (used + 1 + item.size() > 100) {
            text += "\n" + indent + item;
            used = indent.size() + item.size();
        } else {
            text += " " + item;
            used += 1 + item.size();
        }
    }
    return text + "\n";
}

}  // namespace

std::string SaverUsage() {
    return Usage("usage: tovra [-root | -window | -window-id ID] [-display NAME] [-xrm RESOURCE] [-fps]");
}

std::string WaylandUsage() {
    return Usage("usage: tovra-wayland [-layer background|bottom|top|overlay | -fullscreen] [-output NAME]\n"
                 "             [-exit-on-input]");
}

}  // namespace tovra
