#include "config/lenient_date_parser.h"

#include <array>

#include "common/error.h"

namespace tev {
namespace {

constexpr std::string_view kDateLetters = "GyMdkHmsSEDFwWahKzZYuXL";
constexpr std::string_view kReadLetters = "yMdkHmsSahK";
// Numbers of more digits than this do not fit a date field.
constexpr int kMaxDigits = 9;
constexpr std::int64_t kMillisPerDay = 86'400'000;

constexpr std::array<std::string_view, 12> kMonths = {"January",   "February", "March",    "April",
                                                      "May",       "June",     "July",     "August",
                                                      "September", "October",  "November", "December"};
constexpr std::array<std::string_view, 12> kShortMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<std::string_view, 2> kAmPm = {"AM", "PM"};

bool isAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithIgnoreCase(std::string_view text, std::size_t pos, std::string_view word) {
  if (text.size() - pos < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (lowerAscii(text[pos + i]) != lowerAscii(word[i])) return false;
  return true;
}

// The index of the longest word found at pos; -1 when none.
template <std::size_t N>
int matchWord(std::string_view text, std::size_t pos, const std::array<std::string_view, N>& words) {
  int best = -1;
  for (std::size_t i = 0; i < N; ++i) {
    if (startsWithIgnoreCase(text, pos, words[i]) && (best < 0 || words[i].size() > words[best].size()))
      best = static_cast<int>(i);
  }
  return best;
}

// An optional "-" and digits in [pos, end); pos moves past them. Nothing when there is no digit or too many.
std::optional<std::int64_t> readNumber(std::string_view text, std::size_t& pos, std::size_t end) {
  std::size_t i = pos;
  bool negative = false;
  if (i < end && text[i] == '-') {
    negative = true;
    ++i;
  }
  std::int64_t value = 0;
  int digits = 0;
  while (i < end && text[i] >= '0' && text[i] <= '9') {
    if (++digits > kMaxDigits) return std::nullopt;
    value = value * 10 + (text[i] - '0');
    ++i;
  }
  if (digits == 0) return std::nullopt;
  pos = i;
  return negative ? -value : value;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

std::int64_t floorMod(std::int64_t a, std::int64_t b) {
  return a - floorDiv(a, b) * b;
}

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12).
std::int64_t daysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
  y -= m <= 2;
  const std::int64_t era = floorDiv(y, 400);
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(std::int64_t z, CivilDateTime& out) {
  z += 719468;
  const std::int64_t era = floorDiv(z, 146097);
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  out.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  out.year = yoe + era * 400 + (out.month <= 2);
}

}  // namespace

// The fields read so far; the hour fields keep the order they were read in, as the later one decides.
struct LenientDateParser::Fields {
  std::int64_t year = 1970;
  std::int64_t month = 0;  // 0-based, any value
  std::int64_t day = 1;
  std::int64_t hourOfDay = 0;
  std::int64_t hour = 0;
  std::int64_t amPm = 0;
  std::int64_t minute = 0;
  std::int64_t second = 0;
  std::int64_t millis = 0;
  int hourOfDayStamp = 0;
  int hourStamp = 0;  // of K, h and a
  int stamp = 0;
};

LenientDateParser::LenientDateParser(std::string_view pattern, std::int64_t currentYear)
    : currentYear_(currentYear) {
  auto addLiteral = [this](char c) {
    if (elements_.empty() || elements_.back().letter != 0) elements_.push_back(Element{});
    elements_.back().literal.push_back(c);
  };
  std::size_t i = 0;
  while (i < pattern.size()) {
    char c = pattern[i];
    if (c == '\'') {
      if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
        addLiteral('\'');
        i += 2;
        continue;
      }
      // Quoted text up to the closing quote; '' inside stands for one quote.
      ++i;
      bool closed = false;
      while (i < pattern.size()) {
        if (pattern[i] == '\'') {
          if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
            addLiteral('\'');
            i += 2;
            continue;
          }
          closed = true;
          ++i;
          break;
        }
        addLiteral(pattern[i++]);
      }
      if (!closed) throw Error("Unterminated quote");
      continue;
    }
    if (!isAsciiLetter(c)) {
      addLiteral(c);
      ++i;
      continue;
    }
    if (kDateLetters.find(c) == std::string_view::npos)
      throw Error(std::string("Illegal pattern character '") + c + "'");
    if (kReadLetters.find(c) == std::string_view::npos)
      throw Error(std::string("Unsupported pattern character '") + c + "'");
    std::size_t j = i;
    while (j < pattern.size() && pattern[j] == c) ++j;
    elements_.push_back(Element{c, static_cast<int>(j - i), {}});
    i = j;
  }
}

