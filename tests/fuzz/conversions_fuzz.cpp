// Any text through the settings' readers, checked against the C library's
// strtod, strtoull and nearbyint (C locale, rounding half to even); and the
// written forms of numbers taken from the same bytes, which must read back.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "settings/Conversions.h"

using namespace tovra;

namespace {

template <typename T>
T From(const uint8_t* data) {
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

// strtod of a whole text: its value, or nothing when it stops early.
// `range` is set when the value lies outside the finite normal doubles.
std::optional<double> Strtod(const std::string& text, bool& range) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    range = errno == ERANGE;
    if (text.empty() || end != text.c_str() + text.size()) return std::nullopt;
    return value;
}

// An integer reader against the strict number reader, and on a written integer.
template <typename Int>
void CheckInteger(std::optional<Int> (*reader)(std::string_view), const std::string& text,
                  std::optional<double> number, int64_t written) {
    constexpr auto kMin = std::numeric_limits<Int>::min();
    constexpr auto kMax = std::numeric_limits<Int>::max();
    const std::optional<Int> read = reader(text);
    const double rounded = number ? std::nearbyint(*number) : 0;
    const bool fits = number && rounded >= kMin && rounded <= kMax;
    FUZZ_CHECK(read.has_value() == fits && (!fits || *read == rounded));
    const std::optional<Int> back = reader(IntegerText(written));
    const bool writtenFits = written >= kMin && written <= kMax;
    FUZZ_CHECK(back.has_value() == writtenFits && (!writtenFits || *back == written));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<double> number = TextToDouble(text);
    FUZZ_CHECK(!number || std::isfinite(*number));

    // The strict reader against strtod, on texts of decimal characters.
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    const std::string trimmed =
        first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    bool range = false;
    if (!trimmed.empty() && trimmed.find_first_not_of("0123456789.+-eE") == std::string::npos) {
        const std::optional<double> expected = Strtod(trimmed, range);
        if (!expected || std::isinf(*expected)) FUZZ_CHECK(!number);
        else FUZZ_CHECK(number && (*number == *expected || (range && *number == 0)));
    }
    // ... and radix numbers, as far as a double holds them exactly.
    if (trimmed.size() > 2 && trimmed[0] == '&' && std::strchr("HhOo", trimmed[1]) && trimmed[1] != 0) {
        const bool hex = trimmed[1] == 'H' || trimmed[1] == 'h';
        const std::string digits = trimmed.substr(2);
        const bool plain = digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "01234567") == std::string::npos;
        if (!plain) FUZZ_CHECK(!number);
        else if (digits.size() <= (hex ? 13u : 17u)) FUZZ_CHECK(number && *number == std::strtoull(digits.c_str(), nullptr, hex ? 16 : 8));
    }

    // The other strict readers agree with TextToDouble.
    const std::optional<float> single = TextToSingle(text);
    FUZZ_CHECK(single.has_value() == (number && std::fabs(*number) <= FLT_MAX));
    FUZZ_CHECK(!single || *single == static_cast<float>(*number));
    const int64_t written = size >= 8 ? From<int64_t>(data) : static_cast<int64_t>(size) - 4;
    CheckInteger(TextToInt16, text, number, written);
    CheckInteger(TextToInt32, text, number, written);
    const std::optional<bool> boolean = TextToBoolean(text);
    FUZZ_CHECK(!number || boolean == (*number != 0));
    FUZZ_CHECK(TextToBoolean(BooleanText(size % 2)) == (size % 2 == 1));

    // The lenient reader against strtod on the text without its blanks,
    // where that begins as a decimal number.
    std::string compact;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') compact += c;
    compact.resize(std::strlen(compact.c_str()));
    const std::size_t digit = compact.find_first_not_of("+-") == 1 ? 1 : 0;
    if (digit < compact.size() && (std::isdigit(static_cast<unsigned char>(compact[digit])) || compact[digit] == '.') &&
        compact.compare(digit, 2, "0x") != 0 && compact.compare(digit, 2, "0X") != 0) {
        char* end = nullptr;
        errno = 0;
        const double expected = std::strtod(compact.c_str(), &end);
        const double lenient = LeadingNumber(text);
        FUZZ_CHECK(lenient == expected || (errno == ERANGE && !std::isinf(expected) && lenient == 0));
    }

    // Written forms read back to the value they stand for (to their 15 or 7
    // significant digits) and write again as the same text.
    if (size >= 8) {
        const double value = From<double>(data);
        if (std::isfinite(value)) {
            const std::string form = DoubleText(value);
            const std::optional<double> back = TextToDouble(form);
            FUZZ_CHECK(back && std::fabs(*back - value) <= std::fabs(value) * 1e-14 + DBL_TRUE_MIN);
            FUZZ_CHECK(DoubleText(*back) == form);
        }
        const float single = From<float>(data + 4);
        if (std::isfinite(single)) {
            const std::string form = SingleText(single);
            const std::optional<float> back = TextToSingle(form);
            FUZZ_CHECK(back && std::fabs(*back - single) <= std::fabs(single) * 1e-6f + FLT_TRUE_MIN);
            FUZZ_CHECK(SingleText(*back) == form);
        }
        const uint32_t count = From<uint32_t>(data);
        const std::string digits = ThreeDigitText(count);
        FUZZ_CHECK(digits.size() >= 3 && TextToDouble(digits) == count);
    }
    return 0;
}
