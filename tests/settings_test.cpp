// The stored settings: the text conversions, the display window's reader, and the configuration
// dialog on a fake platform (what it shows at load, writes on closing, the speed mapping, the delay check).
#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <map>

#include "settings/ConfigDialog.h"
#include "settings/Conversions.h"
#include "settings/SaverSettings.h"
#include "settings/SettingsTable.h"

namespace tovra {
namespace {

constexpr auto kNone = std::nullopt;

template <typename T>
using Row = std::pair<std::string, std::optional<T>>;

// The strict grammar that every typed reader shares: the whole text, blanks
// around it aside, is one number that a double can hold.
TEST(TextToDouble, TheWholeTextIsOneNumber) {
    const Row<double> rows[] = {
        {" \t-1935.5\r\n", -1935.5}, {"+7", 7}, {".5", 0.5}, {"5.", 5}, {"5.E3", 5000}, {"1E+15", 1e15},
        {"2e-3", 0.002}, {"&H1F", 31}, {"&hAf", 175}, {"&o7", 7}, {"&HFFFFFFFF", 4294967295.0}, {"&O10", 8},
        {"1e-400", 0}, {".1e-400", 0}, {"0.0001e400", kNone}, {"1e400", kNone}, {"-1e+400", kNone}, {".01e312", kNone},
        {"1e99999999999999999999", kNone}, {"", kNone}, {" ", kNone}, {".", kNone}, {"-", kNone}, {"1e", kNone},
        {"1.5e+", kNone}, {"12abc", kNone}, {"1 0", kNone}, {"1,000", kNone}, {"1.2.3", kNone}, {"- 5", kNone},
        {"-&H1", kNone}, {"&H", kNone}, {"&HG", kNone}, {"&O8", kNone}, {"&17", kNone}, {"&10", kNone}, {"0x10", kNone},
        {"inf", kNone}, {"nan", kNone},  // then out of range by the digits and the exponent together
        {std::string(400, '0') + "1e-400", 0}, {"0." + std::string(400, '0') + "1e50", 0},
        {"1" + std::string(4500, '0') + "e-4000", kNone}, {"1" + std::string(7000, '0') + "e-10000", 0},
        {"1" + std::string(150000, '0') + "e-1000000", 0}, {"0." + std::string(7000, '0') + "1e10000", kNone},
    };
    for (const auto& r : rows) EXPECT_EQ(TextToDouble(r.first), r.second) << '"' << r.first.substr(0, 20) << '"';
}

TEST(TextToInteger, RoundsHalfToEvenThenMustFit) {
    const Row<int16_t> int16s[] = {{"12.5", 12}, {"13.5", 14}, {"-12.5", -12}, {"0.5", 0}, {"1.5", 2}, {"2.5000001", 3}, {"-0.6", -1},
        {"32767.4", 32767}, {"32767.5", kNone}, {"-32768.5", -32768}, {"-32769", kNone}, {"&HFFFF", kNone}, {"x", kNone}};
    for (const auto& r : int16s) EXPECT_EQ(TextToInt16(r.first), r.second) << '"' << r.first << '"';
    const Row<int32_t> int32s[] = {{"2147483647", INT32_MAX}, {"2147483647.5", kNone}, {"-2147483648.5", INT32_MIN}, {"-2147483649", kNone}};
    for (const auto& r : int32s) EXPECT_EQ(TextToInt32(r.first), r.second) << '"' << r.first << '"';
    const Row<float> floats[] = {{"3.4028234663852886e38", FLT_MAX}, {"-3.4028234663852886e38", -FLT_MAX}, {"3.4028236e38", kNone},
                                 {"-3.4028236e38", kNone}, {"1e-50", 0.0f}, {"0.1", 0.1f}, {"top", kNone}};
    for (const auto& r : floats) EXPECT_EQ(TextToSingle(r.first), r.second) << '"' << r.first << '"';
    const Row<bool> booleans[] = {{"True", true}, {"fAlSe", false}, {" TRUE\t", true}, {"0", false}, {"-1", true}, {"0.4", true},
        {"&H0", false}, {"", kNone}, {"Tru", kNone}, {"Truex", kNone}, {"Trux", kNone}, {"Xrue", kNone}};
    for (const auto& r : booleans) EXPECT_EQ(TextToBoolean(r.first), r.second) << '"' << r.first << '"';
}

TEST(LeadingNumber, TheNumberAtTheStartOfTheText) {
    const std::pair<std::string, double> rows[] = {{"40000abc", 40000}, {"abc40000", 0}, {"4 0\t0\n00", 40000}, {"1\r2", 1},
        {"- 3x", -3}, {"5.E3", 5000}, {"1.5.5", 1.5}, {"12e+", 12}, {"1E-2x", 0.01}, {"2 e 3", 2000}, {"", 0}, {"Not Found", 0},
        {".", 0}, {"&H1Fz", 31}, {"& h a F", 175}, {"&O8", 0}, {"1e400", HUGE_VAL}, {"-1e400", -HUGE_VAL},
        {"1" + std::string(400, '0') + "e1!!!", HUGE_VAL}};
    for (auto [text, expected] : rows) EXPECT_EQ(LeadingNumber(text), expected) << '"' << text << '"';
}

TEST(TextForms, AtMostFifteenOrSevenSignificantDigits) {  // three-digit numbers: with the registry's DWORDs
    const std::pair<double, const char*> doubles[] = {
        {300, "300"}, {-0.0, "0"}, {-2.5, "-2.5"}, {1.0 / 3, "0.333333333333333"}, {0.1 + 0.2, "0.3"},
        {1e15, "1E+15"}, {1234567890123456.0, "1.23456789012346E+15"}, {1e-5, "1E-05"},
        {-DBL_MAX, "-1.79769313486231E+308"},  // not rounded up beyond the double range
    };
    for (auto [value, text] : doubles) EXPECT_EQ(DoubleText(value), text);
    const std::pair<float, const char*> floats[] = {
        {1935.5f, "1935.5"}, {-0.0f, "0"}, {0.1f, "0.1"}, {1234567.0f, "1234567"}, {12345678.0f, "1.234568E+07"}};
    for (auto [value, text] : floats) EXPECT_EQ(SingleText(value), text);
}

const std::string kApp = "SCRNSAVE:Tovra Screensaver";

// The controls as plain values. Setting a property never raises an event,
// as with the real window; unloading raises BeforeUnload.
struct FakeConfigDialog : ConfigDialogPlatform {
    int rainbow = 0, unloads = 0, selStart = -1, selLength = -1, speed = 0;
    int16_t colorIndex = 0, seeding = 0, cellSize = 1;
    int eachMonitor = 0, saveBattery = 0, ageColors = 0, smooth = 0, burnInGuard = 0;
    int16_t palette = 0, cellShape = 0, reduceFlashing = 0;
    std::string fade = "0";
    std::pair<int, int> fadeSelection{-1, -1};
    bool colorEnabled = true;
    std::array<bool, 2> mode = {true, false};  // .at(): a wrong index fails the test, never reads past
    std::string delay, copyright, patterns;
    std::optional<std::string> picked;  // what the folder picker answers
    std::vector<std::string> pickedFrom;
    float top = 1935, left = 2340;
    std::vector<std::string> messages;  // "title: text"
    std::vector<std::pair<float, float>> centredFrom;
    ConfigDialog* dialog = nullptr;

