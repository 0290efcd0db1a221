#include "common/shortest_decimal.h"

#include <gtest/gtest.h>

#include <limits>

namespace tev {
namespace {

TEST(ShortestDecimal, DigitsAndExponent) {
  struct Case {
    double value;
    bool negative;
    const char* digits;
    int exponent;
  } cases[] = {
      {0.0, false, "0", 0},
      {-0.0, true, "0", 0},
      {1.0, false, "1", 0},
      {100.0, false, "1", 2},
      {2.675, false, "2675", 0},
      {0.1, false, "1", -1},
      {-123.456, true, "123456", 2},
      {1.0e100, false, "1", 100},
      {0.00001234, false, "1234", -5},
      {17654321.9, false, "176543219", 7},
      {std::numeric_limits<double>::denorm_min(), false, "5", -324},
  };
  for (const Case& c : cases) {
    ShortestDecimal d = ShortestDecimal::of(c.value);
    EXPECT_EQ(d.negative, c.negative) << c.value;
    EXPECT_EQ(d.digits, c.digits) << c.value;
    EXPECT_EQ(d.exponent, c.exponent) << c.value;
  }
}

}  // namespace
}  // namespace tev
