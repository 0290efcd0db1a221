#include "sim/screen_model.h"

#include <gtest/gtest.h>

#include "sim/standard_key_list.h"
#include "terminal/term_key_parser.h"

namespace tev::sim {
namespace {

TEST(ScreenModel, PlacesTextAtAddressedCells) {
  ScreenModel s(16, 20);
  s.feed("\x1b[3;5HItem:\x1b[16;1Hbottom\x1b[1;20HZ");
  EXPECT_EQ(s.line(3), "    Item:");
  EXPECT_EQ(s.line(16), "bottom");
  EXPECT_EQ(s.text(1), "                   Z");
  EXPECT_EQ(s.cell(3, 5).ch, "I");
  EXPECT_TRUE(s.unknownSequences().empty());
}

TEST(ScreenModel, ClampsAddressingToTheScreen) {
  ScreenModel s(16, 20);
  s.feed("\x1b[18;1Ha\x1b[0;0Hb\x1b[5;99Hc\x1b[Hd");
  EXPECT_EQ(s.line(16), "a");
  EXPECT_EQ(s.line(1), "d");  // ESC [ H is home
  EXPECT_EQ(s.text(5), "                   c");
}

TEST(ScreenModel, TracksAttributesUntilReset) {
  ScreenModel s(16, 20);
  s.feed("\x1b[15;1H\x1b[7mError\x1b[0m ok \x1b[4mu\x1b[1mb\x1b[0m");
  EXPECT_EQ(s.attributed(15, kReverse), "Error");
  EXPECT_TRUE(s.has(15, 5, kReverse));
  EXPECT_FALSE(s.has(15, 6, kReverse));
  EXPECT_TRUE(s.has(15, 10, kUnderline));
  EXPECT_FALSE(s.has(15, 10, kBold));
  EXPECT_TRUE(s.has(15, 11, kUnderline));
  EXPECT_TRUE(s.has(15, 11, kBold));
  EXPECT_EQ(s.currentAttributes(), 0u);
}

TEST(ScreenModel, ErasesToEndOfLineAndClears) {
  ScreenModel s(16, 20);
  s.feed("\x1b[2;1H\x1b[7mabcdefgh\x1b[0m\x1b[2;4H\x1b[K\x1b[3;1Hkeep");
  EXPECT_EQ(s.line(2), "abc");
  EXPECT_FALSE(s.has(2, 4, kReverse));
  s.feed("\x1b[H\x1b[2J");
  EXPECT_EQ(s.line(3), "");
  EXPECT_EQ(s.clears(), 1);
  EXPECT_EQ(s.cursorRow(), 1);
  EXPECT_EQ(s.cursorColumn(), 1);
}

TEST(ScreenModel, WrapsAtTheLastColumnAndScrollsAtTheBottom) {
  ScreenModel s(3, 5);
  s.feed("\x1b[1;1Habcde");
  EXPECT_EQ(s.cursorColumn(), 5);  // the wrap waits for the next character
  s.feed("fg");
  EXPECT_EQ(s.line(1), "abcde");
  EXPECT_EQ(s.line(2), "fg");
  s.feed("\x1b[3;4HXYZ");
  EXPECT_EQ(s.line(1), "fg");  // scrolled up one row
  EXPECT_EQ(s.line(2), "   XY");
  EXPECT_EQ(s.line(3), "Z");
  s.feed("\r\nnext\b\bN");
  EXPECT_EQ(s.line(3), "neNt");
}

TEST(ScreenModel, CountsCharactersNotBytesAndMarksMalformedOnes) {
  ScreenModel s(16, 20);
  s.feed("\x1b[1;1HGr\xC3\xBC\xC3\x9F\xE2\x82\xAC|\xFF|");
  EXPECT_EQ(s.text(1).substr(0, 14), "Gr\xC3\xBC\xC3\x9F\xE2\x82\xAC|\xEF\xBF\xBD|");
  EXPECT_EQ(s.cell(1, 5).ch, "\xE2\x82\xAC");
  EXPECT_EQ(s.cursorColumn(), 9);
}

TEST(ScreenModel, PiecesOfAnyLengthGiveTheSameScreen) {
  const std::string stream =
      "\x1b[H\x1b[2J\x1b[2;3H\x1b[7mTitle\x1b[0m\x1b[4;1H\xC3\xA4pfel\x1b[15;1H\x1b[K\x07\x1b[15;1H\x1b["
      "7mErr\x1b[0m";
  ScreenModel whole(16, 20);
  whole.feed(stream);
  for (std::size_t piece : {1u, 2u, 3u, 7u}) {
    ScreenModel split(16, 20);
    for (std::size_t i = 0; i < stream.size(); i += piece) split.feed(stream.substr(i, piece));
    EXPECT_EQ(split.lines(), whole.lines()) << piece;
    EXPECT_EQ(split.attributed(2, kReverse), "  Title") << piece;
    EXPECT_EQ(split.bells(), 1) << piece;
    EXPECT_EQ(split.cursorColumn(), whole.cursorColumn()) << piece;
  }
}

TEST(ScreenModel, RecordsWhatItDoesNotUnderstand) {
  ScreenModel s(16, 20);
  s.feed(
      "a\x1b[?25lb\x01"
      "c\x1bZ");
  EXPECT_EQ(s.line(1), "a?25lbc");
  ASSERT_EQ(s.unknownSequences().size(), 3u);
  EXPECT_EQ(s.unknownSequences()[0], "\\x1B[");
  EXPECT_EQ(s.unknownSequences()[1], "\\x01");
  EXPECT_EQ(s.unknownSequences()[2], "\\x1BZ");
}

TEST(ScreenModel, UnderstandsAnotherScannersCapabilities) {
  TermKeyParser parser;
  std::string list = standardKeyListText();
  const std::string rev = "rev=\x1b[7m", sgr0 = "sgr0=\x1b[0m";
  list.replace(list.find(rev), rev.size(), "rev=\x1b|R");
  list.replace(list.find(sgr0), sgr0.size(), "sgr0=\x1b|N");
  parser.loadText(list);
  ScreenModel s(16, 20, Capabilities::from(parser.getEmulatorSettings()));
  s.feed("\x1b[1;1H\x1b|RX\x1b|NY");
  EXPECT_EQ(s.line(1), "XY");
  EXPECT_EQ(s.attributed(1, kReverse), "X");
  EXPECT_TRUE(s.unknownSequences().empty());
}

TEST(ScreenModel, DumpFramesRowsAndMarksReverseVideo) {
  ScreenModel s(2, 4);
  s.feed("\x1b[2;2H\x1b[7mab\x1b[0m");
  EXPECT_EQ(s.dump(), " 1 |    |\n 2 | ab |\n     ^^ \ncursor at 2;4\n");
}

}  // namespace
}  // namespace tev::sim
