#include "util/printf_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "common/error.h"

namespace tev {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Runs `action` and checks that it throws exactly a Failure with `message`.
template <typename Failure>
void expectFailure(const std::function<void()>& action, const std::string& message,
                   const std::string& context) {
  try {
    action();
    ADD_FAILURE() << "no failure for " << context;
  } catch (const Failure& e) {
    EXPECT_EQ(e.getMessage(), message) << context;
  } catch (const std::exception& e) {
    ADD_FAILURE() << "wrong failure for " << context << ": " << e.what();
  }
}

std::string cannot(const std::string& kind, char c) {
  return "Cannot format a " + kind + " with a format using a " + c + " conversion character.";
}

TEST(PrintfFormat, LiteralsAndPercent) {
  struct Case {
    const char* format;
    const char* expected;
  } cases[] = {
      {"", ""},
      {"plain text", "plain text"},
      {"C:\\dir\\n\\t", "C:\\dir\\n\\t"},  // a backslash is only a character
      {"%%", "%"},
      {"%5%", "%"},
      {"%-05%|", "%|"},
      {"100%%", "100%"},
      {"a%%b%%c", "a%b%c"},
      {"gr\xC3\xBC\xC3\x9F %%", "gr\xC3\xBC\xC3\x9F %"},
  };
  for (const Case& c : cases) {
    PrintfFormat f(c.format);
    EXPECT_EQ(f.sprintf(), c.expected) << c.format;
    EXPECT_EQ(f.sprintf(std::vector<std::string>{"unused"}), c.expected) << c.format;
    EXPECT_EQ(f.sprintf(std::vector<PrintfValue>{}), c.expected) << c.format;
  }
}

TEST(PrintfFormat, MalformedFormats) {
  struct Case {
    const char* format;
    const char* spec;
  } cases[] = {
      {"100%", "%"},      {"%zd", "%zd"},       {"%5.2", "%5.2"},     {"x %-", "%-"},
      {"%*5d", "%*5d"},   {"%hhd", "%hhd"},     {"%lLd", "%lLd"},     {"%5$", "%5$"},
      {"%.*3d", "%.*3d"}, {"%1$2$d", "%1$2$d"}, {"%5.-2f", "%5.-2f"}, {"ok %d then %q%d", "%q%"},
  };
  for (const Case& c : cases)
    expectFailure<PrintfFormatError>([&] { PrintfFormat f(c.format); },
                                     std::string("Malformed conversion specification=") + c.spec, c.format);
}

TEST(PrintfFormat, NumbersThatDoNotFit32BitsFailConstruction) {
  for (const char* format : {"%2147483648d", "%.99999999999f", "%2147483648$s", "%*2147483648$d"}) {
    std::string digits(format);
    digits = digits.substr(digits.find_first_of("123456789"));
    digits = digits.substr(0, digits.find_first_not_of("0123456789"));
    expectFailure<NumberFormatError>([&] { PrintfFormat f(format); }, "For input string: \"" + digits + "\"",
                                     format);
  }
  EXPECT_EQ(PrintfFormat("%2147483647$s").sprintf(), "");  // the largest position still parses
}

TEST(PrintfConversionSpecification, ParsesEveryPart) {
  NumberSymbols symbols;
  ConversionSpecification full(symbols, "%3$'-+ #0*1$.*2$lX");
  EXPECT_EQ(full.getConversionCharacter(), u'X');
  EXPECT_TRUE(full.isPositionalSpecification());
  EXPECT_EQ(full.getArgumentPosition(), 3);
  EXPECT_TRUE(full.isPositionalFieldWidth());
  EXPECT_EQ(full.getArgumentPositionForFieldWidth(), 1);
  EXPECT_TRUE(full.isPositionalPrecision());
  EXPECT_EQ(full.getArgumentPositionForPrecision(), 2);
  EXPECT_FALSE(full.isVariableFieldWidth());
  EXPECT_FALSE(full.isVariablePrecision());
  EXPECT_EQ(full.getLiteral(), "%3$'-+ #0*1$.*2$lX");

  ConversionSpecification variable(symbols, "%*.*f");
  EXPECT_TRUE(variable.isVariableFieldWidth());
  EXPECT_TRUE(variable.isVariablePrecision());
  EXPECT_FALSE(variable.isPositionalSpecification());

  ConversionSpecification literal(symbols);
  literal.setLiteral("a\\b");
  EXPECT_EQ(literal.getConversionCharacter(), 0);
  EXPECT_EQ(literal.getLiteral(), "a\\b");
}

TEST(PrintfConversionSpecification, RefusesTextsThatAreNoSpecification) {
  NumberSymbols symbols;
  expectFailure<PrintfFormatError>([&] { ConversionSpecification c(symbols, ""); },
                                   "Control strings must have positive lengths.", "empty");
  expectFailure<PrintfFormatError>([&] { ConversionSpecification c(symbols, "d"); },
                                   "Control strings must begin with %.", "d");
  expectFailure<PrintfFormatError>([&] { ConversionSpecification c(symbols, "%dx"); },
                                   "Malformed conversion specification=%dx", "%dx");
}

TEST(PrintfFormat, ScanStopsAtTheFirstConversionCharacter) {
  // "50% off" holds "% o" (octal with a space flag) and the literal "ff".
  PrintfFormat f("50% off");
  expectFailure<PrintfFormatError>([&] { f.sprintf(std::vector<std::string>{"x"}); }, cannot("String", 'o'),
                                   "50% off");
  EXPECT_EQ(f.sprintf(8), "5010ff");
}

TEST(PrintfFormat, StringArray) {
  struct Case {
    const char* format;
    std::vector<std::string> args;
    const char* expected;
  } cases[] = {
      {"a=%s b=%s", {"1"}, "a=1 b="},
      {"a=%s b=%s", {"1", "2", "3"}, "a=1 b=2"},
      {"%s%d", {"x"}, "x"},  // used up: further conversions give nothing, whatever they are
      {"%5s", {"ab"}, "   ab"},
      {"%-5s|", {"ab"}, "ab   |"},
      {"%.1s", {"ab"}, "a"},
      {"%.5s", {"ab"}, "ab"},
      {"%-4.2s|", {"abcdef"}, "ab  |"},
      {"%05s", {"ab"}, "   ab"},  // "0", "+", " ", "#" and "'" do nothing for s
      {"%+ #'s", {"ab"}, "ab"},
      {"%1s", {"abc"}, "abc"},
      {"%*s|", {"ab"}, "ab|"},           // a bare "*" counts as width 0
      {"%.*s|", {"ab"}, "|"},            // and a bare ".*" as precision 0
      {"%2$s %1$s", {"a", "b"}, "a b"},  // positions are not applied here
      {"/a[@id=\"%s\"]/%s", {"x'y", "b"}, "/a[@id=\"x'y\"]/b"},
      // Widths and precisions count characters, not bytes.
      {"%5s",
       {"\xC3\xA4"
        "b"},
       "   \xC3\xA4"
       "b"},
      {"%.1s",
       {"\xC3\xA4"
        "b"},
       "\xC3\xA4"},
      {"%-4s|", {"\xE2\x82\xAC"}, "\xE2\x82\xAC   |"},
  };
  for (const Case& c : cases) EXPECT_EQ(PrintfFormat(c.format).sprintf(c.args), c.expected) << c.format;

  EXPECT_EQ(PrintfFormat("%s-%s").sprintf({"a", "b"}), "a-b");
  for (const char* format : {"%d", "%c", "%f", "%x"})
    expectFailure<PrintfFormatError>([&] { PrintfFormat(format).sprintf(std::vector<std::string>{"1"}); },
                                     cannot("String", format[1]), format);
}

TEST(PrintfFormat, IntegerConversions) {
  struct Case {
    const char* format;
    int32_t value;
    const char* expected;
  } cases[] = {
      {"%d", 42, "42"},
      {"%i", -42, "-42"},
      {"%05d", -3, "-0003"},
      {"%+5d", -3, "   -3"},
      {"% 5d", -3, "   -3"},
      {"%+d", 3, "+3"},
      {"% d", 3, " 3"},
      {"%+ d", 3, "+3"},
      {"% +d", 3, "+3"},
      {"%+05d", 3, "+0003"},
      {"%.0d", 0, ""},
      {"%3.0d|", 0, "   |"},
      {"%5.3d", 7, "  007"},
      {"%5.3d", -7, " -007"},
      {"%05.3d", 7, "  007"},  // a precision turns the "0" flag off
      {"%-5d|", 42, "42   |"},
      {"%-+5d|", 42, "+42  |"},
      {"%-05d|", 42, "42   |"},
      {"%0-5d|", 42, "42   |"},
      {"%1d", 123, "123"},
      {"%d", INT32_MIN, "-2147483648"},
      {"%hd", 65537, "1"},
      {"%hd", 40000, "-25536"},
      {"%ld", 5, "5"},
      {"%Ld", 5, "5"},
      {"%x", 255, "ff"},
      {"%x", -1, "ffffffff"},
      {"%hx", -1, "ffff"},
      {"%lx", -1, "ffffffffffffffff"},
      {"%#X", 255, "0XFF"},
      {"%#x", 0, "0x0"},
      {"%#.0x|", 0, "0x|"},
      {"%.0x|", 0, "|"},
      {"%x", INT32_MIN, "80000000"},
      {"%hx", -32768, "8000"},
      {"%.4x", 255, "00ff"},
      {"%6x|", 255, "    ff|"},
      {"%#8x|", 255, "    0xff|"},
      {"%#08x", 255, "0x0000ff"},
      {"%08X", 255, "000000FF"},
      {"%08.3x", 255, "     0ff"},  // precision turns "0" off for x
      {"%08.3X", 255, "000000FF"},  // but not for X
      {"%-#6x|", 255, "0xff  |"},
      {"%o", 8, "10"},
      {"%#o", 8, "010"},
      {"%#o", 0, "00"},
      {"%#.0o", 0, "0"},
      {"%.0o|", 0, "|"},
      {"%#.3o", 8, "0010"},
      {"%o", -1, "37777777777"},
      {"%ho", -1, "177777"},
      {"%lo", -1, "1777777777777777777777"},
      {"%o", INT32_MIN, "20000000000"},
      {"%ho", -32768, "100000"},
      {"%06o", 8, "000010"},
      {"%6o|", 8, "    10|"},
      {"%-6o|", 8, "10    |"},
      {"% o", 8, "10"},
      {"%c", 65, "A"},
      {"%5c", 65, "    A"},
      {"%-3c|", 65, "A  |"},
      {"%05.3c", 65, "    A"},
      {"%c", 0xE4, "\xC3\xA4"},
      {"%c", 0x20AC, "\xE2\x82\xAC"},
      {"%c", 0x10041, "A"},  // the low 16 bits
      {"%c", 0xD800, "\xEF\xBF\xBD"},
      {"[%d|%x|%o]", 10, "[10|a|12]"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PrintfFormat(c.format).sprintf(c.value), c.expected) << c.format << " " << c.value;
    EXPECT_EQ(PrintfFormat(c.format).sprintf(std::vector<PrintfValue>(8, c.value)), c.expected) << c.format;
  }
  for (const char* format : {"%s", "%f", "%e", "%G"})
    expectFailure<PrintfFormatError>([&] { PrintfFormat(format).sprintf(1); }, cannot("int", format[1]),
                                     format);
}

TEST(PrintfFormat, LongConversions) {
  struct Case {
    const char* format;
    int64_t value;
    const char* expected;
  } cases[] = {
      {"%d", 4294967297LL, "1"},  // without "l" only the low 32 bits count
      {"%d", 4294967295LL, "-1"},
      {"%ld", 4294967297LL, "4294967297"},
      {"%ld", INT64_MIN, "-9223372036854775808"},
      {"%hd", 65537, "1"},
      {"%Ld", 4294967297LL, "1"},
      {"%x", -1, "ffffffff"},
      {"%lx", -1, "ffffffffffffffff"},
      {"%hx", -1, "ffff"},
      {"%lX", INT64_MIN, "8000000000000000"},
      {"%lo", INT64_MIN, "1000000000000000000000"},
      {"%lo", -1, "1777777777777777777777"},
      {"%o", 4294967304LL, "10"},
      {"%+08ld", 123, "+0000123"},
      {"%c", 65, "A"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PrintfFormat(c.format).sprintf(c.value), c.expected) << c.format << " " << c.value;
    EXPECT_EQ(PrintfFormat(c.format).sprintf(PrintfValue(c.value)), c.expected) << c.format;
  }
  expectFailure<PrintfFormatError>([] { PrintfFormat("%e").sprintf(int64_t{1}); }, cannot("long", 'e'), "%e");
  expectFailure<PrintfFormatError>([] { PrintfFormat("%s").sprintf(int64_t{1}); }, cannot("long", 's'), "%s");
}

struct DoubleCase {
  const char* format;
  double value;
  const char* expected;
};

void expectDoubles(const std::vector<DoubleCase>& cases, const std::string& locale = "en_US") {
  for (const DoubleCase& c : cases) {
    PrintfFormat f(locale, c.format);
    EXPECT_EQ(f.sprintf(c.value), c.expected) << locale << " " << c.format << " " << c.value;
  }
}

TEST(PrintfFormat, FixedConversion) {
  expectDoubles({
      {"%f", 1.0, "1.00000"},
      {"%f", 0.0, "0.00000"},
      {"%f", -0.0, "-0.00000"},
      {"%f", -1.5, "-1.50000"},
      {"%.2f", 2.675, "2.68"},  // decided on the decimal digits, half to even
      {"%.2f", 0.125, "0.12"},
      {"%.2f", 0.375, "0.38"},
      {"%.2f", 1.005, "1.00"},
      {"%.2f", 1.0051, "1.01"},
      {"%.0f", 0.5, "0"},
      {"%.0f", 1.5, "2"},
      {"%.0f", 2.5, "2"},
      {"%.0f", 0.0003, "0"},
      {"%.0f", 0.6, "1"},
      {"%.1f", 0.96, "1.0"},
      {"%.1f", 9.96, "10.0"},
      {"%.2f", 999.999, "1000.00"},
      {"%#.0f", 3.0, "3."},
      {"%.0f", 3.0, "3"},
      {"%.0f", 17654321.9, "17654322"},
      {"%.1f", 12345678.25, "12345678.2"},
      {"%f", 1.0e10, "10000000000.00000"},
      {"%.3f", 1.0e-10, "0.000"},
      {"%.12f", 1.0e-10, "0.000000000100"},
      {"%f", 0.1, "0.10000"},
      {"%.20f", 0.1, "0.10000000000000000000"},  // shortest digits, then zeros
      {"%f", 123456.7890123, "123456.78901"},
      {"%+.1f", 2.5, "+2.5"},
      {"% .1f", 2.5, " 2.5"},
      {"% .1f", -2.5, "-2.5"},
      {"%8.2f", 3.14159, "    3.14"},
      {"%-8.2f|", 3.14159, "3.14    |"},
      {"%08.2f", -3.14159, "-0003.14"},
      {"%+08.2f", 3.14159, "+0003.14"},
      {"% 08.2f", 3.14159, " 0003.14"},
      {"%-08.2f|", 3.14159, "3.14    |"},
      {"%3.2f", 3.14159, "3.14"},
      {"%Lf", 1.5, "1.50000"},
  });
}

TEST(PrintfFormat, ExponentConversion) {
  expectDoubles({
      {"%e", 123.456, "1.23456e+02"},
      {"%.0e", 0.0, "0e+00"},
      {"%e", 0.0, "0.00000e+00"},
      {"%E", 1.0e100, "1.00000E+100"},
      {"%e", 1.0e-300, "1.00000e-300"},
      {"%.2e", 9.999, "1.00e+01"},
      {"%e", 0.00001, "1.00000e-05"},
      {"%E", 0.5, "5.00000E-01"},
      {"%.3e", -0.00012345, "-1.234e-04"},  // half to even on the digits
      {"%.3e", 0.00012355, "1.236e-04"},
      {"%e", 1234567.0, "1.23457e+06"},
      {"%#.0e", 5.0, "5.e+00"},
      {"%.0e", 5.0, "5e+00"},
      {"%12.2e", 1234.5, "    1.23e+03"},
      {"%-12.2e|", 1234.5, "1.23e+03    |"},
      {"%012.2e", -1234.5, "-0001.23e+03"},
      {"%+e", 1.0, "+1.00000e+00"},
      {"%e", -0.0, "-0.00000e+00"},
      {"%Le", 1.5, "1.50000e+00"},  // "L" keeps two exponent digits
      {"%LE", 1.5e200, "1.50000E+200"},
  });
}

TEST(PrintfFormat, GeneralConversion) {
  expectDoubles({
      {"%g", 100.0, "100"},
      {"%g", 0.00001234, "1.234e-05"},
      {"%G", 1.0e10, "1E+10"},
      {"%G", 1.0e-5, "1E-05"},
      {"%#g", 1.5, "1.50000"},
      {"%#g", 1.0e10, "1.00000e+10"},
      {"%g", 123.456, "123.456"},
      {"%g", 0.0001, "0.0001"},
      {"%g", 1234567.0, "1.23457e+06"},
      {"%g", 123456.0, "123456"},
      {"%g", 999999.5, "1e+06"},
      {"%g", 0.0, "0"},
      {"%g", -1.5, "-1.5"},
      {"%g", -123456789.0, "-1.23457e+08"},
      {"%.3g", 3.14159, "3.142"},  // the precision counts fraction digits
      {"%.3g", 1234.5, "1.234e+03"},
      {"%.0g", 100.0, "1e+02"},
      {"%.0g", 2.5, "2.5"},  // a precision of 0 counts as 1
      {"%10g|", 1.5, "       1.5|"},
      {"%-10g|", 1.5, "1.5       |"},
      {"%010g", -1.5, "-0000001.5"},
      {"%+g", 1.5, "+1.5"},
      {"% g", 1.5, " 1.5"},
      {"% g", -1.5, "-1.5"},
      {"%'g", 1234.5, "1,234.5"},
  });
}

TEST(PrintfFormat, Grouping) {
  expectDoubles({
      {"%'.2f", 1234567.891, "1,234,567.89"},
      {"%'.0f", -123.0, "-123"},
      {"%'.0f", -1234.0, "-1,234"},
      {"%'f", 1234.5, "1,234.50000"},
      {"%'.1f", 123456.0, "123,456.0"},
      // Zero padding leaves room for the separators of the body's own digits; the padding zeros are
      // grouped too.
      {"%'012.2f", 1234.5, "00,001,234.50"},
      {"%'015e", 1.5, "00,001.50000e+00"},
      {"%'e", 123456.0, "1.23456e+05"},
  });
}

TEST(PrintfFormat, InfinityAndNaN) {
  expectDoubles({
      {"%08.2f", kNaN, "00000NaN"},
      {"%-6f|", -kInf, "-Inf  |"},
      {"%f", kInf, "Inf"},
      {"%+f", kInf, "+Inf"},
      {"% f", kInf, " Inf"},
      {"%+f", -kInf, "-Inf"},
      {"%+e", kNaN, "+NaN"},
      {"% e", kNaN, " NaN"},
      {"%E", kInf, "Inf"},
      {"%G", kNaN, "NaN"},
      {"% g", kInf, " Inf"},
      {"%06G", -kInf, "-00Inf"},
      {"%+06g", kInf, "00+Inf"},
      {"%6g|", kNaN, "   NaN|"},
  });
}

TEST(PrintfFormat, DoubleRefusesOtherConversions) {
  for (const char* format : {"%d", "%x", "%s", "%c"})
    expectFailure<PrintfFormatError>([&] { PrintfFormat(format).sprintf(1.0); }, cannot("double", format[1]),
                                     format);
}

TEST(PrintfFormat, LocaleSeparators) {
  expectDoubles(
      {
          {"%.2f", 1234.5, "1234,50"},
          {"%'.2f", 1234567.891, "1.234.567,89"},
          {"%e", 1.5, "1,50000e+00"},
          {"%g", 1.5, "1,5"},
          {"%g", 100.0, "100,0"},  // the separator stays, with one zero after it
          {"%G", 1.0e10, "1,0E+10"},
          {"%10.1f", -2.5, "      -2,5"},
      },
      "de_DE");
  expectDoubles({{"%'.1f", 1234.5, "1,234.5"}}, "en_US");
  EXPECT_EQ(PrintfFormat("%'.1f").sprintf(1234.5), "1,234.5");  // the default locale
}

TEST(PrintfFormat, WidthCountsCharactersOfMultiByteSeparators) {
  // Swiss German groups with a right single quotation mark, three bytes in UTF-8.
  PrintfFormat f("de_CH", "%'12.0f|");
  EXPECT_EQ(f.sprintf(1234567.0),
            "   1\xE2\x80\x99"
            "234\xE2\x80\x99"
            "567|");
}

TEST(PrintfFormat, ValueArrayPositionsAndStars) {
  using V = std::vector<PrintfValue>;
  struct Case {
    const char* format;
    V args;
    const char* expected;
  } cases[] = {
      {"%2$s %1$s", {"a", "b"}, "b a"},
      {"%2$s %s", {"a", "b"}, "b b"},  // a positional conversion does not move past its argument
      {"%1$s %1$s %s", {"a", "b"}, "a a a"},
      {"%s %s", {"a", "b"}, "a b"},
      {"%*d", {-4, 7}, "7   "},
      {"%*d|", {4, 7}, "   7|"},
      {"%-*d|", {4, 7}, "7   |"},
      {"%0*d", {4, 7}, "0007"},
      {"%*.*f", {8, 2, 3.14159}, "    3.14"},
      {"%.*f", {-3, 2.5}, "2"},  // a negative precision counts as 0
      {"%.*s|", {1, "abc"}, "a|"},
      {"%1$*2$d|", {7, 5}, "    7|"},
      {"%1$.*2$f", {3.14159, 2}, "3.14"},
      {"%3$*1$.*2$f|%f", {7, 1, 2.25}, "    2.2|2.25000"},
      {"%1$*d|", {7}, "7|"},     // a bare "*" in a positional conversion counts as width 0
      {"%*1$d|", {7, 5}, "7|"},  // and an "*n$" in a sequential one is ignored
      {"%*c|", {3, 65}, "  A|"},
      {"%*c|", {0, 65}, "A|"},
      {"%%%d%%", {5}, "%5%"},
  };
  for (const Case& c : cases) EXPECT_EQ(PrintfFormat(c.format).sprintf(c.args), c.expected) << c.format;
}

TEST(PrintfFormat, ValueKinds) {
  using V = std::vector<PrintfValue>;
  PrintfFormat f("%d|%hd|%c|%x|%ld|%.1f|%.1f|%s|%s|%s");
  V args{int8_t{-5}, int16_t{-2}, char16_t{u'\u00e4'}, int32_t{255}, int64_t{1} << 40, 1.25f, 2.25,
         true,       false,       std::string("text")};
  EXPECT_EQ(f.sprintf(args), "-5|-2|\xC3\xA4|ff|1099511627776|1.2|2.2|true|false|text");

  // A value without its own path prints with "%s" only.
  expectFailure<PrintfFormatError>([] { PrintfFormat("%d").sprintf(PrintfValue(true)); },
                                   cannot("String", 'd'), "bool %d");
  expectFailure<PrintfFormatError>([] { PrintfFormat("%d").sprintf(PrintfValue()); }, cannot("String", 'd'),
                                   "absent %d");
  expectFailure<PrintfFormatError>(
      [] { PrintfFormat("%s").sprintf(V{PrintfValue()}); },
      "Cannot format an absent value with a format using a s conversion character.", "absent %s");
  expectFailure<PrintfFormatError>([] { PrintfFormat("%s").sprintf(V{int8_t{1}}); }, cannot("int", 's'),
                                   "int8 %s");
  expectFailure<PrintfFormatError>([] { PrintfFormat("%d").sprintf(V{1.0f}); }, cannot("double", 'd'),
                                   "float %d");
}

TEST(PrintfFormat, ValueArrayFailures) {
  using V = std::vector<PrintfValue>;
  struct Case {
    const char* format;
    V args;
    const char* message;
  } indexCases[] = {
      {"%s %s", {"a"}, "Index 1 out of bounds for length 1"},
      {"%d", {}, "Index 0 out of bounds for length 0"},
      {"%3$s", {"a", "b"}, "Index 2 out of bounds for length 2"},
      {"%0$s", {"a"}, "Index -1 out of bounds for length 1"},
      {"%*d", {5}, "Index 1 out of bounds for length 1"},
      {"%1$*3$d", {5}, "Index 2 out of bounds for length 1"},
  };
  for (const Case& c : indexCases)
    expectFailure<IndexOutOfRange>([&] { PrintfFormat(c.format).sprintf(c.args); }, c.message, c.format);

  Case typeCases[] = {
      {"%*d", {"5", 7}, "Argument 1 gives a field width or precision and must be a 32-bit integer"},
      {"%*d", {int64_t{5}, 7}, "Argument 1 gives a field width or precision and must be a 32-bit integer"},
      {"%.*f", {int16_t{2}, 1.0}, "Argument 1 gives a field width or precision and must be a 32-bit integer"},
      {"%1$.*2$f", {1.0, 2.0}, "Argument 2 gives a field width or precision and must be a 32-bit integer"},
  };
  for (const Case& c : typeCases)
    expectFailure<PrintfFormatError>([&] { PrintfFormat(c.format).sprintf(c.args); }, c.message, c.format);
}

TEST(PrintfFormat, ArgumentWidthsApplyToTheirCallOnly) {
  using V = std::vector<PrintfValue>;
  PrintfFormat f("%*d|%.*f");
  EXPECT_EQ(f.sprintf(V{-4, 7, 1, 2.25}), "7   |2.2");
  // The negative width of the first call neither left-justifies nor pads the next ones.
  EXPECT_EQ(f.sprintf(V{4, 7, 3, 2.25}), "   7|2.250");
  EXPECT_EQ(f.sprintf(V{0, 7, 0, 2.25}), "7|2");

  // Without arguments for them, a bare "*" and ".*" count as 0 whatever earlier calls supplied.
  PrintfFormat w("%*d|");
  EXPECT_EQ(w.sprintf(V{-4, 7}), "7   |");
  EXPECT_EQ(w.sprintf(7), "7|");
  EXPECT_EQ(w.sprintf(PrintfValue(7)), "7|");
  PrintfFormat pr("%.*f");
  EXPECT_EQ(pr.sprintf(V{3, 2.25}), "2.250");
  EXPECT_EQ(pr.sprintf(2.25), "2");

  PrintfFormat p("%1$*2$s|");
  EXPECT_EQ(p.sprintf(V{"a", -3}), "a  |");
  EXPECT_EQ(p.sprintf(V{"a", 3}), "  a|");
  EXPECT_EQ(p.sprintf(std::vector<std::string>{"a"}), "a|");  // no width without an argument
}

TEST(PrintfFormat, OneArgumentFormatsEveryConversion) {
  EXPECT_EQ(PrintfFormat("%d and %x and %c").sprintf(65), "65 and 41 and A");
  EXPECT_EQ(PrintfFormat("%d/%lx").sprintf(int64_t{-1}), "-1/ffffffffffffffff");
  EXPECT_EQ(PrintfFormat("%f/%.1e/%g").sprintf(2.5), "2.50000/2.5e+00/2.5");
  EXPECT_EQ(PrintfFormat("%s-%2$s-%s").sprintf(std::string("x")), "x-x-x");
  EXPECT_EQ(PrintfFormat("[%s]").sprintf(PrintfValue(std::string("v"))), "[v]");
  EXPECT_EQ(PrintfFormat("a%db%%c%s").sprintf(), "ab%c");
}

TEST(PrintfFormat, StaysUsableAfterAFailure) {
  PrintfFormat f("n=%d");
  expectFailure<PrintfFormatError>([&] { f.sprintf(std::string("x")); }, cannot("String", 'd'), "n=%d");
  EXPECT_EQ(f.sprintf(5), "n=5");
}

}  // namespace
}  // namespace tev
