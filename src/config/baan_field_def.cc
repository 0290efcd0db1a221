#include "config/baan_field_def.h"

#include <chrono>
#include <ctime>
#include <utility>

#include "common/clock.h"
#include "common/error.h"
#include "common/java_text.h"
#include "config/lenient_date_parser.h"
#include "util/string_util.h"

namespace tev {
namespace {

const std::string kString = "string";
const std::string kStringCheckLen = "stringchecklen";
const std::string kNumber = "number";
const std::string kNegativeNumber = "negativenumber";
const std::string kYesNo = "yesno";
const std::string kDate = "date";
const std::string kTime = "time";
const std::string kTimePattern = "HHmm";

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// A decimal number in plain notation: an optional sign, digits with an optional point and fraction (or a
// point and a fraction), an optional exponent. No blanks, no special values.
bool isDecimalNumber(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t exponentDigits = 0;
    while (i < text.size() && isDigit(text[i])) ++i, ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  return i == text.size();
}

// The calendar year of the instant in the process's local time.
std::int64_t localYear(Clock::time_point when) {
  std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return 1970;
  return static_cast<std::int64_t>(local.tm_year) + 1900;
}

std::int64_t currentYear(const FieldCheckContext& context) {
  const Clock& clock = context.clock ? *context.clock : Clock::current();
  return localYear(clock.now());
}

}  // namespace

BaanFieldDef::BaanFieldDef(std::string id, std::optional<std::string> dataType,
                           std::optional<std::string> alignment, std::optional<std::string> caseType,
                           std::int32_t length)
    : id(std::move(id)),
      dataType(std::move(dataType)),
      alignment(std::move(alignment)),
      caseType(std::move(caseType)),
      length(length) {}

std::string BaanFieldDef::toString() const {
  return "ID: " + id + ", Data Type: " + nullText(dataType) + ", Alignment: " + nullText(alignment) +
         ", Case: " + nullText(caseType) + ", Length: " + std::to_string(length);
}

log::Logger BaanFieldDef::getLogger() {
  return log::get("tev.framework.application.Logger");
}

bool BaanFieldDef::validate(const std::string& value, const FieldCheckContext& context) const {
  if (!dataType) return true;
  const std::string& type = *dataType;
  if (type == kString) return true;
  if (type == kStringCheckLen) return charLength(trim(value)) <= length;
  if (type == kNumber) return isNumeric(value);
  if (type == kNegativeNumber) return isNumericWithNegativeOption(value, true);
  if (type == kYesNo) return isYesNo(value);
  if (equalsIgnoreCase(type, kDate)) return isDate(value, context);
  if (equalsIgnoreCase(type, kTime)) return isTime(value);
  return true;
}

std::string BaanFieldDef::convertCase(const std::string& value) const {
  if (caseType == UPPER) return toUpperCase(value);
  if (caseType == LOWER) return toLowerCase(value);
  return value;
}

std::string BaanFieldDef::formatValue(const std::string& value) const {
  if (alignment == RIGHT) return StringUtil::lpad(value, length);
  return value;
}

std::string BaanFieldDef::transform(const std::string& value) const {
  return convertCase(value);
}

std::string BaanFieldDef::transformFServer(const std::string& value) const {
  return formatValue(convertCase(value));
}

std::string BaanFieldDef::transformSql(const std::string& value) const {
  std::string shaped = transformFServer(value);
  std::string escaped;
  escaped.reserve(shaped.size() + 2);
  for (char c : shaped) {
    escaped.push_back(c);
    if (c == '\'') escaped.push_back('\'');
  }
  if (dataType == kString) return "'" + escaped + "'";
  return escaped;
}

bool BaanFieldDef::fitsLength(const std::string& trimmed) const {
  return !trimmed.empty() && charLength(trimmed) <= length;
}

bool BaanFieldDef::isNumeric(const std::string& value) const {
  log::Logger logger = getLogger();
  logger->info("{}", "Number value = " + value);
  std::string trimmed = trim(value);
  if (!fitsLength(trimmed)) return false;
  if (trimmed.size() >= 2 && (trimmed[0] == '-' || trimmed[0] == '+')) return false;
  logger->info("{}", "Number value = " + trimmed);
  if (!isDecimalNumber(trimmed)) return false;
  std::size_t point = trimmed.find('.');
  return point == std::string::npos || trimmed.size() - point - 1 <= 4;
}

bool BaanFieldDef::isNumericWithNegativeOption(const std::string& value, bool allowNegative) const {
  if (!allowNegative) return fitsLength(trim(value)) && isNumeric(value);
  log::Logger logger = getLogger();
  logger->info("{}", "Number value = " + value);
  std::string trimmed = trim(value);
  if (!fitsLength(trimmed)) return false;
  logger->info("{}", "Number value = " + trimmed);
  return isDecimalNumber(trimmed);
}

bool BaanFieldDef::isDate(const std::string& value, const FieldCheckContext& context) const {
  log::Logger logger = getLogger();
  logger->error("{}", "date value got");
  logger->info("{}", "Date value = " + value);
  std::string trimmed = trim(value);
  if (!fitsLength(trimmed)) return false;

  std::string pattern = DEFAULT_DATE_FORMAT;
  if (context.dateFormat) {
    std::string configured = context.dateFormat();
    if (!trim(configured).empty()) pattern = configured;
  }
  logger->info("{}", "Date value = " + trimmed);
  const std::int64_t thisYear = currentYear(context);
  std::optional<CivilDateTime> date;
  try {
    date = LenientDateParser(pattern, thisYear).parse(trimmed);
  } catch (const Error& e) {
    logger->error("{}", "Unusable date_format " + pattern + ": " + e.getMessage());
    return false;
  }
  if (!date) return false;
  const std::int64_t difference = date->year - thisYear;
  return difference >= -1 && difference <= 1;
}

bool BaanFieldDef::isTime(const std::string& value) const {
  log::Logger logger = getLogger();
  logger->error("{}", "time value got");
  logger->info("{}", "Time value = " + value);
  std::string trimmed = trim(value);
  if (!fitsLength(trimmed)) return false;
  logger->info("{}", "Time value = " + trimmed);
  // The year does not matter to a time: any current year serves.
  return LenientDateParser(kTimePattern, 1970).parse(trimmed).has_value();
}

bool BaanFieldDef::isYesNo(const std::string& value) const {
  std::string trimmed = trim(value);
  return trimmed == "Y" || trimmed == "N" || trimmed == "y" || trimmed == "n";
}

bool BaanFieldDef::isAlpha(const std::string& value) const {
  if (value.empty()) return false;
  for (char c : value)
    if (isDigit(c)) return false;
  return true;
}

}  // namespace tev
