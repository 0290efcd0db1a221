// printf-style formatting with this system's own rules: a format is split once into literal pieces and
// conversion specifications, and each sprintf builds one text from them and its arguments.
//
//   PrintfFormat f("/config/user[@id=%s]/%s");
//   std::string path = f.sprintf(std::vector<std::string>{"alice", "menu"});
//
// Conversions: d i (decimal), o x X (unsigned), c (character), s (string), f (fixed), e E (exponent),
// g G (general), %% (a "%"). Flags ' - + space # 0, a width and a precision (digits, "*" or "*n$"),
// an argument position "n$" and a size modifier h l L. Digits of floating-point values come from their
// shortest round-trip decimal form and are rounded half to even on those decimal digits; the decimal and
// grouping separators are the locale's. Text is UTF-8 and widths count characters.
//
// Widths and precisions taken from arguments apply to the one call that supplies them: sprintf never
// changes the format object, so one object may be used again and by several threads at once.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "util/printf_conversion.h"

namespace tev {

class PrintfFormat {
 public:
  // With the default locale, "en_US" ("." and ",").
  explicit PrintfFormat(const std::string& fmt);
  // With the number symbols of the ICU locale `localeName` (such as "de_DE"). Throws PrintfFormatError
  // for a malformed specification and NumberFormatError for a number that does not fit 32 bits.
  PrintfFormat(const std::string& localeName, const std::string& fmt);

  // Literal pieces and "%%" only; every other conversion produces nothing.
  std::string sprintf() const;
  // Every conversion formats this same argument by the integer, 64-bit, double or string path.
  std::string sprintf(int32_t x) const;
  std::string sprintf(int64_t x) const;
  std::string sprintf(double x) const;
  std::string sprintf(const std::string& x) const;
  // Every conversion formats this same value after dispatch by its kind; positions and "*" are not
  // applied (a bare "*" counts as 0).
  std::string sprintf(const PrintfValue& x) const;
  // Arguments taken in order, by "n$" positions and for "*" widths and precisions. A missing argument
  // throws IndexOutOfRange; a width or precision argument that is not an int32_t, or an absent value
  // for "%s", throws PrintfFormatError.
  std::string sprintf(const std::vector<PrintfValue>& o) const;
  // Each conversion formats the next string by the string path; once the strings are used up further
  // conversions produce nothing. Positions and "*" are not applied (a bare "*" counts as 0).
  std::string sprintf(const std::vector<std::string>& o) const;
  // The same for a braced list of strings: f.sprintf({a, b}).
  std::string sprintf(std::initializer_list<std::string> o) const {
    return sprintf(std::vector<std::string>(o));
  }

 private:
  // The literal from `start` to the next "%" (or to the end); leaves cPos at that "%" or the end.
  std::string nonControl(const std::string& s, size_t start);
  // Formats every item with one function for the conversions that take an argument.
  template <typename Convert>
  std::string each(Convert convert) const;

  NumberSymbols dfs;
  std::vector<ConversionSpecification> vFmt;
  size_t cPos = 0;
};

}  // namespace tev
