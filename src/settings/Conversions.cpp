#include "settings/Conversions.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace tovra {

namespace {

// A number found at the start of a text.
struct Scanned {
    std::size_t length = 0;  // characters that make up the number; 0 = none
    double value = 0;
    bool overflow = false;   // too large for a double
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c, int radix) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    return d < radix ? d : -1;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// "&H" hexadecimal or "&O" octal digits, read as an unsigned value; `s`
// begins with "&".
Scanned ScanRadix(std::string_view s) {
    if (s.size() < 3) return {};
    const char kind = Upper(s[1]);
    const int radix = kind == 'H' ? 16 : kind == 'O' ? 8 : 0;  // radix 0: no digit, no number
    std::size_t i = 2;
    double value = 0;
    for (int d; i < s.size() && (d = DigitValue(s[i], radix)) >= 0; ++i) value = value * radix + d;
    if (i == 2) return {};
    return {i, value, std::isinf(value)};
}

// Whether a decimal literal that the parser found out of range lies above
// the double range (rather than below it): its first significant digit
// stands at a positive power of ten. (A zero is never out of range: the
// mantissa has a digit other than 0.)
bool AboveRange(std::string_view wholeDigits, std::string_view fractionDigits, std::string_view exponent) {
    // An exponent beyond the length of any text in memory decides alone;
    // reading stops there so that it cannot overflow.
    constexpr long long kDecidingExponent = 1000000000000000;
    long long e = 0;
    std::size_t k = 0;
    bool negative = false;
    if (k < exponent.size() && (exponent[k] == '+' || exponent[k] == '-')) negative = exponent[k++] == '-';
    for (; k < exponent.size(); ++k) {
        if (e < kDecidingExponent) e = e * 10 + (exponent[k] - '0');
    }
    if (negative) e = -e;
    const std::size_t firstInt = wholeDigits.find_first_not_of('0');
    if (firstInt != std::string_view::npos) return e + static_cast<long long>(wholeDigits.size() - firstInt) > 0;
    return e - static_cast<long long>(fractionDigits.find_first_not_of('0')) > 0;
}

// Optional sign, digits with at most one ".", optional exponent.
Scanned ScanDecimal(std::string_view s) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    const std::size_t mantissa = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    const std::string_view wholeDigits = s.substr(mantissa, i - mantissa);
    std::string_view fractionDigits;
    if (i < s.size() && s[i] == '.') {
        std::size_t j = i + 1;
        while (j < s.size() && IsDigit(s[j])) ++j;
        fractionDigits = s.substr(i + 1, j - i - 1);
        if (!wholeDigits.empty() || !fractionDigits.empty()) i = j;
    }
    if (wholeDigits.empty() && fractionDigits.empty()) return {};
    std::string_view exponent;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        std::size_t k = j;
        while (k < s.size() && IsDigit(s[k])) ++k;
        if (k > j) {
            exponent = s.substr(i + 1, k - i - 1);
            i = k;
        }
    }
    const std::string_view body = s.substr(mantissa, i - mantissa);
    double value = 0;
    const auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value,
                                           std::chars_format::general);
    Scanned result{i, value, false};
    if (ec == std::errc::result_out_of_range) {
        result.overflow = AboveRange(wholeDigits, fractionDigits, exponent);
        result.value = result.overflow ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (ec != std::errc() || end != body.data() + body.size()) {
        return {};  // cannot happen for the characters accepted above
    }
    if (negative) result.value = -result.value;
    return result;
}

Scanned ScanNumber(std::string_view s) {
    return (!s.empty() && s[0] == '&') ? ScanRadix(s) : ScanDecimal(s);
}

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kBlank = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlank);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlank) - first + 1);
}

double RoundHalfToEven(double x) {
    double r = std::floor(x);
    const double fraction = x - r;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
    return r;
}

template <typename Int>
std::optional<Int> TextToInteger(std::string_view text) {
    const std::optional<double> value = TextToDouble(text);
    if (!value) return std::nullopt;
    const double rounded = RoundHalfToEven(*value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(rounded);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i])) return false;
    }
    return true;
}

template <typename Float>
std::string FloatText(Float value, int significantDigits) {
    if (value == 0) return "0";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::general, significantDigits);
    std::string text(buffer, result.ptr);
    for (char& c : text) {
        if (c == 'e') c = 'E';
    }
    return text;
}

}  // namespace

std::optional<double> TextToDouble(std::string_view text) {
    const std::string_view number = Trim(text);
    const Scanned scanned = ScanNumber(number);
    if (scanned.length == 0 || scanned.length != number.size() || scanned.overflow) return std::nullopt;
    return scanned.value;
}

std::optional<float> TextToSingle(std::string_view text) {
    const std::optional<double> value = TextToDouble(text);
    if (!value || std::fabs(*value) > static_cast<double>(FLT_MAX)) return std::nullopt;
    return static_cast<float>(*value);
}

std::optional<int16_t> TextToInt16(std::string_view text) { return TextToInteger<int16_t>(text); }

std::optional<int32_t> TextToInt32(std::string_view text) { return TextToInteger<int32_t>(text); }

std::optional<bool> TextToBoolean(std::string_view text) {
    const std::string_view word = Trim(text);
    if (EqualsIgnoringCase(word, "True")) return true;
    if (EqualsIgnoringCase(word, "False")) return false;
    const std::optional<double> value = TextToDouble(word);
    if (!value) return std::nullopt;
    return *value != 0.0;
}

double LeadingNumber(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') compact += c;
    }
    const Scanned scanned = ScanNumber(compact);
    return scanned.length == 0 ? 0.0 : scanned.value;
}

std::string BooleanText(bool value) { return value ? "True" : "False"; }

std::string IntegerText(int64_t value) { return std::to_string(value); }

std::string DoubleText(double value) {
    // Next to the largest double, 15 digits would round up to a text beyond
    // the double range, which no reader takes: those values are written as
    // the largest 15-digit number below it.
    constexpr double kLargestText = 1.79769313486231E+308;
    if (std::isfinite(value)) value = std::clamp(value, -kLargestText, kLargestText);
    return FloatText(value, 15);
}

std::string SingleText(float value) { return FloatText(value, 7); }

std::string ThreeDigitText(uint32_t value) {
    std::string digits = std::to_string(value);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return digits;
}

std::string LowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace tovra
