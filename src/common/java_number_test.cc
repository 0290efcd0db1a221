#include "common/java_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/error.h"

namespace tev {
namespace {

template <typename F>
std::string failure(F&& f) {
  try {
    f();
  } catch (const NumberFormatError& e) {
    return e.what();
  }
  return "(no failure)";
}

TEST(JavaNumber, ParseIntAcceptsSignAndDigitsOnly) {
  struct Case {
    const char* text;
    int32_t value;
  } cases[] = {
      {"0", 0}, {"-0", 0}, {"+5", 5}, {"007", 7}, {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(parseInt(c.text), c.value) << c.text;
}

TEST(JavaNumber, ParseIntRefusals) {
  for (const char* text : {"", " 1", "1 ", "+", "-", "1.0", "1e3", "2147483648", "-2147483649", "1a", "++1",
                           "+-1", "0x10", "\xd9\xa1", "1\xff"}) {
    EXPECT_EQ(failure([&] { parseInt(text); }), "For input string: \"" + std::string(text) + "\"") << text;
  }
}

TEST(JavaNumber, ParseLong) {
  EXPECT_EQ(parseLong("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(parseLong("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(parseLong("+2147483648"), 2147483648LL);
  EXPECT_EQ(failure([] { parseLong("9223372036854775808"); }), "For input string: \"9223372036854775808\"");
  EXPECT_EQ(failure([] { parseLong(" 1"); }), "For input string: \" 1\"");
}

TEST(JavaNumber, ParseDouble) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"1.5", 1.5},
      {" 2.5\t\n", 2.5},
      {"+3", 3.0},
      {"1.", 1.0},
      {".5", 0.5},
      {"-.5e1", -5.0},
      {"1e3", 1000.0},
      {"1E-3", 0.001},
      {"1.5e+2", 150.0},
      {"1.5d", 1.5},
      {"2F", 2.0},
      {"0.1", 0.1},
      {"0.30000000000000004", 0.1 + 0.2},
      {"-Infinity", -inf},
      {"+Infinity", inf},
      {"1e400", inf},
      {"-1e400", -inf},
      {"1e-400", 0.0},
      {"0.000000000000000000001e-310", 0.0},
      {"1000000000000000000000000e300", inf},
      {"1e99999999999999999999", inf},
      {"4.9e-324", std::numeric_limits<double>::denorm_min()},
      {"1.7976931348623157e308", std::numeric_limits<double>::max()},
      {"0x1.8p1", 3.0},
      {"0X10P-4d", 1.0},
      {"0x.8p0", 0.5},
      {"0x1p2000", inf},
  };
  for (const Case& c : cases) EXPECT_EQ(parseDouble(c.text), c.value) << c.text;
  EXPECT_TRUE(std::signbit(parseDouble("-0")));
  EXPECT_TRUE(std::signbit(parseDouble("-1e-400")));
  EXPECT_TRUE(std::isnan(parseDouble("NaN")));
  EXPECT_TRUE(std::isnan(parseDouble(" -NaN ")));
}

TEST(JavaNumber, ParseDoubleRefusals) {
  EXPECT_EQ(failure([] { parseDouble(""); }), "empty String");
  EXPECT_EQ(failure([] { parseDouble(" \t "); }), "empty String");
  EXPECT_EQ(failure([] { parseDouble("  x "); }), "For input string: \"x\"");  // the trimmed text
  for (const char* text :
       {"1,5",      "abc",       "1e",    "1e+", "e5",   ".",   "-",   "1.5dd", "1d5",   "NaNd", "nan",
        "infinity", "Infinity5", "0x1.8", "0x",  "0xp1", "1 5", "--1", "+-1",   "1.2.3", "\xff", "1\xff"}) {
    EXPECT_EQ(failure([&] { parseDouble(text); }), "For input string: \"" + std::string(text) + "\"") << text;
  }
}

TEST(JavaNumber, DoubleToString) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {5.0, "5.0"},
      {2.5, "2.5"},
      {0.0, "0.0"},
      {-0.0, "-0.0"},
      {100.0, "100.0"},
      {-1.25, "-1.25"},
      {123456.789, "123456.789"},
      {1234567.0, "1234567.0"},
      {9999999.0, "9999999.0"},
      {9999999.999, "9999999.999"},
      {1e7, "1.0E7"},
      {12345678.9, "1.23456789E7"},
      {1e21, "1.0E21"},
      {0.001, "0.001"},
      {0.0009, "9.0E-4"},
      {1.234e-5, "1.234E-5"},
      {-1.5e-10, "-1.5E-10"},
      {0.1 + 0.2, "0.30000000000000004"},
      {1e23, "1.0E23"},
      {std::numeric_limits<double>::denorm_min(), "4.9E-324"},  // the closest of the two-digit decimals
      {2 * std::numeric_limits<double>::denorm_min(), "9.9E-324"},
      {std::numeric_limits<double>::min(), "2.2250738585072014E-308"},
      {std::numeric_limits<double>::max(), "1.7976931348623157E308"},
      {std::numeric_limits<double>::quiet_NaN(), "NaN"},
      {std::numeric_limits<double>::infinity(), "Infinity"},
      {-std::numeric_limits<double>::infinity(), "-Infinity"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(doubleToString(c.value), c.text) << c.text;
    if (!std::isnan(c.value)) {
      EXPECT_EQ(parseDouble(doubleToString(c.value)), c.value) << c.text;
    }
  }
}

}  // namespace
}  // namespace tev
