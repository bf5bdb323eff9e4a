// The stored settings as the display window reads them.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "settings/SaverSettings.h"

namespace tovra {

// How a failing expectation shows the record.
void PrintTo(const SaverSettings& s, std::ostream* os) {
    *os << "{" << s.Rainbow << ", " << s.Color << ", " << s.Torus << ", " << s.Speed << ", " << s.Delay << "}";
}

namespace {

using Call = MemorySettingsStore::Call;

TEST(ReadDisplaySettings, AnEmptyStoreGivesTheDefaultsReadInOrder) {
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

// Each row stores one text over a full set of usable values: an unusable
// text gives that setting its default and leaves the others as stored.
TEST(ReadDisplaySettings, EachStoredValueOrItsDefault) {
    const SaverSettings stored{true, 3, false, 150, 500};
    const struct {
        const char* key;
        const char* text;
        SaverSettings expected;
    } rows[] = {
        {"Rainbow", "-1", stored},                        {"Rainbow", "maybe", {false, 3, false, 150, 500}},
        {"Color", "0", {true, 0, false, 150, 500}},       {"Color", "4.5", {true, 4, false, 150, 500}},
        {"Color", "5", {true, 0, false, 150, 500}},       {"Color", "-1", {true, 0, false, 150, 500}},
        {"Torus", "", {true, 3, true, 150, 500}},         {"Torus", "1", {true, 3, true, 150, 500}},
        {"Speed", "0", {true, 3, false, 0, 500}},         {"Speed", "65535", {true, 3, false, 65535, 500}},
        {"Speed", "-1", {true, 3, false, 300, 500}},      {"Speed", "65536", {true, 3, false, 300, 500}},
        {"Speed", "fast", {true, 3, false, 300, 500}},    {"Delay", "-32768", {true, 3, false, 150, -32768}},
        {"Delay", "32767.5", {true, 3, false, 150, 2000}}, {"Delay", "abc40000", {true, 3, false, 150, 2000}},
    };
    const char* keys[] = {"Rainbow", "Color", "Torus", "Speed", "Delay"};
    const char* texts[] = {"True", "3", "False", "150", "500"};
    for (const auto& r : rows) {
        MemorySettingsStore store;
        for (int i = 0; i < 5; ++i) store.Put(kApplicationTitle, kSettingsSection, keys[i], texts[i]);
        store.Put(kApplicationTitle, kSettingsSection, r.key, r.text);
        EXPECT_EQ(ReadDisplaySettings(store), r.expected) << r.key << " = \"" << r.text << '"';
        EXPECT_TRUE(store.Saves().empty()) << "nothing is written back";
    }
}

}  // namespace
}  // namespace tovra
