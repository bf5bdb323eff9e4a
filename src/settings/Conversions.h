#pragma once
// The text conversions of the stored settings and of the registry reader,
// the same on every platform and in every locale: "." is always the decimal
// point and "True"/"False" are never translated.
//
// Readers return std::nullopt when the text does not convert (no number, a
// value outside the target's range); the caller decides what to fall back
// on. Nothing here throws.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tovra {

// Strict readers: the whole text, apart from spaces, tabs and line breaks
// around it, must be one number: an optional sign, decimal digits with at
// most one "." and an optional exponent ("12", "-3.5", ".5", "1E+15"), or a
// radix number "&H1F" / "&O17" (no sign, read as an unsigned value).

// "True" or "False" in any letter case, or a number: 0 is false, any other
// number true.
std::optional<bool> TextToBoolean(std::string_view text);

// The text with A to Z as a to z (command-line values are compared so).
std::string LowerCase(std::string_view text);

// A number rounded half to even ("12.5" -> 12, "13.5" -> 14), which must then
// fit the target width.
std::optional<int16_t> TextToInt16(std::string_view text);
std::optional<int32_t> TextToInt32(std::string_view text);

// A number that fits the target type (an overflow is an error, a value too
// small for it becomes 0).
std::optional<float> TextToSingle(std::string_view text);
std::optional<double> TextToDouble(std::string_view text);

// The lenient reader: the number at the start of the text. Spaces, tabs and
// line feeds are skipped wherever they stand ("4 0 000" is 40000), then an
// optional sign, digits, one "." and an exponent are read, or a radix number
// &H / &O; reading stops at the first character that cannot continue the
// number. A text that does not begin with a number gives 0. A number too large
// for a double gives an infinity of its sign.
double LeadingNumber(std::string_view text);

// The text forms the program writes.

// "True" or "False".
std::string BooleanText(bool value);

// Plain decimal digits, "-" before a negative number.
std::string IntegerText(int64_t value);

// At most 15 significant digits (7 for a float), no trailing zeros, no
// trailing decimal point, never "-0": 300.0 -> "300", 0.1 -> "0.1",
// 1e15 -> "1E+15". Non-finite values give "inf", "-inf" or "nan", which no
// reader here accepts.
std::string DoubleText(double value);
std::string SingleText(float value);

// Decimal with at least three digits, zeros in front: 0 -> "000",
// 1 -> "001", 1234 -> "1234".
std::string ThreeDigitText(uint32_t value);

}  // namespace tovra