std::optional<CivilDateTime> LenientDateParser::parse(std::string_view text) const {
  Fields fields;
  std::size_t pos = 0;
  for (std::size_t i = 0; i < elements_.size(); ++i) {
    const Element& element = elements_[i];
    if (element.letter == 0) {
      if (text.substr(pos, element.literal.size()) != element.literal) return std::nullopt;
      pos += element.literal.size();
      continue;
    }
    const bool obeyCount = i + 1 < elements_.size() && elements_[i + 1].letter != 0;
    if (!parseField(element, obeyCount, text, pos, fields)) return std::nullopt;
  }

  // Roll-over: the month into the year, then everything below the day into a count of milliseconds.
  const std::int64_t year = fields.year + floorDiv(fields.month, 12);
  const std::int64_t month = floorMod(fields.month, 12) + 1;
  const std::int64_t hour = fields.hourOfDayStamp >= fields.hourStamp && fields.hourOfDayStamp > 0
                                ? fields.hourOfDay
                                : fields.hour + 12 * fields.amPm;
  const std::int64_t timeMillis = ((hour * 60 + fields.minute) * 60 + fields.second) * 1000 + fields.millis;
  const std::int64_t days =
      daysFromCivil(year, month, 1) + (fields.day - 1) + floorDiv(timeMillis, kMillisPerDay);
  const std::int64_t millisOfDay = floorMod(timeMillis, kMillisPerDay);

  CivilDateTime result;
  civilFromDays(days, result);
  result.hour = static_cast<int>(millisOfDay / 3'600'000);
  result.minute = static_cast<int>(millisOfDay / 60'000 % 60);
  result.second = static_cast<int>(millisOfDay / 1000 % 60);
  result.millis = static_cast<int>(millisOfDay % 1000);
  return result;
}

bool LenientDateParser::parseField(const Element& field, bool obeyCount, std::string_view text,
                                   std::size_t& pos, Fields& fields) const {
  const std::size_t start = pos;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  if (pos >= text.size()) return false;

  // Month names and AM/PM are words; every other field is a number.
  if (field.letter == 'M' && field.count >= 3) {
    int found = matchWord(text, pos, kMonths);
    std::size_t length = found >= 0 ? kMonths[found].size() : 0;
    if (found < 0) {
      found = matchWord(text, pos, kShortMonths);
      if (found < 0) return false;
      length = kShortMonths[found].size();
    }
    fields.month = found;
    pos += length;
    return true;
  }
  if (field.letter == 'a') {
    int found = matchWord(text, pos, kAmPm);
    if (found < 0) return false;
    fields.amPm = found;
    fields.hourStamp = ++fields.stamp;
    pos += kAmPm[found].size();
    return true;
  }

  std::size_t end = text.size();
  if (obeyCount) {
    end = start + static_cast<std::size_t>(field.count);
    if (end > text.size()) return false;
  }
  const std::size_t numberStart = pos;
  std::optional<std::int64_t> number = readNumber(text, pos, end);
  if (!number) return false;
  std::int64_t value = *number;

  switch (field.letter) {
    case 'y':
      if (field.count <= 2 && pos - numberStart == 2 && text[numberStart] != '-') {
        // Two digits: the year of the century window that starts 80 years back.
        const std::int64_t startYear = currentYear_ - 80;
        value += floorDiv(startYear, 100) * 100 + (value < floorMod(startYear, 100) ? 100 : 0);
      }
      fields.year = value;
      break;
    case 'M':
      fields.month = value - 1;
      break;
    case 'd':
      fields.day = value;
      break;
    case 'k':
      if (value == 24) value = 0;
      [[fallthrough]];
    case 'H':
      fields.hourOfDay = value;
      fields.hourOfDayStamp = ++fields.stamp;
      break;
    case 'h':
      if (value == 12) value = 0;
      [[fallthrough]];
    case 'K':
      fields.hour = value;
      fields.hourStamp = ++fields.stamp;
      break;
    case 'm':
      fields.minute = value;
      break;
    case 's':
      fields.second = value;
      break;
    case 'S':
      fields.millis = value;
      break;
    default:
      return false;
  }
  return true;
}

}  // namespace tev
