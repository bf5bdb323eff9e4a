#include "settings/SaverSettings.h"

#include <optional>

#include "settings/Conversions.h"

namespace tovra {

namespace {

std::string Read(SettingsStore& store, const char* key, const char* defaultText) {
    return store.GetSetting(kApplicationTitle, kSettingsSection, key, defaultText);
}

template <typename T>
T ValueOr(const std::optional<T>& value, T fallback) {
    return value ? *value : fallback;
}

}  // namespace

SaverSettings ReadDisplaySettings(SettingsStore& store) {
    const SaverSettings defaults;
    SaverSettings s;
    s.Rainbow = ValueOr(TextToBoolean(Read(store, kRainbowKey, kRainbowDefaultText)), defaults.Rainbow);

    const std::optional<int32_t> color = TextToInt32(Read(store, kColorKey, kColorDefaultText));
    s.Color = (color && *color >= 0 && *color < kColorCount) ? *color : defaults.Color;

    s.Torus = ValueOr(TextToBoolean(Read(store, kTorusKey, kTorusDefaultText)), defaults.Torus);

    const std::optional<int32_t> speed = TextToInt32(Read(store, kSpeedKey, kSpeedDefaultText));
    s.Speed = (speed && *speed >= 0 && *speed <= kMaxTimerInterval) ? *speed : defaults.Speed;

    s.Delay = ValueOr(TextToInt16(Read(store, kDelayKey, kDelayDefaultText)), defaults.Delay);
    return s;
}

}  // namespace tovra
