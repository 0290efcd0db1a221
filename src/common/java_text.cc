#include "common/java_text.h"

#include <unicode/locid.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <memory>
#include <unordered_map>

#include "common/error.h"

namespace tev {
namespace {

// One decoded character: its code point (a malformed byte 0xNN gives U+DCNN) and its size in bytes.
struct Char {
  char32_t cp;
  size_t size;
  bool valid;
};

bool isContinuation(unsigned char b, unsigned char low = 0x80, unsigned char high = 0xBF) {
  return b >= low && b <= high;
}

// Decodes the character at byte offset i (i < text.size()) by the well-formed UTF-8 rules.
Char decodeAt(std::string_view text, size_t i) {
  auto byte = [&](size_t k) -> unsigned char { return i + k < text.size() ? text[i + k] : 0; };
  unsigned char b0 = byte(0);
  if (b0 < 0x80) return {b0, 1, true};
  Char bad{0xDC00u + b0, 1, false};
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    if (!isContinuation(byte(1))) return bad;
    return {(char32_t(b0 & 0x1F) << 6) | (byte(1) & 0x3F), 2, true};
  }
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    unsigned char low = b0 == 0xE0 ? 0xA0 : 0x80;
    unsigned char high = b0 == 0xED ? 0x9F : 0xBF;
    if (!isContinuation(byte(1), low, high) || !isContinuation(byte(2))) return bad;
    return {(char32_t(b0 & 0x0F) << 12) | (char32_t(byte(1) & 0x3F) << 6) | (byte(2) & 0x3F), 3, true};
  }
  if (b0 >= 0xF0 && b0 <= 0xF4) {
    unsigned char low = b0 == 0xF0 ? 0x90 : 0x80;
    unsigned char high = b0 == 0xF4 ? 0x8F : 0xBF;
    if (!isContinuation(byte(1), low, high) || !isContinuation(byte(2)) || !isContinuation(byte(3)))
      return bad;
    return {(char32_t(b0 & 0x07) << 18) | (char32_t(byte(1) & 0x3F) << 12) | (char32_t(byte(2) & 0x3F) << 6) |
                (byte(3) & 0x3F),
            4, true};
  }
  return bad;
}

int utf16Units(char32_t cp) {
  return cp >= 0x10000 ? 2 : 1;
}

int utf16Length(std::string_view text) {
  int units = 0;
  for (size_t i = 0; i < text.size();) {
    Char c = decodeAt(text, i);
    units += utf16Units(c.cp);
    i += c.size;
  }
  return units;
}

// The first UTF-16 unit of a character, and its second one (0 for a single-unit character).
char16_t leadUnit(char32_t cp) {
  return cp >= 0x10000 ? char16_t(0xD800 + ((cp - 0x10000) >> 10)) : char16_t(cp);
}
char16_t trailUnit(char32_t cp) {
  return cp >= 0x10000 ? char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)) : 0;
}

// A text in UTF-16 with the byte offset of each unit (and of the end), so that matches found in UTF-16 map
// back onto the bytes; a malformed byte becomes its lone surrogate and keeps its place.
struct Utf16Text {
  icu::UnicodeString units;
  std::vector<size_t> offsets;
};

Utf16Text utf16(std::string_view text) {
  Utf16Text out;
  out.offsets.reserve(text.size() + 1);
  for (size_t i = 0; i < text.size();) {
    Char c = decodeAt(text, i);
    out.units.append(static_cast<UChar32>(c.cp));
    out.offsets.push_back(i);
    if (c.cp >= 0x10000) out.offsets.push_back(i);
    i += c.size;
  }
  out.offsets.push_back(text.size());
  return out;
}

bool isAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

char32_t upper(char32_t cp) {
  return static_cast<char32_t>(u_toupper(static_cast<UChar32>(cp)));
}
char32_t lower(char32_t cp) {
  return static_cast<char32_t>(u_tolower(static_cast<UChar32>(cp)));
}

