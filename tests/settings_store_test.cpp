// The stored settings as the display window reads them, and the in-memory
// store the tests run on.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "settings/Conversions.h"
#include "settings/SaverSettings.h"

namespace tovra {

// How a failing expectation shows the record.
void PrintTo(const SaverSettings& s, std::ostream* os) {
    *os << "{Rainbow " << s.Rainbow << ", Color " << s.Color << ", Torus " << s.Torus << ", Speed " << s.Speed
        << ", Delay " << s.Delay << "}";
}

namespace {

using Call = MemorySettingsStore::Call;

SaverSettings With(void (*change)(SaverSettings&)) {
    SaverSettings s;
    change(s);
    return s;
}

TEST(ReadDisplaySettings, EmptyStoreGivesDefaultsReadInOrderWithoutWriting) {
    MemorySettingsStore store;
    EXPECT_EQ(ReadDisplaySettings(store), (SaverSettings{false, 0, true, 300, 2000}));
    const std::string app = "SCRNSAVE:Tovra Screensaver";
    const std::vector<Call> expected = {
        {Call::kGet, app, "Settings", "Rainbow", "False"}, {Call::kGet, app, "Settings", "Color", "0"},
        {Call::kGet, app, "Settings", "Torus", "True"},    {Call::kGet, app, "Settings", "Speed", "300"},
        {Call::kGet, app, "Settings", "Delay", "2000"},
    };
    EXPECT_EQ(store.calls, expected);
}

TEST(ReadDisplaySettings, DefaultTextsAgreeWithTheRecordsDefaults) {
    const SaverSettings defaults;
    EXPECT_EQ(TextToBoolean(kRainbowDefaultText), defaults.Rainbow);
    EXPECT_EQ(TextToInt32(kColorDefaultText), defaults.Color);
    EXPECT_EQ(TextToBoolean(kTorusDefaultText), defaults.Torus);
    EXPECT_EQ(TextToInt32(kSpeedDefaultText), defaults.Speed);
    EXPECT_EQ(TextToInt16(kDelayDefaultText), defaults.Delay);
}

TEST(ReadDisplaySettings, EachStoredValueOrItsDefault) {
    const struct {
        const char* key;
        const char* text;
        SaverSettings expected;
    } cases[] = {
        // Usable values.
        {"Rainbow", "True", With([](SaverSettings& s) { s.Rainbow = true; })},
        {"Rainbow", "-1", With([](SaverSettings& s) { s.Rainbow = true; })},
        {"Color", "4", With([](SaverSettings& s) { s.Color = 4; })},
        {"Color", "2.5", With([](SaverSettings& s) { s.Color = 2; })},
        {"Color", "4.5", With([](SaverSettings& s) { s.Color = 4; })},
        {"Torus", "false", With([](SaverSettings& s) { s.Torus = false; })},
        {"Torus", "0", With([](SaverSettings& s) { s.Torus = false; })},
        {"Torus", "1", SaverSettings{}},
        {"Speed", "201", With([](SaverSettings& s) { s.Speed = 201; })},
        {"Speed", "0", With([](SaverSettings& s) { s.Speed = 0; })},
        {"Speed", "65535", With([](SaverSettings& s) { s.Speed = 65535; })},
        {"Delay", "12.5", With([](SaverSettings& s) { s.Delay = 12; })},
        {"Delay", "-32768", With([](SaverSettings& s) { s.Delay = -32768; })},
        {"Delay", "32767", With([](SaverSettings& s) { s.Delay = 32767; })},
        // Unusable values: the default.
        {"Rainbow", "maybe", SaverSettings{}},
        {"Torus", "", SaverSettings{}},
        {"Color", "5", SaverSettings{}},
        {"Color", "-1", SaverSettings{}},
        {"Color", "Red", SaverSettings{}},
        {"Color", "4.6", SaverSettings{}},
        {"Speed", "-3", SaverSettings{}},
        {"Speed", "65536", SaverSettings{}},
        {"Speed", "fast", SaverSettings{}},
        {"Speed", "3000000000", SaverSettings{}},
        {"Delay", "40000", SaverSettings{}},
        {"Delay", "-32769", SaverSettings{}},
        {"Delay", "", SaverSettings{}},
        {"Delay", "abc40000", SaverSettings{}},
        {"Delay", "32767.5", SaverSettings{}},
    };
    for (const auto& c : cases) {
        MemorySettingsStore store;
        store.Put(kApplicationTitle, kSettingsSection, c.key, c.text);
        EXPECT_EQ(ReadDisplaySettings(store), c.expected) << c.key << " = \"" << c.text << "\"";
        EXPECT_TRUE(store.Saves().empty()) << c.key;
        EXPECT_EQ(store.Find(kApplicationTitle, kSettingsSection, c.key), c.text) << "left as stored";
    }
}

TEST(ReadDisplaySettings, OneUnusableValueLeavesTheOthersStored) {
    MemorySettingsStore store;
    const char* texts[] = {"True", "9", "False", "150", "500"};
    const char* keys[] = {kRainbowKey, kColorKey, kTorusKey, kSpeedKey, kDelayKey};
    for (int i = 0; i < 5; ++i) store.Put(kApplicationTitle, kSettingsSection, keys[i], texts[i]);
    EXPECT_EQ(ReadDisplaySettings(store), (SaverSettings{true, 0, false, 150, 500}));

    store.Put(kApplicationTitle, kSettingsSection, kColorKey, "3");
    store.Put(kApplicationTitle, kSettingsSection, kDelayKey, "x");
    EXPECT_EQ(ReadDisplaySettings(store), (SaverSettings{true, 3, false, 150, 2000}));
}

TEST(ReadDisplaySettings, ValuesOfAnotherApplicationOrSectionAreNotRead) {
    MemorySettingsStore store;
    store.Put("SCRNSAVE:Other", kSettingsSection, kColorKey, "3");
    store.Put(kApplicationTitle, kWindowSection, kColorKey, "3");
    store.Put("Tovra Screensaver", kSettingsSection, kColorKey, "3");
    EXPECT_EQ(ReadDisplaySettings(store).Color, 0);
}

TEST(MemorySettingsStore, MatchesNamesInAnyCaseAndLogsCallsAsGiven) {
    MemorySettingsStore store;
    store.SaveSetting("App", "Window", "Top", "2340");
    store.SaveSetting("app", "WINDOW", "top", "100");
    store.SaveSetting("App", "Window", "Left", "1935.5");
    EXPECT_EQ(store.GetSetting("APP", "window", "TOP", "0"), "100");
    EXPECT_EQ(store.GetSetting("App", "Window", "Width", "7"), "7");
    EXPECT_EQ(store.Find("App", "Window", "Width"), std::nullopt);
    const std::vector<Call> saves = {
        {Call::kSave, "App", "Window", "Top", "2340"},
        {Call::kSave, "app", "WINDOW", "top", "100"},
        {Call::kSave, "App", "Window", "Left", "1935.5"},
    };
    EXPECT_EQ(store.Saves(), saves);
    EXPECT_EQ(store.calls.size(), 5u);
}

}  // namespace
}  // namespace tovra
