#pragma once
// The stored settings: application title, sections, keys and defaults, the
// record of the saver settings, and the display window's reader.
//
// All values are text in the store. The configuration dialog writes the
// "Settings" keys on OK and the "Window" keys at every close; the display
// window and the dialog read them at each load.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "automaton/Automaton.h"  // kColorCount
#include "settings/CellSize.h"
#include "settings/Palette.h"
#include "settings/SettingsStore.h"

namespace tovra {

// The application's title, which also names its settings.
inline constexpr char kApplicationTitle[] = "SCRNSAVE:Tovra Screensaver";

inline constexpr char kSettingsSection[] = "Settings";
inline constexpr char kWindowSection[] = "Window";

// Section "Settings", read and written in this order.
inline constexpr char kRainbowKey[] = "Rainbow";
inline constexpr char kColorKey[] = "Color";
inline constexpr char kTorusKey[] = "Torus";
inline constexpr char kSpeedKey[] = "Speed";
inline constexpr char kDelayKey[] = "Delay";
inline constexpr char kSeedingKey[] = "Seeding";
inline constexpr char kPatternsKey[] = "Patterns";
inline constexpr char kCellSizeKey[] = "CellSize";
inline constexpr char kEachMonitorKey[] = "EachMonitor";
inline constexpr char kSaveBatteryKey[] = "SaveBattery";
// The look.
inline constexpr char kPaletteKey[] = "Palette";
inline constexpr char kAgeColorsKey[] = "AgeColors";
inline constexpr char kFadeKey[] = "Fade";
inline constexpr char kSmoothKey[] = "Smooth";
inline constexpr char kCellShapeKey[] = "CellShape";
// Safe to watch.
inline constexpr char kReduceFlashingKey[] = "ReduceFlashing";
inline constexpr char kBurnInGuardKey[] = "BurnInGuard";
// Section "Window": the configuration dialog's top-left corner in twips. The
// dialog passes its current position as the default.
inline constexpr char kTopKey[] = "Top";
inline constexpr char kLeftKey[] = "Left";

// The defaults, in their text form. The settings table (SettingsTable.h) holds
// each key of section "Settings" with its default; the readers take them from there.
inline constexpr char kRainbowDefaultText[] = "False";
inline constexpr char kColorDefaultText[] = "0";
inline constexpr char kTorusDefaultText[] = "True";
inline constexpr char kSpeedDefaultText[] = "300";
inline constexpr char kDelayDefaultText[] = "2000";
inline constexpr char kSeedingDefaultText[] = "0";
inline constexpr char kPatternsDefaultText[] = "";
inline constexpr char kCellSizeDefaultText[] = "10";
inline constexpr char kEachMonitorDefaultText[] = "False";
inline constexpr char kSaveBatteryDefaultText[] = "False";
inline constexpr char kPaletteDefaultText[] = "Classic";
inline constexpr char kAgeColorsDefaultText[] = "False";
inline constexpr char kFadeDefaultText[] = "0";
inline constexpr char kSmoothDefaultText[] = "False";
inline constexpr char kCellShapeDefaultText[] = "Square";
inline constexpr char kReduceFlashingDefaultText[] = "Auto";
inline constexpr char kBurnInGuardDefaultText[] = "False";

// The longest fade, in generations.
inline constexpr int kMaxFade = 64;

// Whether the picture keeps its flashes to three a second: Auto where the
// system asks for less motion.
enum class ReduceFlashing { Auto, On, Off };
inline constexpr std::array<const char*, 3> kReduceFlashingNames = {"Auto", "On", "Off"};
// A stored "ReduceFlashing" text, in any case; nothing for any other.
std::optional<ReduceFlashing> ParseReduceFlashing(std::string_view text);

// The seeding modes, by their stored number.
inline constexpr int kSeedingModeCount = 3;


// The largest interval, in milliseconds, that the generation timer takes.
inline constexpr int32_t kMaxTimerInterval = 65535;

struct SaverSettings {
    bool Rainbow = false;   // each live cell in a random colour at every generation
    int32_t Color = 0;      // the fixed live-cell colour, 0 to kColorCount - 1
    bool Torus = true;      // edges wrap around; false: closed edges
    int32_t Speed = 300;    // milliseconds between generations, 0 to kMaxTimerInterval
    int16_t Delay = 2000;   // generations between two random seedings
    SeedingMode Seeding = SeedingMode::Random;  // what a seeding adds
    std::string Patterns{};  // the folder of the user's pattern files; empty: none
    int CellSize = kDefaultCellSize;  // pixels from 10 to 40, or kAutoCellSize
    bool EachMonitor = false;         // one world per monitor; false: one over them all
    bool SaveBattery = false;         // on battery, at most ten generations a second
    // The look. Classic (index 0) draws the cell bitmaps; the others draw
    // their palette's colours.
    std::size_t Palette = 0;           // index into BuiltInPalettes()
    bool AgeColors = false;            // a live cell's colour follows its age along the ramp
    int Fade = 0;                      // generations a dead cell takes to fade out, 0 to kMaxFade
    bool Smooth = false;               // changes blend over the time between generations
    CellShape Shape = CellShape::Square;
    ReduceFlashing Flashing = ReduceFlashing::Auto;
    bool BurnInGuard = false;  // a picture that stays the same dims toward the background

    bool operator==(const SaverSettings&) const = default;
};

// A stored "Seeding" text as a mode; nothing for any text but 0, 1 or 2.
std::optional<SeedingMode> UsableSeeding(std::string_view text);

// A stored "Speed" text as the display window takes it: milliseconds from 0
// to kMaxTimerInterval; nothing for any other text, which runs at the default.
std::optional<int32_t> UsableSpeed(std::string_view text);

// The display window's reader: reads "Rainbow", "Color", "Torus", "Speed",
// "Delay", "Seeding", "Patterns", "CellSize", "EachMonitor", "SaveBattery",
// "Palette", "AgeColors", "Fade", "Smooth", "CellShape", "ReduceFlashing" and
// "BurnInGuard" in this order, each with its default. A stored value that cannot be used
// (text that does not convert, a Color outside 0 to 4, a Speed below 0 or
// above kMaxTimerInterval, a Delay outside the 16-bit range, a Seeding other
// than 0, 1 or 2, a CellSize neither "Auto" nor a whole number from 10 to 40,
// a Palette that names no built-in palette, a Fade outside 0 to 64, a
// CellShape other than Square, Rounded or Dot, a ReduceFlashing other than
// Auto, On or Off)
// gives that one setting its default; the others keep their stored values.
// Nothing is written back.
SaverSettings ReadDisplaySettings(SettingsStore& store);

// A stored "Fade" text as generations, 0 to kMaxFade; nothing for any other.
std::optional<int> UsableFade(std::string_view text);

}  // namespace tovra