// 0 when two characters match ignoring case, else the difference of their folded values.
int compareIgnoringCase(char32_t a, char32_t b) {
  if (a == b) return 0;
  char32_t ua = upper(a), ub = upper(b);
  if (ua == ub) return 0;
  return static_cast<int>(lower(ua)) - static_cast<int>(lower(ub));
}

enum class Case { kUpper, kLower };

std::string convertCase(std::string_view text, Case to) {
  std::string out;
  out.reserve(text.size());
  if (isAscii(text)) {
    for (char c : text) {
      if (to == Case::kUpper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      if (to == Case::kLower && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      out += c;
    }
    return out;
  }
  // Well-formed runs go through ICU whole (final sigma and other context rules need their neighbours);
  // malformed bytes are copied unchanged.
  auto flush = [&](std::string_view run) {
    if (run.empty()) return;
    icu::UnicodeString u =
        icu::UnicodeString::fromUTF8(icu::StringPiece(run.data(), static_cast<int32_t>(run.size())));
    if (to == Case::kUpper)
      u.toUpper(icu::Locale::getRoot());
    else
      u.toLower(icu::Locale::getRoot());
    u.toUTF8String(out);
  };
  size_t runStart = 0;
  for (size_t i = 0; i < text.size();) {
    Char c = decodeAt(text, i);
    if (!c.valid) {
      flush(text.substr(runStart, i - runStart));
      out += text[i];
      runStart = i + 1;
    }
    i += c.size;
  }
  flush(text.substr(runStart));
  return out;
}

// The split loop of the original over successive matches: `next(start, end)` gives the byte range of the
// next match, or false when there is none.
template <typename Next>
std::vector<std::string> splitWith(std::string_view text, int limit, Next next) {
  std::vector<std::string> pieces;
  bool limited = limit > 0;
  size_t index = 0;
  size_t start = 0, end = 0;
  while (next(start, end)) {
    if (limited && pieces.size() >= static_cast<size_t>(limit) - 1) break;  // the rest is the last piece
    if (index == 0 && start == 0 && end == 0) continue;  // no leading empty piece for a zero-width match
    pieces.emplace_back(text.substr(index, start - index));
    index = end;
  }
  if (index == 0) return {std::string(text)};
  if (!limited || pieces.size() < static_cast<size_t>(limit)) pieces.emplace_back(text.substr(index));
  if (limit == 0)
    while (!pieces.empty() && pieces.back().empty()) pieces.pop_back();
  return pieces;
}

// The literal separator of a regex that names just one character, or nothing.
std::optional<std::string_view> literalSeparator(std::string_view regex) {
  static constexpr std::string_view kOperators = ".$|()[{^?*+\\";
  if (regex.empty()) return std::nullopt;
  Char first = decodeAt(regex, 0);
  if (!first.valid) return std::nullopt;
  if (first.size == regex.size()) {
    if (kOperators.find(regex[0]) != std::string_view::npos) return std::nullopt;
    return regex;
  }
  if (regex[0] != '\\') return std::nullopt;
  Char second = decodeAt(regex, 1);
  if (!second.valid || 1 + second.size != regex.size()) return std::nullopt;
  char32_t c = second.cp;
  if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return std::nullopt;
  return regex.substr(1);
}

// Compiled expressions, kept per thread (a pattern is shared read-only by its matchers).
const icu::RegexPattern& compiled(std::string_view regex) {
  thread_local std::unordered_map<std::string, std::unique_ptr<icu::RegexPattern>> cache;
  std::string key(regex);
  auto found = cache.find(key);
  if (found != cache.end()) return *found->second;
  UErrorCode status = U_ZERO_ERROR;
  UParseError where;
  std::unique_ptr<icu::RegexPattern> pattern(
      icu::RegexPattern::compile(utf16(regex).units, 0, where, status));
  if (U_FAILURE(status)) throw Error("Invalid regular expression \"" + key + "\": " + u_errorName(status));
  if (cache.size() >= 64) cache.clear();
  return *cache.emplace(key, std::move(pattern)).first->second;
}

// Byte offset of the character at index `chars`, which must not exceed the text's length in characters.
size_t byteOffset(std::string_view text, int chars) {
  size_t i = 0;
  for (int n = 0; n < chars && i < text.size(); ++n) i += decodeAt(text, i).size;
  return i;
}

}  // namespace

std::string trim(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
  return std::string(text.substr(begin, end - begin));
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a == b) return true;
  if (utf16Length(a) != utf16Length(b)) return false;
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    Char ca = decodeAt(a, i), cb = decodeAt(b, j);
    if (compareIgnoringCase(ca.cp, cb.cp) != 0) return false;
    i += ca.size;
    j += cb.size;
  }
  return i == a.size() && j == b.size();
}

