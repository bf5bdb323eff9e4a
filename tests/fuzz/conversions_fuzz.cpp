// Any text through the settings' readers, checked against the C library's
// strtod (C locale), and written forms of numbers taken from the same bytes,
// which must read back.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/Conversions.h"

#define FUZZ_CHECK(c) do { if (!(c)) { std::fprintf(stderr, "check failed: %s\n", #c); std::abort(); } } while (0)

using namespace tovra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<double> number = TextToDouble(text);
    FUZZ_CHECK(!number || std::isfinite(*number));
    // The strict reader against strtod, on texts of decimal characters.
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    const std::string trimmed = first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    if (!trimmed.empty() && trimmed.find_first_not_of("0123456789.+-eE") == std::string::npos) {
        char* end = nullptr;
        errno = 0;
        const double expected = std::strtod(trimmed.c_str(), &end);
        if (end != trimmed.c_str() + trimmed.size() || std::isinf(expected)) FUZZ_CHECK(!number);
        else FUZZ_CHECK(number && (*number == expected || (errno == ERANGE && *number == 0)));
    }
    // The other strict readers agree with it.
    const std::optional<float> single = TextToSingle(text);
    FUZZ_CHECK(single.has_value() == (number && std::fabs(*number) <= FLT_MAX) && (!single || *single == static_cast<float>(*number)));
    const std::optional<int32_t> integer = TextToInt32(text);
    const double rounded = number ? std::nearbyint(*number) : 0;
    FUZZ_CHECK(integer.has_value() == (number && rounded >= INT32_MIN && rounded <= INT32_MAX) && (!integer || *integer == rounded));
    FUZZ_CHECK(!number || TextToBoolean(text) == (*number != 0));
    // The lenient reader against strtod on the text without its blanks, where that begins as a decimal number.
    std::string compact;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') compact += c;
    compact.resize(std::strlen(compact.c_str()));
    const std::size_t digit = compact.find_first_not_of("+-") == 1 ? 1 : 0;
    if (digit < compact.size() && (std::isdigit(static_cast<unsigned char>(compact[digit])) || compact[digit] == '.') &&
        compact.compare(digit, 2, "0x") != 0 && compact.compare(digit, 2, "0X") != 0) {
        errno = 0;
        const double expected = std::strtod(compact.c_str(), nullptr), lenient = LeadingNumber(text);
        FUZZ_CHECK(lenient == expected || (errno == ERANGE && !std::isinf(expected) && lenient == 0));
    }
    // Written forms read back to the value they stand for, to their 15 or 7 significant digits.
    if (size >= 8) {
        double value;
        float small;
        std::memcpy(&value, data, sizeof value);
        std::memcpy(&small, data + 4, sizeof small);
        const std::optional<double> back = TextToDouble(DoubleText(value));
        FUZZ_CHECK(!std::isfinite(value) || (back && std::fabs(*back - value) <= std::fabs(value) * 1e-14 + DBL_TRUE_MIN));
        const std::optional<float> smallBack = TextToSingle(SingleText(small));
        FUZZ_CHECK(!std::isfinite(small) || (smallBack && std::fabs(*smallBack - small) <= std::fabs(small) * 1e-6f + FLT_TRUE_MIN));
    }
    return 0;
}
