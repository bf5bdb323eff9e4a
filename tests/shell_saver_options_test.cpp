// The Linux program's options and resources, as the display form reads them.
#include <gtest/gtest.h>

#include <map>

#include "settings/SaverSettings.h"
#include "shell/SaverOptions.h"

namespace tovra {
namespace {

struct Case {
    std::vector<std::string> args;
    std::map<std::string, std::string> resources;
    SaverSettings want;
    std::string error;  // a part of the message; "" = accepted
};

TEST(SaverOptions, SettingsFromOptionsThenResourcesThroughTheDisplayReader) {
    const Case cases[] = {
        {{}, {}, {false, 0, true, 300, 2000}, ""},
        {{"-rainbow", "-color", "Purple", "--mode", "island", "-speed", "0", "-reseed", "32767"}, {},
         {true, 4, false, 0, 32767}, ""},
        {{"-no-rainbow", "-speed", "300"}, {{"rainbow", "on"}, {"speed", "7"}, {"color", "green"}},
         {false, 2, true, 300, 2000}, ""},
        {{}, {{"mode", "Island"}, {"reseed", "1"}, {"color", "pink"}}, {false, 0, false, 300, 1}, ""},
        {{"-speed", "301"}, {}, {}, "-speed: \"301\" is not allowed; use a whole number of milliseconds from 0"},
        {{"-reseed", "0"}, {}, {}, "from 1 to 32767"},
        {{"-color", "pink"}, {}, {}, "red, yellow, green, blue or purple"},
        {{"-mode", "flat"}, {}, {}, "torus or island"},
        {{"-speed"}, {}, {}, "-speed needs a value"},
        {{"-window-id", "0x"}, {}, {}, "decimal or 0x hexadecimal"},
        {{"-fast"}, {}, {}, "unknown option \"-fast\""},
        {{"-root", "stray"}, {}, {}, "unknown argument \"stray\""},
    };
    for (const Case& c : cases) {
        SaverOptions options;
        const std::string error = ParseSaverOptions(c.args, options);
        if (!c.error.empty()) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
            continue;
        }
        EXPECT_EQ(error, "");
        MemorySettingsStore store;
        const auto warnings = PutSaverSettings(
            options,
            [&](const char* name) -> std::optional<std::string> {
                const auto it = c.resources.find(name);
                return it == c.resources.end() ? std::nullopt : std::optional<std::string>(it->second);
            },
            store);
        EXPECT_EQ(ReadDisplaySettings(store), c.want) << c.args.size();
        EXPECT_EQ(warnings.size(), c.resources.count("color") && c.resources.at("color") == "pink" ? 1u : 0u);
    }
}

TEST(SaverOptions, ValuesEachSettingTakes) {
    struct V { const char* resource; const char* value; std::optional<std::string> text; };
    const V values[] = {
        {"rainbow", "true", "True"}, {"rainbow", "On", "True"}, {"rainbow", "YES", "True"}, {"rainbow", "1", "True"},
        {"rainbow", "false", "False"}, {"rainbow", "off", "False"}, {"rainbow", "No", "False"},
        {"rainbow", "0", "False"}, {"rainbow", "2", {}}, {"rainbow", "", {}},
        {"color", "RED", "0"}, {"color", "yellow", "1"}, {"color", "Green", "2"}, {"color", "blue", "3"},
        {"color", "purple", "4"}, {"color", "4", {}}, {"mode", "TORUS", "True"}, {"mode", "ISLAND", "False"},
        {"speed", "0", "0"}, {"speed", "300", "300"}, {"speed", "-1", {}}, {"speed", "301", {}}, {"speed", "1.5", {}},
        {"reseed", "1", "1"}, {"reseed", "32767", "32767"}, {"reseed", "0", {}}, {"reseed", "32768", {}},
        {"reseed", "9x", {}}, {"delay", "5", {}},
    };
    for (const V& v : values) EXPECT_EQ(SettingStoreText(v.resource, v.value), v.text) << v.resource << " " << v.value;
}

TEST(SaverOptions, WindowTargets) {
    EXPECT_EQ(ParseWindowId("4194311"), 4194311ul);
    EXPECT_EQ(ParseWindowId("0x400007"), 0x400007ul);
    EXPECT_EQ(ParseWindowId("0X2A"), 42ul);
    EXPECT_EQ(ParseWindowId("0x7"), 7ul);
    for (const char* bad : {"0", "0x0", "12z", "-5", "x12", ""}) EXPECT_EQ(ParseWindowId(bad), std::nullopt) << bad;
    SaverOptions options;
    EXPECT_EQ(ParseSaverOptions({"-root", "--window-id", "0x2a"}, options), "");
    EXPECT_EQ(options.target, SaverTarget::WindowId);
    EXPECT_EQ(options.windowId, 42ul);
}

}  // namespace
}  // namespace tovra
