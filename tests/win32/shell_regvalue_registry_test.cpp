// The password switch read from the real registry of the test's prefix;
// the value found there is put back at the end.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "shell/RegValue.h"
#include "shell/win32/Win32RegValue.h"
#include "win32/RegistryTestSupport.h"

namespace tovra {
namespace {

using test::RawValue;

constexpr char kDesktop[] = "Control Panel\\Desktop";
constexpr char kName[] = "ScreenSaveUsePassword";

TEST(PasswordSwitchInTheRegistry, StoredValuesThroughTheRealCalls) {
    const std::optional<RawValue> saved = test::ReadRaw(HKEY_CURRENT_USER, kDesktop, kName);
    const struct {
        std::optional<RawValue> value;  // nothing: no such value
        std::string text;
        bool on;
    } rows[] = {
        {RawValue{REG_DWORD, {1, 2, 0, 0}}, "513", true},
        {test::Sz("0"), "0", false},
        {test::Sz(std::string(2047, '1')), std::string(2047, '1'), true},
        {test::Sz(std::string(2048, '1')), "Not Found", false},
        {std::nullopt, "Not Found", false},
    };
    for (const auto& r : rows) {
        test::WriteRaw(HKEY_CURRENT_USER, kDesktop, kName, r.value);
        EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kDesktop, kName), r.text);
        EXPECT_EQ(ReadUsePassword(), r.on) << r.text;
        EXPECT_EQ(test::ReadRaw(HKEY_CURRENT_USER, kDesktop, kName), r.value) << r.text << ": left as it was";
    }
    const std::string absentKey = "Software\\" + test::ScratchName("absent key");
    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, absentKey, kName), "Not Found");
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, absentKey)) << "nothing created";
    test::WriteRaw(HKEY_CURRENT_USER, kDesktop, kName, saved);
}

}  // namespace
}  // namespace tovra
