#include "settings/SaverSettings.h"

#include <optional>

#include "settings/Conversions.h"
#include "settings/SettingsTable.h"

namespace tovra {

namespace {

// A setting's stored text, or its default from the settings table.
std::string Read(SettingsStore& store, const char* key) {
    return store.GetSetting(kApplicationTitle, kSettingsSection, key, SettingDefaultText(key));
}

template <typename T>
T ValueOr(const std::optional<T>& value, T fallback) {
    return value ? *value : fallback;
}

}  // namespace

std::optional<int32_t> UsableSpeed(std::string_view text) {
    const std::optional<int32_t> speed = TextToInt32(text);
    if (speed && *speed >= 0 && *speed <= kMaxTimerInterval) return speed;
    return std::nullopt;
}

std::optional<SeedingMode> UsableSeeding(std::string_view text) {
    const std::optional<int32_t> mode = TextToInt32(text);
    if (mode && *mode >= 0 && *mode < kSeedingModeCount) return static_cast<SeedingMode>(*mode);
    return std::nullopt;
}

std::optional<int> UsableFade(std::string_view text) {
    const std::optional<int32_t> fade = TextToInt32(text);
    if (fade && *fade >= 0 && *fade <= kMaxFade) return static_cast<int>(*fade);
    return std::nullopt;
}

std::optional<ReduceFlashing> ParseReduceFlashing(std::string_view text) {
    const std::optional<std::size_t> i = NameIndex(kReduceFlashingNames, text);
    return i ? std::optional<ReduceFlashing>(static_cast<ReduceFlashing>(*i)) : std::nullopt;
}

SaverSettings ReadDisplaySettings(SettingsStore& store) {
    const SaverSettings defaults;
    SaverSettings s;
    s.Rainbow = ValueOr(TextToBoolean(Read(store, kRainbowKey)), defaults.Rainbow);

    const std::optional<int32_t> color = TextToInt32(Read(store, kColorKey));
    s.Color = (color && *color >= 0 && *color < kColorCount) ? *color : defaults.Color;

    s.Torus = ValueOr(TextToBoolean(Read(store, kTorusKey)), defaults.Torus);

    s.Speed = ValueOr(UsableSpeed(Read(store, kSpeedKey)), defaults.Speed);

    s.Delay = ValueOr(TextToInt16(Read(store, kDelayKey)), defaults.Delay);

    s.Seeding = ValueOr(UsableSeeding(Read(store, kSeedingKey)), defaults.Seeding);

    s.Patterns = Read(store, kPatternsKey);

    s.CellSize = ValueOr(ParseCellSize(Read(store, kCellSizeKey)), defaults.CellSize);
    s.EachMonitor = ValueOr(TextToBoolean(Read(store, kEachMonitorKey)), defaults.EachMonitor);
    s.SaveBattery = ValueOr(TextToBoolean(Read(store, kSaveBatteryKey)), defaults.SaveBattery);

    const Palette* palette = FindPalette(Read(store, kPaletteKey));
    s.Palette = palette ? static_cast<std::size_t>(palette - BuiltInPalettes().data()) : defaults.Palette;
    s.AgeColors = ValueOr(TextToBoolean(Read(store, kAgeColorsKey)), defaults.AgeColors);
    s.Fade = ValueOr(UsableFade(Read(store, kFadeKey)), defaults.Fade);
    s.Smooth = ValueOr(TextToBoolean(Read(store, kSmoothKey)), defaults.Smooth);
    s.Shape = ValueOr(ParseCellShape(Read(store, kCellShapeKey)), defaults.Shape);
    s.Flashing = ValueOr(ParseReduceFlashing(Read(store, kReduceFlashingKey)), defaults.Flashing);
    s.BurnInGuard = ValueOr(TextToBoolean(Read(store, kBurnInGuardKey)), defaults.BurnInGuard);
    return s;
}

}  // namespace tovra
