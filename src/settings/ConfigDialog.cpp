#include "settings/ConfigDialog.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>
#include <utility>

#include "settings/Conversions.h"
#include "settings/SaverSettings.h"
#include "settings/SettingsStore.h"

namespace tovra {

int32_t SliderPositionForSpeed(int32_t speed) {
    const double q = speed / 300.0;
    const double r = q * 100.0;
    // nearbyint rounds half to even; |r| stays far inside the 32-bit range.
    const auto u = static_cast<int32_t>(std::nearbyint(r));
    return 100 - u;
}

int32_t SliderPositionForSpeedText(std::string_view text) {
    const int32_t speed = UsableSpeed(text).value_or(SaverSettings{}.Speed);
    return std::clamp(SliderPositionForSpeed(speed), kSpeedSliderMin, kSpeedSliderMax);
}

double SpeedForSliderPosition(int32_t position) {
    const double m = 100.0 - position;
    const double q = m / 100.0;
    return q * 300.0;
}

bool DelayTextAccepted(std::string_view text) {
    // An infinity (a number too large for a double) is refused as well; a
    // text without a leading number counts as 0.
    return !(LeadingNumber(text) > kMaxDelayNumber);
}

std::string FadeRefusedMessage(std::string_view text) {
    return "Invalid fade \"" + std::string(text) + "\": it must be a number of generations from 0 to " +
           std::to_string(kMaxFade) + ".";
}

std::string CellSizeListItem(int16_t index) {
    if (index == 0) return CellSizeText(kAutoCellSize);
    // No selection: the default.
    return CellSizeText(index > 0 && index < kCellSizeListCount ? kMinCellSize + index - 1 : kDefaultCellSize);
}

int16_t CellSizeListIndex(int cellSize) {
    return static_cast<int16_t>(cellSize == kAutoCellSize ? 0 : cellSize - kMinCellSize + 1);
}

ConfigDialog::ConfigDialog(ConfigDialogPlatform& platform, SettingsStore& store) : platform_(platform), store_(store) {}

std::string ConfigDialog::Read(const char* section, const char* key, const std::string& defaultText) {
    return store_.GetSetting(kApplicationTitle, section, key, defaultText);
}

void ConfigDialog::Save(const char* section, const char* key, const std::string& text) {
    store_.SaveSetting(kApplicationTitle, section, key, text);
}

void ConfigDialog::Load() {
    // A stored value the dialog cannot show (no number, no boolean, out of
    // range) shows its default instead, so that a damaged store never keeps
    // the dialog from opening. Nothing is written back until OK.
    const SaverSettings defaults;

    const bool rainbow = TextToBoolean(Read(kSettingsSection, kRainbowKey, kRainbowDefaultText)).value_or(defaults.Rainbow);
    if (rainbow) {
        platform_.SetRainbowValue(1);
        platform_.SetColorEnabled(false);
        RainbowClicked();
    }

    const std::optional<int16_t> color = TextToInt16(Read(kSettingsSection, kColorKey, kColorDefaultText));
    const bool colorUsable = color && *color >= kNoColor && *color < kColorCount;
    platform_.SetColorListIndex(colorUsable ? *color : static_cast<int16_t>(defaults.Color));

    const bool torus = TextToBoolean(Read(kSettingsSection, kTorusKey, kTorusDefaultText)).value_or(defaults.Torus);
    if (!torus) platform_.SetModeValue(1, true);  // which deselects Torus

    platform_.SetSpeedValue(SliderPositionForSpeedText(Read(kSettingsSection, kSpeedKey, kSpeedDefaultText)));

    platform_.SetDelayText(Read(kSettingsSection, kDelayKey, kDelayDefaultText));

    const SeedingMode seeding = UsableSeeding(Read(kSettingsSection, kSeedingKey, kSeedingDefaultText)).value_or(defaults.Seeding);
    platform_.SetSeedingListIndex(static_cast<int16_t>(seeding));

    platform_.SetPatternsText(Read(kSettingsSection, kPatternsKey, kPatternsDefaultText));

    const int cellSize = ParseCellSize(Read(kSettingsSection, kCellSizeKey, kCellSizeDefaultText)).value_or(defaults.CellSize);
    platform_.SetCellSizeListIndex(CellSizeListIndex(cellSize));
    const bool eachMonitor =
        TextToBoolean(Read(kSettingsSection, kEachMonitorKey, kEachMonitorDefaultText)).value_or(defaults.EachMonitor);
    platform_.SetEachMonitorValue(eachMonitor ? 1 : 0);
    const bool saveBattery =
        TextToBoolean(Read(kSettingsSection, kSaveBatteryKey, kSaveBatteryDefaultText)).value_or(defaults.SaveBattery);
    platform_.SetSaveBatteryValue(saveBattery ? 1 : 0);

    // The look. A palette or shape list item outside the lists, a fade
    // outside 0 to 64: the default.
    const std::span<const Palette> palettes = BuiltInPalettes();
    const Palette* palette = FindPalette(Read(kSettingsSection, kPaletteKey, kPaletteDefaultText));
    platform_.SetPaletteListIndex(static_cast<int16_t>(palette != nullptr ? palette - palettes.data() : defaults.Palette));
    const bool ageColors = TextToBoolean(Read(kSettingsSection, kAgeColorsKey, kAgeColorsDefaultText)).value_or(defaults.AgeColors);
    platform_.SetAgeColorsValue(ageColors ? 1 : 0);
    platform_.SetFadeText(IntegerText(UsableFade(Read(kSettingsSection, kFadeKey, kFadeDefaultText)).value_or(defaults.Fade)));
    const bool smooth = TextToBoolean(Read(kSettingsSection, kSmoothKey, kSmoothDefaultText)).value_or(defaults.Smooth);
    platform_.SetSmoothValue(smooth ? 1 : 0);
    const CellShape shape = ParseCellShape(Read(kSettingsSection, kCellShapeKey, kCellShapeDefaultText)).value_or(defaults.Shape);
    platform_.SetCellShapeListIndex(static_cast<int16_t>(shape));
    const ReduceFlashing flashing =
        ParseReduceFlashing(Read(kSettingsSection, kReduceFlashingKey, kReduceFlashingDefaultText)).value_or(defaults.Flashing);
    platform_.SetReduceFlashingListIndex(static_cast<int16_t>(flashing));
    const bool guard =
        TextToBoolean(Read(kSettingsSection, kBurnInGuardKey, kBurnInGuardDefaultText)).value_or(defaults.BurnInGuard);
    platform_.SetBurnInGuardValue(guard ? 1 : 0);

    if (const auto top = TextToSingle(Read(kWindowSection, kTopKey, SingleText(platform_.Top())))) platform_.SetTop(*top);
    if (const auto left = TextToSingle(Read(kWindowSection, kLeftKey, SingleText(platform_.Left())))) platform_.SetLeft(*left);
    // A stored position on no monitor (one since removed, a damaged value)
    // would open the dialog where nobody sees it.
    platform_.CentreIfOnNoMonitor();

    platform_.SetCopyrightCaption(kConfigCopyright);
}

void ConfigDialog::RainbowClicked() {
    // The colour stays selected either way and is saved on OK.
    platform_.SetColorEnabled(platform_.RainbowValue() != 1);
}

void ConfigDialog::OkClicked() {
    bool refused = false;
    ValidateFade(refused);
    if (refused) return;
    Save(kSettingsSection, kRainbowKey, BooleanText(platform_.RainbowValue() == 1));
    Save(kSettingsSection, kColorKey, IntegerText(platform_.ColorListIndex()));
    Save(kSettingsSection, kTorusKey, BooleanText(platform_.ModeValue(0)));
    Save(kSettingsSection, kSpeedKey, DoubleText(SpeedForSliderPosition(platform_.SpeedValue())));
    Save(kSettingsSection, kDelayKey, platform_.DelayText());
    Save(kSettingsSection, kSeedingKey, IntegerText(platform_.SeedingListIndex()));
    Save(kSettingsSection, kPatternsKey, platform_.PatternsText());
    Save(kSettingsSection, kCellSizeKey, CellSizeListItem(platform_.CellSizeListIndex()));
    Save(kSettingsSection, kEachMonitorKey, BooleanText(platform_.EachMonitorValue() == 1));
    Save(kSettingsSection, kSaveBatteryKey, BooleanText(platform_.SaveBatteryValue() == 1));
    // No selection in a list writes its default: -1 converts to a size
    // beyond every list.
    const std::span<const Palette> palettes = BuiltInPalettes();
    const auto palette = static_cast<std::size_t>(platform_.PaletteListIndex());
    Save(kSettingsSection, kPaletteKey, palette < palettes.size() ? std::string(palettes[palette].name) : kPaletteDefaultText);
    Save(kSettingsSection, kAgeColorsKey, BooleanText(platform_.AgeColorsValue() == 1));
    Save(kSettingsSection, kFadeKey, IntegerText(UsableFade(platform_.FadeText()).value_or(SaverSettings{}.Fade)));
    Save(kSettingsSection, kSmoothKey, BooleanText(platform_.SmoothValue() == 1));
    const auto shape = static_cast<std::size_t>(platform_.CellShapeListIndex());
    Save(kSettingsSection, kCellShapeKey, shape < kCellShapeNames.size() ? kCellShapeNames[shape] : kCellShapeDefaultText);
    const auto flashing = static_cast<std::size_t>(platform_.ReduceFlashingListIndex());
    Save(kSettingsSection, kReduceFlashingKey,
         flashing < kReduceFlashingNames.size() ? kReduceFlashingNames[flashing] : kReduceFlashingDefaultText);
    Save(kSettingsSection, kBurnInGuardKey, BooleanText(platform_.BurnInGuardValue() == 1));
    platform_.UnloadWindow();
}

void ConfigDialog::CancelClicked() {
    platform_.UnloadWindow();
}

void ConfigDialog::BrowseClicked() {
    if (const std::optional<std::string> folder = platform_.PickFolder(platform_.PatternsText())) platform_.SetPatternsText(*folder);
}

ConfigDialog::ControlValues ConfigDialog::Snapshot() {
    return ControlValues{platform_.RainbowValue(), platform_.ColorListIndex(), platform_.ModeValue(0),
                         platform_.ModeValue(1), platform_.SpeedValue(), platform_.SeedingListIndex(),
                         platform_.CellSizeListIndex(), platform_.EachMonitorValue(), platform_.SaveBatteryValue(),
                         platform_.PaletteListIndex(), platform_.AgeColorsValue(), platform_.FadeText(),
                         platform_.SmoothValue(), platform_.CellShapeListIndex(), platform_.ReduceFlashingListIndex(),
                         platform_.BurnInGuardValue()};
}

void ConfigDialog::Restore(const ControlValues& values) {
    platform_.SetRainbowValue(values.rainbow);
    RainbowClicked();
    platform_.SetColorListIndex(values.color);
    platform_.SetModeValue(0, values.torus);
    platform_.SetModeValue(1, values.island);
    platform_.SetSpeedValue(values.speed);
    platform_.SetSeedingListIndex(values.seeding);
    platform_.SetCellSizeListIndex(values.cellSize);
    platform_.SetEachMonitorValue(values.eachMonitor);
    platform_.SetSaveBatteryValue(values.saveBattery);
    platform_.SetPaletteListIndex(values.palette);
    platform_.SetAgeColorsValue(values.ageColors);
    platform_.SetFadeText(values.fade);
    platform_.SetSmoothValue(values.smooth);
    platform_.SetCellShapeListIndex(values.cellShape);
    platform_.SetReduceFlashingListIndex(values.reduceFlashing);
    platform_.SetBurnInGuardValue(values.burnInGuard);
}

void ConfigDialog::NumberBoxFocusLeaving() {
    beforeFocusMove_ = Snapshot();
}

void ConfigDialog::ValidateDelay(bool& cancel) {
    const std::optional<ControlValues> before = std::exchange(beforeFocusMove_, std::nullopt);
    const std::string text = platform_.DelayText();
    if (DelayTextAccepted(text)) return;
    platform_.ShowStopMessage(kDelayTooLargeMessage, kDelayErrorTitle);
    platform_.SelectDelayText(0, static_cast<int>(text.size()));
    cancel = true;
    // The click or key that was moving the focus changes nothing: a slider
    // that has stepped, an option or a box that has been clicked, go back.
    if (before) Restore(*before);
}

void ConfigDialog::ValidateFade(bool& cancel) {
    const std::optional<ControlValues> before = std::exchange(beforeFocusMove_, std::nullopt);
    const std::string text = platform_.FadeText();
    if (UsableFade(text)) return;
    // Put back first: setting the box's text would drop its selection.
    if (before) Restore(*before);
    platform_.ShowStopMessage(FadeRefusedMessage(text), kFadeErrorTitle);
    platform_.SelectFadeText(0, static_cast<int>(text.size()));
    cancel = true;
}

void ConfigDialog::BeforeUnload() {
    Save(kWindowSection, kTopKey, SingleText(platform_.Top()));
    Save(kWindowSection, kLeftKey, SingleText(platform_.Left()));
}

}  // namespace tovra
