// Reading a registry value as text, and the password switch, against a fake
// registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "shell/RegValue.h"

namespace tovra {
namespace {

constexpr long kFileNotFound = 2;
constexpr long kInvalidHandle = 6;
constexpr long kMoreData = 234;
constexpr uint32_t kSz = 1, kBinary = 3, kDword = 4;
constexpr RegistryCalls::Key kCurrentUser = 0x80000001u;

using Bytes = std::vector<unsigned char>;

Bytes Text(const std::string& s) {
    Bytes b(s.begin(), s.end());
    b.push_back(0);
    return b;
}

Bytes Dword(uint32_t v) {
    return {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
            static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
}

// One key with values; behaves like the platform's calls, and records them.
class FakeRegistry : public RegistryCalls {
public:
    struct Value {
        uint32_t type;
        Bytes data;
    };
    bool keyExists = true;
    std::map<std::string, Value> values;
    bool throwOnQuery = false;
    uint32_t reportedCountOverride = 0;  // a platform that reports more than it was given

    std::vector<std::string> log;
    bool bufferWasSpaces = false;
    uint32_t countPassedIn = 0;

    static constexpr Key kOpened = 0x1234;

    long OpenKey(Key root, const std::string& subkey, Key& key) override {
        log.push_back("open " + std::to_string(root) + " " + subkey);
        if (!keyExists) return kFileNotFound;
        key = kOpened;
        return 0;
    }
    long QueryValue(Key key, const std::string& valueName, uint32_t& type, unsigned char* data,
                    uint32_t& byteCount) override {
        log.push_back("query " + std::to_string(key) + " " + valueName);
        countPassedIn = byteCount;
        bufferWasSpaces = std::all_of(data, data + byteCount, [](unsigned char c) { return c == ' '; });
        if (throwOnQuery) throw std::runtime_error("query failed");
        if (key != kOpened) return kInvalidHandle;
        const auto it = values.find(valueName);
        if (it == values.end()) return kFileNotFound;
        type = it->second.type;
        const uint32_t size = static_cast<uint32_t>(it->second.data.size());
        if (size > byteCount) {
            byteCount = size;
            return kMoreData;
        }
        std::copy(it->second.data.begin(), it->second.data.end(), data);
        byteCount = reportedCountOverride ? reportedCountOverride : size;
        return 0;
    }
    long CloseKey(Key key) override {
        log.push_back("close " + std::to_string(key));
        return 0;
    }
};

TEST(GetRegValue, EveryKindOfStoredValue) {
    const std::string name = "ScreenSaveUsePassword";
    const struct {
        const char* what;
        bool keyExists;
        bool valueExists;
        uint32_t type;
        Bytes data;
        std::string text;
        bool usePassword;
    } cases[] = {
        {"key absent", false, false, 0, {}, "Not Found", false},
        {"value absent", true, false, 0, {}, "Not Found", false},
        {"DWORD 0", true, true, kDword, Dword(0), "000", false},
        {"DWORD 1", true, true, kDword, Dword(1), "001", true},
        {"DWORD 1234", true, true, kDword, Dword(1234), "1234", true},
        {"DWORD 256", true, true, kDword, Dword(256), "256", true},
        {"DWORD max", true, true, kDword, Dword(0xFFFFFFFFu), "4294967295", true},
        {"DWORD of two bytes", true, true, kDword, {1, 0}, "001", true},
        {"SZ 1", true, true, kSz, Text("1"), "1", true},
        {"SZ 0", true, true, kSz, Text("0"), "0", false},
        {"SZ empty", true, true, kSz, Text(""), "", false},
        {"SZ of zero bytes", true, true, kSz, {}, "Not Found", false},
        {"DWORD of zero bytes", true, true, kDword, {}, "Not Found", false},
        {"binary of zero bytes", true, true, kBinary, {}, "Not Found", false},
        {"binary 1 2 3", true, true, kBinary, {1, 2, 3}, "\x01\x02", false},
        {"binary '7' 0", true, true, kBinary, {'7', 0}, "7", true},
        {"SZ of 2048 bytes", true, true, kSz, Text(std::string(2047, '5')), std::string(2047, '5'), true},
        {"SZ of 2049 bytes", true, true, kSz, Text(std::string(2048, '5')), "Not Found", false},
        {"binary of 4000 bytes", true, true, kBinary, Bytes(4000, '1'), "Not Found", false},
    };
    for (const auto& c : cases) {
        FakeRegistry registry;
        registry.keyExists = c.keyExists;
        if (c.valueExists) registry.values[name] = {c.type, c.data};
        const std::string text = GetRegValue(registry, kCurrentUser, "Control Panel\\Desktop", name);
        EXPECT_EQ(text, c.text) << c.what;
        EXPECT_EQ(UsePasswordFromRegText(text), c.usePassword) << c.what;
        EXPECT_EQ(registry.countPassedIn, 2048u) << c.what;
        EXPECT_TRUE(registry.bufferWasSpaces) << c.what;
    }
}

TEST(GetRegValue, OpensQueriesAndClosesTheKeyItOpened) {
    FakeRegistry registry;
    registry.values["V"] = {kSz, Text("1")};
    GetRegValue(registry, kCurrentUser, "Control Panel\\Desktop", "V");
    const std::vector<std::string> expected = {"open 2147483649 Control Panel\\Desktop", "query 4660 V",
                                               "close 4660"};
    EXPECT_EQ(registry.log, expected);

    FakeRegistry missing;
    missing.keyExists = false;
    GetRegValue(missing, kCurrentUser, "Nowhere", "V");
    const std::vector<std::string> unopened = {"open 2147483649 Nowhere", "query 0 V"};
    EXPECT_EQ(missing.log, unopened) << "the query fails on handle 0 and nothing is closed";
}

TEST(GetRegValue, AFailureInsideTheReadGivesNotFoundAndClosesTheKey) {
    FakeRegistry throwing;
    throwing.values["V"] = {kSz, Text("1")};
    throwing.throwOnQuery = true;
    EXPECT_EQ(GetRegValue(throwing, kCurrentUser, "K", "V"), "Not Found");
    EXPECT_EQ(throwing.log.back(), "close 4660");

    // A byte count beyond the buffer is never read past the buffer's end.
    FakeRegistry overstating;
    overstating.values["V"] = {kSz, Text("1")};
    overstating.reportedCountOverride = 4096;
    EXPECT_EQ(GetRegValue(overstating, kCurrentUser, "K", "V"), "Not Found");
}

TEST(UsePasswordFromRegText, OnExactlyWhenTheLeadingNumberIsNotZero) {
    const struct {
        const char* text;
        bool on;
    } cases[] = {
        {"Not Found", false}, {"", false},   {"0", false},     {"000", false},  {"0.0", false},
        {"abc1", false},      {"001", true}, {"1", true},      {" 1", true},    {"-1", true},
        {"0.5", true},        {"1abc", true}, {"&H1", true},   {"&H0", false},  {"1e400", true},
    };
    for (const auto& c : cases) EXPECT_EQ(UsePasswordFromRegText(c.text), c.on) << "\"" << c.text << "\"";
}

}  // namespace
}  // namespace tovra
