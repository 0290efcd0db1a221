#include "config/lenient_date_parser.h"

#include <gtest/gtest.h>

#include <optional>

#include "common/error.h"

namespace tev {
namespace {

CivilDateTime at(std::int64_t y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return CivilDateTime{y, mo, d, h, mi, s, ms};
}

TEST(LenientDateParser, ReadsAndRollsOver) {
  struct Case {
    const char* pattern;
    const char* text;
    std::optional<CivilDateTime> expected;
  } cases[] = {
      // Abutting numeric fields take as many digits as their letters; the last one takes the rest.
      {"MMddyyyy", "06152025", at(2025, 6, 15)},
      {"MMddyyyy", "061520255", at(20255, 6, 15)},
      {"MMddyyyy", "0615202", at(202, 6, 15)},
      {"MMddyyyy", "0615", std::nullopt},        // no year
      {"MMddyyyy", "06-15-2025", at(5, 5, 30)},  // day "-1", year "5"
      {"yyyyMMdd", "20250615", at(2025, 6, 15)},
      // Out-of-range numbers roll over into the next unit.
      {"MMddyyyy", "13152025", at(2026, 1, 15)},
      {"MMddyyyy", "01322025", at(2025, 2, 1)},
      {"MMddyyyy", "00002025", at(2024, 11, 30)},
      {"MMddyyyy", "02292024", at(2024, 2, 29)},
      {"MMddyyyy", "02292025", at(2025, 3, 1)},
      {"HHmm", "0930", at(1970, 1, 1, 9, 30)},
      {"HHmm", "2561", at(1970, 1, 2, 2, 1)},
      {"HHmm", "9", std::nullopt},                 // the hour needs its two characters
      {"HHmm", "09:30", std::nullopt},             // ":" is no number
      {"HHmm", "0930xyz", at(1970, 1, 1, 9, 30)},  // trailing text ignored
      {"HHmm", "09 30", at(1970, 1, 1, 9, 30)},    // blanks before a field are passed over
      {"HHmm", " 930", at(1970, 1, 1, 9, 30)},     // the blank counts towards the hour's two characters
      {"HHmm", "-130", at(1969, 12, 31, 23, 30)},  // a leading minus sign is read, then rolled
      // Separated fields read all their digits.
      {"MM/dd/yyyy", "6/5/2025", at(2025, 6, 5)},
      {"MM/dd/yyyy", "6-5-2025", std::nullopt},
      {"dd.MM.yy", "15.06.25", at(2025, 6, 15)},
      {"dd.MM.yy", "15.06.75", at(1975, 6, 15)},  // two-digit years: 80 years back, 20 ahead of 2025
      {"dd.MM.yy", "15.06.44", at(2044, 6, 15)},
      {"dd.MM.yy", "15.06.46", at(1946, 6, 15)},
      {"dd.MM.yy", "15.06.2025", at(2025, 6, 15)},
      {"dd-MMM-yyyy", "15-jun-2025", at(2025, 6, 15)},
      {"dd-MMM-yyyy", "15-SEPTEMBER-2025", at(2025, 9, 15)},
      {"dd-MMM-yyyy", "15-Juni-2025", std::nullopt},
      {"hh:mm a", "12:05 am", at(1970, 1, 1, 0, 5)},
      {"hh:mm a", "01:05 PM", at(1970, 1, 1, 13, 5)},
      {"'day' d 'of' M", "day 3 of 4", at(1970, 4, 3)},
      {"yyyy''MM", "2025'07", at(2025, 7, 1)},
      {"HH:mm:ss.SSS", "23:59:59.999", at(1970, 1, 1, 23, 59, 59, 999)},
      {"MMddyyyy", "", std::nullopt},
      {"MMddyyyy", "0615999999999999", std::nullopt},  // a year of too many digits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " [" + c.text + "]");
    EXPECT_EQ(LenientDateParser(c.pattern, 2025).parse(c.text), c.expected);
  }
}

TEST(LenientDateParser, RefusesPatternsItCannotUse) {
  struct Case {
    const char* pattern;
    const char* message;
  } cases[] = {
      {"MMjjyyyy", "Illegal pattern character 'j'"},
      {"EEE dd", "Unsupported pattern character 'E'"},
      {"dd 'of", "Unterminated quote"},
  };
  for (const Case& c : cases) {
    try {
      LenientDateParser parser(c.pattern, 2025);
      ADD_FAILURE() << c.pattern;
    } catch (const Error& e) {
      EXPECT_EQ(e.getMessage(), c.message);
    }
  }
}

}  // namespace
}  // namespace tev
