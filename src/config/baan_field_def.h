// BaanFieldDef: the dictionary entry of one ERP field (an order number, an item, a quantity, a date): its
// data type, how its values are aligned, what letter case they take and its length. Built by the field
// dictionary builder from the ERP field list and read back from the dictionary file by the scanner process;
// never changed after it is made. The texts are absent when the field list gives none.
//
// The entry also carries the field's rules: validate checks a value typed or scanned into the field, the
// transform operations shape a value for the field itself, a function-server call or a query.
//
// Data types and their checks (validate):
//   "string"          always valid
//   "stringchecklen"  the trimmed value is at most `length` characters
//   "number"          an unsigned decimal number of at most 4 decimals, at most `length` characters
//   "negativenumber"  a decimal number, a leading sign allowed, at most `length` characters
//   "yesno"           trimmed, one of Y N y n
//   "date"            a date of the pattern of the parameter "date_format" (else "MMddyyyy") whose year is
//                     within one year of today's (any letter case of "date")
//   "time"            a time of the pattern "HHmm" (any letter case of "time")
//   anything else     always valid, as "string" (an absent type too)
// "Trimmed" removes every leading and trailing character up to U+0020. Dates and times are read leniently
// (see LenientDateParser): out-of-range numbers roll over, text after the last field is ignored.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/log.h"

namespace tev {

class Clock;

// What the date check reads outside the entry.
struct FieldCheckContext {
  // The parameter "date_format"; asked only when a date is checked. No function: no parameter.
  std::function<std::string()> dateFormat;
  // "Today" for the year window and for two-digit years; nullptr: Clock::current().
  const Clock* clock = nullptr;
};

class BaanFieldDef {
 public:
  static inline const std::string LEFT = "left";
  static inline const std::string RIGHT = "right";
  static inline const std::string UPPER = "upper";
  static inline const std::string LOWER = "lower";
  static inline const std::string NONE = "none";

  // The date pattern when the parameter "date_format" is blank or missing.
  static inline const std::string DEFAULT_DATE_FORMAT = "MMddyyyy";

  BaanFieldDef(std::string id, std::optional<std::string> dataType, std::optional<std::string> alignment,
               std::optional<std::string> caseType, std::int32_t length);

  const std::string& getId() const { return id; }
  const std::optional<std::string>& getDataType() const { return dataType; }
  const std::optional<std::string>& getAlignment() const { return alignment; }
  const std::optional<std::string>& getCaseType() const { return caseType; }
  std::int32_t getLength() const { return length; }

  // "ID: " id ", Data Type: " type ", Alignment: " alignment ", Case: " case ", Length: " length, with "null"
  // for an absent text.
  std::string toString() const;

  // --- rules ---------------------------------------------------------------------------------------------
  // The check of the entry's data type (table above) on the value as read, untrimmed. Never throws: a value
  // that does not fit, and a date pattern that cannot be used (logged), give false.
  bool validate(const std::string& value, const FieldCheckContext& context = {}) const;

  // Upper-cased when the case is exactly "upper", lower-cased when exactly "lower"; else unchanged.
  std::string convertCase(const std::string& value) const;
  // When the alignment is exactly "right": exactly `length` characters, blanks in front of a shorter value,
  // a longer one cut to its first `length` characters (StringUtil::lpad); else unchanged. Throws
  // IndexOutOfRange for a negative length, or a pad longer than StringUtil's source of blanks.
  std::string formatValue(const std::string& value) const;
  // Field input: convertCase.
  std::string transform(const std::string& value) const;
  // formatValue (convertCase (value)).
  std::string transformFServer(const std::string& value) const;
  // A value placed in a query: transformFServer with every "'" doubled, so the value can never end a quoted
  // text early; a "string" field's value (type exactly "string") is then enclosed in single quotes.
  std::string transformSql(const std::string& value) const;

  // The single rules validate applies. Each logs the value it checks through getLogger().
  bool isNumeric(const std::string& value) const;
  // The signed-number rule when allowNegative; otherwise the blank and length checks, then isNumeric.
  bool isNumericWithNegativeOption(const std::string& value, bool allowNegative) const;
  bool isDate(const std::string& value, const FieldCheckContext& context = {}) const;
  bool isTime(const std::string& value) const;
  bool isYesNo(const std::string& value) const;
  // True when the value is not empty and none of its characters is a decimal digit (not used by validate).
  bool isAlpha(const std::string& value) const;

  // The logger "tev.framework.application.Logger".
  static log::Logger getLogger();

  friend bool operator==(const BaanFieldDef&, const BaanFieldDef&) = default;

 private:
  // Blank and length checks shared by the number, date and time rules: false when the value is blank or
  // its trimmed text is longer than `length`.
  bool fitsLength(const std::string& trimmed) const;

  std::string id;
  std::optional<std::string> dataType;
  std::optional<std::string> alignment;
  std::optional<std::string> caseType;
  std::int32_t length;
};

}  // namespace tev
