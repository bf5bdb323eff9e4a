// The configuration dialog's behaviour on a fake form and the in-memory
// store: what it shows at load, what it writes and in which order, the speed
// mapping and the delay check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/ConfigDialog.h"
#include "settings/Conversions.h"
#include "settings/SettingsStore.h"

namespace tovra {
namespace {

using Call = MemorySettingsStore::Call;

const std::string kApp = "SCRNSAVE:Tovra Screensaver";

// The controls as plain values. Setting a property never raises an event,
// as with the real window; unloading raises Form_QueryUnload.
class FakeConfigForm : public ConfigFormRuntime {
public:
    int rainbow = 0;
    int16_t colorIndex = 0;
    bool colorEnabled = true;
    bool mode[2] = {true, false};
    int32_t speed = 0;
    std::string delay;
    int selStart = -1, selLength = -1;
    std::string copyright;
    float top = 1935, left = 2340;
    std::vector<std::string> messages;  // "title: text"
    int unloads = 0;
    ConfigForm* form = nullptr;

    int RainbowValue() override { return rainbow; }
    void SetRainbowValue(int value) override { rainbow = value; }
    int16_t ColorListIndex() override { return colorIndex; }
    void SetColorListIndex(int16_t index) override { colorIndex = index; }
    void SetColorEnabled(bool enabled) override { colorEnabled = enabled; }
    bool ModeValue(int index) override { return mode[index]; }
    void SetModeValue(int index, bool value) override {
        mode[index] = value;
        if (value) mode[1 - index] = false;
    }
    int32_t SpeedValue() override { return speed; }
    void SetSpeedValue(int32_t value) override { speed = value; }
    std::string DelayText() override { return delay; }
    void SetDelayText(const std::string& text) override { delay = text; }
    void SelectDelayText(int start, int length) override {
        selStart = start;
        selLength = length;
    }
    void SetCopyrightCaption(const std::string& caption) override { copyright = caption; }
    float Top() override { return top; }
    void SetTop(float twips) override { top = twips; }
    float Left() override { return left; }
    void SetLeft(float twips) override { left = twips; }
    void CentreIfOnNoMonitor() override {}
    void ShowStopMessage(const std::string& text, const std::string& title) override {
        messages.push_back(title + ": " + text);
    }
    void UnloadForm() override {
        ++unloads;
        form->Form_QueryUnload();
    }
};

struct Dialog {
    MemorySettingsStore store;
    FakeConfigForm controls;
    ConfigForm form{controls, store};
    Dialog() { controls.form = &form; }

