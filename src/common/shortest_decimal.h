// The shortest decimal digits that read back to the same double: the base of Java's Double.toString
// shape and of the printf formatter's fixed and exponent conversions.
#pragma once

#include <string>

namespace tev {

struct ShortestDecimal {
  bool negative = false;  // sign bit, so -0.0 is negative
  std::string digits;     // significant digits without leading or trailing zeros; "0" for zero
  int exponent = 0;       // decimal exponent of the first digit: value = d.ddd x 10^exponent

  // Only for finite values.
  static ShortestDecimal of(double value);
};

}  // namespace tev
