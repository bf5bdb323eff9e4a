// Text conversions of the stored settings: strict readers, the lenient
// leading-number reader and the text forms the program writes.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "settings/Conversions.h"

namespace tovra {
namespace {

constexpr auto kNone = std::nullopt;
constexpr double kInf = std::numeric_limits<double>::infinity();

template <typename T>
struct ReadCase {
    std::string text;
    std::optional<T> expected;
};

template <typename T>
std::string Describe(const ReadCase<T>& c) {
    return "text \"" + c.text + "\"";
}

TEST(TextToBoolean, WordsInAnyCaseOrNumbers) {
    const ReadCase<bool> cases[] = {
        {"True", true},  {"false", false}, {"TRUE", true},  {"fAlSe", false}, {" True\t", true},
        {"0", false},    {"1", true},      {"-1", true},    {"0.0", false},   {"0.4", true},
        {"&H0", false},  {"&H10", true},   {"1E-3", true},  {"", kNone},      {"yes", kNone},
        {"Truex", kNone}, {"T rue", kNone}, {"1 0", kNone}, {"1e400", kNone},
    };
    for (const auto& c : cases) EXPECT_EQ(TextToBoolean(c.text), c.expected) << Describe(c);
}

TEST(TextToInt16, RoundsHalfToEvenAndChecksRange) {
    const ReadCase<int16_t> cases[] = {
        {"2000", 2000},       {" 2000 ", 2000},     {"+7", 7},           {"12.5", 12},
        {"13.5", 14},         {"-12.5", -12},       {"0.5", 0},          {"1.5", 2},
        {"2.5000001", 3},     {"-0.4", 0},          {".5", 0},           {"2e3", 2000},
        {"32767", 32767},     {"32767.4", 32767},   {"32767.5", kNone},  {"32768", kNone},
        {"-32768", -32768},   {"-32768.5", -32768}, {"-32769", kNone},   {"&H7FFF", 32767},
        {"&HFFFF", kNone},    {"&O17", 15},         {"", kNone},         {"abc", kNone},
        {"12abc", kNone},     {"abc40000", kNone},  {"1,000", kNone},    {"1.2.3", kNone},
        {"- 5", kNone},       {"-&H1", kNone},      {"1e400", kNone},    {"1e", kNone},
    };
    for (const auto& c : cases) EXPECT_EQ(TextToInt16(c.text), c.expected) << Describe(c);
}

TEST(TextToInt32, FullThirtyTwoBitRange) {
    const ReadCase<int32_t> cases[] = {
        {"300", 300},
        {"65536", 65536},
        {"-1", -1},
        {"2147483647", 2147483647},
        {"2147483647.5", kNone},
        {"2147483648", kNone},
        {"-2147483648", std::numeric_limits<int32_t>::min()},
        {"-2147483648.5", std::numeric_limits<int32_t>::min()},
        {"-2147483649", kNone},
        {"4294967296", kNone},
        {"&HFFFFFFFF", kNone},
        {"1e9", 1000000000},
    };
    for (const auto& c : cases) EXPECT_EQ(TextToInt32(c.text), c.expected) << Describe(c);
}

TEST(TextToFloatingPoint, DecimalNumbersWithinTheTypesRange) {
    const ReadCase<double> doubles[] = {
        {"0.1", 0.1},     {"2340", 2340.0}, {"-1935.5", -1935.5}, {"1E+15", 1e15},  {"1e-5", 1e-5},
        {"1e-400", 0.0},  {"1e400", kNone}, {"-1e400", kNone},    {"12,5", kNone},  {"1.5e+", kNone},
        {"0x10", kNone},  {"inf", kNone},   {"nan", kNone},       {".", kNone},     {"&O777", 511.0},
    };
    for (const auto& c : doubles) EXPECT_EQ(TextToDouble(c.text), c.expected) << Describe(c);

    const ReadCase<float> floats[] = {
        {"2340", 2340.0f}, {"1935.5", 1935.5f}, {"0.1", 0.1f}, {"-7", -7.0f},
        {"3.4e38", 3.4e38f}, {"3.5e38", kNone}, {"1e-50", 0.0f}, {"top", kNone},
    };
    for (const auto& c : floats) EXPECT_EQ(TextToSingle(c.text), c.expected) << Describe(c);
}

TEST(LeadingNumber, ReadsTheNumberAtTheStartOfTheText) {
    const struct {
        std::string text;
        double expected;
    } cases[] = {
        // The delay check's examples.
        {"32767", 32767},        {"32767.5", 32767.5},     {"40000", 40000},  {"40000abc", 40000},
        {"abc40000", 0},         {"1e5", 1e5},             {"40 000", 40000}, {"-40000", -40000},
        {"12.5", 12.5},
        // The registry texts.
        {"Not Found", 0},        {"", 0},                  {"000", 0},        {"001", 1},
        {"1234", 1234},          {"\x01\x02", 0},          {"0", 0},
        // Blanks, signs, points and exponents.
        {" \t\n7", 7},           {"1\n2", 12},             {"1\r2", 1},       {"+3", 3},
        {"- 3", -3},             {".5", 0.5},              {"-.5", -0.5},     {"5.", 5},
        {"1.5.5", 1.5},          {"-", 0},                 {".", 0},          {"12e", 12},
        {"12e+", 12},            {"1E-2x", 0.01},          {"2 e 3", 2000},   {"5d3", 5},
        {"1,000", 1},            {"0e999999", 0},          {"1e-400", 0},
        {"1e400", kInf},         {"-1e400", -kInf},
        // Radix prefixes.
        {"&H1F", 31},            {"&h1f", 31},             {"& H 1 F", 31},   {"&HFFFF", 65535},
        {"&O17", 15},            {"&o17", 15},             {"&O8", 0},        {"&HG", 0},
        {"&H", 0},               {"&17", 0},               {"&H1Fz", 31},     {"&HFFFFFFFF", 4294967295.0},
    };
    for (const auto& c : cases) EXPECT_EQ(LeadingNumber(c.text), c.expected) << "text \"" << c.text << "\"";
}

TEST(TextForms, DoubleAndFloatWithLimitedSignificantDigits) {
    const struct {
        double value;
        const char* text;
    } doubles[] = {
        {300, "300"},
        {201, "201"},
        {0, "0"},
        {-0.0, "0"},
        {0.1, "0.1"},
        {-2.5, "-2.5"},
        {1.0 / 3, "0.333333333333333"},
        {123456789012345.0, "123456789012345"},
        {1e15, "1E+15"},
        {1234567890123456.0, "1.23456789012346E+15"},
        {1e-5, "1E-05"},
        {0.1 + 0.2, "0.3"},
        {-DBL_MAX, "-1.79769313486231E+308"},  // not rounded up beyond the double range
    };
    for (const auto& c : doubles) EXPECT_EQ(DoubleText(c.value), c.text) << c.value;

    const struct {
        float value;
        const char* text;
    } floats[] = {
        {2340.0f, "2340"},     {1935.5f, "1935.5"},      {0.1f, "0.1"}, {-0.0f, "0"},
        {1234567.0f, "1234567"}, {12345678.0f, "1.234568E+07"}, {-15.25f, "-15.25"},
    };
    for (const auto& c : floats) EXPECT_EQ(SingleText(c.value), c.text) << c.value;
}

TEST(TextForms, SpeedOfEverySliderPositionPrintsWholeAndReadsBack) {
    // The dialog computes Speed = (100 - p) / 100 * 300 in double precision;
    // some of these land a hair off the whole number, which 15 significant
    // digits must hide.
    for (int p = 0; p <= 100; ++p) {
        const double speed = (100 - p) / 100.0 * 300.0;
        const std::string text = DoubleText(speed);
        EXPECT_EQ(text, std::to_string(3 * (100 - p))) << "position " << p;
        EXPECT_EQ(TextToInt16(text), 3 * (100 - p)) << "position " << p;
    }
}

TEST(TextForms, WrittenFormsReadBack) {
    for (bool b : {false, true}) EXPECT_EQ(TextToBoolean(BooleanText(b)), b);
    for (int v : {-1, 0, 4, 32767, -32768}) EXPECT_EQ(TextToInt16(IntegerText(v)), v);
    for (float f : {0.0f, 2340.0f, -1935.5f, 1234567.0f, 0.1f}) EXPECT_EQ(TextToSingle(SingleText(f)), f);
    EXPECT_EQ(IntegerText(-2147483648LL), "-2147483648");
}

TEST(TextForms, ThreeDigitForm) {
    const struct {
        uint32_t value;
        const char* text;
    } cases[] = {{0, "000"}, {1, "001"}, {99, "099"}, {100, "100"}, {1234, "1234"}, {4294967295u, "4294967295"}};
    for (const auto& c : cases) EXPECT_EQ(ThreeDigitText(c.value), c.text);
}

}  // namespace
}  // namespace tovra
