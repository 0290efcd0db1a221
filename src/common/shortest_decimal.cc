#include "common/shortest_decimal.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tev {

ShortestDecimal ShortestDecimal::of(double value) {
  ShortestDecimal d;
  d.negative = std::signbit(value);
  double magnitude = std::fabs(value);
  if (magnitude == 0.0) {
    d.digits = "0";
    return d;
  }
  // std::to_chars without a precision gives the shortest round-trip form, here as "d.ddde+XX".
  char buf[64];
  auto result = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific);
  std::string text(buf, result.ptr);
  size_t e = text.find('e');
  for (size_t i = 0; i < e; ++i)
    if (text[i] != '.') d.digits += text[i];
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  d.exponent = std::atoi(text.c_str() + e + 1);
  return d;
}

}  // namespace tev