    void Put(const char* section, const char* key, const std::string& text) { store.Put(kApp, section, key, text); }
    void PutSetting(const char* key, const std::string& text) { Put("Settings", key, text); }
    void Load() {
        form.Form_Load();
        store.calls.clear();
    }
    std::vector<std::string> SaveTexts() const {
        std::vector<std::string> out;
        for (const Call& c : store.Saves()) out.push_back(c.section + "/" + c.key + "=" + c.text);
        return out;
    }
};

TEST(ConfigSpeedMapping, EverySliderPositionWritesThreeTimesTheRestAndReadsBack) {
    for (int32_t p = kSpeedSliderMin; p <= kSpeedSliderMax; ++p) {
        const std::string text = DoubleText(SpeedForSliderPosition(p));
        EXPECT_EQ(text, std::to_string(3 * (100 - p))) << "position " << p;
        EXPECT_EQ(SliderPositionForSpeedText(text), p) << "speed " << text;
    }
}

TEST(ConfigSpeedMapping, StoredSpeedsAroundTheEdgesAndUnusableOnes) {
    const struct {
        const char* stored;
        int32_t position;
    } cases[] = {
        {"300", 0},   {"301", 0},    {"299", 0},     {"298", 1},     {"297", 1},      {"201", 33},
        {"6", 98},    {"5", 98},     {"4", 99},      {"3", 99},      {"1", 99},
        // Positions beyond the slider's ends show the nearest end.
        {"0", 99},    {"-0.5", 99},  {"450", 0},     {"65535", 0},
        // Fractions round half to even before the mapping.
        {"4.5", 99},  {"7.5", 97},   {"200.5", 33},
        // Where the display window runs at the default speed, so does the slider.
        {"-3", 0},    {"-32768", 0}, {"65536", 0},   {"abc", 0},     {"", 0},        {"1e10", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(SliderPositionForSpeedText(c.stored), c.position) << c.stored;
    EXPECT_EQ(SliderPositionForSpeed(0), 100);
    EXPECT_EQ(SliderPositionForSpeed(-32768), 11023);
}

TEST(ConfigDelayCheck, RefusesALeadingNumberAbove32767) {
    const struct {
        const char* text;
        bool accepted;
    } cases[] = {
        {"32767", true},     {"32767.5", false}, {"32768", false},  {"40000", false}, {"40000abc", false},
        {"abc40000", true},  {"1e5", false},     {"3.2767e4", true}, {"40 000", false}, {"\t4\n0000", false},
        {"-40000", true},    {"", true},         {"12.5", true},    {" 32767 ", true}, {"1e999", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Dialog d;
        d.Load();
        d.controls.delay = c.text;
        bool cancel = false;
        d.form.txtDelay_Validate(cancel);
        EXPECT_EQ(cancel, !c.accepted);
        EXPECT_EQ(DelayTextAccepted(c.text), c.accepted);
        if (c.accepted) {
            EXPECT_TRUE(d.controls.messages.empty());
            EXPECT_EQ(d.controls.selStart, -1);
        } else {
            EXPECT_EQ(d.controls.messages,
                      std::vector<std::string>{"Error: Invalid delay time, can't be above 32,767."});
            EXPECT_EQ(d.controls.selStart, 0);
            EXPECT_EQ(d.controls.selLength, static_cast<int>(std::string(c.text).size()));
        }
        EXPECT_EQ(d.controls.delay, c.text);
        EXPECT_TRUE(d.store.calls.empty());
        EXPECT_EQ(d.controls.unloads, 0);
    }
}

TEST(ConfigFormLoad, EmptyStoreShowsTheDefaultsReadingSevenKeysInOrder) {
    Dialog d;
    d.form.Form_Load();
    EXPECT_EQ(d.controls.rainbow, 0);
    EXPECT_EQ(d.controls.colorIndex, 0);
    EXPECT_TRUE(d.controls.colorEnabled);
    EXPECT_TRUE(d.controls.mode[0]);
    EXPECT_FALSE(d.controls.mode[1]);
    EXPECT_EQ(d.controls.speed, 0);
    EXPECT_EQ(d.controls.delay, "2000");
    EXPECT_EQ(d.controls.top, 1935);
    EXPECT_EQ(d.controls.left, 2340);
    EXPECT_EQ(d.controls.copyright, "\xC2\xA9 2026 The Tovra developers");
    const std::vector<Call> expected = {
        {Call::kGet, kApp, "Settings", "Rainbow", "False"}, {Call::kGet, kApp, "Settings", "Color", "0"},
        {Call::kGet, kApp, "Settings", "Torus", "True"},    {Call::kGet, kApp, "Settings", "Speed", "300"},
        {Call::kGet, kApp, "Settings", "Delay", "2000"},    {Call::kGet, kApp, "Window", "Top", "1935"},
        {Call::kGet, kApp, "Window", "Left", "2340"},
    };
    EXPECT_EQ(d.store.calls, expected);
}

TEST(ConfigFormLoad, StoredValuesFillTheControls) {
    Dialog d;
    d.PutSetting("Rainbow", "True");
    d.PutSetting("Color", "4");
    d.PutSetting("Torus", "false");
    d.PutSetting("Speed", "201");
    d.PutSetting("Delay", "12.5");
    // Applied as stored (the window itself moves a position on no monitor).
    d.Put("Window", "Top", "-45000");
    d.Put("Window", "Left", "123456.5");
    d.Load();
    EXPECT_EQ(d.controls.rainbow, 1);
    EXPECT_FALSE(d.controls.colorEnabled);
    EXPECT_EQ(d.controls.colorIndex, 4);
    EXPECT_FALSE(d.controls.mode[0]);
    EXPECT_TRUE(d.controls.mode[1]);
    EXPECT_EQ(d.controls.speed, 33);
    EXPECT_EQ(d.controls.delay, "12.5");
    EXPECT_EQ(d.controls.top, -45000.0f);
    EXPECT_EQ(d.controls.left, 123456.5f);
    EXPECT_TRUE(d.store.calls.empty());
}

TEST(ConfigFormLoad, BooleansAndColoursInEveryAcceptedForm) {
    const struct {
        const char* rainbow;
        const char* torus;
        const char* color;
        int rainbowValue;
        bool torusSelected;
        int16_t colorIndex;
    } cases[] = {
        {"true", "0", "-1", 1, false, -1}, {"FALSE", "1", "0", 0, true, 0}, {"-1", "False", "3.5", 1, false, 4},
        {"0", "tRuE", "2", 0, true, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.rainbow) + " " + c.torus + " " + c.color);
        Dialog d;
        d.PutSetting("Rainbow", c.rainbow);
        d.PutSetting("Torus", c.torus);
        d.PutSetting("Color", c.color);
        d.Load();
        EXPECT_EQ(d.controls.rainbow, c.rainbowValue);
        EXPECT_EQ(d.controls.colorEnabled, c.rainbowValue == 0);
        EXPECT_EQ(d.controls.mode[0], c.torusSelected);
        EXPECT_EQ(d.controls.mode[1], !c.torusSelected);
        EXPECT_EQ(d.controls.colorIndex, c.colorIndex);
    }
}

TEST(ConfigFormLoad, UnusableStoredValuesShowTheDefaultAndWriteNothing) {
    const struct {
        const char* section;
        const char* key;
        const char* stored;
    } cases[] = {
        {"Settings", "Rainbow", "maybe"}, {"Settings", "Rainbow", ""},     {"Settings", "Color", "5"},
        {"Settings", "Color", "-2"},      {"Settings", "Color", "70000"},  {"Settings", "Color", "red"},
        {"Settings", "Torus", "yes"},     {"Settings", "Speed", "fast"},   {"Settings", "Speed", "99999"},
        {"Window", "Top", "high"},        {"Window", "Left", "1e99"},      {"Window", "Left", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.stored);
        Dialog d;
        d.Put(c.section, c.key, c.stored);
        d.form.Form_Load();
        EXPECT_EQ(d.controls.rainbow, 0);
        EXPECT_TRUE(d.controls.colorEnabled);
        EXPECT_EQ(d.controls.colorIndex, 0);
        EXPECT_TRUE(d.controls.mode[0]);
        EXPECT_EQ(d.controls.speed, 0);
        EXPECT_EQ(d.controls.delay, "2000");
        EXPECT_EQ(d.controls.top, 1935);
        EXPECT_EQ(d.controls.left, 2340);
        // Every key is still read, and nothing is repaired.
        EXPECT_EQ(d.store.calls.size(), 7u);
        EXPECT_TRUE(d.store.Saves().empty());
        EXPECT_EQ(d.store.Find(kApp, c.section, c.key), c.stored);
    }
}

TEST(ConfigFormOK, UnchangedEmptyStoreWritesTheDefaultsInOrderThenThePosition) {
    Dialog d;
    d.Load();
    d.form.cmdOK_Click();
    const std::vector<std::string> expected = {
        "Settings/Rainbow=False", "Settings/Color=0",   "Settings/Torus=True", "Settings/Speed=300",
        "Settings/Delay=2000",    "Window/Top=1935",    "Window/Left=2340",
    };
    EXPECT_EQ(d.SaveTexts(), expected);
    EXPECT_EQ(d.controls.unloads, 1);
    for (const Call& c : d.store.calls) EXPECT_EQ(c.application, kApp);
}

TEST(ConfigFormOK, WritesWhatTheControlsHoldAsTyped) {
    Dialog d;
    d.Load();
    d.controls.rainbow = 1;
    d.controls.colorIndex = 3;
    d.controls.mode[0] = false;
    d.controls.mode[1] = true;
    d.controls.speed = 99;
    d.controls.delay = "abc40000";
    d.controls.top = -1234.5f;
    d.controls.left = 98765.25f;
    d.form.cmdOK_Click();
    const std::vector<std::string> expected = {
        "Settings/Rainbow=True", "Settings/Color=3",     "Settings/Torus=False", "Settings/Speed=3",
        "Settings/Delay=abc40000", "Window/Top=-1234.5", "Window/Left=98765.25",
    };
    EXPECT_EQ(d.SaveTexts(), expected);
}

TEST(ConfigFormOK, ColourWithoutSelectionAndUnusableSpeedAreWrittenAsShown) {
    Dialog d;
    d.PutSetting("Color", "-1");
    d.PutSetting("Speed", "0");
    d.Load();
    d.form.cmdOK_Click();
    EXPECT_EQ(d.store.Find(kApp, "Settings", "Color"), "-1");
    EXPECT_EQ(d.store.Find(kApp, "Settings", "Speed"), "3");
}

TEST(ConfigFormCancel, WritesOnlyThePosition) {
    Dialog d;
    d.PutSetting("Speed", "150");
    d.Load();
    d.controls.rainbow = 1;
    d.controls.speed = 0;
    d.controls.top = 15;
    d.form.cmdCancel_Click();
    EXPECT_EQ(d.SaveTexts(), (std::vector<std::string>{"Window/Top=15", "Window/Left=2340"}));
    EXPECT_EQ(d.controls.unloads, 1);
    EXPECT_EQ(d.store.Find(kApp, "Settings", "Speed"), "150");
}

TEST(ConfigFormRainbow, TickingDisablesTheColourListWhichKeepsItsSelection) {
    Dialog d;
    d.Load();
    d.controls.colorIndex = 2;
    for (int value : {1, 0, 1}) {
        d.controls.rainbow = value;
        d.form.chkRainbow_Click();
        EXPECT_EQ(d.controls.colorEnabled, value == 0);
        EXPECT_EQ(d.controls.colorIndex, 2);
    }
    d.form.cmdOK_Click();
    EXPECT_EQ(d.store.Find(kApp, "Settings", "Color"), "2");
}

}  // namespace
}  // namespace tovra
