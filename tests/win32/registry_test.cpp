// The two registry readers on the real registry of the test's Wine prefix:
// missing keys, and the value types and forms only the platform stores.
// (What the program writes is read back by the dialog's end-to-end test.)
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "settings/win32/RegistrySettingsStore.h"
#include "settings/win32/Win32RegistryValue.h"

namespace tovra {
namespace {

using namespace std::string_literals;

const std::string kApp = "SCRNSAVE:Tovra Screensaver test " + std::to_string(GetCurrentProcessId());
const std::string kKey = "Software\\" + kApp;
const std::string kWindow = kKey + "\\Window";

TEST(Registry, MissingKeysAndStoredTypesThroughBothReaders) {
    const struct {
        DWORD type;
        std::string bytes;  // as stored, zero bytes included
        std::string setting, regValue;
    } rows[] = {
        {REG_SZ, "-1935.5\0"s, "-1935.5", "-1935.5"},
        {REG_SZ, "75"s, "75", "75"},  // stored without its zero byte, which the query adds
        {REG_EXPAND_SZ, "7\0"s, "7", "7"},
        {REG_DWORD, "\1\2\0\0"s, "default", "513"},
        {REG_BINARY, "7\0"s, "default", "7"},
        {REG_SZ, std::string(2047, '1') + '\0', std::string(2047, '1'), std::string(2047, '1')},
        {REG_SZ, std::string(2048, '1') + '\0', std::string(2048, '1'), "Not Found"},
    };
    RegistrySettingsStore store;
    EXPECT_EQ(store.GetSetting(kApp, "Window", "Top", "1935"), "1935");
    EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER, kWindow, "Top"), "Not Found");
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kKey.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS) << "not created";
    for (const auto& r : rows) {
        SCOPED_TRACE(r.setting.substr(0, 10) + " " + std::to_string(r.bytes.size()));
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kWindow.c_str(), "Top", r.type, r.bytes.data(),
                                  static_cast<DWORD>(r.bytes.size())),
                  ERROR_SUCCESS);
        EXPECT_EQ(store.GetSetting(kApp, "WINDOW", "top", "default"), r.setting) << "names in any letter case";
        EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER, kWindow, "Top"), r.regValue);
    }
    EXPECT_EQ(store.GetSetting(kApp, "Window", "Left", "2340"), "2340");
    EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER, kWindow, "Left"), "Not Found");
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey.c_str());
}

}  // namespace
}  // namespace tovra
