// The settings store on the real registry of the test's prefix.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "settings/SaverSettings.h"
#include "settings/win32/RegistrySettingsStore.h"
#include "win32/RegistryTestSupport.h"

namespace tovra {
namespace {

using test::KeyExists;
using test::RawValue;
using test::Sz;
using test::ReadRaw;
using test::WriteRaw;

// The registry store under a scratch application name in place of the real
// title, so that the display window's reader runs on real keys that the
// test owns.
class ScratchStore : public SettingsStore {
public:
    explicit ScratchStore(std::string application) : application_(std::move(application)) {}
    std::string GetSetting(const std::string& application, const std::string& section, const std::string& key,
                           const std::string& defaultText) override {
        return registry_.GetSetting(Map(application), section, key, defaultText);
    }
    void SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                     const std::string& text) override {
        registry_.SaveSetting(Map(application), section, key, text);
    }

private:
    std::string Map(const std::string& application) const {
        return application == kApplicationTitle ? application_ : "unexpected application " + application;
    }
    std::string application_;
    RegistrySettingsStore registry_;
};

class RegistrySettings : public ::testing::Test {
protected:
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\" + app).c_str()); }
    std::string Path(const char* section) const { return "Software\\" + app + "\\" + section; }

    const std::string app = test::ScratchName("settings");
    ScratchStore store{app};
};

TEST_F(RegistrySettings, AllSevenKeysRoundTripAsStringsUnderTheApplicationsKey) {
    const struct {
        const char* section;
        const char* key;
        const char* text;
    } values[] = {
        {kSettingsSection, kRainbowKey, "True"}, {kSettingsSection, kColorKey, "4"},
        {kSettingsSection, kTorusKey, "False"},  {kSettingsSection, kSpeedKey, "201"},
        {kSettingsSection, kDelayKey, "12.5"},   {kWindowSection, kTopKey, "2340"},
        {kWindowSection, kLeftKey, "-1935.5"},
    };
    for (const auto& v : values) store.SaveSetting(kApplicationTitle, v.section, v.key, v.text);

    RegistrySettingsStore fresh;
    for (const auto& v : values) {
        EXPECT_EQ(fresh.GetSetting(app, v.section, v.key, "default"), v.text) << v.key;
        EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, Path(v.section), v.key), Sz(v.text)) << v.key;
    }
    EXPECT_EQ(ReadDisplaySettings(store), (SaverSettings{true, 4, false, 201, 12}));

    store.SaveSetting(kApplicationTitle, kSettingsSection, kSpeedKey, "0");
    store.SaveSetting(kApplicationTitle, kSettingsSection, kDelayKey, "");
    EXPECT_EQ(ReadDisplaySettings(store), (SaverSettings{true, 4, false, 0, 2000}));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, Path(kSettingsSection), kDelayKey), Sz("")) << "stored as given";
}

TEST_F(RegistrySettings, AbsentKeysGiveTheDefaultsAndReadingCreatesNothing) {
    EXPECT_EQ(ReadDisplaySettings(store), SaverSettings{});
    EXPECT_EQ(store.GetSetting(kApplicationTitle, kWindowSection, kTopKey, "1935"), "1935");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\" + app));

    // A section that exists without the value asked for.
    store.SaveSetting(kApplicationTitle, kSettingsSection, kColorKey, "3");
    EXPECT_EQ(ReadDisplaySettings(store), (SaverSettings{false, 3, true, 300, 2000}));
    EXPECT_EQ(store.GetSetting(kApplicationTitle, kWindowSection, kLeftKey, "2340"), "2340");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Path(kWindowSection)));
}

TEST_F(RegistrySettings, UnusualStoredValues) {
    const std::string settings = Path(kSettingsSection);
    // A value of another type reads as absent.
    WriteRaw(HKEY_CURRENT_USER, settings, kSpeedKey, RawValue{REG_DWORD, {100, 0, 0, 0}});
    EXPECT_EQ(store.GetSetting(kApplicationTitle, kSettingsSection, kSpeedKey, "300"), "300");
    // A string without its terminating zero byte.
    WriteRaw(HKEY_CURRENT_USER, settings, kDelayKey, RawValue{REG_SZ, {'7', '5'}});
    EXPECT_EQ(store.GetSetting(kApplicationTitle, kSettingsSection, kDelayKey, "2000"), "75");
    // A text longer than any first guess at its size.
    const std::string longText(5000, '9');
    store.SaveSetting(kApplicationTitle, kSettingsSection, kDelayKey, longText);
    EXPECT_EQ(store.GetSetting(kApplicationTitle, kSettingsSection, kDelayKey, "2000"), longText);
    EXPECT_EQ(ReadDisplaySettings(store).Delay, 2000);
    // Names in another letter case find the same value.
    EXPECT_EQ(RegistrySettingsStore().GetSetting(app, "SETTINGS", "delay", "x"), longText);
}

}  // namespace
}  // namespace tovra
