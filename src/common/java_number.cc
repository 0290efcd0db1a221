#include "common/java_number.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "common/error.h"
#include "common/java_text.h"
#include "common/shortest_decimal.h"

namespace tev {
namespace {

[[noreturn]] void badInput(std::string_view text) {
  throw NumberFormatError("For input string: \"" + std::string(text) + "\"");
}

template <typename Int>
Int parseInteger(std::string_view text) {
  size_t i = 0;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) i = 1;
  if (i == text.size()) badInput(text);
  for (size_t k = i; k < text.size(); ++k)
    if (text[k] < '0' || text[k] > '9') badInput(text);
  // from_chars takes a "-" but no "+"; it reports values outside the type's range.
  std::string_view number = text[0] == '+' ? text.substr(1) : text;
  Int value{};
  auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (ec != std::errc() || end != number.data() + number.size()) badInput(text);
  return value;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isHexDigit(char c) {
  return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Reads an optional sign and decimal digits from text[i]; false unless there is at least one digit. The value
// saturates far beyond any double exponent.
bool readExponent(std::string_view text, size_t& i, long& exponent) {
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  size_t first = i;
  exponent = 0;
  for (; i < text.size() && isDigit(text[i]); ++i)
    exponent = std::min(exponent * 10 + (text[i] - '0'), 100000000L);
  if (negative) exponent = -exponent;
  return i > first;
}

// The value of an unsigned number whose form was checked already. `scale` estimates the power (of 10 for
// decimal, of 2 for hexadecimal) of the leading digit and decides between infinity and zero when the value
// lies beyond the range of a double.
std::optional<double> convert(std::string_view number, std::chars_format format, long scale) {
  double value = 0;
  auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value, format);
  if (ec == std::errc::result_out_of_range) return scale > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  if (ec != std::errc() || end != number.data() + number.size()) return std::nullopt;
  return value;
}

// Estimated power of the leading non-zero digit of "<int digits>.<fraction digits>", before the exponent.
long leadingPower(std::string_view intDigits, std::string_view fracDigits, int bitsPerDigit) {
  size_t firstNonZero = intDigits.find_first_not_of('0');
  if (firstNonZero != std::string_view::npos) return long(intDigits.size() - firstNonZero) * bitsPerDigit;
  firstNonZero = fracDigits.find_first_not_of('0');
  if (firstNonZero == std::string_view::npos) return 0;
  return -long(firstNonZero + 1) * bitsPerDigit;
}

// The unsigned part of a decimal or hexadecimal number, or nullopt when it breaks the grammar.
std::optional<double> parseUnsigned(std::string_view s) {
  if (s == "NaN") return std::numeric_limits<double>::quiet_NaN();
  if (s == "Infinity") return std::numeric_limits<double>::infinity();
  if (!s.empty() && (s.back() == 'd' || s.back() == 'D' || s.back() == 'f' || s.back() == 'F'))
    s.remove_suffix(1);
  bool hex = s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
  if (hex) s.remove_prefix(2);
  auto digit = hex ? isHexDigit : isDigit;
  size_t i = 0;
  while (i < s.size() && digit(s[i])) ++i;
  std::string_view intDigits = s.substr(0, i);
  std::string_view fracDigits;
  if (i < s.size() && s[i] == '.') {
    size_t first = ++i;
    while (i < s.size() && digit(s[i])) ++i;
    fracDigits = s.substr(first, i - first);
  }
  if (intDigits.empty() && fracDigits.empty()) return std::nullopt;
  long exponent = 0;
  if (hex) {
    if (i >= s.size() || (s[i] != 'p' && s[i] != 'P')) return std::nullopt;
    ++i;
    if (!readExponent(s, i, exponent)) return std::nullopt;
  } else if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (!readExponent(s, i, exponent)) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  long scale = leadingPower(intDigits, fracDigits, hex ? 4 : 1) + exponent;
  return convert(s, hex ? std::chars_format::hex : std::chars_format::general, scale);
}

}  // namespace

int32_t parseInt(std::string_view text) {
  return parseInteger<int32_t>(text);
}
int64_t parseLong(std::string_view text) {
  return parseInteger<int64_t>(text);
}

double parseDouble(std::string_view text) {
  std::string trimmed = trim(text);
  if (trimmed.empty()) throw NumberFormatError("empty String");
  std::string_view s = trimmed;
  bool negative = false;
  if (s[0] == '+' || s[0] == '-') {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  std::optional<double> value = parseUnsigned(s);
  if (!value) badInput(trimmed);
  return negative ? -*value : *value;
}

std::string doubleToString(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  ShortestDecimal d = ShortestDecimal::of(value);
  if (d.digits.size() == 1 && value != 0.0) {
    // The text always shows two digits, so of the decimals that read back to the value and have one or two
    // digits the closest one is shown: 4.9E-324 rather than 5.0E-324 for the smallest subnormal.
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 1);
    double back = 0;
    if (ec == std::errc() && std::from_chars(buf, end, back).ec == std::errc() && back == std::fabs(value)) {
      d.digits = std::string(1, buf[0]) + buf[2];
      if (d.digits[1] == '0') d.digits.pop_back();
      d.exponent = std::atoi(buf + 4);
    }
  }
  std::string out = d.negative ? "-" : "";
  if (d.exponent >= -3 && d.exponent < 7) {
    if (d.exponent < 0) {
      out += "0." + std::string(-d.exponent - 1, '0') + d.digits;
    } else {
      size_t intDigits = static_cast<size_t>(d.exponent) + 1;
      std::string digits = d.digits;
      if (digits.size() < intDigits) digits.append(intDigits - digits.size(), '0');
      std::string fraction = digits.substr(intDigits);
      out += digits.substr(0, intDigits) + "." + (fraction.empty() ? "0" : fraction);
    }
    return out;
  }
  std::string fraction = d.digits.substr(1);
  out += d.digits.substr(0, 1) + "." + (fraction.empty() ? "0" : fraction) + "E" + std::to_string(d.exponent);
  return out;
}

}  // namespace tev
