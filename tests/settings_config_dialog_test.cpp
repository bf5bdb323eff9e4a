// The configuration dialog on a fake form: what it shows at load, what it
// writes on closing, the speed mapping and the delay check.
#include <gtest/gtest.h>

#include "settings/ConfigDialog.h"
#include "settings/Conversions.h"
#include "settings/SaverSettings.h"

namespace tovra {
namespace {

using Call = MemorySettingsStore::Call;
const std::string kApp = "SCRNSAVE:Tovra Screensaver";

// The controls as plain values. Setting a property never raises an event,
// as with the real window; unloading raises Form_QueryUnload.
struct FakeConfigForm : ConfigFormRuntime {
    int rainbow = 0, unloads = 0, selStart = -1, selLength = -1;
    int16_t colorIndex = 0;
    bool colorEnabled = true, mode[2] = {true, false};
    int32_t speed = 0;
    std::string delay, copyright;
    float top = 1935, left = 2340;
    std::vector<std::string> messages;  // "title: text"
    ConfigForm* form = nullptr;

    int RainbowValue() override { return rainbow; }
    void SetRainbowValue(int value) override { rainbow = value; }
    int16_t ColorListIndex() override { return colorIndex; }
    void SetColorListIndex(int16_t index) override { colorIndex = index; }
    void SetColorEnabled(bool enabled) override { colorEnabled = enabled; }
    bool ModeValue(int index) override { return mode[index]; }
    void SetModeValue(int index, bool value) override { mode[index] = value, mode[1 - index] &= !value; }
    int32_t SpeedValue() override { return speed; }
    void SetSpeedValue(int32_t value) override { speed = value; }
    std::string DelayText() override { return delay; }
    void SetDelayText(const std::string& text) override { delay = text; }
    void SelectDelayText(int start, int length) override { selStart = start, selLength = length; }
    void SetCopyrightCaption(const std::string& caption) override { copyright = caption; }
    float Top() override { return top; }
    void SetTop(float twips) override { top = twips; }
    float Left() override { return left; }
    void SetLeft(float twips) override { left = twips; }
    void CentreIfOnNoMonitor() override {}
    void ShowStopMessage(const std::string& text, const std::string& title) override { messages.push_back(title + ": " + text); }
    void UnloadForm() override { ++unloads, form->Form_QueryUnload(); }
};

struct Dialog {
    MemorySettingsStore store;
    FakeConfigForm controls;
    ConfigForm form{controls, store};
    Dialog() { controls.form = &form; }
    std::vector<std::string> Saves() const {
        std::vector<std::string> out;
        for (const Call& c : store.Saves()) out.push_back(c.application + ":" + c.section + "/" + c.key + "=" + c.text);
        return out;
    }
};

TEST(ConfigSpeedMapping, TheSliderShowsTheSpeedTheDisplayRunsAt) {
    const std::pair<const char*, int32_t> rows[] = {
        {"300", 0}, {"299", 0}, {"298", 1}, {"201", 33}, {"6", 98}, {"5", 98}, {"4", 99}, {"1", 99},
        // Beyond the slider's ends: the nearest end.
        {"0", 99}, {"-0.5", 99}, {"450", 0}, {"65535", 0},
        // Fractions round half to even before the mapping.
        {"4.5", 99}, {"7.5", 97}, {"200.5", 33},
        // Where the display window runs at the default speed, so does the slider.
        {"-3", 0}, {"65536", 0}, {"abc", 0}, {"1e10", 0},
    };
    for (auto [stored, position] : rows) EXPECT_EQ(SliderPositionForSpeedText(stored), position) << stored;
    // Every position writes a speed whose text shows that position again.
    for (int32_t p = kSpeedSliderMin; p <= kSpeedSliderMax; ++p)
        EXPECT_EQ(SliderPositionForSpeedText(DoubleText(SpeedForSliderPosition(p))), p) << p;
}

TEST(ConfigDelayCheck, RefusesALeadingNumberAbove32767) {
    const std::pair<const char*, bool> rows[] = {
        {"32767", true}, {"32767.5", false}, {"32768", false}, {"40000abc", false}, {"abc40000", true}, {"1e5", false},
        {"3.2767e4", true}, {"\t4\n0000", false}, {"-40000", true}, {"", true}, {"1e999", false},
    };
    for (auto [text, accepted] : rows) EXPECT_EQ(DelayTextAccepted(text), accepted) << '"' << text << '"';
}

TEST(ConfigDelayCheck, ARefusalKeepsTheFocusAndUndoesTheInputThatMovedIt) {
    for (bool refused : {true, false}) {
        Dialog d;
        d.store.Put(kApp, "Settings", "Speed", "3");
        d.form.Form_Load();
        d.controls.delay = refused ? "40000" : "32767";
        d.form.txtDelay_FocusLeaving();
        // The click that was moving the focus has already changed its control.
        d.controls.rainbow = 1, d.controls.colorIndex = 3, d.controls.speed = 50;
        d.form.chkRainbow_Click();
        d.controls.SetModeValue(1, true);
        bool cancel = false;
        d.form.txtDelay_Validate(cancel);
        EXPECT_EQ(cancel, refused);
        EXPECT_EQ(d.controls.messages, std::vector<std::string>(refused, "Error: Invalid delay time, can't be above 32,767."));
        EXPECT_EQ(std::pair(d.controls.selStart, d.controls.selLength), refused ? std::pair(0, 5) : std::pair(-1, -1));
        const FakeConfigForm& c = d.controls;
        EXPECT_EQ(std::tuple(c.rainbow, c.colorEnabled, c.colorIndex, c.mode[0], c.mode[1], c.speed),
                  refused ? std::tuple(0, true, int16_t{0}, true, false, 99) : std::tuple(1, false, int16_t{3}, false, true, 50));
        EXPECT_TRUE(d.store.Saves().empty() && c.unloads == 0);
    }
}

TEST(ConfigFormLoad, StoredValuesOrTheirDefaultsFillTheControls) {
    struct Shown { int rainbow; int16_t color; bool torus; int32_t speed; std::string delay; float top, left; };
    const Shown defaults{0, 0, true, 0, "2000", 1935, 2340};
    // Stored: Rainbow, Color, Torus, Speed, Delay, Top, Left; nullptr: absent.
    const struct { std::vector<const char*> stored; Shown shown; } rows[] = {
        {{}, defaults},
        {{"True", "4", "false", "201", "12.5", "-45000", "123456.5"}, {1, 4, false, 33, "12.5", -45000, 123456.5f}},
        {{"-1", "-1", "0"}, {1, -1, false, 0, "2000", 1935, 2340}},
        {{"FALSE", "3.5", "1"}, {0, 4, true, 0, "2000", 1935, 2340}},
        // Unusable: the default is shown and nothing is written back.
        {{"maybe", "5", "yes", "fast", nullptr, "high", "3.5e38"}, defaults},
        {{"", "-2"}, defaults},
        {{nullptr, "70000", nullptr, "99999", nullptr, nullptr, ""}, defaults},
    };
    const std::pair<const char*, const char*> keys[] = {
        {"Settings", "Rainbow"}, {"Settings", "Color"}, {"Settings", "Torus"}, {"Settings", "Speed"},
        {"Settings", "Delay"},   {"Window", "Top"},     {"Window", "Left"},
    };
    for (const auto& r : rows) {
        Dialog d;
        for (std::size_t i = 0; i < r.stored.size(); ++i)
            if (r.stored[i] != nullptr) d.store.Put(kApp, keys[i].first, keys[i].second, r.stored[i]);
        d.form.Form_Load();
        const FakeConfigForm& c = d.controls;
        const Shown& w = r.shown;
        EXPECT_EQ(std::tuple(c.rainbow, c.colorEnabled, c.colorIndex, c.mode[0], c.mode[1], c.speed, c.delay, c.top, c.left),
                  std::tuple(w.rainbow, w.rainbow == 0, w.color, w.torus, !w.torus, w.speed, w.delay, w.top, w.left));
        EXPECT_EQ(c.copyright, "\xC2\xA9 2026 The Tovra developers");
        // Seven reads in order, each with its default (the position: the form's own).
        ASSERT_EQ(d.store.calls.size(), 7u);
        const char* defaultTexts[] = {"False", "0", "True", "300", "2000", "1935", "2340"};
        for (std::size_t i = 0; i < 7; ++i)
            EXPECT_EQ(d.store.calls[i], (Call{Call::kGet, kApp, keys[i].first, keys[i].second, defaultTexts[i]}));
    }
}

TEST(ConfigFormClose, OKWritesTheControlsThenThePositionCancelOnlyThePosition) {
    const struct { bool ok, changed; std::vector<std::string> saves; } rows[] = {
        {true, false, {"Settings/Rainbow=False", "Settings/Color=0", "Settings/Torus=True", "Settings/Speed=300",
                       "Settings/Delay=2000", "Window/Top=1935", "Window/Left=2340"}},
        {true, true, {"Settings/Rainbow=True", "Settings/Color=-1", "Settings/Torus=False", "Settings/Speed=3",
                      "Settings/Delay=abc40000", "Window/Top=-1234.5", "Window/Left=98765.25"}},
        {false, true, {"Window/Top=-1234.5", "Window/Left=98765.25"}},
    };
    for (const auto& r : rows) {
        Dialog d;
        d.form.Form_Load();
        FakeConfigForm& c = d.controls;
        if (r.changed) c.rainbow = 1, c.colorIndex = -1, c.speed = 99, c.delay = "abc40000", c.top = -1234.5f, c.left = 98765.25f;
        if (r.changed) c.SetModeValue(1, true);
        r.ok ? d.form.cmdOK_Click() : d.form.cmdCancel_Click();
        std::vector<std::string> saves;
        for (const std::string& s : r.saves) saves.push_back(kApp + ":" + s);
        EXPECT_EQ(d.Saves(), saves);
        EXPECT_EQ(c.unloads, 1);
    }
}

}  // namespace
}  // namespace tovra
