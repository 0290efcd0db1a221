// The text rules every part of the system shares, with the exact results the original's string operations
// gave: trimming, letter case, splitting, ordering and character-counted widths. Texts are UTF-8 inside; a
// byte that is not part of a well-formed UTF-8 sequence counts as one character of its own, so malformed
// input never breaks these operations; where a character value is needed, the byte 0xNN stands for the lone
// surrogate U+DCNN (the usual escape of undecodable bytes), which keeps two different malformed texts
// different.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tev {

// Removes every leading and trailing character up to U+0020 (blanks and control characters).
std::string trim(std::string_view text);

// Equal when every character matches as is, after upper-casing, or after lower-casing the upper-cased
// characters (simple one-to-one case mappings).
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// Locale-independent full case mappings ("ß" upper-cases to "SS"). Malformed bytes are kept as they are.
std::string toUpperCase(std::string_view text);
std::string toLowerCase(std::string_view text);

// Splits around the matches of a regular expression (ICU syntax, which is the original's: "\\s+", "[,;]",
// "(?<=x)", "\\p{L}"; matched on UTF-16 like the original):
//  - limit > 0: at most `limit` pieces, the last one holding the rest of the text;
//  - limit == 0: every piece, with trailing empty pieces removed;
//  - limit < 0: every piece, trailing empty ones kept.
// A match of zero width at the start never yields a leading empty piece; a text without any match yields
// itself, so "" yields {""}. A single character that is no regex operator, or a backslash followed by one
// character that is no letter or digit, is split on literally without the regex engine.
// A bad expression, or one that exhausts the matcher's backtracking stack, throws tev::Error.
std::vector<std::string> split(std::string_view text, std::string_view regex, int limit = 0);
// Splits at every occurrence of one character, keeping every empty piece (a trailing one too), as
// split(text, separator, -1) does; the field lists of router lines and result files are read this way.
std::vector<std::string> splitKeepEmpty(std::string_view text, char separator);

// Order of the UTF-16 code units: the difference of the first differing units, else of the lengths in units.
int compareTo(std::string_view a, std::string_view b);
// As compareTo on characters folded by upper- then lower-casing.
int compareToIgnoreCase(std::string_view a, std::string_view b);

// Number of characters (Unicode code points; a malformed byte counts as one).
int charLength(std::string_view text);
// The characters [begin, end) of a text. Throws tev::IndexOutOfRange ("begin 0, end 5, length 3") unless
// 0 <= begin <= end <= charLength(text).
std::string charSubstr(std::string_view text, int begin, int end);
// The characters from begin to the end of the text; same failure as above.
std::string charSubstr(std::string_view text, int begin);

// The text, or "null" when it is absent.
std::string nullText(const std::optional<std::string>& text);

}  // namespace tev
