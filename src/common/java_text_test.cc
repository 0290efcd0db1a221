#include "common/java_text.h"

#include <gtest/gtest.h>

#include "common/error.h"

namespace tev {
namespace {

TEST(JavaText, TrimRemovesControlCharactersAndBlanksOnly) {
  struct Case {
    const char* text;
    const char* trimmed;
  } cases[] = {
      {"  a b \t\r\n", "a b"},
      {"\x01x\x1f", "x"},
      {"", ""},
      {" \t ", ""},
      {"\xc2\xa0x\xc2\xa0", "\xc2\xa0x\xc2\xa0"},  // no-break space is not trimmed
      {" \xff ", "\xff"},
  };
  for (const Case& c : cases) EXPECT_EQ(trim(c.text), c.trimmed) << c.text;
}

TEST(JavaText, EqualsIgnoreCase) {
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  } cases[] = {
      {"abc", "ABC", true},
      {"ow", "OW", true},
      {"", "", true},
      {"a", "ab", false},
      {"ÄÖÜ", "äöü", true},
      {"straße", "STRASSE", false},  // one-to-one mappings only
      {"\xc4\xb1", "I", true},       // dotless i upper-cases to I
      {"\xc4\xb0", "i", true},       // dotted capital I lower-cases to i
      {"Σ", "ς", true},              // final sigma upper-cases to capital sigma
      {"a\xff", "A\xff", true},
      {"\xff", "\xfe", false},
      {"\xff", "\xef\xbf\xbd", false},  // a malformed byte is not U+FFFD
  };
  for (const Case& c : cases) {
    EXPECT_EQ(equalsIgnoreCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
    EXPECT_EQ(equalsIgnoreCase(c.b, c.a), c.equal) << c.b << " / " << c.a;
  }
}

TEST(JavaText, CaseConversionIsFullAndKeepsMalformedBytes) {
  EXPECT_EQ(toUpperCase("abc-xyz 09"), "ABC-XYZ 09");
  EXPECT_EQ(toLowerCase("ABC-XYZ 09"), "abc-xyz 09");
  EXPECT_EQ(toUpperCase("straße"), "STRASSE");
  EXPECT_EQ(toLowerCase("ÄÖÜ"), "äöü");
  EXPECT_EQ(toLowerCase("ΟΔΟΣ"), "οδος");    // final sigma
  EXPECT_EQ(toUpperCase("title"), "TITLE");  // not the Turkish dotted I, whatever the locale
  EXPECT_EQ(toUpperCase("a\xff\xc3"), "A\xff\xc3");
  EXPECT_EQ(toUpperCase("ä\xffö"), "Ä\xffÖ");
  EXPECT_EQ(toLowerCase(""), "");
}

TEST(JavaText, Split) {
  using V = std::vector<std::string>;
  struct Case {
    const char* text;
    const char* regex;
    int limit;
    V pieces;
  } cases[] = {
      {"a,b,,c,,", ",", 0, {"a", "b", "", "c"}},
      {"a,b,,c,,", ",", -1, {"a", "b", "", "c", "", ""}},
      {"a,b,c", ",", 2, {"a", "b,c"}},
      {"a,b,c", ",", 1, {"a,b,c"}},
      {"a,b,c", ",", 9, {"a", "b", "c"}},
      {"", ",", 0, {""}},
      {"abc", ",", 0, {"abc"}},
      {",", ",", 0, {}},
      {",", ",", -1, {"", ""}},
      {",a", ",", 0, {"", "a"}},
      {"boo:and:foo", ":", 2, {"boo", "and:foo"}},
      {"boo:and:foo", "o", 0, {"b", "", ":and:f"}},
      {"boo:and:foo", "o", -2, {"b", "", ":and:f", "", ""}},
      {"boo:and:foo", "o", 5, {"b", "", ":and:f", "", ""}},
      {"a.b.c", ".", 0, {}},  // "." is the any-character operator
      {"a.b.c", "\\.", 0, {"a", "b", "c"}},
      {"a|b", "\\|", 0, {"a", "b"}},
      {"a1b22c3", "\\d+", 0, {"a", "b", "c"}},
      {"  a  b ", "\\s+", 0, {"", "a", "b"}},  // a real match at 0 keeps the leading empty piece
      {"aXbxc", "[xX]", 0, {"a", "b", "c"}},
      {"abc", "", 0, {"a", "b", "c"}},
      {"äöü", "", 0, {"ä", "ö", "ü"}},
      {"abc", "(?=b)", 0, {"a", "bc"}},
      {"abc", "(?=a)", 0, {"abc"}},  // a zero-width match at 0 gives no leading empty piece
      {"a~~b~", "~", 0, {"a", "", "b"}},
      {"x\x1cy\x1c", "\x1c", 0, {"x", "y"}},
      {"ä§ö§", "§", -1, {"ä", "ö", ""}},
      {"a\xff"
       "b",
       "\xff",
       0,
       {"a", "b"}},
      {"a\xffz", ",", 0, {"a\xffz"}},
      {"a\xff\xfe"
       "b",
       "[\\x{dcfe}]",
       0,
       {"a\xff", "b"}},  // a malformed byte matches as its lone surrogate
      {"ab\U0001F600cd", "(?<=\U0001F600)", 0, {"ab\U0001F600", "cd"}},
      {"x1y\xe2\x82z", "\\p{L}", -1, {"", "1", "\xe2\x82", ""}},
      {"a1b", "(?<=\\d)", 0, {"a1", "b"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(split(c.text, c.regex, c.limit), c.pieces) << c.text << " / " << c.regex;
}

TEST(JavaText, SplitRefusesABadExpression) {
  EXPECT_THROW(split("a(b", "("), Error);
  EXPECT_THROW(split("a", "[a-"), Error);
}

TEST(JavaText, SplitOfALongTextNeverOverflowsTheThreadStack) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "word ,  ";
  EXPECT_EQ(split(text, ",\\s*").size(), 20000u);
  // Backtracking too deep for the matcher's own bounded stack is a failure, not a crash.
  EXPECT_THROW(split(std::string(200000, 'a') + "c", "(a|b)*c"), Error);
}

TEST(JavaText, CompareToOrdersByUtf16Units) {
  struct Case {
    const char* a;
    const char* b;
    int result;
  } cases[] = {
      {"a", "a", 0},
      {"a", "b", -1},
      {"b", "a", 1},
      {"abc", "ab", 1},
      {"", "abc", -3},
      {"A", "a", -32},
      {"ä", "z", 0xE4 - 'z'},
      {"\U0001F600", "\uFFFF", 0xD83D - 0xFFFF},  // a surrogate pair sorts below U+E000..U+FFFF
      {"\U0001F600", "\U0001F601", -1},
      {"\U0001F600", "ab", 0xD83D - 'a'},
      {"x\U0001F600", "x", 2},  // length in units
      {"\xff", "\xfe", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(compareTo(c.a, c.b), c.result) << c.a << " / " << c.b;
    EXPECT_EQ(compareTo(c.b, c.a), -c.result) << c.b << " / " << c.a;
  }
}

TEST(JavaText, CompareToIgnoreCase) {
  struct Case {
    const char* a;
    const char* b;
    int result;
  } cases[] = {
      {"ABC", "abc", 0},
      {"abc", "ABD", -1},
      {"a", "B", -1},
      {"ab", "A", 1},
      {"Straße", "strasse", 0xDF - 's'},
      {"Ä", "ä", 0},
      {"", "", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(compareToIgnoreCase(c.a, c.b), c.result) << c.a << " / " << c.b;
    EXPECT_EQ(compareToIgnoreCase(c.b, c.a), -c.result) << c.b << " / " << c.a;
  }
}

TEST(JavaText, CharLengthCountsCharactersAndEachMalformedByte) {
  struct Case {
    const char* text;
    int length;
  } cases[] = {
      {"", 0},
      {"abc", 3},
      {"äöü", 3},
      {"€", 1},
      {"\U0001F600", 1},
      {"\xff\xfe", 2},
      {"\xe2\x82", 2},          // cut-off three-byte sequence
      {"\xc0\xaf", 2},          // overlong form
      {"\xed\xa0\x80", 3},      // encoded surrogate
      {"\xf4\x90\x80\x80", 4},  // beyond U+10FFFF
      {"a\x80"
       "b",
       3},
  };
  for (const Case& c : cases) EXPECT_EQ(charLength(c.text), c.length) << c.text;
}

TEST(JavaText, CharSubstr) {
  EXPECT_EQ(charSubstr("abc", 0, 3), "abc");
  EXPECT_EQ(charSubstr("abc", 3, 3), "");
  EXPECT_EQ(charSubstr("abc", 1), "bc");
  EXPECT_EQ(charSubstr("äöü", 1, 2), "ö");
  EXPECT_EQ(charSubstr("ä€\U0001F600x", 2), "\U0001F600x");
  EXPECT_EQ(charSubstr("ä\xff"
                       "b",
                       1, 3),
            "\xff"
            "b");
  EXPECT_EQ(charSubstr("\xe2\x82z", 1, 2), "\x82");
}

TEST(JavaText, CharSubstrOutOfRange) {
  struct Case {
    int begin;
    int end;
    const char* message;
  } cases[] = {
      {0, 5, "begin 0, end 5, length 3"},
      {-1, 2, "begin -1, end 2, length 3"},
      {2, 1, "begin 2, end 1, length 3"},
  };
  for (const Case& c : cases) {
    try {
      charSubstr("äöü", c.begin, c.end);
      ADD_FAILURE() << c.message;
    } catch (const IndexOutOfRange& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  try {
    charSubstr("abc", 4);
    ADD_FAILURE();
  } catch (const IndexOutOfRange& e) {
    EXPECT_STREQ(e.what(), "begin 4, end 3, length 3");
  }
}

TEST(JavaText, NullText) {
  EXPECT_EQ(nullText(std::nullopt), "null");
  EXPECT_EQ(nullText(std::string()), "");
  EXPECT_EQ(nullText(std::string("x")), "x");
}

}  // namespace
}  // namespace tev
