#include "common/java_format.h"

#include <gtest/gtest.h>

#include "common/error.h"

namespace tev {
namespace {

using std::chrono::milliseconds;
using Time = SimpleDateFormat::time_point;

// 2023-11-14 22:13:20.123 UTC, a Tuesday.
const Time kInstant{milliseconds(1700000000123LL)};

SimpleDateFormat utc(const char* pattern, const char* locale = "en_US") {
  SimpleDateFormat format(pattern, locale);
  format.setTimeZone("UTC");
  return format;
}

TEST(JavaFormat, DateFormatting) {
  struct Case {
    const char* pattern;
    const char* locale;
    const char* zone;
    const char* text;
  } cases[] = {
      {"yyyy-MM-dd HH:mm:ss", "en_US", "UTC", "2023-11-14 22:13:20"},
      {"yyyyMMddHHmmssSSS", "en_US", "UTC", "20231114221320123"},
      {"dd.MM.yy", "en_US", "UTC", "14.11.23"},
      {"EEE, d MMM yyyy h:mm a", "en_US", "UTC", "Tue, 14 Nov 2023 10:13 PM"},
      {"EEEE d. MMMM", "de_DE", "UTC", "Dienstag 14. November"},
      {"HH:mm z", "en_US", "Europe/Berlin", "23:13 GMT+1"},  // names follow CLDR: no "CET" in English
      {"HH:mm z", "en_US", "America/New_York", "17:13 EST"},
      {"HH:mm", "en_US", "GMT+02:00", "00:13"},
      {"HH:mm", "en_US", "No/Such_Zone", "22:13"},  // an unknown zone is GMT
      {"HH 'o''clock', ''yy", "en_US", "UTC", "22 o'clock, '23"},
      {"'jj' D", "en_US", "UTC", "jj 318"},
  };
  for (const Case& c : cases) {
    SimpleDateFormat format(c.pattern, c.locale);
    format.setTimeZone(c.zone);
    EXPECT_EQ(format.format(kInstant), c.text) << c.pattern;
  }
}

TEST(JavaFormat, DateFormattingRoundsDownToTheMillisecond) {
  EXPECT_EQ(utc("ss.SSS").format(kInstant + std::chrono::microseconds(999)), "20.123");
  EXPECT_EQ(utc("yyyy-MM-dd HH:mm:ss.SSS").format(Time{} - std::chrono::microseconds(1)),
            "1969-12-31 23:59:59.999");
  EXPECT_EQ(utc("yyyy-MM-dd").format(SimpleDateFormat::Millis{milliseconds(253402214400000LL)}),
            "9999-12-31");
}

TEST(JavaFormat, DateParsing) {
  SimpleDateFormat format = utc("yyyy-MM-dd HH:mm:ss");
  EXPECT_EQ(format.parse("2023-11-14 22:13:20"), kInstant - milliseconds(123));
  EXPECT_EQ(format.parse("2023-11-14 22:13:20 and more"), kInstant - milliseconds(123));
  EXPECT_EQ(format.parse("2024-02-30 00:00:00"), utc("yyyy-MM-dd").parse("2024-03-01"));  // lenient roll-over
  EXPECT_EQ(format.parse("garbage"), std::nullopt);
  EXPECT_EQ(format.parse(""), std::nullopt);
  EXPECT_EQ(format.parse("\xff\xfe"), std::nullopt);
  format.setLenient(false);
  EXPECT_EQ(format.parse("2024-02-30 00:00:00"), std::nullopt);

  SimpleDateFormat berlin("dd.MM.yyyy HH:mm");
  berlin.setTimeZone("Europe/Berlin");
  EXPECT_EQ(berlin.parse("14.11.2023 23:13"), kInstant - milliseconds(20123));
}

TEST(JavaFormat, DateParsingBeyondTimePoint) {
  SimpleDateFormat format = utc("yyyyMMdd");
  EXPECT_EQ(format.parse("99991231"), std::nullopt);
  EXPECT_EQ(format.parseMillis("99991231"), SimpleDateFormat::Millis{milliseconds(253402214400000LL)});
}

TEST(JavaFormat, BadDatePatterns) {
  struct Case {
    const char* pattern;
    const char* message;
  } cases[] = {
      {"yyyy-jj", "Illegal pattern character 'j'"},
      {"tt", "Illegal pattern character 't'"},
      {"yyyy 'abc", "Unterminated quote"},
  };
  for (const Case& c : cases) {
    try {
      SimpleDateFormat format(c.pattern);
      ADD_FAILURE() << c.pattern;
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(JavaFormat, DateFormatCopiesAreIndependent) {
  SimpleDateFormat original = utc("HH:mm");
  SimpleDateFormat copy = original;
  copy.setTimeZone("GMT+01:00");
  EXPECT_EQ(original.format(kInstant), "22:13");
  EXPECT_EQ(copy.format(kInstant), "23:13");
  original = copy;
  EXPECT_EQ(original.format(kInstant), "23:13");
}

TEST(JavaFormat, DecimalFormatting) {
  struct Case {
    const char* pattern;
    const char* locale;
    double value;
    std::string text;
  } cases[] = {
      {"#0.00", "en_US", 2.675, "2.67"},  // the double lies below 2.675
      {"#0.00", "en_US", 0.125, "0.12"},  // exactly half: to even
      {"#0.00", "en_US", 0.375, "0.38"},
      {"#0.00", "en_US", 0.135, "0.14"},  // the double lies above 0.135
      {"#", "en_US", 0.5, "0"},
      {"#", "en_US", 1.5, "2"},
      {"#", "en_US", 2.5, "2"},
      {"#", "en_US", -2.5, "-2"},
      {"#,##0.00", "en_US", 1234567.891, "1,234,567.89"},
      {"#,##0.00", "de_DE", 1234567.891, "1.234.567,89"},
      {"#0.00", "en_US", -0.001, "-0.00"},
      {"#.##", "en_US", 3.0, "3"},
      {"000", "en_US", 7.0, "007"},
      {"0.00%", "en_US", 0.256, "25.60%"},
      {"#", "en_US", 1e20, "100000000000000000000"},
      {"#0.###", "en_US", 1.0 / 3.0, "0.333"},
      {"#", "en_US", -0.0, "-0"},
      {"#0.00", "en_US", 1e300, "1" + std::string(300, '0') + ".00"},
      {"#0.0000", "en_US", 5e-324, "0.0000"},
      {"#0.00%", "en_US", 0.001234, "0.12%"},
      {"#‰", "en_US", 0.0125, "13‰"},  // multiplied as a double first: 12.500000000000002
      {"#0.0000000000000000000000", "en_US", 0.1, "0.1000000000000000000000"},  // shortest digits padded
  };
  for (const Case& c : cases)
    EXPECT_EQ(DecimalFormat(c.pattern, c.locale).format(c.value), c.text) << c.pattern << " " << c.value;
}

TEST(JavaFormat, DecimalParsing) {
  DecimalFormat us("#,##0.00");
  EXPECT_EQ(us.parse("1,234.5"), 1234.5);
  EXPECT_EQ(us.parse("-3"), -3.0);
  EXPECT_EQ(us.parse("12abc"), 12.0);
  EXPECT_EQ(us.parse("abc"), std::nullopt);
  EXPECT_EQ(us.parse(""), std::nullopt);
  EXPECT_EQ(us.parse("\xff"), std::nullopt);
  EXPECT_EQ(DecimalFormat("#,##0.00", "de_DE").parse("1.234,5"), 1234.5);
  EXPECT_EQ(DecimalFormat("0.0%").parse("25.6%"), 0.256);
}

TEST(JavaFormat, BadDecimalPattern) {
  try {
    DecimalFormat format("#0.0.0");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Malformed pattern \"#0.0.0\"");
  }
}

TEST(JavaFormat, DecimalFormatCopies) {
  DecimalFormat original("#0.0");
  DecimalFormat copy = original;
  DecimalFormat moved = std::move(copy);
  EXPECT_EQ(moved.format(1.25), "1.2");
  EXPECT_EQ(original.format(1.35), "1.4");
}

}  // namespace
}  // namespace tev
