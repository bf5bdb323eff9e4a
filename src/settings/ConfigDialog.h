#pragma once
// ConfigDialog: the configuration dialog, which is also the program's about box.
// This is its behaviour; the Win32 layer builds the window with its controls,
// turns window messages into these events and implements ConfigDialogPlatform.
//
// Between load and unload the controls are the settings: the dialog keeps no
// copy of them. The store is read at load, the "Settings" values are written
// on OK, and the dialog's position at every close.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "automaton/Automaton.h"  // kColorCount
#include "settings/CellSize.h"

namespace tovra {

class SettingsStore;

inline constexpr char kConfigCaption[] = "About Tovra";
inline constexpr char kConfigTitle[] = "Tovra";
inline constexpr char kConfigVersion[] = "Version 2.0";
inline constexpr char kConfigDescription[] =
    "A screen saver modelled on Conway's Game of Life, the cellular automaton of births and deaths.";
// Set by Load, not part of the layout. UTF-8.
inline constexpr char kConfigCopyright[] = "\xC2\xA9 2026 The Tovra developers";

inline constexpr char kDelayTooLargeMessage[] = "Invalid delay time, can't be above 32,767.";
inline constexpr char kDelayErrorTitle[] = "Error";
// The largest delay the dialog lets through (the leading number of the text).
inline constexpr double kMaxDelayNumber = 32767;

// The slider's range. Position 0 is the slowest speed (300 ms between
// generations); the fastest position, 99, is 3 ms, so no position stops the
// generations.
inline constexpr int32_t kSpeedSliderMin = 0;
inline constexpr int32_t kSpeedSliderMax = 99;

// The live-cell colours in the order of the "Color" setting.
inline constexpr const char* kColorNames[kColorCount] = {"Red", "Yellow", "Green", "Blue", "Purple"};
// The seeding modes in the order of the "Seeding" setting.
inline constexpr const char* kSeedingNames[] = {"Random", "Patterns", "Mixed"};

// The cell size list: "Auto", then every whole number of pixels from 10 to 40.
inline constexpr int16_t kCellSizeListCount = 1 + kMaxCellSize - kMinCellSize + 1;
// The list item at an index (the default's for an index outside the list),
// and the index of a cell size (kAutoCellSize or pixels from 10 to 40).
std::string CellSizeListItem(int16_t index);
int16_t CellSizeListIndex(int cellSize);

// A stored "Color" of -1 leaves the list without a selection.
inline constexpr int16_t kNoColor = -1;

// The slider position for a speed in milliseconds:
// 100 - round(speed / 300 x 100), rounded half to even. Not limited to the
// slider's range.
int32_t SliderPositionForSpeed(int32_t speed);

// The slider position the dialog shows for a stored "Speed" text: the
// position of the speed the display window runs at (the default where it
// cannot use the text), moved to the nearest end of the slider's range when
// it lies outside it.
int32_t SliderPositionForSpeedText(std::string_view text);

// The speed in milliseconds a slider position stands for:
// (100 - position) / 100 x 300; every position in the slider's range gives a
// whole number, and reading its text back gives the position again.
double SpeedForSliderPosition(int32_t position);

// Whether the delay check lets the text through: false when its leading
// number is above 32767.
bool DelayTextAccepted(std::string_view text);

// The fade box's check: a text that is no fade the display window can use
// (UsableFade) is refused with this message, which names it.
std::string FadeRefusedMessage(std::string_view text);
inline constexpr char kFadeErrorTitle[] = "Error";

// The platform's side of the dialog: its controls' values, its position, the
// message box and closing.
class ConfigDialogPlatform {
public:
    virtual ~ConfigDialogPlatform() = default;

    // The Rainbow box: 0 unticked, 1 ticked. Setting it does not call
    // RainbowClicked; the dialog does that itself.
    virtual int RainbowValue() = 0;
    virtual void SetRainbowValue(int value) = 0;

    // The colour list: the selected item (-1 for none), and whether it is enabled.
    virtual int16_t ColorListIndex() = 0;
    virtual void SetColorListIndex(int16_t index) = 0;
    virtual void SetColorEnabled(bool enabled) = 0;

    // The mode options, index 0 "Torus", 1 "Island". Selecting one
    // deselects the other.
    virtual bool ModeValue(int index) = 0;
    virtual void SetModeValue(int index, bool value) = 0;

    // The speed slider's position.
    virtual int32_t SpeedValue() = 0;
    virtual void SetSpeedValue(int32_t value) = 0;

    // The delay box's text, and its selection (start and length in characters).
    virtual std::string DelayText() = 0;
    virtual void SetDelayText(const std::string& text) = 0;
    virtual void SelectDelayText(int start, int length) = 0;

