// Date and decimal patterns with the original's results, backed by ICU. Pattern letters are those of
// Unicode Technical Standard #35 ("yyyy-MM-dd HH:mm:ss", "#,##0.00"). The default locale is "en_US" and
// the default time zone is the process's own (TZ). A format object is not safe for use by several threads
// at once; copies are independent.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tev {

class SimpleDateFormat {
 public:
  using time_point = std::chrono::system_clock::time_point;
  // The whole range of dates at millisecond precision (time_point ends in the year 2262, before
  // "9999-12-31").
  using Millis = std::chrono::sys_time<std::chrono::milliseconds>;

  // A pattern letter that is no date field, or a quote left open, throws tev::Error
  // ("Illegal pattern character 'j'", "Unterminated quote").
  explicit SimpleDateFormat(std::string_view pattern, std::string_view localeName = "en_US");
  SimpleDateFormat(const SimpleDateFormat& other);
  SimpleDateFormat& operator=(const SimpleDateFormat& other);
  SimpleDateFormat(SimpleDateFormat&&) noexcept;
  SimpleDateFormat& operator=(SimpleDateFormat&&) noexcept;
  ~SimpleDateFormat();

  // Time zone by id ("UTC", "Europe/Berlin", "GMT+02:00"); an unknown id gives GMT.
  void setTimeZone(std::string_view id);
  // Lenient by default: out-of-range fields roll over ("2024-02-30" is 1 March).
  void setLenient(bool lenient);

  // Millisecond precision: an instant is rounded down to its millisecond.
  std::string format(time_point time) const;
  std::string format(Millis time) const;
  // Reads a date from the start of the text (text after it is ignored); nullopt when none is found, and for
  // parse() also when the date lies beyond what a time_point holds.
  std::optional<time_point> parse(std::string_view text) const;
  std::optional<Millis> parseMillis(std::string_view text) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

class DecimalFormat {
 public:
  // A malformed pattern throws tev::Error (Malformed pattern "<pattern>").
  explicit DecimalFormat(std::string_view pattern, std::string_view localeName = "en_US");
  DecimalFormat(const DecimalFormat& other);
  DecimalFormat& operator=(const DecimalFormat& other);
  DecimalFormat(DecimalFormat&&) noexcept;
  DecimalFormat& operator=(DecimalFormat&&) noexcept;
  ~DecimalFormat();

  // Rounds the exact binary value half-even: "#0.00" gives "2.67" for 2.675 and "0.12" for 0.125.
  std::string format(double value) const;
  // Reads a number from the start of the text (text after it is ignored); nullopt when none is found.
  std::optional<double> parse(std::string_view text) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tev
