#include "common/java_format.h"

#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <charconv>
#include <cmath>
#include <limits>

#include "common/error.h"
#include "common/shortest_decimal.h"

namespace tev {
namespace {

icu::UnicodeString unicode(std::string_view text) {
  return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string utf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

icu::Locale locale(std::string_view name) {
  return icu::Locale::createFromName(std::string(name).c_str());
}

// Refuses what the original refused when a date pattern was set: a letter outside quotes that names no
// field, and a quote left open. ICU itself would silently print nothing for such letters.
void checkDatePattern(std::string_view pattern) {
  static const std::string fieldLetters = utf8(icu::DateFormatSymbols::getPatternUChars());
  bool inQuote = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '\'') {
      if (i + 1 < pattern.size() && pattern[i + 1] == '\'')
        ++i;
      else
        inQuote = !inQuote;
      continue;
    }
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!inQuote && letter && fieldLetters.find(c) == std::string::npos)
      throw Error(std::string("Illegal pattern character '") + c + "'");
  }
  if (inQuote) throw Error("Unterminated quote");
}

// Whether a plain pattern cuts the shortest decimal digits of a finite value, so that rounding takes place.
bool roundsWithinShortestDigits(const icu::DecimalFormat& format, double value) {
  if (!std::isfinite(value) || format.isScientificNotation() || format.areSignificantDigitsUsed())
    return false;
  ShortestDecimal d = ShortestDecimal::of(value);
  int fractionDigits = static_cast<int>(d.digits.size()) - 1 - d.exponent;
  return fractionDigits > format.getMaximumFractionDigits();
}

}  // namespace

struct SimpleDateFormat::Impl {
  std::unique_ptr<icu::SimpleDateFormat> format;
};

SimpleDateFormat::SimpleDateFormat(std::string_view pattern, std::string_view localeName)
    : impl_(std::make_unique<Impl>()) {
  checkDatePattern(pattern);
  UErrorCode status = U_ZERO_ERROR;
  impl_->format = std::make_unique<icu::SimpleDateFormat>(unicode(pattern), locale(localeName), status);
  if (U_FAILURE(status))
    throw Error("Illegal date pattern \"" + std::string(pattern) + "\": " + u_errorName(status));
  impl_->format->setLenient(true);
}

SimpleDateFormat::SimpleDateFormat(const SimpleDateFormat& other)
    : impl_(std::make_unique<Impl>(
          Impl{std::unique_ptr<icu::SimpleDateFormat>(other.impl_->format->clone())})) {}

SimpleDateFormat& SimpleDateFormat::operator=(const SimpleDateFormat& other) {
  if (this != &other) *this = SimpleDateFormat(other);
  return *this;
}

SimpleDateFormat::SimpleDateFormat(SimpleDateFormat&&) noexcept = default;
SimpleDateFormat& SimpleDateFormat::operator=(SimpleDateFormat&&) noexcept = default;
SimpleDateFormat::~SimpleDateFormat() = default;

void SimpleDateFormat::setTimeZone(std::string_view id) {
  impl_->format->adoptTimeZone(icu::TimeZone::createTimeZone(unicode(id)));
}

void SimpleDateFormat::setLenient(bool lenient) {
  impl_->format->setLenient(lenient);
}

std::string SimpleDateFormat::format(time_point time) const {
  return format(std::chrono::floor<std::chrono::milliseconds>(time));
}

std::string SimpleDateFormat::format(Millis time) const {
  icu::UnicodeString out;
  impl_->format->format(static_cast<UDate>(time.time_since_epoch().count()), out);
  return utf8(out);
}

std::optional<SimpleDateFormat::Millis> SimpleDateFormat::parseMillis(std::string_view text) const {
  icu::ParsePosition position(0);
  UDate date = impl_->format->parse(unicode(text), position);
  if (position.getIndex() == 0 || !std::isfinite(date)) return std::nullopt;
  return Millis(std::chrono::milliseconds(static_cast<long long>(date)));
}

std::optional<SimpleDateFormat::time_point> SimpleDateFormat::parse(std::string_view text) const {
  std::optional<Millis> date = parseMillis(text);
  if (!date) return std::nullopt;
  using std::chrono::duration_cast;
  using std::chrono::milliseconds;
  constexpr auto kMin = duration_cast<milliseconds>(time_point::min().time_since_epoch());
  constexpr auto kMax = duration_cast<milliseconds>(time_point::max().time_since_epoch());
  if (date->time_since_epoch() <= kMin || date->time_since_epoch() >= kMax) return std::nullopt;
  return time_point(date->time_since_epoch());
}

// Like the original, a percent or per-mille multiplier is applied in double arithmetic before rounding (and
// divided out after parsing), so ICU's own multiplier stays 1.
struct DecimalFormat::Impl {
  std::unique_ptr<icu::DecimalFormat> format;
  int multiplier = 1;
};

DecimalFormat::DecimalFormat(std::string_view pattern, std::string_view localeName)
    : impl_(std::make_unique<Impl>()) {
  UErrorCode status = U_ZERO_ERROR;
  auto symbols = std::make_unique<icu::DecimalFormatSymbols>(locale(localeName), status);
  if (U_SUCCESS(status))
    impl_->format = std::make_unique<icu::DecimalFormat>(unicode(pattern), symbols.release(), status);
  if (U_FAILURE(status)) throw Error("Malformed pattern \"" + std::string(pattern) + "\"");
  impl_->format->setRoundingMode(icu::DecimalFormat::kRoundHalfEven);
}

DecimalFormat::DecimalFormat(const DecimalFormat& other)
    : impl_(std::make_unique<Impl>(Impl{std::unique_ptr<icu::DecimalFormat>(other.impl_->format->clone())})) {
}

DecimalFormat& DecimalFormat::operator=(const DecimalFormat& other) {
  if (this != &other) *this = DecimalFormat(other);
  return *this;
}

DecimalFormat::DecimalFormat(DecimalFormat&&) noexcept = default;
DecimalFormat& DecimalFormat::operator=(DecimalFormat&&) noexcept = default;
DecimalFormat::~DecimalFormat() = default;

std::string DecimalFormat::format(double value) const {
  if (impl_->multiplier != 1) value *= impl_->multiplier;
  icu::UnicodeString out;
  if (roundsWithinShortestDigits(*impl_->format, value)) {
    // Rounding the shortest decimal text ("2.675") can meet a tie that the binary value does not have; the
    // original then rounds by the exact value (2.67499999999999982236431605997495353221893310546875), so
    // ICU gets all of its digits. Outside ties both give the same result.
    char digits[800];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::scientific, 770);
    if (ec == std::errc()) {
      UErrorCode status = U_ZERO_ERROR;
      impl_->format->format(icu::StringPiece(digits, static_cast<int32_t>(end - digits)), out, nullptr,
                            status);
      if (U_SUCCESS(status)) return utf8(out);
      out.remove();
    }
  }
  // Otherwise the shortest digits are shown as they are, padded with zeros (1e300 as 1 and 300 zeros).
  impl_->format->format(value, out);
  return utf8(out);
}

std::optional<double> DecimalFormat::parse(std::string_view text) const {
  icu::Formattable result;
  icu::ParsePosition position(0);
  impl_->format->parse(unicode(text), result, position);
  if (position.getIndex() == 0) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  double value = result.getDouble(status);
  if (U_FAILURE(status)) return std::nullopt;
  return impl_->multiplier != 1 ? value / impl_->multiplier : value;
}

}  // namespace tev