    int RainbowValue() override { return rainbow; }
    void SetRainbowValue(int value) override { rainbow = value; }
    int16_t ColorListIndex() override { return colorIndex; }
    void SetColorListIndex(int16_t index) override { colorIndex = index; }
    void SetColorEnabled(bool enabled) override { colorEnabled = enabled; }
    bool ModeValue(int index) override { return mode.at(index); }
    void SetModeValue(int index, bool value) override { mode.at(index) = value, mode.at(1 - index) &= !value; }
    int32_t SpeedValue() override { return speed; }
    void SetSpeedValue(int32_t value) override { speed = value; }
    std::string DelayText() override { return delay; }
    void SetDelayText(const std::string& text) override { delay = text; }
    void SelectDelayText(int start, int length) override { selStart = start, selLength = length; }
    int16_t SeedingListIndex() override { return seeding; }
    void SetSeedingListIndex(int16_t index) override { seeding = index; }
    std::string PatternsText() override { return patterns; }
    void SetPatternsText(const std::string& text) override { patterns = text; }
    std::optional<std::string> PickFolder(const std::string& start) override { return pickedFrom.push_back(start), picked; }
    int16_t CellSizeListIndex() override { return cellSize; }
    void SetCellSizeListIndex(int16_t index) override { cellSize = index; }
    int EachMonitorValue() override { return eachMonitor; }
    void SetEachMonitorValue(int value) override { eachMonitor = value; }
    int SaveBatteryValue() override { return saveBattery; }
    void SetSaveBatteryValue(int value) override { saveBattery = value; }
    int16_t PaletteListIndex() override { return palette; }
    void SetPaletteListIndex(int16_t index) override { palette = index; }
    int AgeColorsValue() override { return ageColors; }
    void SetAgeColorsValue(int value) override { ageColors = value; }
    std::string FadeText() override { return fade; }
    void SetFadeText(const std::string& text) override { fade = text; }
    void SelectFadeText(int start, int length) override { fadeSelection = {start, length}; }
    int SmoothValue() override { return smooth; }
    void SetSmoothValue(int value) override { smooth = value; }
    int16_t CellShapeListIndex() override { return cellShape; }
    void SetCellShapeListIndex(int16_t index) override { cellShape = index; }
    int16_t ReduceFlashingListIndex() override { return reduceFlashing; }
    void SetReduceFlashingListIndex(int16_t index) override { reduceFlashing = index; }
    int BurnInGuardValue() override { return burnInGuard; }
    void SetBurnInGuardValue(int value) override { burnInGuard = value; }
    void SetCopyrightCaption(const std::string& caption) override { copyright = caption; }
    float Top() override { return top; }
    void SetTop(float twips) override { top = twips; }
    float Left() override { return left; }
    void SetLeft(float twips) override { left = twips; }
    // Where the dialog stood when asked to come back onto a monitor.
    void CentreIfOnNoMonitor() override { centredFrom.emplace_back(top, left); }
    void ShowStopMessage(const std::string& text, const std::string& title) override { messages.push_back(title + ": " + text); }
    void UnloadWindow() override { ++unloads, dialog->BeforeUnload(); }
};

struct Dialog {
    MemorySettingsStore store;
    FakeConfigDialog controls;
    ConfigDialog dialog{controls, store};
    Dialog() { controls.dialog = &dialog; }
};

TEST(ConfigSpeedMapping, TheSliderShowsTheSpeedTheDisplayRunsAt) {
    // Beyond the slider's ends the nearest end; fractions round half to even first; where the display window runs at
    // the default speed, so does the slider.
    const std::pair<const char*, int32_t> rows[] = {{"300", 0}, {"298", 1}, {"201", 33}, {"5", 98}, {"4", 99}, {"-0.5", 99},
        {"450", 0}, {"4.5", 99}, {"7.5", 97}, {"200.5", 33}, {"-3", 0}, {"65536", 0}, {"abc", 0}};
    for (auto [stored, position] : rows) EXPECT_EQ(SliderPositionForSpeedText(stored), position) << stored;
    // Every position writes a speed whose text shows that position again.
    for (int32_t p = kSpeedSliderMin; p <= kSpeedSliderMax; ++p)
        EXPECT_EQ(SliderPositionForSpeedText(DoubleText(SpeedForSliderPosition(p))), p) << p;
}

// A leading number above 32767 is refused (the number as LeadingNumber reads it).
TEST(ConfigDelayCheck, ARefusalKeepsTheFocusAndUndoesTheInputThatMovedIt) {
    // Refused with Island stored, refused with Torus stored, accepted; the click selects the other mode.
    for (auto [refused, torus] : {std::pair{true, false}, {true, true}, {false, true}}) {
        Dialog d;
        d.store.Put(kApp, "Settings", "Speed", "3");
        d.store.Put(kApp, "Settings", "Torus", torus ? "True" : "False");
        d.dialog.Load();
        d.controls.delay = refused ? "32767.5" : "32767", d.dialog.NumberBoxFocusLeaving();
        // The click that was moving the focus has already changed its control.
        d.controls.rainbow = 1, d.controls.colorIndex = 3, d.controls.speed = 50, d.controls.seeding = 2;
        d.controls.cellSize = 5, d.controls.eachMonitor = 1, d.controls.saveBattery = 1;
        d.controls.palette = 4, d.controls.ageColors = 1, d.controls.fade = "7", d.controls.smooth = 1, d.controls.cellShape = 2;
        d.controls.reduceFlashing = 2, d.controls.burnInGuard = 1;
        d.dialog.RainbowClicked();
        d.controls.SetModeValue(torus ? 1 : 0, true);
        bool cancel = false;
        d.dialog.ValidateDelay(cancel);
        EXPECT_EQ(cancel, refused);
        EXPECT_EQ(d.controls.messages, std::vector<std::string>(refused, "Error: Invalid delay time, can't be above 32,767."));
        EXPECT_EQ(std::pair(d.controls.selStart, d.controls.selLength), refused ? std::pair(0, 7) : std::pair(-1, -1));
        const FakeConfigDialog& c = d.controls;
        EXPECT_EQ(std::tuple(c.rainbow, c.colorEnabled, c.colorIndex, c.mode[0], c.mode[1], c.speed, c.seeding, c.cellSize, c.eachMonitor, c.saveBattery),
                  refused ? std::tuple(0, true, int16_t{0}, torus, !torus, 99, int16_t{0}, int16_t{1}, 0, 0)
                          : std::tuple(1, false, int16_t{3}, !torus, torus, 50, int16_t{2}, int16_t{5}, 1, 1));
        EXPECT_EQ(std::tuple(c.palette, c.ageColors, c.fade, c.smooth, c.cellShape, c.reduceFlashing, c.burnInGuard),
                  refused ? std::tuple(int16_t{0}, 0, std::string("0"), 0, int16_t{0}, int16_t{0}, 0)
                          : std::tuple(int16_t{4}, 1, std::string("7"), 1, int16_t{2}, int16_t{2}, 1));
        EXPECT_TRUE(d.store.Saves().empty() && c.unloads == 0);
    }
}

TEST(ConfigDialogLoad, StoredValuesOrTheirDefaultsFillTheControls) {
    struct Shown { int rainbow; int16_t color; bool torus; int32_t speed; std::string delay; float top, left; };
    const Shown defaults{0, 0, true, 0, "2000", 1935, 2340};
    // Stored: Rainbow, Color, Torus, Speed, Delay, Top, Left; nullptr: absent.
    const struct { std::vector<const char*> stored; Shown shown; } rows[] = {
        {{}, defaults},
        {{"True", "4", "false", "201", "12.5", "-45000", "123456.5"}, {1, 4, false, 33, "12.5", -45000, 123456.5f}},
        {{"-1", "-1", "0"}, {1, -1, false, 0, "2000", 1935, 2340}}, {{"FALSE", "3.5", "1"}, {0, 4, true, 0, "2000", 1935, 2340}},
        // Unusable: the default is shown and nothing is written back.
        {{"maybe", "5", "yes", "fast", nullptr, "high", "3.5e38"}, defaults}, {{"", "-2"}, defaults},
        {{nullptr, "70000", nullptr, "99999", nullptr, nullptr, ""}, defaults},
    };
    const std::pair<const char*, const char*> keys[] = {{"Settings", "Rainbow"}, {"Settings", "Color"}, {"Settings", "Torus"},
        {"Settings", "Speed"}, {"Settings", "Delay"}, {"Window", "Top"}, {"Window", "Left"}};
    for (const auto& r : rows) {
        Dialog d;
        for (std::size_t i = 0; i < r.stored.size(); ++i)
            if (r.stored[i] != nullptr) d.store.Put(kApp, keys[i].first, keys[i].second, r.stored[i]);
        d.dialog.Load();
        const FakeConfigDialog& c = d.controls;
        const Shown& w = r.shown;
        EXPECT_EQ(std::tuple(c.rainbow, c.colorEnabled, c.colorIndex, c.mode[0], c.mode[1], c.speed, c.delay, c.top, c.left),
                  std::tuple(w.rainbow, w.rainbow == 0, w.color, w.torus, !w.torus, w.speed, w.delay, w.top, w.left));
        // Once, from the stored position: one on no monitor must not hide the dialog.
        EXPECT_EQ(c.centredFrom, (std::vector{std::pair(w.top, w.left)}));
        EXPECT_EQ(c.copyright, "\xC2\xA9 2026 The Tovra developers");
    }
}

TEST(ConfigDialogClose, OKWritesTheControlsThenThePositionCancelOnlyThePosition) {
    const struct { bool ok, changed; std::vector<std::string> saves; } rows[] = {
        {true, false, {"Settings/Rainbow=False", "Settings/Color=0", "Settings/Torus=True", "Settings/Speed=300",
                       "Settings/Delay=2000", "Settings/Seeding=0", "Settings/Patterns=", "Settings/CellSize=10",
                       "Settings/EachMonitor=False", "Settings/SaveBattery=False", "Settings/Palette=Classic", "Settings/AgeColors=False",
                       "Settings/Fade=0", "Settings/Smooth=False", "Settings/CellShape=Square", "Settings/ReduceFlashing=Auto",
                       "Settings/BurnInGuard=False",
                       "Window/Top=1935", "Window/Left=2340"}},
        {true, true, {"Settings/Rainbow=True", "Settings/Color=-1", "Settings/Torus=False", "Settings/Speed=3",
                      "Settings/Delay=abc40000", "Settings/Seeding=2", "Settings/Patterns=D:\\Life", "Settings/CellSize=Auto",
                      "Settings/EachMonitor=True", "Settings/SaveBattery=True", "Settings/Palette=Sunset", "Settings/AgeColors=True",
                      "Settings/Fade=64", "Settings/Smooth=True", "Settings/CellShape=Dot", "Settings/ReduceFlashing=On",
                      "Settings/BurnInGuard=True",
                      "Window/Top=-1234.5", "Window/Left=98765.25"}},
        {false, true, {"Window/Top=-1234.5", "Window/Left=98765.25"}},
    };
    for (const auto& r : rows) {
        Dialog d;
        d.dialog.Load();
        FakeConfigDialog& c = d.controls;
        if (r.changed) c.rainbow = 1, c.colorIndex = -1, c.speed = 99, c.delay = "abc40000", c.top = -1234.5f, c.left = 98765.25f;
        if (r.changed) c.seeding = 2, c.patterns = "D:\\Life", c.cellSize = 0, c.eachMonitor = 1, c.saveBattery = 1;
        if (r.changed) c.palette = 9, c.ageColors = 1, c.fade = "64", c.smooth = 1, c.cellShape = 2, c.reduceFlashing = 1, c.burnInGuard = 1;
        if (r.changed) c.SetModeValue(1, true);
        r.ok ? d.dialog.OkClicked() : d.dialog.CancelClicked();
        std::vector<std::string> saves;  // "section/key=text", all under the saver's name
        for (const auto& c : d.store.Saves()) saves.push_back((c.application == kApp ? "" : "?") + c.section + "/" + c.key + "=" + c.text);
        EXPECT_EQ(saves, r.saves);
        EXPECT_EQ(c.unloads, 1);
    }
}

// The look in the dialog and the display window: what they take from the stored values (an unusable one
// as its default, nothing written back), and what OK writes after the user's changes (-1: no selection).
// nullptr: not stored.
TEST(ConfigLook, ShownAsStoredOrTheirDefaultsWrittenOnOK) {
    constexpr int16_t kKeep = 99;
    const struct {
        const char *palette, *age, *fade, *smooth, *shape;
        int16_t paletteShown; int ageShown; const char* fadeShown; int smoothShown; int16_t shapeShown;
        int16_t paletteChosen, shapeChosen; const char* fadeTyped;
        const char* written;  // Palette AgeColors Fade Smooth CellShape
    } rows[] = {
        {nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0, "0", 0, 0, kKeep, kKeep, nullptr, "Classic False 0 False Square"},
        {"Ocean", "True", "16", "True", "Dot", 5, 1, "16", 1, 2, kKeep, kKeep, nullptr, "Ocean True 16 True Dot"},
        {" sunset ", "-1", "1.5", "1", "rounded", 9, 1, "2", 1, 1, kKeep, kKeep, nullptr, "Sunset True 2 True Rounded"},
        {"Oceans", "maybe", "65", "2", "Round", 0, 0, "0", 1, 0, kKeep, kKeep, nullptr, "Classic False 0 True Square"},
        {"", "", "-1", "", "", 0, 0, "0", 0, 0, 3, 1, " 8 ", "Colorblind False 8 False Rounded"},
        {"Mono", "0", "64", "False", "SQUARE", 1, 0, "64", 0, 0, 10, 3, "1e1", "Classic False 10 False Square"},
        {"Neon", nullptr, "abc", nullptr, "Dots", 7, 0, "0", 0, 0, -1, -1, "0", "Classic False 0 False Square"},
    };
    for (const auto& r : rows) {
        Dialog d;
        const std::pair<const char*, const char*> stored[] = {
            {"Palette", r.palette}, {"AgeColors", r.age}, {"Fade", r.fade}, {"Smooth", r.smooth}, {"CellShape", r.shape}};
        for (auto [key, text] : stored)
            if (text) d.store.Put(kApp, "Settings", key, text);
        const std::string what = r.palette ? r.palette : "-";
        // The display window reads what the dialog shows.
        const SaverSettings read = ReadDisplaySettings(d.store);
        const std::string runs = std::string(BuiltInPalettes()[read.Palette].name) + (read.AgeColors ? " True " : " False ") +
                                 std::to_string(read.Fade) + (read.Smooth ? " True " : " False ") + kCellShapeNames[static_cast<int>(read.Shape)];
        EXPECT_TRUE(r.paletteChosen != kKeep || r.fadeTyped != nullptr || runs == r.written) << what << ": " << runs;
        d.dialog.Load();
        FakeConfigDialog& c = d.controls;
        EXPECT_EQ(std::tuple(c.palette, c.ageColors, c.fade, c.smooth, c.cellShape),
                  std::tuple(r.paletteShown, r.ageShown, std::string(r.fadeShown), r.smoothShown, r.shapeShown)) << what;
        EXPECT_TRUE(d.store.Saves().empty()) << what;
        if (r.paletteChosen != kKeep) c.palette = r.paletteChosen, c.cellShape = r.shapeChosen;
        if (r.fadeTyped) c.fade = r.fadeTyped;
        d.dialog.OkClicked();
        std::string written;
        for (const char* key : {"Palette", "AgeColors", "Fade", "Smooth", "CellShape"})
            written += (written.empty() ? "" : " ") + d.store.GetSetting(kApp, "Settings", key, "?");
        EXPECT_EQ(written, r.written) << what;
        EXPECT_EQ(c.unloads, 1) << what;
    }
}

// "ReduceFlashing" and "BurnInGuard" in the dialog and the display window: the stored value in any case,
// an unusable one as Auto and False; OK writes the item chosen, and Auto for no selection (-1) or one
// beyond the list, and the box as it is ticked.
TEST(ConfigSafeToWatch, ShownAsStoredOrTheirDefaultsWrittenOnOK) {
    const struct {
        const char* stored; int16_t shown; ReduceFlashing runs; int16_t chosen; const char* written;
        const char* guard; bool guards; int guardChosen; const char* guardWritten;
    } rows[] = {
        {nullptr, 0, ReduceFlashing::Auto, 2, "Off", nullptr, false, 1, "True"},
        {" on ", 1, ReduceFlashing::On, 1, "On", " true", true, 1, "True"},
        {"OFF", 2, ReduceFlashing::Off, -1, "Auto", "yes", false, 0, "False"},
        {"sometimes", 0, ReduceFlashing::Auto, 3, "Auto", "1", true, 0, "False"},
    };
    for (const auto& r : rows) {
        Dialog d;
        if (r.stored) d.store.Put(kApp, "Settings", "ReduceFlashing", r.stored);
        if (r.guard) d.store.Put(kApp, "Settings", "BurnInGuard", r.guard);
        const SaverSettings read = ReadDisplaySettings(d.store);
        EXPECT_EQ(std::pair(read.Flashing, read.BurnInGuard), std::pair(r.runs, r.guards)) << r.written;
        d.dialog.Load();
        EXPECT_EQ(std::pair(d.controls.reduceFlashing, d.controls.burnInGuard), std::pair(r.shown, int(r.guards))) << r.written;
        d.controls.reduceFlashing = r.chosen, d.controls.burnInGuard = r.guardChosen;
        d.dialog.OkClicked();
        EXPECT_EQ(d.store.GetSetting(kApp, "Settings", "ReduceFlashing", "?"), r.written);
        EXPECT_EQ(d.store.GetSetting(kApp, "Settings", "BurnInGuard", "?"), r.guardWritten);
    }
}

// The fade box's check, as the focus leaves it and on OK: a text that is no fade from 0 to 64 is refused
// with a message naming it, the text selected, nothing written; a refusal on leaving undoes the click.
TEST(ConfigFadeCheck, OnlyAFadeFrom0To64GetsThrough) {
    const std::pair<const char*, bool> rows[] = {{"0", true}, {"64", true}, {"64.4", true}, {" 8 ", true}, {"65", false},
        {"64.6", false}, {"-1", false}, {"", false}, {"abc", false}, {"1 6", false}, {"99999999", false}};
    for (auto [text, accepted] : rows) {
        for (bool onOk : {false, true}) {
            Dialog d;
            d.dialog.Load();
            FakeConfigDialog& c = d.controls;
            c.fade = text;
            if (!onOk) d.dialog.NumberBoxFocusLeaving(), c.smooth = 1;
            bool cancel = false;
            onOk ? d.dialog.OkClicked() : d.dialog.ValidateFade(cancel);
            const std::string message = "Error: Invalid fade \"" + std::string(text) + "\": it must be a number of generations from 0 to 64.";
            EXPECT_EQ(c.messages, std::vector<std::string>(!accepted, message)) << text;
            EXPECT_EQ(c.fadeSelection, accepted ? std::pair(-1, -1) : std::pair(0, static_cast<int>(std::string(text).size()))) << text;
            if (onOk) EXPECT_EQ(std::pair(c.unloads, d.store.Saves().empty()), std::pair(accepted ? 1 : 0, !accepted)) << text;
            else EXPECT_EQ(std::pair(cancel, c.smooth), std::pair(!accepted, accepted ? 1 : 0)) << text;
        }
    }
}

// The display window's reader asks for the settings table's keys, each once and in its order, with
// their defaults, and the defaults read are SaverSettings' own.
TEST(SettingsTable, TheReaderReadsEachRowOnceWithItsDefault) {
    struct Reads : MemorySettingsStore {
        std::vector<std::string> asked;
        std::string GetSetting(const std::string& a, const std::string& s, const std::string& k, const std::string& d) override {
            return asked.push_back(a + "/" + s + "/" + k + "=" + d), d;
        }
    } store;
    EXPECT_TRUE(ReadDisplaySettings(store) == SaverSettings{});
    std::vector<std::string> rows;
    for (const SettingRow& row : SettingsTable()) rows.push_back(kApp + "/Settings/" + row.key + "=" + row.defaultText);
    EXPECT_EQ(store.asked, rows);
    // The dialog, loaded from nothing stored, reads each row and writes each back on OK with its default:
    // its controls and the table hold the same settings.
    Dialog d;
    d.dialog.Load();
    d.dialog.OkClicked();
    std::map<std::string, std::string> written, defaults;
    for (const auto& save : d.store.Saves())
        if (save.section == "Settings") written[save.key] = save.text;
    for (const SettingRow& row : SettingsTable()) defaults[row.key] = row.defaultText;
    EXPECT_EQ(written, defaults);
}

// "Seeding", "Patterns", "CellSize", "EachMonitor" and "SaveBattery": what the display window runs, what
// the dialog shows, the picker's folder, and what OK writes back from the list item shown; unusable values
// are the defaults (Random, 10, False, False). nullptr: not stored.
TEST(ConfigNewerSettings, TheStoredValuesOrTheirDefaults) {
    const struct { const char *seeding, *patterns, *cellSize, *each, *battery; int16_t mode; int size; bool eachOn, batteryOn; const char* written; } rows[] = {
        {nullptr, nullptr, nullptr, nullptr, nullptr, 0, 10, false, false, "10"},
        {"2", "C:\\Life", "Auto", "True", "True", 2, kAutoCellSize, true, true, "Auto"},
        {"1.5", "", "aUTO", "true", "-1", 2, kAutoCellSize, true, true, "Auto"},
        {"1", " x ", "40", "False", "0", 1, 40, false, false, "40"},
        {"3", "", "10", "1", "False", 0, 10, true, false, "10"},
        {"-1", "", "23", "", "yes", 0, 23, false, false, "23"},
        {"Mixed", "", "9", "maybe", "", 0, 10, false, false, "10"},
        {nullptr, nullptr, "41", "2", "True", 0, 10, true, true, "10"},
        {nullptr, nullptr, "15.0", "0", "False", 0, 10, false, false, "10"},
        {nullptr, nullptr, " 15", "False", "False", 0, 10, false, false, "10"},
    };
    for (const auto& r : rows) {
        Dialog d;
        const std::pair<const char*, const char*> stored[] = {
            {"Seeding", r.seeding}, {"Patterns", r.patterns}, {"CellSize", r.cellSize}, {"EachMonitor", r.each}, {"SaveBattery", r.battery}};
        for (auto [key, text] : stored)
            if (text) d.store.Put(kApp, "Settings", key, text);
        const SaverSettings read = ReadDisplaySettings(d.store);
        const std::string folder = r.patterns ? r.patterns : "", what = std::string(r.seeding ? r.seeding : "-") + " " + (r.cellSize ? r.cellSize : "-");
        EXPECT_EQ(std::tuple(static_cast<int16_t>(read.Seeding), read.Patterns, read.CellSize, read.EachMonitor, read.SaveBattery),
                  std::tuple(r.mode, folder, r.size, r.eachOn, r.batteryOn)) << what;
        d.dialog.Load();
        const FakeConfigDialog& c = d.controls;
        EXPECT_EQ(std::tuple(c.seeding, c.patterns, CellSizeListItem(c.cellSize), c.eachMonitor, c.saveBattery),
                  std::tuple(r.mode, folder, std::string(r.written), int(r.eachOn), int(r.batteryOn))) << what;
        d.dialog.BrowseClicked();  // cancelled: the box keeps its text
        d.controls.picked = "E:\\Patterns", d.dialog.BrowseClicked();
        EXPECT_TRUE(c.pickedFrom == std::vector<std::string>(2, folder) && c.patterns == "E:\\Patterns") << what;
        d.dialog.OkClicked();
        EXPECT_EQ(d.store.GetSetting(kApp, "Settings", "CellSize", "?"), r.written) << what;
    }
    // The list: Auto, then 10 to 40, each item's index found again; no selection writes the default.
    for (int16_t i = 0; i < kCellSizeListCount; ++i)
        EXPECT_EQ(CellSizeListIndex(ParseCellSize(CellSizeListItem(i)).value_or(-1)), i) << i;
    EXPECT_EQ(std::tuple(CellSizeListItem(1), CellSizeListItem(31), CellSizeListItem(-1), CellSizeListItem(32)),
              std::tuple("10", "40", "10", "10"));
}

}  // namespace
}  // namespace tovra
