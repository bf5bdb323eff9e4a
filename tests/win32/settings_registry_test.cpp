// The settings store on the real registry of the test's prefix.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "settings/win32/RegistrySettingsStore.h"
#include "win32/RegistryTestSupport.h"

namespace tovra {
namespace {

using test::RawValue;

class RegistrySettings : public ::testing::Test {
protected:
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\" + app).c_str()); }
    const std::string app = test::ScratchName("settings");
    const std::string path = "Software\\" + app + "\\Window";
    RegistrySettingsStore store;
};

TEST_F(RegistrySettings, TextsAreStringsUnderTheApplicationsKey) {
    EXPECT_EQ(store.GetSetting(app, "Window", "Top", "1935"), "1935");
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, "Software\\" + app)) << "reading creates nothing";
    const std::string longText(5000, '9');  // longer than any first guess at its size
    for (const std::string& text : {std::string("-1935.5"), std::string(), longText}) {
        store.SaveSetting(app, "Window", "Top", text);
        EXPECT_EQ(test::ReadRaw(HKEY_CURRENT_USER, path, "Top"), test::Sz(text));
        EXPECT_EQ(store.GetSetting(app, "WINDOW", "top", "x"), text) << "names in any letter case";
    }
    EXPECT_EQ(store.GetSetting(app, "Window", "Left", "2340"), "2340") << "a section without the value";
}

TEST_F(RegistrySettings, StoredValuesOfOtherTypesAndForms) {
    const struct {
        RawValue value;
        const char* text;
    } rows[] = {
        {{REG_DWORD, {100, 0, 0, 0}}, "default"},
        {{REG_BINARY, {'7', 0}}, "default"},
        {{REG_SZ, {'7', '5'}}, "75"},  // without its terminating zero byte
        {{REG_EXPAND_SZ, {'7', 0}}, "7"},
    };
    for (const auto& r : rows) {
        ASSERT_EQ(test::WriteRaw(HKEY_CURRENT_USER, path, "Top", r.value), ERROR_SUCCESS);
        EXPECT_EQ(store.GetSetting(app, "Window", "Top", "default"), r.text) << "type " << r.value.type;
    }
}

}  // namespace
}  // namespace tovra
