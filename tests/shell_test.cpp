// Start-up (the command line's switch and window number, each start mode's steps), the registry
// read behind the password switch, and the Linux program's options and resources.
#include <gtest/gtest.h>

#include <filesystem>

#include <map>
#include <stdexcept>

#include "settings/SaverSettings.h"
#include "shell/Startup.h"
#include "settings/RegistryValue.h"
#include "shell/SaverOptions.h"

namespace tovra {
namespace {

TEST(CommandLine, TheSecondCharacterChoosesTheModeTheFinalDigitsTheWindow) {
    const std::pair<const char*, RunMode> modes[] = {
        {"", RunMode::Configure}, {"s", RunMode::Configure}, {"   ", RunMode::Configure}, {"/c:1234", RunMode::Configure},
        {"   -S   ", RunMode::Saver}, {"xs", RunMode::Saver}, {"/p5678", RunMode::Preview}, {"/L 5678", RunMode::Preview},
        {"/a 1234", RunMode::ChangePassword}, {"/x", RunMode::None}, {"\t/s", RunMode::None}};
    for (auto [line, mode] : modes) EXPECT_EQ(ParseRunMode(line), mode) << '"' << line << '"';
    const struct { const char* line; int32_t handle; HandleProblem problem; } windows[] = {
        {"/p:1234", 1234, HandleProblem::None}, {"/P 12x34   ", 34, HandleProblem::None}, {"/p 1907", 1907, HandleProblem::None},
        {"5", 5, HandleProblem::None}, {"/p 2147483647", 2147483647, HandleProblem::None}, {"/p", 0, HandleProblem::NoNumber},
        {"/p 12a", 0, HandleProblem::NoNumber}, {"/p 2147483648", 0, HandleProblem::TooLarge},
        {"/p 99999999999999999999", 0, HandleProblem::TooLarge}};
    for (const auto& r : windows)
        EXPECT_TRUE(HostWindowFromCommandLine(r.line).handle == r.handle && HostWindowFromCommandLine(r.line).problem == r.problem) << r.line;
}

// Records every platform and window call as one line of text.
struct RecordingShell : ShellPlatform, DisplayWindow {
    std::vector<std::string> calls;
    WindowHandle runningSaver = 0;
    int monitors = 2;
    const bool* preview = nullptr;

