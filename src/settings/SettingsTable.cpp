#include "settings/SettingsTable.h"

#include <array>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "settings/CellSize.h"
#include "settings/Palette.h"
#include "settings/Conversions.h"
#include "settings/SaverSettings.h"

namespace tovra {

namespace {

std::optional<std::string> WholeNumberText(std::string_view s, long lo, long hi) {
    long value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || value < lo || value > hi) return std::nullopt;
    return std::to_string(value);
}

// The index of `value` among `names`, compared in lowercase, as its text.
template <std::size_t N>
std::optional<std::string> IndexText(std::string_view value, const std::array<const char*, N>& names) {
    const std::string v = LowerCase(value);
    for (std::size_t i = 0; i < N; ++i)
        if (v == names[i]) return std::to_string(i);
    return std::nullopt;
}

std::optional<std::string> TrueFalseText(std::string_view value) {
    const std::string v = LowerCase(value);
    if (v == "true" || v == "on" || v == "yes" || v == "1") return "True";
    if (v == "false" || v == "off" || v == "no" || v == "0") return "False";
    return std::nullopt;
}

std::optional<std::string> ColorText(std::string_view value) {
    static constexpr std::array<const char*, kColorCount> kNames = {"red", "yellow", "green", "blue", "purple"};
    return IndexText(value, kNames);
}

std::optional<std::string> ModeText(std::string_view value) {
    const std::string v = LowerCase(value);
    if (v == "torus") return "True";
    if (v == "island") return "False";
    return std::nullopt;
}

std::optional<std::string> SpeedText(std::string_view value) { return WholeNumberText(value, 0, 300); }
std::optional<std::string> ReseedText(std::string_view value) { return WholeNumberText(value, 1, 32767); }
std::optional<std::string> FadeText(std::string_view value) { return WholeNumberText(value, 0, kMaxFade); }

std::optional<std::string> SeedingText(std::string_view value) {
    static constexpr std::array<const char*, kSeedingModeCount> kModes = {"random", "patterns", "mixed"};
    return IndexText(value, kModes);
}

// A folder that exists, or nothing (no folder: the built-in patterns only).
std::optional<std::string> PatternsText(std::string_view value) {
    std::error_code ec;
    if (value.empty() || std::filesystem::is_directory(std::filesystem::path(value), ec)) return std::string(value);
    return std::nullopt;
}

std::optional<std::string> CellSizeStoreText(std::string_view value) {
    const std::optional<int> size = ParseCellSize(value);
    return size ? std::optional<std::string>(CellSizeText(*size)) : std::nullopt;
}

std::optional<std::string> PaletteText(std::string_view value) {
    const Palette* palette = FindPalette(value);
    return palette ? std::optional<std::string>(palette->name) : std::nullopt;
}

std::optional<std::string> CellShapeText(std::string_view value) {
    const std::optional<CellShape> shape = ParseCellShape(value);
    return shape ? std::optional<std::string>(kCellShapeNames[static_cast<std::size_t>(*shape)]) : std::nullopt;
}

std::optional<std::string> ReduceFlashingText(std::string_view value) {
    const std::optional<ReduceFlashing> mode = ParseReduceFlashing(value);
    return mode ? std::optional<std::string>(kReduceFlashingNames[static_cast<std::size_t>(*mode)]) : std::nullopt;
}

// "Classic, Mono, ... or Sunset (in any case)".
std::string PaletteNames() {
    const std::span<const Palette> palettes = BuiltInPalettes();
    std::string text;
    for (std::size_t i = 0; i < palettes.size(); ++i)
        text += std::string(i == 0 ? "" : i + 1 == palettes.size() ? " or " : ", ") + std::string(palettes[i].name);
    return text + " (in any case)";
}

constexpr char kBooleanAllowed[] = "true or false";

const std::array<SettingRow, 17>& Rows() {
    static const std::string paletteNames = PaletteNames();
    static const std::array<SettingRow, 17> rows = {{
        {kRainbowKey, kRainbowDefaultText, "rainbow", nullptr, true, kBooleanAllowed, nullptr, TrueFalseText},
        {kColorKey, kColorDefaultText, "color", nullptr, false, "red, yellow, green, blue or purple",
         "red|yellow|green|blue|purple", ColorText},
        {kTorusKey, kTorusDefaultText, "mode", nullptr, false, "torus or island", "torus|island", ModeText},
        {kSpeedKey, kSpeedDefaultText, "speed", nullptr, false, "a whole number of milliseconds from 0 (fastest) to 300",
         "0..300", SpeedText},
        {kDelayKey, kDelayDefaultText, "reseed", nullptr, false, "a whole number of generations from 1 to 32767",
         "1..32767", ReseedText},
        {kSeedingKey, kSeedingDefaultText, "seeding", nullptr, false, "random, patterns or mixed",
         "random|patterns|mixed", SeedingText},
        {kPatternsKey, kPatternsDefaultText, "patterns", nullptr, false, "a folder of .rle and .cells pattern files",
         "DIR", PatternsText},
        {kCellSizeKey, kCellSizeDefaultText, "cellSize", "cell-size", false,
         "a whole number of pixels from 10 to 40, or auto", "10..40|auto", CellSizeStoreText},
        {kEachMonitorKey, kEachMonitorDefaultText},
        {kSaveBatteryKey, kSaveBatteryDefaultText},
        {kPaletteKey, kPaletteDefaultText, "palette", nullptr, false, paletteNames.c_str(), "NAME", PaletteText},
        {kAgeColorsKey, kAgeColorsDefaultText, "ageColors", "age-colors", true, kBooleanAllowed, nullptr, TrueFalseText},
        {kFadeKey, kFadeDefaultText, "fade", nullptr, false, "a whole number of generations from 0 (no fading) to 64",
         "0..64", FadeText},
        {kSmoothKey, kSmoothDefaultText, "smooth", nullptr, true, kBooleanAllowed, nullptr, TrueFalseText},
        {kCellShapeKey, kCellShapeDefaultText, "cellShape", "cell-shape", false, "square, rounded or dot",
         "square|rounded|dot", CellShapeText},
        {kReduceFlashingKey, kReduceFlashingDefaultText, "reduceFlashing", "reduce-flashing", false,
         "auto (as the desktop asks), on or off", "auto|on|off", ReduceFlashingText},
        {kBurnInGuardKey, kBurnInGuardDefaultText, "burnInGuard", "burn-in-guard", true, kBooleanAllowed, nullptr,
         TrueFalseText},
    }};
    return rows;
}

}  // namespace

std::span<const SettingRow> SettingsTable() { return Rows(); }

const char* SettingDefaultText(std::string_view key) {
    for (const SettingRow& row : Rows())
        if (key == row.key) return row.defaultText;
    return "";
}

}  // namespace tovra