    // The seeding list: 0 Random, 1 Patterns, 2 Mixed.
    virtual int16_t SeedingListIndex() = 0;
    virtual void SetSeedingListIndex(int16_t index) = 0;

    // The pattern folder box's text.
    virtual std::string PatternsText() = 0;
    virtual void SetPatternsText(const std::string& text) = 0;
    // The system's folder picker, opened at `start`: the folder chosen, or
    // nothing when the user cancels it.
    virtual std::optional<std::string> PickFolder(const std::string& start) = 0;

    // The cell size list: 0 Auto, then 10 to 40 pixels.
    virtual int16_t CellSizeListIndex() = 0;
    virtual void SetCellSizeListIndex(int16_t index) = 0;

    // The "One world per monitor" and "Save battery" boxes: 0 unticked, 1 ticked.
    virtual int EachMonitorValue() = 0;
    virtual void SetEachMonitorValue(int value) = 0;
    virtual int SaveBatteryValue() = 0;
    virtual void SetSaveBatteryValue(int value) = 0;

    // The look: the palette list (the built-in palettes in their order,
    // Classic first), the "Colour by age" and "Smooth" boxes (0 unticked,
    // 1 ticked), the fade box's text and selection, and the cell shape list
    // (Square, Rounded, Dot). A list without a selection answers -1.
    virtual int16_t PaletteListIndex() = 0;
    virtual void SetPaletteListIndex(int16_t index) = 0;
    virtual int AgeColorsValue() = 0;
    virtual void SetAgeColorsValue(int value) = 0;
    virtual std::string FadeText() = 0;
    virtual void SetFadeText(const std::string& text) = 0;
    virtual void SelectFadeText(int start, int length) = 0;
    virtual int SmoothValue() = 0;
    virtual void SetSmoothValue(int value) = 0;
    virtual int16_t CellShapeListIndex() = 0;
    virtual void SetCellShapeListIndex(int16_t index) = 0;
    // The "Reduce flashing" list: Auto, On, Off.
    virtual int16_t ReduceFlashingListIndex() = 0;
    virtual void SetReduceFlashingListIndex(int16_t index) = 0;
    // The "Burn-in guard" box: 0 unticked, 1 ticked.
    virtual int BurnInGuardValue() = 0;
    virtual void SetBurnInGuardValue(int value) = 0;

    // The copyright line's text, UTF-8.
    virtual void SetCopyrightCaption(const std::string& caption) = 0;

    // The dialog's outer top-left corner from the screen's top-left, in twips:
    // the unit its stored position is kept in.
    virtual float Top() = 0;
    virtual void SetTop(float twips) = 0;
    virtual float Left() = 0;
    virtual void SetLeft(float twips) = 0;
    // Where the dialog overlaps no monitor, centre it on the primary monitor's
    // work area; elsewhere leave it as it is.
    virtual void CentreIfOnNoMonitor() = 0;

    // A message box with a stop icon and an OK button; returns when it has
    // been closed.
    virtual void ShowStopMessage(const std::string& text, const std::string& title) = 0;

    // Closes the dialog: the platform calls BeforeUnload and destroys the
    // window before this returns.
    virtual void UnloadWindow() = 0;
};

class ConfigDialog {
public:
    ConfigDialog(ConfigDialogPlatform& platform, SettingsStore& store);

    // Events.
    void Load();
    void RainbowClicked();
    // An unusable fade refuses OK as the fade check does: nothing is
    // written and the dialog stays open.
    void OkClicked();
    void CancelClicked();
    // Browse: the folder picker fills the folder box, unless cancelled.
    void BrowseClicked();
    // The focus is about to leave the delay or the fade box for another
    // control of the dialog: notes what the controls hold, for a refused
    // check to put back.
    void NumberBoxFocusLeaving();
    // The focus is about to leave the delay box, or the fade box; setting
    // `cancel` keeps it there, and the input that was moving it changes no
    // control.
    void ValidateDelay(bool& cancel);
    void ValidateFade(bool& cancel);
    void BeforeUnload();

private:
    struct ControlValues {
        int rainbow;
        int16_t color;
        bool torus, island;
        int32_t speed;
        int16_t seeding;
        int16_t cellSize;
        int eachMonitor, saveBattery;
        int16_t palette;
        int ageColors;
        std::string fade;
        int smooth;
        int16_t cellShape;
        int16_t reduceFlashing;
        int burnInGuard;
    };

    ControlValues Snapshot();
    void Restore(const ControlValues& values);

    std::string Read(const char* section, const char* key, const std::string& defaultText);
    void Save(const char* section, const char* key, const std::string& text);

    ConfigDialogPlatform& platform_;
    SettingsStore& store_;
    std::optional<ControlValues> beforeFocusMove_;
};

}  // namespace tovra
