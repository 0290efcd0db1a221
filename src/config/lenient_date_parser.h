// LenientDateParser: reads a date or a time typed or scanned on a scanner with a date pattern ("MMddyyyy",
// "HHmm", "dd-MMM-yy"), under the lenient rules the field dictionary's date and time checks rely on:
//
//  - Pattern letters: y year, M month (one or two letters: a number; three or more: an English month
//    name, long or short, any letter case), d day of the month, H hour of the day (0-23), k hour of the day
//    (1-24), K hour (0-11), h hour (1-12), m minute, s second, S millisecond, a AM/PM. Any other character is
//    a literal that must match exactly; text in single quotes is literal, '' is one quote.
//  - Blanks and tabs before a field are passed over.
//  - A field directly followed by another field takes exactly as many characters as its letters count
//    (the blanks passed over included; fewer left makes the parse fail) and reads the number at their start;
//    any other numeric field reads all the digits that follow. A number is an optional "-" and ASCII digits.
//  - A year of one or two letters read as exactly two digits falls within the 100 years that start 80 years
//    before the current year; any other year is taken as written.
//  - Out-of-range numbers roll over into the next larger unit (month 13 is January of the next year, day 32
//    of January is 1 February, 25:61 is 02:01 of the next day); missing fields are those of 1 January 1970,
//    00:00.
//  - Text after the last pattern element is ignored.
//
// The calendar is the proleptic Gregorian one; no time zone is involved (the fields are local fields).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tev {

// A date and time of day after roll-over.
struct CivilDateTime {
  std::int64_t year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millis = 0;

  friend bool operator==(const CivilDateTime&, const CivilDateTime&) = default;
};

class LenientDateParser {
 public:
  // Throws tev::Error for a pattern it cannot use: "Illegal pattern character 'j'", "Unsupported pattern
  // character 'E'" (a date-pattern letter this parser does not read), "Unterminated quote".
  // currentYear places two-digit years.
  LenientDateParser(std::string_view pattern, std::int64_t currentYear);

  // The date and time at the start of the text; nothing when the text does not fit the pattern.
  std::optional<CivilDateTime> parse(std::string_view text) const;

 private:
  struct Element {
    char letter = 0;  // 0: a literal
    int count = 0;
    std::string literal;
  };
  struct Fields;

  // Reads one field at pos; false when it does not fit.
  bool parseField(const Element& field, bool obeyCount, std::string_view text, std::size_t& pos,
                  Fields& fields) const;

  std::vector<Element> elements_;
  std::int64_t currentYear_;
};

}  // namespace tev
