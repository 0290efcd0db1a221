#include "util/string_util.h"

#include <gtest/gtest.h>

#include <string>

#include "common/error.h"

namespace tev {
namespace {

std::string blanks(size_t n) {
  return std::string(n, ' ');
}
std::string tabs(size_t n) {
  return std::string(n, '\t');
}

TEST(StringUtil, SpaceIsBlanksTabsBlanks) {
  EXPECT_EQ(StringUtil::space(), blanks(366) + tabs(546) + blanks(324));
  EXPECT_EQ(StringUtil::space().size(), 1236u);
}

TEST(StringUtil, PadAndCut) {
  struct Case {
    const char* text;
    int32_t width;
    std::string left;
    std::string right;
  } cases[] = {
      {"abc", 5, "  abc", "abc  "},
      {"abcdef", 3, "abc", "abc"},
      {"abc", 3, "abc", "abc"},
      {"abc", 0, "", ""},
      {"", 3, "   ", "   "},
      {"", 0, "", ""},
      // Widths count characters: multi-byte characters are neither counted twice nor split.
      {"\xC3\xA4"
       "bc",
       5,
       "  \xC3\xA4"
       "bc",
       "\xC3\xA4"
       "bc  "},
      {"\xC3\xA4\xC3\xB6\xC3\xBC", 2, "\xC3\xA4\xC3\xB6", "\xC3\xA4\xC3\xB6"},
      {"\xE2\x82\xAC", 3, "  \xE2\x82\xAC", "\xE2\x82\xAC  "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StringUtil::lpad(c.text, c.width), c.left) << c.text << " " << c.width;
    EXPECT_EQ(StringUtil::rpad(c.text, c.width), c.right) << c.text << " " << c.width;
  }
}

TEST(StringUtil, LongPadsContinueWithTabsThenBlanks) {
  EXPECT_EQ(StringUtil::rpad("x", 400), "x" + blanks(366) + tabs(33));
  EXPECT_EQ(StringUtil::lpad("x", 400), blanks(366) + tabs(33) + "x");
  EXPECT_EQ(StringUtil::lpad("x", 1237), StringUtil::space() + "x");
  EXPECT_EQ(StringUtil::rpad("", 1236), StringUtil::space());
  EXPECT_EQ(StringUtil::lpad("x", 1000), blanks(366) + tabs(546) + blanks(87) + "x");
}

TEST(StringUtil, PadErrors) {
  struct Case {
    const char* text;
    int32_t width;
    const char* message;
  } cases[] = {
      {"x", 1238, "begin 0, end 1237, length 1236"},
      {"", 1237, "begin 0, end 1237, length 1236"},
      {"abc", -1, "begin 0, end -1, length 3"},
      {"", -5, "begin 0, end -5, length 0"},
      {"abc", INT32_MAX, "begin 0, end 2147483644, length 1236"},
  };
  for (const Case& c : cases) {
    for (auto pad : {&StringUtil::lpad, &StringUtil::rpad}) {
      try {
        pad(c.text, c.width);
        ADD_FAILURE() << "no failure for " << c.text << " " << c.width;
      } catch (const IndexOutOfRange& e) {
        EXPECT_STREQ(e.what(), c.message);
      }
    }
  }
}

TEST(StringUtil, ZeroPad) {
  struct Case {
    const char* text;
    int32_t width;
    bool atFront;
    const char* expected;
  } cases[] = {
      {"7", 3, true, "007"},     {"7", 3, false, "700"},
      {"1234", 3, true, "1234"}, {"1234", 3, false, "1234"},
      {"12", 0, true, "12"},     {"12", -4, false, "12"},
      {"", 2, true, "00"},       {"\xC3\xA4", 2, true, "0\xC3\xA4"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StringUtil::zeroPad(c.text, c.width, c.atFront), c.expected) << c.text << " " << c.width;
}

}  // namespace
}  // namespace tev
