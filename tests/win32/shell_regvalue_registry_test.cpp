// The password switch read from the real registry of the test's prefix,
// with every kind of stored value. The user's own value is put back after
// each case.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "shell/RegValue.h"
#include "shell/win32/Win32RegValue.h"
#include "win32/RegistryTestSupport.h"

namespace tovra {
namespace {

using test::RawValue;
using test::Sz;

constexpr char kDesktop[] = "Control Panel\\Desktop";
constexpr char kName[] = "ScreenSaveUsePassword";

RawValue Dword(DWORD n) {
    return {REG_DWORD, {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                        static_cast<unsigned char>(n >> 16), static_cast<unsigned char>(n >> 24)}};
}

TEST(PasswordSwitchInTheRegistry, EveryKindOfStoredValue) {
    const struct {
        const char* what;
        RawValue value;
        std::string text;
        bool on;
    } cases[] = {
        {"REG_DWORD 0", Dword(0), "000", false},
        {"REG_DWORD 1", Dword(1), "001", true},
        {"REG_DWORD 1234", Dword(1234), "1234", true},
        {"REG_DWORD 4294967295", Dword(0xFFFFFFFFu), "4294967295", true},
        {"REG_SZ 1", Sz("1"), "1", true},
        {"REG_SZ 0", Sz("0"), "0", false},
        {"REG_SZ empty", Sz(""), "", false},
        {"REG_SZ of 2047 characters", Sz(std::string(2047, '1')), std::string(2047, '1'), true},
        {"REG_SZ of 2048 characters", Sz(std::string(2048, '1')), "Not Found", false},
        {"REG_SZ of 3000 characters", Sz(std::string(3000, '1')), "Not Found", false},
        {"REG_BINARY 1 2 3", RawValue{REG_BINARY, {1, 2, 3}}, "\x01\x02", false},
        {"REG_BINARY of zero bytes", RawValue{REG_BINARY, {}}, "Not Found", false},
        {"REG_BINARY of 2049 bytes", RawValue{REG_BINARY, std::vector<unsigned char>(2049, '1')}, "Not Found",
         false},
    };
    for (const auto& c : cases) {
        test::PreservedValue keep(HKEY_CURRENT_USER, kDesktop, kName);
        ASSERT_EQ(test::WriteRaw(HKEY_CURRENT_USER, kDesktop, kName, c.value), ERROR_SUCCESS) << c.what;
        const std::string text = GetRegValue(HKEY_CURRENT_USER, kDesktop, kName);
        EXPECT_EQ(text, c.text) << c.what;
        EXPECT_EQ(UsePasswordFromRegText(text), c.on) << c.what;
        EXPECT_EQ(ReadUsePassword(), c.on) << c.what;
        EXPECT_EQ(test::ReadRaw(HKEY_CURRENT_USER, kDesktop, kName), c.value) << c.what << ": left unchanged";
    }
}

TEST(PasswordSwitchInTheRegistry, AbsentValueOrKeyReadsAsNotFound) {
    {
        test::PreservedValue keep(HKEY_CURRENT_USER, kDesktop, kName);
        test::DeleteRaw(HKEY_CURRENT_USER, kDesktop, kName);
        EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kDesktop, kName), "Not Found");
        EXPECT_FALSE(ReadUsePassword());
        EXPECT_EQ(test::ReadRaw(HKEY_CURRENT_USER, kDesktop, kName), std::nullopt) << "nothing written";
    }
    const std::string absentKey = "Software\\" + test::ScratchName("absent key");
    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, absentKey, kName), "Not Found");
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, absentKey)) << "nothing created";
}

}  // namespace
}  // namespace tovra
