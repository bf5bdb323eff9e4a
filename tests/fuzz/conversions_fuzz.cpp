// Any text through the strict reader against the C library's strtod (C locale);
// written forms of numbers from the same bytes must read back.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/Conversions.h"

#define FUZZ_CHECK(c) do { if (!(c)) { std::fprintf(stderr, "check failed: %s\n", #c); std::abort(); } } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tovra;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<double> number = TextToDouble(text);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    const std::string trimmed = first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    if (!trimmed.empty() && trimmed.find_first_not_of("0123456789.+-eE") == std::string::npos) {
        char* end = nullptr;
        const double expected = (errno = 0, std::strtod(trimmed.c_str(), &end));
        if (end != trimmed.c_str() + trimmed.size() || std::isinf(expected)) FUZZ_CHECK(!number);
        else FUZZ_CHECK(number && (*number == expected || (errno == ERANGE && *number == 0)));
    }
    FUZZ_CHECK(!number || std::isfinite(*number));
    if (size >= 8) {
        double value;
        float small;
        std::memcpy(&value, data, sizeof value), std::memcpy(&small, data + 4, sizeof small);
        const std::optional<double> back = TextToDouble(DoubleText(value));
        FUZZ_CHECK(!std::isfinite(value) || (back && std::fabs(*back - value) <= std::fabs(value) * 1e-14 + DBL_TRUE_MIN));
        const std::optional<float> smallBack = TextToSingle(SingleText(small));
        FUZZ_CHECK(!std::isfinite(small) || (smallBack && std::fabs(*smallBack - small) <= std::fabs(small) * 1e-6f + FLT_TRUE_MIN));
    }
    return 0;
}
