// TransactionLogic: number and date texts, through the common Java-compatible rules (ICU patterns with
// half-even rounding, the shortest decimal text of a double).
#include <chrono>
#include <exception>

#include "common/clock.h"
#include "common/java_format.h"
#include "common/java_number.h"
#include "common/java_text.h"
#include "engine/param_manager.h"
#include "session/transaction_logic.h"
#include "session/vav_interface.h"

namespace tev {
namespace {

const std::string kDefaultPattern = "0.00";
const std::string kDefaultSeparator = ".";

// The decimal point of a pattern's result replaced by the installation's separator.
std::string withSeparator(std::string text, const std::string& separator) {
  if (separator == ".") return text;
  std::string::size_type point = text.find('.');
  if (point != std::string::npos) text.replace(point, 1, separator);
  return text;
}

}  // namespace

std::string TransactionLogic::getFormattedNumberString(double number) {
  try {
    if (paramManager == nullptr) throw TransactionLogicException("No parameters bound to the transaction");
    int decimals = parseInt(paramManager->getParamValue({"no_of_decimal_characters"}));
    std::string pattern = "#0." + std::string(std::max(decimals, 1), '0');
    return DecimalFormat(pattern).format(number);
  } catch (const std::exception& failure) {
    VAVInterface::logStackTrace(failure);
    VAVInterface::log(10, " no_of_decimal_characters Parameter not present ");
    return doubleToString(number);
  }
}

double TransactionLogic::getFormattedDoubleNumber(double number) {
  return parseDouble(getFormattedNumberString(number));
}

std::string TransactionLogic::formatDoubleString(double number) {
  std::string pattern = kDefaultPattern;
  std::string separator = kDefaultSeparator;
  if (paramManager != nullptr) {
    std::string configured = paramManager->getParamValue({"decimal_format_string"});
    std::string configuredSeparator = paramManager->getParamValue({"decimal_seperator"});
    if (!trim(configured).empty()) pattern = configured;
    if (!configuredSeparator.empty()) separator = configuredSeparator;
  }
  if (pattern == "0.0000") {
    std::string plain = doubleToString(number);
    std::string::size_type point = plain.find('.');
    if (point != std::string::npos && plain.find('E') == std::string::npos && plain.size() - point - 1 == 4)
      return withSeparator(plain, separator);
  }
  try {
    return withSeparator(DecimalFormat(pattern).format(number), separator);
  } catch (const Error& failure) {
    VAVInterface::logStackTrace(failure);
    return withSeparator(DecimalFormat(kDefaultPattern).format(number), separator);
  }
}

std::string TransactionLogic::getCurrentDate() {
  return SimpleDateFormat("Mdyyyy").format(Clock::current().now());
}

std::string TransactionLogic::getCurrentDay() {
  return SimpleDateFormat("d").format(Clock::current().now());
}

std::string TransactionLogic::formatDate(int days) {
  SimpleDateFormat format("M/d/yyyy");
  format.setTimeZone("UTC");
  return format.format(SimpleDateFormat::Millis(std::chrono::sys_days(std::chrono::days(days))));
}

}  // namespace tev
