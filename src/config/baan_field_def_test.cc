#include "config/baan_field_def.h"

#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <string>

#include "common/clock.h"
#include "common/error.h"
#include "common/log.h"

namespace tev {
namespace {

// Local noon of a calendar day.
Clock::time_point localNoon(int year, int month, int day) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = 12;
  tm.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

BaanFieldDef def(std::optional<std::string> type, int length, std::optional<std::string> align = std::nullopt,
                 std::optional<std::string> caseType = std::nullopt) {
  return BaanFieldDef("f", std::move(type), std::move(align), std::move(caseType), length);
}

struct Case {
  std::optional<std::string> type;
  int length;
  const char* value;
  bool valid;
};

class BaanFieldDefValidation : public ::testing::Test {
 protected:
  void check(const Case* begin, const Case* end, const FieldCheckContext& context) {
    for (const Case* c = begin; c != end; ++c) {
      SCOPED_TRACE(nullText(c->type) + "/" + std::to_string(c->length) + " [" + c->value + "]");
      EXPECT_EQ(def(c->type, c->length).validate(c->value, context), c->valid);
    }
  }
  static std::string nullText(const std::optional<std::string>& text) { return text.value_or("null"); }

  FakeClock today{localNoon(2025, 6, 20)};
  log::Capture capture;
};

TEST_F(BaanFieldDefValidation, NumbersStringsAndYesNo) {
  const Case cases[] = {
      {"number", 10, "12.5", true},
      {"number", 10, "5", true},
      {"number", 10, " 12 ", true},
      {"number", 10, "12.1234", true},
      {"number", 10, "12.12345", false},  // five decimals
      {"number", 10, "-5", false},
      {"number", 10, "+5", false},
      {"number", 10, "-", false},
      {"number", 10, "abc", false},
      {"number", 10, "12a", false},
      {"number", 10, "   ", false},
      {"number", 10, "", false},
      {"number", 10, "12345678901", false},  // eleven characters
      {"number", 10, "1234567890", true},
      {"number", 10, ".5", true},
      {"number", 10, "1e3", true},
      {"number", 10, "NaN", false},
      {"number", 10, "Infinity", false},
      {"number", 10, "0x1F", false},
      {"number", 10, "5d", false},
      {"number", 10, "1 2", false},
      {"negativenumber", 10, "-12.123456", true},
      {"negativenumber", 10, "+5", true},
      {"negativenumber", 10, "12", true},
      {"negativenumber", 10, "12-", false},
      {"negativenumber", 10, "-123456789", true},
      {"negativenumber", 10, "-1234567890", false},  // eleven characters with the sign
      {"negativenumber", 10, "12345678901", false},
      {"negativenumber", 10, "-", false},
      {"negativenumber", 10, " ", false},
      {"yesno", 1, " y ", true},
      {"yesno", 1, "N", true},
      {"yesno", 1, "yes", false},
      {"yesno", 1, "x", false},
      {"yesno", 1, "", false},
      {"string", 5, "longer than five", true},
      {"string", 5, "", true},
      {"stringchecklen", 5, "abcdef", false},
      {"stringchecklen", 5, " abcde ", true},
      {"stringchecklen", 5, "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4", true},  // five characters, ten bytes
      {"Number", 1, "not a number", true},  // types other than date and time are compared exactly
      {"STRINGCHECKLEN", 1, "long", true},
      {std::nullopt, 1, "anything", true},
      {"unknown", 1, "anything", true},
  };
  check(std::begin(cases), std::end(cases), {});
  EXPECT_TRUE(capture.contains("Number value = 12.5"));
}

TEST_F(BaanFieldDefValidation, DatesWithTheDefaultPatternAndTheYearWindow) {
  const Case cases[] = {
      {"date", 8, "06152025", true},    {"date", 8, "06152024", true},   // last year
      {"date", 8, "12312026", true},                                     // next year
      {"date", 8, "06152023", false},                                    // two years back
      {"date", 8, "01012027", false},   {"date", 8, "13152025", true},   // month 13 rolls into January 2026
      {"date", 8, "13152026", false},                                    // ... and into 2027
      {"date", 8, "01322025", true},    {"date", 8, "0615", false},      // month and day alone
      {"date", 8, "061525", false},                                      // the year 25
      {"date", 10, " 06152025 ", true}, {"date", 7, "06152025", false},  // longer than the field
      {"date", 8, "", false},           {"date", 8, "aabbcccc", false},
      {"DATE", 8, "06152025", true},  // date and time in any letter case
      {"Date", 8, "06152023", false},   {"time", 5, "0930", true},
      {"time", 5, "2561", true},  // rolls over
      {"time", 5, "9", false},          {"time", 5, "09:30", false},
      {"time", 5, " 0930 ", true},      {"time", 5, "", false},
      {"TIME", 3, "0930", false},  // longer than the field
  };
  FieldCheckContext context;
  context.clock = &today;
  check(std::begin(cases), std::end(cases), context);
  EXPECT_TRUE(capture.contains("date value got"));
  EXPECT_TRUE(capture.contains("Date value = 06152025"));
  EXPECT_TRUE(capture.contains("time value got"));
  EXPECT_TRUE(capture.contains("Time value = 0930"));
}

TEST_F(BaanFieldDefValidation, DatesFollowTheDateFormatParameter) {
  int asked = 0;
  std::string format;
  FieldCheckContext context;
  context.clock = &today;
  context.dateFormat = [&] {
    ++asked;
    return format;
  };
  BaanFieldDef date = def("date", 10);

  format = "yyyyMMdd";
  EXPECT_TRUE(date.validate("20250615", context));
  EXPECT_FALSE(date.validate("06152025", context));  // the year 615
  format = "dd/MM/yy";
  EXPECT_TRUE(date.validate("15/06/25", context));
  EXPECT_FALSE(date.validate("15/06/23", context));
  format = "  ";  // blank: the default pattern
  EXPECT_TRUE(date.validate("06152025", context));
  format = "MMjjyyyy";  // unusable: not valid, logged
  EXPECT_FALSE(date.validate("06152025", context));
  EXPECT_TRUE(capture.contains("Unusable date_format MMjjyyyy: Illegal pattern character 'j'"));

  // Only dates ask for the parameter.
  const int before = asked;
  EXPECT_TRUE(def("number", 5).validate("5", context));
  EXPECT_TRUE(def("time", 4).validate("1200", context));
  EXPECT_EQ(asked, before);
}

TEST_F(BaanFieldDefValidation, TodayComesFromTheInstalledClockByDefault) {
  Clock* previous = Clock::install(&today);
  EXPECT_TRUE(def("date", 8).validate("06152026"));
  EXPECT_FALSE(def("date", 8).validate("06152027"));
  today.set(localNoon(2027, 1, 1));
  EXPECT_TRUE(def("date", 8).validate("06152027"));
  Clock::install(previous);
}

TEST(BaanFieldDefShaping, CaseAlignmentAndQueries) {
  struct Case {
    BaanFieldDef field;
    const char* value;
    const char* transform;
    const char* fserver;
    const char* sql;
  } cases[] = {
      {def("string", 5, "right", "upper"), "ab", "AB", "   AB", "'   AB'"},
      {def("string", 6, "right", "none"), "42", "42", "    42", "'    42'"},
      {def("number", 6, "right"), "1234567", "1234567", "123456", "123456"},
      {def("number", 6, "left"), "7", "7", "7", "7"},
      {def("number", 6), "7", "7", "7", "7"},
      {def("string", 5, "Right", "lower"), "AbC", "abc", "abc", "'abc'"},  // only "right" aligns
      {def("string", 5, "none", "Upper"), "ab", "ab", "ab", "'ab'"},       // only "upper" upper-cases
      {def("string", 5, std::nullopt, "upper"), "o'brien", "O'BRIEN", "O'BRIEN", "'O''BRIEN'"},
      {def("string", 5, std::nullopt, "upper"), "x' OR '1'='1", "X' OR '1'='1", "X' OR '1'='1",
       "'X'' OR ''1''=''1'"},
      {def("stringchecklen", 5, std::nullopt, "upper"), "a'b", "A'B", "A'B", "A''B"},  // doubled, not quoted
      {def("string", 4, "right"), "a'", "a'", "  a'", "'  a'''"},  // padded first, then doubled
      {def("string", 0, "right"), "abc", "abc", "", "''"},
      {def(std::nullopt, 3), "x", "x", "x", "x"},
      {def("string", 10, std::nullopt, "upper"),
       "stra\xC3\x9F"
       "e",
       "STRASSE", "STRASSE", "'STRASSE'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field.toString() + " [" + c.value + "]");
    EXPECT_EQ(c.field.transform(c.value), c.transform);
    EXPECT_EQ(c.field.convertCase(c.value), c.transform);
    EXPECT_EQ(c.field.transformFServer(c.value), c.fserver);
    EXPECT_EQ(c.field.transformSql(c.value), c.sql);
  }
  EXPECT_THROW(def("string", -1, "right").formatValue("x"), IndexOutOfRange);
}

TEST(BaanFieldDefChecks, TheSingleRules) {
  BaanFieldDef field = def("string", 4);
  EXPECT_TRUE(field.isAlpha("ab-c"));
  EXPECT_FALSE(field.isAlpha("ab1"));
  EXPECT_FALSE(field.isAlpha(""));
  // Without negative values: the number rule.
  EXPECT_TRUE(field.isNumericWithNegativeOption("12.5", false));
  EXPECT_FALSE(field.isNumericWithNegativeOption("-1", false));
  EXPECT_FALSE(field.isNumericWithNegativeOption("12345", false));
  EXPECT_TRUE(field.isNumericWithNegativeOption("-1", true));
  EXPECT_EQ(field.toString(), "ID: f, Data Type: string, Alignment: null, Case: null, Length: 4");
  EXPECT_EQ(BaanFieldDef::getLogger()->name(), "tev.framework.application.Logger");
}

}  // namespace
}  // namespace tev
