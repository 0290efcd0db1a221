// Fixed-width helpers for the columns of pick lists and look-up lines: lpad right-aligns a value in a
// field, rpad left-aligns it, both cut a longer value to the field; zeroPad lengthens a number with zeros.
// Widths count characters (Unicode code points of the UTF-8 text), never bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tev {

class StringUtil {
 public:
  // The one source of pad characters, 1236 long: 366 blanks, then 546 tabs, then 324 blanks. A pad of
  // n characters is always its first n characters, so pads of more than 366 contain tabs.
  static const std::string& space();

  // `text` brought to exactly `width` characters: a shorter text gets the pad in front, a longer one
  // keeps its first `width` characters. Throws IndexOutOfRange for a negative width or when the pad
  // needed is longer than space().
  static std::string lpad(const std::string& text, int32_t width);
  // As lpad, with the pad after the text.
  static std::string rpad(const std::string& text, int32_t width);
  // `text` lengthened with "0" characters (in front or at the end) to at least `width` characters;
  // never cuts, and a width of 0 or less returns the text unchanged.
  static std::string zeroPad(const std::string& text, int32_t width, bool atFront);
};

}  // namespace tev
