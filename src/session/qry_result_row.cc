#include "session/qry_result_row.h"

#include <cmath>

#include "common/java_text.h"

namespace tev {
namespace {

// Double.compare: -0.0 below 0.0, NaN above everything and equal to itself.
int compareNumbers(double a, double b) {
  if (a < b) return -1;
  if (a > b) return 1;
  bool aNaN = std::isnan(a), bNaN = std::isnan(b);
  if (aNaN || bNaN) return aNaN == bNaN ? 0 : (aNaN ? 1 : -1);
  bool aNeg = std::signbit(a), bNeg = std::signbit(b);
  if (aNeg == bNeg) return 0;
  return aNeg ? -1 : 1;
}

}  // namespace

int QryResultRow::compareTo(const QryResultRow& other) const {
  std::size_t n = std::min(sortFields.size(), other.sortFields.size());
  for (std::size_t i = 0; i < n; ++i) {
    const SortKey& a = sortFields[i];
    const SortKey& b = other.sortFields[i];
    if (const double* x = std::get_if<double>(&a)) {
      if (const double* y = std::get_if<double>(&b)) {
        int result = compareNumbers(*x, *y);
        if (result != 0) return result;
      }
    } else if (const std::string* x = std::get_if<std::string>(&a)) {
      if (const std::string* y = std::get_if<std::string>(&b)) {
        int result = tev::compareTo(*x, *y);
        if (result != 0) return result;
      }
    }
  }
  return 0;
}

}  // namespace tev
