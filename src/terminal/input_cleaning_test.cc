#include "terminal/input_cleaning.h"

#include <gtest/gtest.h>

namespace tev {
namespace {

TEST(InputCleaning, ScannedValuesKeepWordCharactersSpaceAndPunctuation) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"ABC-123_x", "ABC-123_x"},
      {"a b\tc", "a b\tc"},
      {"!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~", "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~"},
      {"L\xC3\xA4nge", "Lnge"},  // beyond ASCII
      {"A\x1b"
       "B\x7f"
       "C\x01",
       "ABC"},                           // control characters and DEL
      {"\xff\xfeZ", "Z"},                // malformed bytes
      {"\x0b\x0c\r\n", "\x0b\x0c\r\n"},  // ASCII white space
  };
  for (const Case& c : cases) EXPECT_EQ(cleanScanned(c.in), c.out) << c.in;
}

TEST(InputCleaning, TypedInputKeepsWordCharactersAndTheListedSigns) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"abc 123", "abc 123"}, {" !\"#$%&'()*+,-./0123456789:;<=>?@", " !\"#$%&'()*+,-./0123456789:;<=>?@"},
      {"^~/\\._", "^~/\\._"}, {"a[b]c`d{e|f}g", "abcdefg"},
      {"x\ty\rz\n", "xyz"},   {"\xC3\xA9t\xC3\xA9", "t"},
      {"\x1b[A", "A"},
  };
  for (const Case& c : cases) EXPECT_EQ(cleanTyped(c.in), c.out) << c.in;
}

TEST(InputCleaning, PredicatesOnCharacters) {
  EXPECT_TRUE(keptInScan(U'`'));
  EXPECT_FALSE(keptWhenTyped(U'`'));
  EXPECT_TRUE(keptWhenTyped(U'@'));
  EXPECT_FALSE(keptWhenTyped(U'\t'));
  EXPECT_FALSE(keptInScan(U'\u00e9'));
  EXPECT_FALSE(keptWhenTyped(U'\u00e9'));
}

}  // namespace
}  // namespace tev
