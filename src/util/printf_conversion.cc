#include "util/printf_conversion.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "common/java_text.h"
#include "common/shortest_decimal.h"

namespace tev {

namespace {

constexpr std::string_view kConversionCharacters = "idfgGoxXeEcs%";

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

int64_t atLeastZero(int64_t n) {
  return n < 0 ? 0 : n;
}

std::string repeat(char c, int64_t n) {
  return std::string(static_cast<size_t>(atLeastZero(n)), c);
}

// A UTF-16 code unit as UTF-8; a lone surrogate has no UTF-8 form and becomes U+FFFD.
std::string utf8Of(char16_t unit) {
  uint32_t cp = unit;
  if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

template <typename Unsigned>
std::string digitsInBase(Unsigned value, unsigned base) {
  if (value == 0) return "0";
  std::string out;
  while (value != 0) {
    out += "0123456789abcdef"[value % base];
    value /= base;
  }
  std::reverse(out.begin(), out.end());
  return out;
}

// Removes the characters <= U+0020 at both ends, as the original trim did.
std::string trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
  return s.substr(b, e - b);
}

// Whether digits cut after `keep` digits (keep >= 1) round up: half to even on the decimal digits.
bool checkForCarry(const std::string& digits, size_t keep) {
  if (digits.size() <= keep) return false;
  char r = digits[keep];
  if (r > '5') return true;
  if (r < '5') return false;
  if (digits.find_first_not_of('0', keep + 1) != std::string::npos) return true;
  return (digits[keep - 1] - '0') % 2 == 1;
}

// Adds one to the last digit, carrying through 9s; a carry out of the first digit puts a "1" in front.
// Returns whether that happened.
bool startSymbolicCarry(std::string& digits) {
  for (size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return false;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
  return true;
}

// Cuts digits to `keep` digits with rounding; returns whether a carry ran out of the first digit.
bool roundDigits(std::string& digits, size_t keep) {
  if (digits.size() <= keep) return false;
  bool up = checkForCarry(digits, keep);
  digits.resize(keep);
  return up && startSymbolicCarry(digits);
}

// Plain positional body of a shortest decimal with exactly p fraction digits ("." as point, no sign);
// the point is written when p > 0 or `point` is asked for.
std::string fFormatDigits(const ShortestDecimal& d, int64_t p, bool point) {
  std::string intPart = "0";
  std::string fraction;
  if (d.digits != "0") {
    if (d.exponent >= 0) {
      size_t intLength = static_cast<size_t>(d.exponent) + 1;
      if (d.digits.size() <= intLength) {
        intPart = d.digits + std::string(intLength - d.digits.size(), '0');
      } else {
        intPart = d.digits.substr(0, intLength);
        fraction = d.digits.substr(intLength);
      }
    } else {
      fraction = std::string(static_cast<size_t>(-d.exponent - 1), '0') + d.digits;
    }
  }
  size_t fractionDigits = static_cast<size_t>(p);
  if (fraction.size() > fractionDigits) {
    std::string all = intPart + fraction;
    roundDigits(all, intPart.size() + fractionDigits);
    intPart = all.substr(0, all.size() - fractionDigits);
    fraction = all.substr(all.size() - fractionDigits);
  }
  std::string body = intPart;
  if (p > 0 || point) body += "." + fraction + std::string(fractionDigits - fraction.size(), '0');
  return body;
}

// Mantissa with p fraction digits and exponent part ("e+02"), "." as point, no sign.
std::string eFormatDigits(const ShortestDecimal& d, char letter, int64_t p, bool point) {
  std::string digits = d.digits;
  int exponent = d.digits == "0" ? 0 : d.exponent;
  size_t keep = static_cast<size_t>(p) + 1;
  if (roundDigits(digits, keep)) {
    digits.pop_back();
    ++exponent;
  }
  std::string body(1, digits[0]);
  if (p > 0 || point) body += "." + digits.substr(1) + std::string(keep - digits.size(), '0');
  int magnitude = exponent < 0 ? -exponent : exponent;
  std::string e = std::to_string(magnitude);
  if (e.size() < 2) e.insert(e.begin(), '0');
  return body + letter + (exponent < 0 ? '-' : '+') + e;
}

}  // namespace

// ---- parsing ----

ConversionSpecification::ConversionSpecification(const NumberSymbols& dfs) : dfs(dfs) {}

ConversionSpecification::ConversionSpecification(const NumberSymbols& dfs, const std::string& fmt)
    : dfs(dfs), fmt(fmt) {
  if (fmt.empty()) throw PrintfFormatError("Control strings must have positive lengths.");
  if (fmt[0] != '%') throw PrintfFormatError("Control strings must begin with %.");
  pos = 1;
  setArgPosition();
  setFlagCharacters();
  setFieldWidth();
  setPrecision();
  setOptionalHL();
  if (!setConversionCharacter() || pos != fmt.size())
    throw PrintfFormatError("Malformed conversion specification=" + fmt);
  if (leftJustify) leadingZeros = false;
  if (precisionSet && (conversionCharacter == 'd' || conversionCharacter == 'i' ||
                       conversionCharacter == 'o' || conversionCharacter == 'x'))
    leadingZeros = false;
}

int32_t ConversionSpecification::parseDigits(size_t begin, size_t end) const {
  int64_t value = 0;
  for (size_t i = begin; i < end; ++i) {
    value = value * 10 + (fmt[i] - '0');
    if (value > INT32_MAX)
      throw NumberFormatError("For input string: \"" + fmt.substr(begin, end - begin) + "\"");
  }
  return static_cast<int32_t>(value);
}

int32_t ConversionSpecification::digitsBeforeDollar() {
  size_t end = pos;
  while (end < fmt.size() && isDigit(fmt[end])) ++end;
  if (end == pos || end >= fmt.size() || fmt[end] != '$') return -1;
  int32_t value = parseDigits(pos, end);
  pos = end + 1;
  return value;
}

void ConversionSpecification::setArgPosition() {
  int32_t n = digitsBeforeDollar();
  if (n < 0) return;
  positionalSpecification = true;
  argumentPosition = n;
}

void ConversionSpecification::setFlagCharacters() {
  for (; pos < fmt.size(); ++pos) {
    switch (fmt[pos]) {
      case '\'':
        thousands = true;
        break;
      case '-':
        leftJustify = true;
        leadingZeros = false;
        break;
      case '+':
        leadingSign = true;
        leadingSpace = false;
        break;
      case ' ':
        if (!leadingSign) leadingSpace = true;
        break;
      case '#':
        alternateForm = true;
        break;
      case '0':
        if (!leftJustify) leadingZeros = true;
        break;
      default:
        return;
    }
  }
}

bool ConversionSpecification::setFieldWidthArgPosition() {
  int32_t n = digitsBeforeDollar();
  if (n < 0) return false;
  positionalFieldWidth = true;
  argumentPositionForFieldWidth = n;
  return true;
}

void ConversionSpecification::setFieldWidth() {
  if (pos < fmt.size() && fmt[pos] == '*') {
    ++pos;
    if (!setFieldWidthArgPosition()) {
      variableFieldWidth = true;
      fieldWidthSet = true;
    }
    return;
  }
  size_t begin = pos;
  while (pos < fmt.size() && isDigit(fmt[pos])) ++pos;
  if (pos > begin) {
    fieldWidth = parseDigits(begin, pos);
    fieldWidthSet = true;
  }
}

bool ConversionSpecification::setPrecisionArgPosition() {
  int32_t n = digitsBeforeDollar();
  if (n < 0) return false;
  positionalPrecision = true;
  argumentPositionForPrecision = n;
  return true;
}

void ConversionSpecification::setPrecision() {
  if (pos >= fmt.size() || fmt[pos] != '.') return;
  ++pos;
  if (pos < fmt.size() && fmt[pos] == '*') {
    ++pos;
    if (!setPrecisionArgPosition()) {
      variablePrecision = true;
      precisionSet = true;
    }
    return;
  }
  size_t begin = pos;
  while (pos < fmt.size() && isDigit(fmt[pos])) ++pos;
  if (pos > begin) {
    precision = parseDigits(begin, pos);
    precisionSet = true;
  }
}

void ConversionSpecification::setOptionalHL() {
  if (pos >= fmt.size()) return;
  switch (fmt[pos]) {
    case 'h':
      optionalh = true;
      break;
    case 'l':
      optionall = true;
      break;
    case 'L':
      optionalL = true;
      break;
    default:
      return;
  }
  ++pos;
}

bool ConversionSpecification::setConversionCharacter() {
  if (pos >= fmt.size() || kConversionCharacters.find(fmt[pos]) == std::string_view::npos) return false;
  conversionCharacter = static_cast<char16_t>(fmt[pos]);
  ++pos;
  return true;
}

void ConversionSpecification::setFieldWidthWithArg(int32_t fw) {
  if (fw < 0) leftJustify = true;
  fieldWidthSet = true;
  // The magnitude as the original computed it: the most negative value stays negative (no padding).
  fieldWidth = fw < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(fw)) : fw;
}

void ConversionSpecification::setPrecisionWithArg(int32_t pr) {
  precisionSet = true;
  precision = pr < 0 ? 0 : pr;
}

// ---- dispatch ----

void ConversionSpecification::failWith(const std::string& kind) const {
  throw PrintfFormatError("Cannot format a " + kind + " with a format using a " +
                          static_cast<char>(conversionCharacter) + " conversion character.");
}

std::string ConversionSpecification::internalsprintf(double s) const {
  switch (conversionCharacter) {
    case 'f':
      return printFFormat(s);
    case 'e':
    case 'E':
      return printEFormat(s);
    case 'g':
    case 'G':
      return printGFormat(s);
    default:
      failWith("double");
  }
}

std::string ConversionSpecification::internalsprintf(int32_t s) const {
  switch (conversionCharacter) {
    case 'd':
    case 'i':
      return optionalh ? printDFormat(static_cast<int16_t>(s)) : printDFormat(s);
    case 'x':
    case 'X':
      return optionalh   ? printXFormat(static_cast<int16_t>(s))
             : optionall ? printXFormat(static_cast<int64_t>(s))
                         : printXFormat(s);
    case 'o':
      return optionalh   ? printOFormat(static_cast<int16_t>(s))
             : optionall ? printOFormat(static_cast<int64_t>(s))
                         : printOFormat(s);
    case 'c':
      return printCFormat(static_cast<char16_t>(s));
    default:
      failWith("int");
  }
}

std::string ConversionSpecification::internalsprintf(int64_t s) const {
  switch (conversionCharacter) {
    case 'd':
    case 'i':
      return optionalh   ? printDFormat(static_cast<int16_t>(s))
             : optionall ? printDFormat(s)
                         : printDFormat(static_cast<int32_t>(s));
    case 'x':
    case 'X':
      return optionalh   ? printXFormat(static_cast<int16_t>(s))
             : optionall ? printXFormat(s)
                         : printXFormat(static_cast<int32_t>(s));
    case 'o':
      return optionalh   ? printOFormat(static_cast<int16_t>(s))
             : optionall ? printOFormat(s)
                         : printOFormat(static_cast<int32_t>(s));
    case 'c':
      return printCFormat(static_cast<char16_t>(s));
    default:
      failWith("long");
  }
}

std::string ConversionSpecification::internalsprintf(const std::string& s) const {
  if (conversionCharacter != 's') failWith("String");
  return printSFormat(s);
}

std::string ConversionSpecification::formatValueText(const std::string* text) const {
  if (conversionCharacter != 's') failWith("String");
  if (text == nullptr)
    throw PrintfFormatError("Cannot format an absent value with a format using a s conversion character.");
  return printSFormat(*text);
}

std::string ConversionSpecification::internalsprintf(const PrintfValue& s) const {
  struct Visitor {
    const ConversionSpecification& cs;
    std::string operator()(std::monostate) const { return cs.formatValueText(nullptr); }
    std::string operator()(int8_t v) const { return cs.internalsprintf(static_cast<int32_t>(v)); }
    std::string operator()(int16_t v) const { return cs.internalsprintf(static_cast<int32_t>(v)); }
    std::string operator()(int32_t v) const { return cs.internalsprintf(v); }
    std::string operator()(char16_t v) const { return cs.internalsprintf(static_cast<int32_t>(v)); }
    std::string operator()(int64_t v) const { return cs.internalsprintf(v); }
    std::string operator()(float v) const { return cs.internalsprintf(static_cast<double>(v)); }
    std::string operator()(double v) const { return cs.internalsprintf(v); }
    std::string operator()(bool v) const {
      const std::string text = v ? "true" : "false";
      return cs.formatValueText(&text);
    }
    std::string operator()(const std::string& v) const { return cs.internalsprintf(v); }
  };
  return std::visit(Visitor{*this}, s);
}

// ---- integer, character and string conversions ----

std::string ConversionSpecification::printDFormat(std::string sx) const {
  bool neg = !sx.empty() && sx[0] == '-';
  if (sx == "0" && precisionSet && precision == 0) sx.clear();
  std::string digits = neg ? sx.substr(1) : sx;
  int64_t zeros = precisionSet ? atLeastZero(int64_t{precision} - static_cast<int64_t>(digits.size())) : 0;
  int64_t blanks = 0;
  if (fieldWidthSet) {
    blanks = int64_t{fieldWidth} - zeros - static_cast<int64_t>(sx.size());
    if (!neg && (leadingSign || leadingSpace)) --blanks;
  }
  std::string sign = neg ? "-" : leadingSign ? "+" : leadingSpace ? " " : "";
  if (leftJustify) return sign + repeat('0', zeros) + digits + repeat(' ', blanks);
  if (!leadingZeros) return repeat(' ', blanks) + sign + repeat('0', zeros) + digits;
  return sign + repeat('0', blanks) + repeat('0', zeros) + digits;
}

std::string ConversionSpecification::printOFormat(int16_t x) const {
  return printOFormat(digitsInBase(static_cast<uint16_t>(x), 8));
}
std::string ConversionSpecification::printOFormat(int32_t x) const {
  return printOFormat(digitsInBase(static_cast<uint32_t>(x), 8));
}
std::string ConversionSpecification::printOFormat(int64_t x) const {
  return printOFormat(digitsInBase(static_cast<uint64_t>(x), 8));
}

std::string ConversionSpecification::printOFormat(std::string sx) const {
  if (sx == "0" && precisionSet && precision == 0) sx.clear();
  int64_t n = static_cast<int64_t>(sx.size());
  int64_t zeros = precisionSet ? int64_t{precision} - n : 0;
  if (alternateForm) ++zeros;
  zeros = atLeastZero(zeros);
  int64_t blanks = fieldWidthSet ? atLeastZero(int64_t{fieldWidth} - zeros - n) : 0;
  if (leftJustify) return repeat('0', zeros) + sx + repeat(' ', blanks);
  return repeat(leadingZeros ? '0' : ' ', blanks) + repeat('0', zeros) + sx;
}

std::string ConversionSpecification::printXFormat(int16_t x) const {
  return printXFormat(digitsInBase(static_cast<uint16_t>(x), 16));
}
std::string ConversionSpecification::printXFormat(int32_t x) const {
  return printXFormat(digitsInBase(static_cast<uint32_t>(x), 16));
}
std::string ConversionSpecification::printXFormat(int64_t x) const {
  return printXFormat(digitsInBase(static_cast<uint64_t>(x), 16));
}

std::string ConversionSpecification::printXFormat(std::string sx) const {
  if (sx == "0" && precisionSet && precision == 0) sx.clear();
  int64_t n = static_cast<int64_t>(sx.size());
  int64_t zeros = precisionSet ? atLeastZero(int64_t{precision} - n) : 0;
  int64_t blanks = fieldWidthSet ? atLeastZero(int64_t{fieldWidth} - zeros - n - (alternateForm ? 2 : 0)) : 0;
  std::string prefix = alternateForm ? "0x" : "";
  std::string out;
  if (leftJustify) {
    out = prefix + repeat('0', zeros) + sx + repeat(' ', blanks);
  } else {
    out = (leadingZeros ? "" : repeat(' ', blanks)) + prefix + (leadingZeros ? repeat('0', blanks) : "") +
          repeat('0', zeros) + sx;
  }
  if (conversionCharacter == 'X')
    for (char& c : out) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return out;
}

std::string ConversionSpecification::printCFormat(char16_t x) const {
  // A width of 0 or less (possible only through an argument) still prints the character.
  int64_t blanks = atLeastZero((fieldWidthSet ? int64_t{fieldWidth} : 1) - 1);
  std::string c = utf8Of(x);
  return leftJustify ? c + repeat(' ', blanks) : repeat(' ', blanks) + c;
}

std::string ConversionSpecification::printSFormat(const std::string& x) const {
  std::string printed = x;
  int64_t printedLength = int64_t{charLength(x)};
  if (precisionSet && printedLength > precision) {
    printed = charSubstr(x, 0, precision);
    printedLength = precision;
  }
  int64_t width = fieldWidthSet ? int64_t{fieldWidth} : printedLength;
  std::string blanks = repeat(' ', width - printedLength);
  return leftJustify ? printed + blanks : blanks + printed;
}

// ---- floating-point conversions ----

std::string ConversionSpecification::specialText(double x) const {
  std::string word = std::isnan(x) ? "NaN" : "Inf";
  if (!std::isnan(x) && x < 0) return "-" + word;
  return (leadingSign ? "+" : leadingSpace ? " " : "") + word;
}

std::string ConversionSpecification::applyFloatPadding(std::string text) const {
  if (!fieldWidthSet) return text;
  int64_t missing = int64_t{fieldWidth} - int64_t{charLength(text)};
  if (missing <= 0) return text;
  if (leftJustify) return text + repeat(' ', missing);
  if (leadingZeros) {
    size_t at = (!text.empty() && text[0] == '-') ? 1 : 0;
    return text.insert(at, repeat('0', missing));
  }
  return repeat(' ', missing) + text;
}

std::string ConversionSpecification::finishFloat(bool negative, std::string body,
                                                 int64_t groupingTerm) const {
  std::string sign = negative ? "-" : leadingSign ? "+" : leadingSpace ? " " : "";
  if (leadingZeros && !leftJustify && fieldWidthSet) {
    int64_t zeros =
        int64_t{fieldWidth} - static_cast<int64_t>(body.size()) - (sign.empty() ? 0 : 1) - groupingTerm;
    body.insert(0, repeat('0', zeros));
  }
  size_t intEnd = 0;
  while (intEnd < body.size() && isDigit(body[intEnd])) ++intEnd;
  std::string intDigits = body.substr(0, intEnd);
  std::string rest = body.substr(intEnd);
  if (!rest.empty() && rest[0] == '.') rest.replace(0, 1, dfs.decimalSeparator);
  if (thousands) {
    std::string grouped;
    for (size_t i = 0; i < intDigits.size(); ++i) {
      if (i > 0 && (intDigits.size() - i) % 3 == 0) grouped += dfs.groupingSeparator;
      grouped += intDigits[i];
    }
    intDigits = grouped;
  }
  return applyFloatPadding(sign + intDigits + rest);
}

std::string ConversionSpecification::fFormatString(double x, int64_t p) const {
  if (!std::isfinite(x)) return applyFloatPadding(specialText(x));
  ShortestDecimal d = ShortestDecimal::of(x);
  std::string body = fFormatDigits(d, p, alternateForm);
  int64_t groupingTerm = 0;
  if (thousands) {
    size_t intDigits = std::min(body.find('.'), body.size());
    groupingTerm = static_cast<int64_t>(intDigits / 3);
  }
  return finishFloat(d.negative, body, groupingTerm);
}

std::string ConversionSpecification::eFormatString(double x, char letter, int64_t p) const {
  if (!std::isfinite(x)) return applyFloatPadding(specialText(x));
  ShortestDecimal d = ShortestDecimal::of(x);
  return finishFloat(d.negative, eFormatDigits(d, letter, p, alternateForm), 0);
}

std::string ConversionSpecification::printFFormat(double x) const {
  return fFormatString(x, precisionSet ? precision : defaultDigits - 1);
}

std::string ConversionSpecification::printEFormat(double x) const {
  char letter = conversionCharacter == 'E' ? 'E' : 'e';
  return eFormatString(x, letter, precisionSet ? precision : defaultDigits - 1);
}

std::string ConversionSpecification::printGFormat(double x) const {
  if (!std::isfinite(x)) return applyFloatPadding(specialText(x));
  // A precision of 0 counts as 1, for the choice and for the fraction digits; without a precision the
  // choice uses 6 and the forms their usual 5 fraction digits.
  int64_t fractionDigits = precisionSet ? std::max<int64_t>(precision, 1) : defaultDigits - 1;
  int64_t choice = precisionSet ? std::max<int64_t>(precision, 1) : defaultDigits;
  char letter = conversionCharacter == 'G' ? 'E' : 'e';

  std::string sx = trimmed(eFormatString(x, letter, fractionDigits));
  size_t ePos = sx.rfind(letter);
  int exponent = 0;
  for (size_t i = ePos + 2; i < sx.size(); ++i) exponent = exponent * 10 + (sx[i] - '0');
  if (sx[ePos + 1] == '-') exponent = -exponent;
  bool fixed = exponent >= -4 && exponent < choice;

  std::string sy = fixed ? trimmed(fFormatString(x, fractionDigits)) : sx.substr(0, ePos);
  if (!alternateForm) {
    while (!sy.empty() && sy.back() == '0') sy.pop_back();
    if (!sy.empty() && sy.back() == '.') sy.pop_back();
  }
  if (sy.empty())
    sy = "0";
  else if (!isDigit(sy.back()))
    sy += "0";  // a decimal separator other than "." stays, followed by one zero
  std::string ret = fixed ? sy : sy + sx.substr(ePos);
  if (leadingSpace && x >= 0) ret.insert(0, " ");
  return applyFloatPadding(ret);
}

}  // namespace tev
