#include "settings/ConfigDialog.h"

#include <algorithm>
#include <cmath>
#include <optional>
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

std::string CellSizeListItem(int16_t index) {
    if (index == 0) return CellSizeText(kAutoCellSize);
    // No selection: the default.
    return CellSizeText(index > 0 && index < kCellSizeListCount ? kMinCellSize + index - 1 : kDefaultCellSize);
}

int16_t CellSizeListIndex(int cellSize) {
    return static_cast<int16_t>(cellSize == kAutoCellSize ? 0 : cellSize - kMinCellSize + 1);
}

ConfigDialog::ConfigDialog(ConfigDialogPlatform& form, SettingsStore& store) : form_(form), store_(store) {}

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
        form_.SetRainbowValue(1);
        form_.SetColorEnabled(false);
        RainbowClicked();
    }

    const std::optional<int16_t> color = TextToInt16(Read(kSettingsSection, kColorKey, kColorDefaultText));
    const bool colorUsable = color && *color >= kNoColor && *color < kColorCount;
    form_.SetColorListIndex(colorUsable ? *color : static_cast<int16_t>(defaults.Color));

    const bool torus = TextToBoolean(Read(kSettingsSection, kTorusKey, kTorusDefaultText)).value_or(defaults.Torus);
    if (!torus) form_.SetModeValue(1, true);  // which deselects Torus

    form_.SetSpeedValue(SliderPositionForSpeedText(Read(kSettingsSection, kSpeedKey, kSpeedDefaultText)));

    form_.SetDelayText(Read(kSettingsSection, kDelayKey, kDelayDefaultText));

    const SeedingMode seeding = UsableSeeding(Read(kSettingsSection, kSeedingKey, kSeedingDefaultText)).value_or(defaults.Seeding);
    form_.SetSeedingListIndex(static_cast<int16_t>(seeding));

    form_.SetPatternsText(Read(kSettingsSection, kPatternsKey, kPatternsDefaultText));

    const int cellSize = ParseCellSize(Read(kSettingsSection, kCellSizeKey, kCellSizeDefaultText)).value_or(defaults.CellSize);
    form_.SetCellSizeListIndex(CellSizeListIndex(cellSize));
    const bool eachMonitor =
        TextToBoolean(Read(kSettingsSection, kEachMonitorKey, kEachMonitorDefaultText)).value_or(defaults.EachMonitor);
    form_.SetEachMonitorValue(eachMonitor ? 1 : 0);
    const bool saveBattery =
        TextToBoolean(Read(kSettingsSection, kSaveBatteryKey, kSaveBatteryDefaultText)).value_or(defaults.SaveBattery);
    form_.SetSaveBatteryValue(saveBattery ? 1 : 0);

    if (const auto top = TextToSingle(Read(kWindowSection, kTopKey, SingleText(form_.Top())))) form_.SetTop(*top);
    if (const auto left = TextToSingle(Read(kWindowSection, kLeftKey, SingleText(form_.Left())))) form_.SetLeft(*left);
    // A stored position on no monitor (one since removed, a damaged value)
    // would open the dialog where nobody sees it.
    form_.CentreIfOnNoMonitor();

    form_.SetCopyrightCaption(kConfigCopyright);
}

void ConfigDialog::RainbowClicked() {
    // The colour stays selected either way and is saved on OK.
    form_.SetColorEnabled(form_.RainbowValue() != 1);
}

void ConfigDialog::OkClicked() {
    Save(kSettingsSection, kRainbowKey, BooleanText(form_.RainbowValue() == 1));
    Save(kSettingsSection, kColorKey, IntegerText(form_.ColorListIndex()));
    Save(kSettingsSection, kTorusKey, BooleanText(form_.ModeValue(0)));
    Save(kSettingsSection, kSpeedKey, DoubleText(SpeedForSliderPosition(form_.SpeedValue())));
    Save(kSettingsSection, kDelayKey, form_.DelayText());
    Save(kSettingsSection, kSeedingKey, IntegerText(form_.SeedingListIndex()));
    Save(kSettingsSection, kPatternsKey, form_.PatternsText());
    Save(kSettingsSection, kCellSizeKey, CellSizeListItem(form_.CellSizeListIndex()));
    Save(kSettingsSection, kEachMonitorKey, BooleanText(form_.EachMonitorValue() == 1));
    Save(kSettingsSection, kSaveBatteryKey, BooleanText(form_.SaveBatteryValue() == 1));
    form_.UnloadWindow();
}

void ConfigDialog::CancelClicked() {
    form_.UnloadWindow();
}

void ConfigDialog::BrowseClicked() {
    if (const std::optional<std::string> folder = form_.PickFolder(form_.PatternsText())) form_.SetPatternsText(*folder);
}

void ConfigDialog::DelayFocusLeaving() {
    beforeFocusMove_ = ControlValues{form_.RainbowValue(), form_.ColorListIndex(), form_.ModeValue(0),
                                     form_.ModeValue(1), form_.SpeedValue(), form_.SeedingListIndex(),
                                     form_.CellSizeListIndex(), form_.EachMonitorValue(), form_.SaveBatteryValue()};
}

void ConfigDialog::ValidateDelay(bool& cancel) {
    const std::optional<ControlValues> before = std::exchange(beforeFocusMove_, std::nullopt);
    const std::string text = form_.DelayText();
    if (DelayTextAccepted(text)) return;
    form_.ShowStopMessage(kDelayTooLargeMessage, kDelayErrorTitle);
    form_.SelectDelayText(0, static_cast<int>(text.size()));
    cancel = true;
    // The click or key that was moving the focus changes nothing: a slider
    // that has stepped, an option or a box that has been clicked, go back.
    if (before) {
        form_.SetRainbowValue(before->rainbow);
        RainbowClicked();
        form_.SetColorListIndex(before->color);
        form_.SetModeValue(0, before->torus);
        form_.SetModeValue(1, before->island);
        form_.SetSpeedValue(before->speed);
        form_.SetSeedingListIndex(before->seeding);
        form_.SetCellSizeListIndex(before->cellSize);
        form_.SetEachMonitorValue(before->eachMonitor);
        form_.SetSaveBatteryValue(before->saveBattery);
    }
}

void ConfigDialog::BeforeUnload() {
    Save(kWindowSection, kTopKey, SingleText(form_.Top()));
    Save(kWindowSection, kLeftKey, SingleText(form_.Left()));
}

}  // namespace tovra
