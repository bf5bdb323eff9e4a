// The stored settings: the text conversions (strict readers, the lenient
// leading-number reader, the written forms) and the display window's reader.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "settings/Conversions.h"
#include "settings/SaverSettings.h"

namespace tovra {
namespace {

constexpr auto kNone = std::nullopt;

template <typename T>
struct Row {
    std::string text;
    std::optional<T> expected;
};

// The strict grammar that every typed reader shares: the whole text, blanks
// around it aside, is one number that a double can hold.
TEST(TextToDouble, TheWholeTextIsOneNumber) {
    const Row<double> rows[] = {
        {" \t-1935.5\r\n", -1935.5}, {"+7", 7}, {".5", 0.5}, {"5.", 5}, {"5.E3", 5000}, {"1E+15", 1e15},
        {"2e-3", 0.002}, {"&H1F", 31}, {"&hAf", 175}, {"&o7", 7}, {"&HFFFFFFFF", 4294967295.0}, {"&O10", 8},
        {"1e-400", 0}, {".1e-400", 0}, {"0.0001e400", kNone}, {"1e400", kNone}, {"-1e+400", kNone}, {".01e312", kNone},
        {"1e99999999999999999999", kNone}, {"", kNone}, {" ", kNone}, {".", kNone}, {"-", kNone}, {"1e", kNone},
        {"1.5e+", kNone}, {"12abc", kNone}, {"1 0", kNone}, {"1,000", kNone}, {"1.2.3", kNone}, {"- 5", kNone},
        {"-&H1", kNone}, {"&H", kNone}, {"&HG", kNone}, {"&O8", kNone}, {"&17", kNone}, {"0x10", kNone},
        {"inf", kNone}, {"nan", kNone},
        // Out of range by the digits and the exponent together.
        {std::string(400, '0') + "1e-400", 0}, {"0." + std::string(400, '0') + "1e50", 0},
        {"1" + std::string(4500, '0') + "e-4000", kNone}, {"1" + std::string(499, '0') + "e-1000", 0},
    };
    for (const auto& r : rows) EXPECT_EQ(TextToDouble(r.text), r.expected) << '"' << r.text.substr(0, 20) << '"';
}

TEST(TextToInteger, RoundsHalfToEvenThenMustFit) {
    const Row<int16_t> int16s[] = {
        {"12.5", 12}, {"13.5", 14}, {"-12.5", -12}, {"0.5", 0}, {"1.5", 2}, {"2.5000001", 3}, {"-0.6", -1},
        {"32767.4", 32767}, {"32767.5", kNone}, {"-32768.5", -32768}, {"-32769", kNone}, {"&HFFFF", kNone}, {"x", kNone},
    };
    for (const auto& r : int16s) EXPECT_EQ(TextToInt16(r.text), r.expected) << '"' << r.text << '"';
    const Row<int32_t> int32s[] = {
        {"2147483647", INT32_MAX}, {"2147483647.5", kNone}, {"-2147483648.5", INT32_MIN}, {"-2147483649", kNone},
    };
    for (const auto& r : int32s) EXPECT_EQ(TextToInt32(r.text), r.expected) << '"' << r.text << '"';
    const Row<float> floats[] = {
        {"3.4028234663852886e38", FLT_MAX}, {"-3.4028234663852886e38", -FLT_MAX}, {"3.4028236e38", kNone},
        {"-3.4028236e38", kNone}, {"1e-50", 0.0f}, {"0.1", 0.1f}, {"top", kNone},
    };
    for (const auto& r : floats) EXPECT_EQ(TextToSingle(r.text), r.expected) << '"' << r.text << '"';
    const Row<bool> booleans[] = {
        {"True", true}, {"fAlSe", false}, {" TRUE\t", true}, {"0", false}, {"-1", true}, {"0.4", true},
        {"&H0", false}, {"", kNone}, {"Tru", kNone}, {"Truex", kNone}, {"Trux", kNone}, {"Xrue", kNone},
    };
    for (const auto& r : booleans) EXPECT_EQ(TextToBoolean(r.text), r.expected) << '"' << r.text << '"';
}

TEST(LeadingNumber, TheNumberAtTheStartOfTheText) {
    const std::pair<const char*, double> rows[] = {
        {"40000abc", 40000}, {"abc40000", 0}, {"4 0\t0\n00", 40000}, {"1\r2", 1}, {"- 3x", -3}, {"5.E3", 5000},
        {"1.5.5", 1.5}, {"12e+", 12}, {"1E-2x", 0.01}, {"2 e 3", 2000}, {"", 0}, {"Not Found", 0}, {".", 0},
        {"&H1Fz", 31}, {"& h a F", 175}, {"&O8", 0}, {"1e400", HUGE_VAL}, {"-1e400", -HUGE_VAL},
    };
    for (auto [text, expected] : rows) EXPECT_EQ(LeadingNumber(text), expected) << '"' << text << '"';
}

TEST(TextForms, AtMostFifteenOrSevenSignificantDigits) {
    const std::pair<double, const char*> doubles[] = {
        {300, "300"}, {-0.0, "0"}, {-2.5, "-2.5"}, {1.0 / 3, "0.333333333333333"}, {0.1 + 0.2, "0.3"},
        {1e15, "1E+15"}, {1234567890123456.0, "1.23456789012346E+15"}, {1e-5, "1E-05"},
        {-DBL_MAX, "-1.79769313486231E+308"},  // not rounded up beyond the double range
    };
    for (auto [value, text] : doubles) EXPECT_EQ(DoubleText(value), text);
    const std::pair<float, const char*> floats[] = {
        {1935.5f, "1935.5"}, {-0.0f, "0"}, {0.1f, "0.1"}, {1234567.0f, "1234567"}, {12345678.0f, "1.234568E+07"},
    };
    for (auto [value, text] : floats) EXPECT_EQ(SingleText(value), text);
    const std::pair<uint32_t, const char*> threeDigits[] = {{0, "000"}, {1, "001"}, {99, "099"}, {1234, "1234"}};
    for (auto [value, text] : threeDigits) EXPECT_EQ(ThreeDigitText(value), text);
    EXPECT_EQ(BooleanText(true) + BooleanText(false) + IntegerText(INT64_MIN), "TrueFalse-9223372036854775808");
}

// Each row stores one text over a full set of usable values: an unusable
// text gives that setting its default and leaves the others as stored.
TEST(ReadDisplaySettings, EachStoredValueOrItsDefault) {
    const SaverSettings stored{true, 3, false, 150, 500};
    const struct {
        const char* key;  // nullptr: an empty store
        const char* text;
        SaverSettings expected;
    } rows[] = {
        {nullptr, "", {false, 0, true, 300, 2000}},        {"Rainbow", "-1", stored},
        {"Rainbow", "maybe", {false, 3, false, 150, 500}}, {"Color", "0", {true, 0, false, 150, 500}},
        {"Color", "4.5", {true, 4, false, 150, 500}},      {"Color", "5", {true, 0, false, 150, 500}},
        {"Color", "-1", {true, 0, false, 150, 500}},       {"Torus", "", {true, 3, true, 150, 500}},
        {"Torus", "1", {true, 3, true, 150, 500}},         {"Speed", "0", {true, 3, false, 0, 500}},
        {"Speed", "65535", {true, 3, false, 65535, 500}},  {"Speed", "-1", {true, 3, false, 300, 500}},
        {"Speed", "65536", {true, 3, false, 300, 500}},    {"Speed", "fast", {true, 3, false, 300, 500}},
        {"Delay", "-32768", {true, 3, false, 150, -32768}}, {"Delay", "32767.5", {true, 3, false, 150, 2000}},
        {"Delay", "abc40000", {true, 3, false, 150, 2000}},
    };
    const char* keys[] = {"Rainbow", "Color", "Torus", "Speed", "Delay"};
    const char* texts[] = {"True", "3", "False", "150", "500"};
    for (const auto& r : rows) {
        MemorySettingsStore store;
        for (int i = 0; i < 5 && r.key; ++i) store.Put(kApplicationTitle, kSettingsSection, keys[i], texts[i]);
        if (r.key) store.Put(kApplicationTitle, kSettingsSection, r.key, r.text);
        EXPECT_TRUE(ReadDisplaySettings(store) == r.expected) << (r.key ? r.key : "empty") << " = \"" << r.text << '"';
        EXPECT_TRUE(store.Saves().empty()) << "nothing is written back";
    }
}

}  // namespace
}  // namespace tovra