    void Log(const std::string& s) { calls.push_back(s); }
    static std::string N(int64_t n) { return " " + std::to_string(n); }
    WindowHandle FindWindowByTitle(const std::string& title) override { return Log("FindWindow " + title), runningSaver; }
    std::optional<PixelRect> VirtualScreen() override {
        return monitors == 0 ? std::nullopt : std::optional<PixelRect>({-1280, -200, 3200, 1280});
    }
    void GetClientRect(WindowHandle window, HostRect& r) override {  // host 404 has gone: the rectangle stays as it was
        Log("GetClientRect" + N(window)), r = window == 404 ? r : HostRect{0, 0, 152, 112};
    }
    void MakeTopmost(WindowHandle w) override { Log("MakeTopmost" + N(w)); }
    void EmbedInHost(WindowHandle w, WindowHandle host) override { Log("EmbedInHost" + N(w) + N(host)); }
    void ShowInHost(WindowHandle w, int width, int height) override { Log("ShowInHost" + N(w) + N(width) + N(height)); }
    void PwdChangePassword(const std::string& provider, WindowHandle parent) override { Log("PwdChangePassword " + provider + N(parent)); }
    DisplayWindow& LoadDisplayWindow() override { return Log("LoadDisplayWindow preview" + N(*preview)), *this; }
    void ShowConfigDialog() override { Log("ShowConfigDialog"); }
    void ReportStartError(const std::string& message) override { Log("ReportStartError " + message); }
    void SetCaption(const std::string& caption) override { Log("Caption " + caption); }
    void Show() override { Log("Show"); }
    WindowHandle handle() override { return 77; }
    void PlaceOnScreen(const PixelRect& r) override { Log("PlaceOnScreen" + N(r.left) + N(r.top) + N(r.width) + N(r.height)); }
};

TEST(Startup, EachModesSteps) {
    const std::string running = "Running Screen Saver";
    const struct { const char* line; WindowHandle runningSaver; int monitors; std::vector<std::string> calls; } rows[] = {
        {" /s ", 0, 2, {"LoadDisplayWindow preview 0", "Caption " + running, "Show", "PlaceOnScreen -1280 -200 3200 1280",
                        "MakeTopmost 77"}},
        {"/S", 0, 0, {"LoadDisplayWindow preview 0", "Caption " + running, "Show", "MakeTopmost 77"}},
        {"/p:5678", 0, 2, {"GetClientRect 5678", "LoadDisplayWindow preview 1", "Caption Preview Screen Saver",
                           "EmbedInHost 77 5678", "ShowInHost 77 152 112"}},
        {"/p 404", 0, 2, {"GetClientRect 404", "LoadDisplayWindow preview 1", "Caption Preview Screen Saver", "EmbedInHost 77 404",
                          "ShowInHost 77 0 0"}},
        {"", 0, 2, {"ShowConfigDialog"}},
        {"/a 1234", 0, 2, {"PwdChangePassword SCRSAVE 1234"}},
        {"/x", 0, 2, {}},
        // A missing or oversized window number is reported before any window exists.
        {" /p ", 0, 2, {"ReportStartError The command line \"/p\" names no window. Expected the switch followed by a "
                       "window number, for example /p 1234."}},
        {"/a 2147483648", 0, 2, {"ReportStartError The window number on the command line \"/a 2147483648\" is too "
                                 "large. Expected a window number from 0 to 2,147,483,647."}},
        // Nothing starts while a full-screen run is on the screen.
        {"/p 1234", 4242, 2, {}},
    };
    for (const auto& r : rows) {
        Startup mod;
        mod.preview = std::string(r.line).find('p') == std::string::npos;  // each mode sets its own
        RecordingShell shell;
        shell.preview = &mod.preview, shell.runningSaver = r.runningSaver, shell.monitors = r.monitors;
        mod.Run(shell, r.line);
        std::vector<std::string> expected = {"FindWindow " + running};
        expected.insert(expected.end(), r.calls.begin(), r.calls.end());
        EXPECT_EQ(shell.calls, expected) << '"' << r.line << '"';
    }
}

using Bytes = std::vector<unsigned char>;

TEST(RegistryValue, EveryKindOfQueriedValueAndThePasswordSwitch) {
    const uint32_t kSz = 1, kBinary = 3, kDword = 4;
    const struct { long status; uint32_t type; Bytes data; std::string text; bool usePassword; } rows[] = {
        {2, kSz, {'1', 0}, "Not Found", false}, {1, kSz, {'1', 0}, "Not Found", false}, {0, kDword, {0, 0, 0, 0}, "000", false},
        {0, kDword, {1, 0, 0, 0}, "001", true}, {0, kDword, {0xD2, 4, 0, 0}, "1234", true}, {0, kDword, {0, 1}, "256", true},
        {0, kDword, {99}, "099", true}, {0, kDword, {1, 2, 3, 4, 5}, "67305985", true}, {0, kDword, Bytes(4, 0xFF), "4294967295", true},
        {0, kSz, {'0', 0}, "0", false}, {0, kSz, {0}, "", false}, {0, kSz, {}, "Not Found", false},
        {0, kBinary, {1, 2, 3}, "\x01\x02", false}, {0, 5, {'7', 0}, "7", true},
        {0, kSz, Bytes(2048, '5'), std::string(2047, '5'), true}, {0, kSz, Bytes(2049, '5'), "Not Found", false},
    };
    for (const auto& r : rows) {
        const std::string text = RegistryValueText(r.status, r.type, r.data.data(), static_cast<uint32_t>(r.data.size()));
        EXPECT_EQ(text, r.text) << "type " << r.type << ", " << r.data.size() << " bytes";
        EXPECT_EQ(UsePasswordFromRegistryText(text), r.usePassword) << text;
    }
}

// Key 77 holds "1"; the fake notes the buffer it was handed and the keys
// closed, and throws from the query when asked to.
struct FakeRegistry : RegistryCalls {
    bool keyExists, throws;
    std::string closed;
    Bytes buffer;
    FakeRegistry(bool exists, bool t) : keyExists(exists), throws(t) {}
    long OpenKey(Key, const std::string&, Key& key) override { return keyExists ? (key = 77, 0) : 2; }
    long QueryValue(Key key, const std::string&, uint32_t& type, unsigned char* data, uint32_t& count) override {
        buffer.assign(data, data + count);
        if (throws) throw std::runtime_error("query failed");
        return key != 77 ? 6 : (type = 1, data[0] = '1', data[1] = 0, count = 2, 0);
    }
    long CloseKey(Key key) override { return closed += std::to_string(key), 0; }
};

TEST(RegistryValue, QueriesIntoSpacesAndClosesWhatItOpened) {
    for (auto [exists, throws, text] : {std::tuple{true, false, "1"}, {false, false, "Not Found"}, {true, true, "Not Found"}}) {
        FakeRegistry registry(exists, throws);
        EXPECT_EQ(ReadRegistryText(registry, 9, "Control Panel\\Desktop", "V"), text);
        EXPECT_TRUE(registry.buffer == Bytes(2048, ' ') && registry.closed == (exists ? "77" : "")) << text;
    }
}

TEST(SaverOptions, SettingsFromOptionsThenResourcesThroughTheDisplayReader) {
    const std::string missing = std::filesystem::temp_directory_path().string() + "/tovra-no-such-folder";
    const struct {
        std::vector<std::string> args;
        std::map<std::string, std::string> resources;
        std::optional<SaverSettings> want;  // none: refused
        std::string error;  // a part of the message, or the one warning
    } cases[] = {
        {{}, {}, SaverSettings{false, 0, true, 300, 2000}, ""},
        {{"-rainbow", "-color", "Purple", "--mode", "island", "-speed", "0", "-reseed", "32767", "-display", ":1",
          "-xrm", "tovra.speed: 7", "-window"}, {}, SaverSettings{true, 4, false, 0, 32767}, ""},
        {{"-no-rainbow", "-speed", "300", "--h"}, {{"rainbow", "on"}, {"speed", "7"}, {"color", "green"}}, SaverSettings{false, 2, true, 300, 2000}, ""},
        {{"-speed", "5", "-speed", "6"}, {{"mode", "Island "}, {"reseed", "\t1  "}, {"color", "pink"}}, SaverSettings{false, 0, false, 6, 1},
         "tovra: resource tovra.color: \"pink\" is not allowed; use red, yellow, green, blue or purple (using the default)"},
        {{"-fps", "-color", " blue "}, {{"speed", "100  "}, {"reseed", "2 000"}}, SaverSettings{false, 3, true, 100, 2000},
         "tovra: resource tovra.reseed: \"2 000\" is not allowed; use a whole number of generations from 1 to 32767 (using the default)"},
        {{"-speed", "301"}, {}, {}, "tovra: -speed: \"301\" is not allowed; use a whole number of milliseconds from 0"},
        {{"-reseed", "0"}, {}, {}, "from 1 to 32767"},
        {{"-cell-size", "-10"}, {}, {}, "tovra: -cell-size: \"-10\" is not allowed; use a whole number of pixels from 10 to 40, or auto"},
        {{"-speed"}, {}, {}, "tovra: -speed needs a value: a whole number"},
        {{"-window-id", "0x"}, {}, {}, "decimal or 0x hexadecimal"},
        {{"-fast"}, {}, {}, "unknown option \"-fast\""},
        {{"-root", "stray"}, {}, {}, "unknown argument \"stray\""},
        {{"-"}, {}, {}, "unknown argument \"-\""},
        {{"-palette", " ocean ", "-age-colors", "-fade", "16", "-smooth", "-cell-shape", "DOT", "-no-smooth"}, {{"palette", "Paper"}},
         SaverSettings{.Palette = 5, .AgeColors = true, .Fade = 16, .Shape = CellShape::Dot}, ""},
        {{"-no-age-colors"}, {{"ageColors", "yes"}, {"palette", "paper"}, {"fade", " 64"}, {"smooth", "on"}, {"cellShape", "Rounded"}},
         SaverSettings{.Palette = 2, .Fade = 64, .Smooth = true, .Shape = CellShape::Rounded}, ""},
        {{}, {{"fade", "65"}}, SaverSettings{},
         "tovra: resource tovra.fade: \"65\" is not allowed; use a whole number of generations from 0 (no fading) to 64 (using the default)"},
        {{"-palette", "pink"}, {}, {}, "tovra: -palette: \"pink\" is not allowed; use Classic, Mono, Paper, Colorblind, Ember, "
                                       "Ocean, Aurora, Neon, Forest or Sunset (in any case)"},
        {{"-fade", "-1"}, {}, {}, "tovra: -fade: \"-1\" is not allowed; use a whole number of generations from 0 (no fading) to 64"},
        {{"-age-colors", "true"}, {}, {}, "unknown argument \"true\""}, {{"-no-fade", "3"}, {}, {}, "unknown option \"-no-fade\""},
        {{"-cellShape", "dot"}, {}, {}, "unknown option \"-cellShape\""}, {{"-cell-shape", "round"}, {}, {}, "use square, rounded or dot"},
        {{"-seeding", "mixed", "--patterns", missing}, {}, {},
         "tovra: --patterns: \"" + missing + "\" is not allowed; use a folder of .rle and .cells pattern files"},
    };
    for (const auto& c : cases) {
        SaverOptions options;
        const std::string error = ParseSaverOptions(c.args, options);
        EXPECT_TRUE(error.empty() == c.want.has_value() && (error.empty() || error.find(c.error) != std::string::npos)) << error;
        if (!error.empty() || !c.want) continue;
        MemorySettingsStore store;
        const auto warnings = PutSaverSettings(options.settings, [&](const char* name) -> std::optional<std::string> {
            const auto it = c.resources.find(name);
            return it == c.resources.end() ? std::nullopt : std::optional<std::string>(it->second);
        }, store);
        EXPECT_TRUE(ReadDisplaySettings(store) == *c.want) << c.args.size();
        EXPECT_EQ(warnings, c.error.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.error});
        EXPECT_EQ(options.help, c.args.size() == 4 && c.args[3] == "--h");
        EXPECT_EQ(options.fps, c.args.size() == 3 && c.args[0] == "-fps");
        EXPECT_EQ(options.xrm, std::vector<std::string>(c.args.size() > 10, "tovra.speed: 7"));
    }
}

TEST(SaverOptions, ValuesEachSettingTakesAndWindowTargets) {
    const std::string dir = std::filesystem::temp_directory_path().string();
    const std::tuple<const char*, std::string, std::optional<std::string>> values[] = {
        {"rainbow", "true", "True"}, {"rainbow", "On", "True"}, {"rainbow", "YES", "True"}, {"rainbow", "1", "True"},
        {"rainbow", "false", "False"}, {"rainbow", "off", "False"}, {"rainbow", "No", "False"}, {"rainbow", "0", "False"},
        {"rainbow", "2", {}}, {"color", "RED", "0"}, {"color", "PURPLE", "4"}, {"color", "4", {}}, {"mode", "TORUS", "True"},
        {"mode", "ISLAND", "False"}, {"speed", "300", "300"}, {"speed", "-1", {}}, {"speed", "1.5", {}}, {"speed", "", {}},
        {"reseed", "1", "1"}, {"reseed", "32768", {}}, {"reseed", "9x", {}}, {"delay", "5", {}},
        {"cellSize", "10", "10"}, {"cellSize", "40", "40"}, {"cellSize", "AUTO", "Auto"}, {"cellSize", "9", {}},
        {"cellSize", "41", {}}, {"cellSize", "+20", {}}, {"cellSize", "20.0", {}}, {"cellSize", "autos", {}},
        {"seeding", "random", "0"}, {"seeding", "PATTERNS", "1"}, {"seeding", "Mixed", "2"}, {"seeding", "2", {}},
        {"patterns", dir, dir}, {"patterns", "", ""}, {"patterns", dir + "/tovra-no-such-folder", {}},
        {"palette", " SUNSET ", "Sunset"}, {"palette", "Mono2", {}}, {"palette", "", {}}, {"ageColors", "2", {}}, {"smooth", "no", "False"},
        {"fade", "0", "0"}, {"fade", "+3", {}}, {"fade", "1.5", {}}, {"cellShape", "circle", {}}, {"cell-shape", "dot", {}}};
    for (const auto& [resource, value, text] : values) EXPECT_EQ(SettingStoreText(resource, value), text) << resource << " " << value;
    const std::pair<const char*, unsigned long> ids[] = {{"4194311", 4194311}, {"0x400007", 0x400007}, {"0X2A", 42},
        {"0x7", 7}, {"1", 1}, {"0", 0}, {"0x0", 0}, {"12z", 0}, {"-5", 0}, {"x12", 0}, {"", 0}, {"0x", 0}, {"00x5", 0},
        {" 0xffffffff ", 0xffffffff}, {"4294967296", 0}, {"0x10000050d", 0}, {"0xffffffffffffffff", 0}, {"0x1 2", 0}};
    for (auto [text, id] : ids)  // 0: refused
        EXPECT_EQ(ParseWindowId(text), id != 0 ? std::optional<unsigned long>(id) : std::nullopt) << text;
    SaverOptions options;
    EXPECT_EQ(ParseSaverOptions({"-root", "--window-id", "0x2a", "-display", ":3"}, options), "");
    EXPECT_TRUE(options.target == SaverTarget::WindowId && options.windowId == 42ul && options.display == ":3");
}

}  // namespace
}  // namespace tovra
