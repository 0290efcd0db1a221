// One item of a printf-style format: either a literal piece, copied as written, or one conversion
// specification ("%" [n$] [flags] [width] [.precision] [h|l|L] conversion character) with the rules
// that turn one argument into text. PrintfFormat splits a format into these items.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "common/error.h"

namespace tev {

// A format that cannot be built, or an argument that does not suit its conversion.
class PrintfFormatError : public Error {
 public:
  using Error::Error;
};

// One argument of PrintfFormat::sprintf. The integer kinds and the 16-bit character take the 32-bit
// integer path, int64_t the 64-bit path, float and double the double path, std::string the string path;
// an absent value (std::monostate) and a bool take the value path, which only "%s" accepts (a bool
// prints as "true" or "false"; an absent value fails).
using PrintfValue = std::variant<std::monostate, int8_t, int16_t, int32_t, char16_t, int64_t, float, double,
                                 bool, std::string>;

// The number symbols of a locale that the floating-point conversions use (UTF-8 text).
struct NumberSymbols {
  std::string decimalSeparator = ".";
  std::string groupingSeparator = ",";
};

class ConversionSpecification {
 public:
  // A literal item with empty text; setLiteral gives it its text.
  explicit ConversionSpecification(const NumberSymbols& dfs);
  // A conversion item from its specification text, which runs from "%" to the conversion character.
  // Throws PrintfFormatError ("Malformed conversion specification=" + text, or the texts for an empty
  // text or one without a leading "%") and NumberFormatError for a number that does not fit 32 bits.
  ConversionSpecification(const NumberSymbols& dfs, const std::string& fmt);

  void setLiteral(const std::string& s) { fmt = s; }
  // The literal text exactly as written (for a conversion item, its specification text).
  const std::string& getLiteral() const { return fmt; }
  // 0 for a literal item, otherwise one of i d f g G o x X e E c s %.
  char16_t getConversionCharacter() const { return conversionCharacter; }

  bool isPositionalSpecification() const { return positionalSpecification; }
  int32_t getArgumentPosition() const { return argumentPosition; }
  bool isVariableFieldWidth() const { return variableFieldWidth; }
  bool isVariablePrecision() const { return variablePrecision; }
  bool isPositionalFieldWidth() const { return positionalFieldWidth; }
  bool isPositionalPrecision() const { return positionalPrecision; }
  int32_t getArgumentPositionForFieldWidth() const { return argumentPositionForFieldWidth; }
  int32_t getArgumentPositionForPrecision() const { return argumentPositionForPrecision; }

  // A width taken from an argument: its magnitude becomes the width, and a negative value also
  // left-justifies. PrintfFormat applies these to a copy of the item made for one call only.
  void setFieldWidthWithArg(int32_t fw);
  // A precision taken from an argument; a negative value counts as 0.
  void setPrecisionWithArg(int32_t pr);

  // One argument formatted by this item's conversion, one overload per argument path. A conversion
  // that does not suit the path throws PrintfFormatError("Cannot format a <kind> with a format using
  // a <c> conversion character.").
  std::string internalsprintf(double s) const;
  std::string internalsprintf(int32_t s) const;
  std::string internalsprintf(int64_t s) const;
  std::string internalsprintf(const std::string& s) const;
  // Dispatch by the kind of the value to one of the paths above (or the value path).
  std::string internalsprintf(const PrintfValue& s) const;

 private:
  // Parsing steps; each reads at `pos` and moves it past what it consumed.
  void setArgPosition();
  void setFlagCharacters();
  void setFieldWidth();
  bool setFieldWidthArgPosition();
  void setPrecision();
  bool setPrecisionArgPosition();
  void setOptionalHL();
  bool setConversionCharacter();
  // The value of a run of digits followed by "$" at `pos`, consuming both; -1 (nothing consumed) when
  // the run is empty or not followed by "$".
  int32_t digitsBeforeDollar();
  int32_t parseDigits(size_t begin, size_t end) const;
  [[noreturn]] void failWith(const std::string& kind) const;

  std::string formatValueText(const std::string* text) const;

  // Integer conversions.
  std::string printDFormat(int16_t x) const { return printDFormat(std::to_string(x)); }
  std::string printDFormat(int32_t x) const { return printDFormat(std::to_string(x)); }
  std::string printDFormat(int64_t x) const { return printDFormat(std::to_string(x)); }
  std::string printDFormat(std::string sx) const;
  std::string printOFormat(int16_t x) const;
  std::string printOFormat(int32_t x) const;
  std::string printOFormat(int64_t x) const;
  std::string printOFormat(std::string sx) const;
  std::string printXFormat(int16_t x) const;
  std::string printXFormat(int32_t x) const;
  std::string printXFormat(int64_t x) const;
  std::string printXFormat(std::string sx) const;
  std::string printCFormat(char16_t x) const;
  std::string printSFormat(const std::string& x) const;

  // Floating-point conversions. `p` is the number of fraction digits to write.
  std::string printFFormat(double x) const;
  std::string printEFormat(double x) const;
  std::string printGFormat(double x) const;
  std::string fFormatString(double x, int64_t p) const;
  std::string eFormatString(double x, char letter, int64_t p) const;
  // Sign, zero padding, locale separators and width padding around an unsigned body ("." as point).
  std::string finishFloat(bool negative, std::string body, int64_t groupingTerm) const;
  std::string specialText(double x) const;  // Inf and NaN
  std::string applyFloatPadding(std::string text) const;

  NumberSymbols dfs;
  std::string fmt;
  size_t pos = 0;
  char16_t conversionCharacter = 0;

  bool thousands = false;
  bool leftJustify = false;
  bool leadingSign = false;
  bool leadingSpace = false;
  bool alternateForm = false;
  bool leadingZeros = false;

  int32_t fieldWidth = 0;
  bool fieldWidthSet = false;
  bool variableFieldWidth = false;
  bool positionalFieldWidth = false;
  int32_t argumentPositionForFieldWidth = 0;

  int32_t precision = 0;
  bool precisionSet = false;
  bool variablePrecision = false;
  bool positionalPrecision = false;
  int32_t argumentPositionForPrecision = 0;

  bool positionalSpecification = false;
  int32_t argumentPosition = 0;

  bool optionalh = false;
  bool optionall = false;
  bool optionalL = false;

  static constexpr int defaultDigits = 6;
};

}  // namespace tev
