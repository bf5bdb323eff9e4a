// Reading a registry value as text, and the password switch built on it.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "shell/RegValue.h"

namespace tovra {
namespace {

using Bytes = std::vector<unsigned char>;
constexpr uint32_t kSz = 1, kBinary = 3, kDword = 4;

TEST(FormRegValue, EveryKindOfQueriedValue) {
    const struct {
        long status;
        uint32_t type;
        Bytes data;
        std::string text;
        bool usePassword;
    } rows[] = {
        {2, kSz, {'1', 0}, "Not Found", false},  {0, kDword, {0, 0, 0, 0}, "000", false},
        {0, kDword, {1, 0, 0, 0}, "001", true},  {0, kDword, {0xD2, 4, 0, 0}, "1234", true},
        {0, kDword, {0, 1}, "256", true},         {0, kDword, {1, 2, 3, 4, 5}, "67305985", true},
        {0, kDword, Bytes(4, 0xFF), "4294967295", true}, {0, kSz, {'0', 0}, "0", false},
        {0, kSz, {0}, "", false},                 {0, kSz, {}, "Not Found", false},
        {0, kBinary, {1, 2, 3}, "\x01\x02", false}, {0, kBinary, {'7', 0}, "7", true},
        {0, kSz, Bytes(2048, '5'), std::string(2047, '5'), true}, {0, kSz, Bytes(2049, '5'), "Not Found", false},
    };
    for (const auto& r : rows) {
        const std::string text = FormRegValue(r.status, r.type, r.data.data(), static_cast<uint32_t>(r.data.size()), 2048);
        EXPECT_EQ(text, r.text) << "type " << r.type << ", " << r.data.size() << " bytes";
        EXPECT_EQ(UsePasswordFromRegText(text), r.usePassword) << text;
    }
}

// One key holding "1"; records the calls, the buffer it was handed, and
// throws from the query when asked to.
class FakeRegistry : public RegistryCalls {
public:
    bool keyExists = true, throwOnQuery = false;
    std::vector<std::string> log;
    Bytes buffer;

    long OpenKey(Key root, const std::string& subkey, Key& key) override {
        log.push_back("open " + std::to_string(root) + " " + subkey);
        if (keyExists) key = 77;
        return keyExists ? 0 : 2;
    }
    long QueryValue(Key key, const std::string& name, uint32_t& type, unsigned char* data, uint32_t& count) override {
        log.push_back("query " + std::to_string(key) + " " + name);
        buffer.assign(data, data + count);
        if (throwOnQuery) throw std::runtime_error("query failed");
        if (key != 77) return 6;
        type = kSz;
        data[0] = '1';
        data[1] = 0;
        count = 2;
        return 0;
    }
    long CloseKey(Key key) override {
        log.push_back("close " + std::to_string(key));
        return 0;
    }
};

TEST(GetRegValue, OpensQueriesIntoSpacesAndClosesWhatItOpened) {
    const struct {
        bool keyExists, throwOnQuery;
        const char* text;
        std::vector<std::string> log;
    } rows[] = {
        {true, false, "1", {"open 9 Control Panel\\Desktop", "query 77 V", "close 77"}},
        {false, false, "Not Found", {"open 9 Control Panel\\Desktop", "query 0 V"}},
        {true, true, "Not Found", {"open 9 Control Panel\\Desktop", "query 77 V", "close 77"}},
    };
    for (const auto& r : rows) {
        FakeRegistry registry;
        registry.keyExists = r.keyExists;
        registry.throwOnQuery = r.throwOnQuery;
        EXPECT_EQ(GetRegValue(registry, 9, "Control Panel\\Desktop", "V"), r.text);
        EXPECT_EQ(registry.log, r.log);
        EXPECT_EQ(registry.buffer, Bytes(2048, ' '));
    }
}

}  // namespace
}  // namespace tovra
