#include "util/printf_format.h"

#include <unicode/dcfmtsym.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <map>
#include <mutex>

namespace tev {

namespace {

constexpr const char* kDefaultLocale = "en_US";
constexpr std::string_view kStopCharacters = "idfgGoxXeEcs%";

NumberSymbols readSymbols(const std::string& localeName) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DecimalFormatSymbols symbols(icu::Locale(localeName.c_str()), status);
  if (U_FAILURE(status))
    throw PrintfFormatError("Cannot read the number symbols of locale " + localeName + ": " +
                            u_errorName(status));
  NumberSymbols out;
  out.decimalSeparator.clear();
  out.groupingSeparator.clear();
  symbols.getSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol).toUTF8String(out.decimalSeparator);
  symbols.getSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol).toUTF8String(out.groupingSeparator);
  return out;
}

// Loading a locale's symbols costs far more than a short format, and callers build a format per text.
NumberSymbols symbolsOf(const std::string& localeName) {
  static std::mutex mutex;
  static std::map<std::string, NumberSymbols> cache;
  std::lock_guard<std::mutex> lock(mutex);
  auto found = cache.find(localeName);
  if (found != cache.end()) return found->second;
  NumberSymbols symbols = readSymbols(localeName);
  cache.emplace(localeName, symbols);
  return symbols;
}

std::string outOfBounds(int64_t index, size_t length) {
  return "Index " + std::to_string(index) + " out of bounds for length " + std::to_string(length);
}

const PrintfValue& argumentAt(const std::vector<PrintfValue>& o, int64_t index) {
  if (index < 0 || static_cast<uint64_t>(index) >= o.size())
    throw IndexOutOfRange(outOfBounds(index, o.size()));
  return o[static_cast<size_t>(index)];
}

int32_t intArgumentAt(const std::vector<PrintfValue>& o, int64_t index) {
  const PrintfValue& v = argumentAt(o, index);
  if (!std::holds_alternative<int32_t>(v))
    throw PrintfFormatError("Argument " + std::to_string(index + 1) +
                            " gives a field width or precision and must be a 32-bit integer");
  return std::get<int32_t>(v);
}

}  // namespace

PrintfFormat::PrintfFormat(const std::string& fmt) : PrintfFormat(kDefaultLocale, fmt) {}

PrintfFormat::PrintfFormat(const std::string& localeName, const std::string& fmt)
    : dfs(symbolsOf(localeName)) {
  ConversionSpecification first(dfs);
  first.setLiteral(nonControl(fmt, 0));
  vFmt.push_back(first);
  while (cPos < fmt.size()) {
    size_t stop = fmt.find_first_of(kStopCharacters, cPos + 1);
    size_t end = stop == std::string::npos ? fmt.size() : stop + 1;
    vFmt.emplace_back(dfs, fmt.substr(cPos, end - cPos));
    ConversionSpecification literal(dfs);
    literal.setLiteral(nonControl(fmt, end));
    vFmt.push_back(literal);
  }
}

std::string PrintfFormat::nonControl(const std::string& s, size_t start) {
  size_t next = s.find('%', start);
  cPos = next == std::string::npos ? s.size() : next;
  return s.substr(start, cPos - start);
}

template <typename Convert>
std::string PrintfFormat::each(Convert convert) const {
  std::string out;
  for (const ConversionSpecification& cs : vFmt) {
    char16_t c = cs.getConversionCharacter();
    if (c == 0)
      out += cs.getLiteral();
    else if (c == '%')
      out += '%';
    else
      out += convert(cs);
  }
  return out;
}

std::string PrintfFormat::sprintf() const {
  return each([](const ConversionSpecification&) { return std::string(); });
}

std::string PrintfFormat::sprintf(int32_t x) const {
  return each([x](const ConversionSpecification& cs) { return cs.internalsprintf(x); });
}

std::string PrintfFormat::sprintf(int64_t x) const {
  return each([x](const ConversionSpecification& cs) { return cs.internalsprintf(x); });
}

std::string PrintfFormat::sprintf(double x) const {
  return each([x](const ConversionSpecification& cs) { return cs.internalsprintf(x); });
}

std::string PrintfFormat::sprintf(const std::string& x) const {
  return each([&x](const ConversionSpecification& cs) { return cs.internalsprintf(x); });
}

std::string PrintfFormat::sprintf(const PrintfValue& x) const {
  return each([&x](const ConversionSpecification& cs) { return cs.internalsprintf(x); });
}

std::string PrintfFormat::sprintf(const std::vector<std::string>& o) const {
  size_t i = 0;
  return each([&](const ConversionSpecification& cs) {
    return i < o.size() ? cs.internalsprintf(o[i++]) : std::string();
  });
}

std::string PrintfFormat::sprintf(const std::vector<PrintfValue>& o) const {
  int64_t i = 0;
  return each([&](const ConversionSpecification& item) {
    // Widths and precisions from arguments go into a copy: they belong to this call only.
    ConversionSpecification cs = item;
    if (cs.isPositionalSpecification()) {
      i = int64_t{cs.getArgumentPosition()} - 1;
      if (cs.isPositionalFieldWidth())
        cs.setFieldWidthWithArg(intArgumentAt(o, int64_t{cs.getArgumentPositionForFieldWidth()} - 1));
      if (cs.isPositionalPrecision())
        cs.setPrecisionWithArg(intArgumentAt(o, int64_t{cs.getArgumentPositionForPrecision()} - 1));
    } else {
      if (cs.isVariableFieldWidth()) cs.setFieldWidthWithArg(intArgumentAt(o, i++));
      if (cs.isVariablePrecision()) cs.setPrecisionWithArg(intArgumentAt(o, i++));
    }
    std::string text = cs.internalsprintf(argumentAt(o, i));
    if (!cs.isPositionalSpecification()) ++i;
    return text;
  });
}

}  // namespace tev
