// FieldServices: the process-wide settings and services that fields read while they draw, read, check and
// convert their values. The scanner process fills it once at start-up (decimal formatting from the global
// parameters, the field dictionary's checks) and sets the user's language at log-in; tests set what they
// need and put the previous state back.
//
// Parameters (max_data_length_allowed, the prefixes) are read through the terminal's host, the same
// parameter store the terminal reads, and the screen size of pick lists comes from the terminal's device
// info.
#pragma once

#include <optional>
#include <string>

namespace tev {

class FieldChecks;

struct FieldServices {
  // The field dictionary's rules (not owned; must outlive its use). nullptr: every value is valid and
  // transform leaves it unchanged.
  FieldChecks* checks = nullptr;
  // Global parameters implement_decimal_formatting, decimal_format_string and decimal_seperator.
  bool implementDecimalFormatting = false;
  std::string decimalFormatString = "0.00";
  std::string decimalSeperator = ".";
  // The logged-in user's language; nothing before log-in.
  std::optional<std::string> userLanguage;
};

// The one instance of the process (used from the main thread only).
FieldServices& fieldServices();

}  // namespace tev
