// The number rules every part of the system shares: strict integer parsing, decimal parsing and the decimal
// text of a double, each with the exact texts the original's number classes gave.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tev {

// An optional "+" or "-", then one or more ASCII digits and nothing else (no blanks), within the type's
// range. Anything else throws tev::NumberFormatError with the message: For input string: "<text>".
int32_t parseInt(std::string_view text);
int64_t parseLong(std::string_view text);

// A decimal number after removing leading and trailing characters up to U+0020: an optional sign, then
// "NaN", "Infinity", or digits with an optional point and exponent ("1.", ".5", "1e3"), or a hexadecimal
// form ("0x1.8p1"), each optionally ending in one of "dDfF". Rounds correctly; out-of-range values become
// an infinity or zero. Failures throw tev::NumberFormatError: "empty String" for blank text, else
// For input string: "<trimmed text>".
double parseDouble(std::string_view text);

// The shortest decimal text that reads back to the same double, always with a point and at least one
// fraction digit: "5.0", "-0.0", "0.001", "1234567.5"; from 10^7 up and below 10^-3 in magnitude in exponent
// form: "1.0E7", "1.234E-5". "NaN", "Infinity", "-Infinity" for the special values.
std::string doubleToString(double value);

}  // namespace tev