std::string toUpperCase(std::string_view text) {
  return convertCase(text, Case::kUpper);
}
std::string toLowerCase(std::string_view text) {
  return convertCase(text, Case::kLower);
}

std::vector<std::string> split(std::string_view text, std::string_view regex, int limit) {
  if (std::optional<std::string_view> separator = literalSeparator(regex)) {
    std::string_view sep = *separator;
    size_t from = 0;
    return splitWith(text, limit, [&](size_t& start, size_t& end) {
      size_t at = text.find(sep, from);
      if (at == std::string_view::npos) return false;
      start = at;
      end = from = at + sep.size();
      return true;
    });
  }
  const icu::RegexPattern& pattern = compiled(regex);
  Utf16Text input = utf16(text);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(input.units, status));
  // After a match of zero width the matcher goes on one character further, as the original did.
  auto next = [&](size_t& start, size_t& end) -> bool {
    if (U_FAILURE(status) || !matcher->find(status)) return false;
    start = input.offsets[matcher->start(status)];
    end = input.offsets[matcher->end(status)];
    return U_SUCCESS(status) != 0;
  };
  std::vector<std::string> pieces = splitWith(text, limit, next);
  if (U_FAILURE(status))
    throw Error("Regular expression \"" + std::string(regex) + "\" failed: " + u_errorName(status));
  return pieces;
}

int compareTo(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    Char ca = decodeAt(a, i), cb = decodeAt(b, j);
    if (ca.cp != cb.cp) {
      if (leadUnit(ca.cp) != leadUnit(cb.cp)) return int(leadUnit(ca.cp)) - int(leadUnit(cb.cp));
      // Same lead unit and different characters: two surrogate pairs that differ in their trail unit.
      return int(trailUnit(ca.cp)) - int(trailUnit(cb.cp));
    }
    i += ca.size;
    j += cb.size;
  }
  return utf16Length(a.substr(i)) - utf16Length(b.substr(j));
}

int compareToIgnoreCase(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    Char ca = decodeAt(a, i), cb = decodeAt(b, j);
    if (int diff = compareIgnoringCase(ca.cp, cb.cp); diff != 0) return diff;
    i += ca.size;
    j += cb.size;
  }
  return utf16Length(a) - utf16Length(b);
}

std::vector<std::string> splitKeepEmpty(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (true) {
    std::size_t at = text.find(separator, start);
    if (at == std::string_view::npos) {
      pieces.emplace_back(text.substr(start));
      return pieces;
    }
    pieces.emplace_back(text.substr(start, at - start));
    start = at + 1;
  }
}

int charLength(std::string_view text) {
  int chars = 0;
  for (size_t i = 0; i < text.size(); i += decodeAt(text, i).size) ++chars;
  return chars;
}

std::string charSubstr(std::string_view text, int begin, int end) {
  int length = charLength(text);
  if (begin < 0 || begin > end || end > length)
    throw IndexOutOfRange("begin " + std::to_string(begin) + ", end " + std::to_string(end) + ", length " +
                          std::to_string(length));
  if (static_cast<size_t>(length) == text.size()) return std::string(text.substr(begin, end - begin));
  size_t from = byteOffset(text, begin);
  size_t to = from + byteOffset(text.substr(from), end - begin);
  return std::string(text.substr(from, to - from));
}

std::string charSubstr(std::string_view text, int begin) {
  return charSubstr(text, begin, charLength(text));
}

std::string nullText(const std::optional<std::string>& text) {
  return text ? *text : std::string("null");
}

}  // namespace tev
