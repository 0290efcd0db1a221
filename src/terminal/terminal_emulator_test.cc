#include "terminal/terminal_emulator.h"

#include <gtest/gtest.h>

#include <ostream>

#include "common/log.h"
#include "terminal/terminal_test_support.h"

namespace tev {
namespace {

using testing::TerminalTest;

const std::string kUp = "\x1b[A";
const std::string kDown = "\x1b[B";
const std::string kRight = "\x1b[C";
const std::string kLeft = "\x1b[D";
const std::string kF3 = "\x1bOR";

// --- drawing: the bytes are the behaviour ---------------------------------------------------------------

TEST_F(TerminalTest, DrawingOperationsWriteExactSequences) {
  struct Case {
    const char* name;
    std::function<void(TerminalEmulator&)> draw;
    std::string bytes;
  };
  const Case cases[] = {
      {"display with underline", [](TerminalEmulator& t) { t.display(5, 10, "Hello", "underline"); },
       "\x1b[5;10H\x1b[4mHello\x1b[0m"},
      {"display reverse", [](TerminalEmulator& t) { t.display(1, 1, "R", "reverse"); },
       "\x1b[1;1H\x1b[7mR\x1b[0m"},
      {"display bold", [](TerminalEmulator& t) { t.display(1, 1, "B", "bold"); }, "\x1b[1;1H\x1b[1mB\x1b[0m"},
      {"display blink", [](TerminalEmulator& t) { t.display(1, 1, "K", "blink"); },
       "\x1b[1;1H\x1b[5mK\x1b[0m"},
      {"display invisible", [](TerminalEmulator& t) { t.display(1, 1, "I", "invisible"); },
       "\x1b[1;1H\x1b[8mI\x1b[0m"},
      {"unknown attribute: only sgr0", [](TerminalEmulator& t) { t.display(2, 3, "x", "italic"); },
       "\x1b[2;3Hx\x1b[0m"},
      {"plain display", [](TerminalEmulator& t) { t.display(12, 1, "abc"); }, "\x1b[12;1Habc"},
      {"rows and columns as text", [](TerminalEmulator& t) { t.display(std::string("7"), "2", "t", "bold"); },
       "\x1b[7;2H\x1b[1mt\x1b[0m"},
      {"clear", [](TerminalEmulator& t) { t.clear(); }, "\x1b[H\x1b[2J"},
      {"clearLine", [](TerminalEmulator& t) { t.clearLine(); }, "\x1b[K"},
      {"clearLine at", [](TerminalEmulator& t) { t.clearLine(16, 1); }, "\x1b[16;1H\x1b[K"},
      {"beep twice", [](TerminalEmulator& t) { t.beep(2); }, "\x07\x07"},
      {"setCursor", [](TerminalEmulator& t) { t.setCursor("3", "9"); }, "\x1b[3;9H"},
      {"repositionCursor", [](TerminalEmulator& t) { t.repositionCursor(4, 1); }, "\x1b[4;1H"},
      {"custom keys", [](TerminalEmulator& t) { t.sendCustomKeys("\x1b[?25l"); }, "\x1b[?25l"},
  };
  for (const Case& c : cases) {
    peer.clearOutput();
    c.draw(emulator);
    EXPECT_EQ(peer.output(), c.bytes) << c.name;
  }
}

TEST_F(TerminalTest, SetCursorMovesStartAndCurrentRepositionOnlyWrites) {
  emulator.setCursor(3, 9);
  emulator.repositionCursor(10, 1);
  EXPECT_EQ(emulator.getCursorStartRow(), 3);
  EXPECT_EQ(emulator.getCursorStartCol(), 9);
  EXPECT_EQ(emulator.getCursorCurrentRow(), 3);
  EXPECT_EQ(emulator.getCursorCurrentCol(), 9);
  EXPECT_EQ(screen().cursorRow(), 10);
}

TEST_F(TerminalTest, FullFormLandsOnTheScreen) {
  emulator.clear();
  for (int row = 1; row <= 16; ++row) emulator.display(row, 1, "Row " + std::to_string(row) + ":");
  emulator.display(3, 8, "4711", "reverse");
  sim::ScreenModel s = screen();
  EXPECT_EQ(s.line(1), "Row 1:");
  EXPECT_EQ(s.line(3), "Row 3: 4711");
  EXPECT_EQ(s.attributed(3, sim::kReverse), "       4711");
  EXPECT_EQ(s.line(16), "Row 16:");
  EXPECT_TRUE(s.unknownSequences().empty());
}

TEST_F(TerminalTest, ConvertsTextToTheHostsCharsetAtTheByteBoundary) {
  host.charEncoding = "ISO-8859-1";
  ASSERT_TRUE(emulator.intialize(peer.settings(), &host));
  emulator.display(1, 1, "Gr\xC3\xBC\xC3\x9F");
  EXPECT_EQ(peer.output(), "\x1b[1;1HGr\xFC\xDF");
  peer.raw("\xE4\n");
  EXPECT_EQ(emulator.read(), "\xC3\xA4");
}

TEST_F(TerminalTest, UnknownCharsetFailsTheSetUp) {
  host.charEncoding = "NO-SUCH-CHARSET";
  log::Capture log;
  EXPECT_FALSE(emulator.intialize(peer.settings(), &host));
  EXPECT_TRUE(log.contains("NO-SUCH-CHARSET"));
}

TEST_F(TerminalTest, DeviceInfoSetsTheScreenSize) {
  host.deviceInfo = DeviceInfo("Wide", 8, 40, "key_list.xml");
  ASSERT_TRUE(emulator.intialize(peer.settings(), &host));
  EXPECT_EQ(emulator.getRows(), 8);
  EXPECT_EQ(emulator.getColumns(), 40);
  host.deviceInfo = DeviceInfo();  // rows and columns -1: the size stays usable
  ASSERT_TRUE(emulator.intialize(peer.settings(), &host));
  EXPECT_EQ(emulator.getRows(), 8);
  EXPECT_EQ(emulator.getColumns(), 40);
}

// --- read ------------------------------------------------------------------------------------------------

TEST_F(TerminalTest, ReadDropsTheDaemonsLineFeedAndKeepsTheText) {
  peer.chunk("abc").raw("xy").chunk("");
  EXPECT_EQ(emulator.read(), "abc");
  EXPECT_EQ(emulator.getLastInput(), "abc");
  EXPECT_EQ(emulator.read(), "x");  // a chunk without line feed still loses its last character
  EXPECT_EQ(emulator.read(), "");
}

TEST_F(TerminalTest, IgnoringNewLinesRemovesEveryLineFeedInstead) {
  emulator.setIgnoreNewLines(true);
  peer.raw("12\n34\n").raw("xy");
  EXPECT_EQ(emulator.read(), "1234");
  EXPECT_EQ(emulator.read(), "xy");
}

TEST_F(TerminalTest, EndOfInputLogsAndEndsTheSessionWithStatusZero) {
  log::Capture log;
  EXPECT_EQ(expectExit([&] { emulator.readInput(); }), 0);
  EXPECT_TRUE(log.contains("Error in reading the input. exiting"));
}

TEST_F(TerminalTest, GarbageAndOverlongChunksNeverCrash) {
  peer.raw(std::string("\x1b\x1b[[[\xff\xfe\x00\x01\x7fgarbage", 16));
  peer.raw(std::string(300, 'A') + "\r\n");
  EXPECT_EQ(emulator.readInput(), std::string(44, 'A') + "\r");
  // The garbage was typed input: echoed, then cleaned of everything but "garba" (its last byte went as
  // the line feed); the over-long scan arrived in two reads, each losing its last character.
  EXPECT_EQ(emulator.getInput(), "garba" + std::string(299, 'A'));
  EXPECT_EQ(expectExit([&] { emulator.readInput(); }), 0);
}

// --- readInput -------------------------------------------------------------------------------------------

struct InputCase {
  const char* name;
  std::vector<std::string> chunks;
  std::string returned;
  std::string input;
  std::string row3;  // the field's row after the field ended (the field starts at column 5)
  bool mask = false;
};

void PrintTo(const InputCase& c, std::ostream* os) {
  *os << c.name;
}

class ReadInputTest : public TerminalTest, public ::testing::WithParamInterface<InputCase> {};

TEST_P(ReadInputTest, EndsTheFieldWithTheValue) {
  const InputCase& c = GetParam();
  emulator.setMaskInput(c.mask);
  for (const std::string& chunk : c.chunks) peer.chunk(chunk);
  emulator.setCursor(3, 5);
  EXPECT_EQ(emulator.readInput(), c.returned);
  EXPECT_EQ(emulator.getInput(), c.input);
  EXPECT_EQ(screen().line(3), c.row3) << screen().dump();
  EXPECT_EQ(peer.queued(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadInputTest,
    ::testing::Values(
        InputCase{"scan", {"ABC\r"}, "ABC\r", "ABC", ""},
        InputCase{"carriage return alone", {"\r"}, "\r", "", ""},
        InputCase{"typed then enter", {"12", "\r"}, "\r", "12", "    12"},
        InputCase{"typed then scanned rest", {"ab", "cd\r"}, "cd\r", "abcd", "    ab"},
        InputCase{"backspace at the start", {"\b", "\r"}, "\r", " ", ""},
        InputCase{"backspace after typing", {"123", "\b", "\r"}, "\r", "12", "    12"},
        InputCase{
            "left arrow, then typing drops the rest", {"abc", kLeft, kLeft, "X", "\r"}, "\r", "aX", "    aX"},
        InputCase{
            "right arrow stops at the end", {"ab", kLeft, kRight, kRight, "c", "\r"}, "\r", "abc", "    abc"},
        InputCase{"left arrow stops at the start", {"a", kLeft, kLeft, "b", "\r"}, "\r", "b", "    b"},
        InputCase{"masked echo once per chunk", {"12", "345", "\r"}, "\r", "12345", "    **", true},
        InputCase{"typed cleaning", {"a[b]{c}|", "\r"}, "\r", "abc", "    a[b]{c}|"},
        InputCase{"scan cleaning",
                  {"12\xC3\xA4\x01"
                   "3\r"},
                  "12\xC3\xA4\x01"
                  "3\r",
                  "123",
                  ""},
        InputCase{"function key", {"ab", kF3}, kF3, "ab", "    ab"},
        InputCase{"function key with carriage return", {kF3 + "\r"}, kF3, "", ""},
        InputCase{"escape", {"\x1b"}, "\x1b", "", ""},
        InputCase{"escape with carriage return", {"\x1b\r"}, "\x1b", "", ""},
        InputCase{"up arrow ends the field", {"ab", kUp}, kUp, "ab", "    ab"},
        InputCase{"down arrow ends the field", {kDown}, kDown, "", ""},
        InputCase{"empty chunk ends the field", {"x", ""}, "", "x", "    x"}),
    [](const ::testing::TestParamInfo<InputCase>& info) {
      std::string name;
      for (char c : std::string(info.param.name))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST_F(TerminalTest, ReadInputCollectsTheRawChunks) {
  peer.chunk("ab").chunk("c\r");
  emulator.setCursor(1, 1);
  emulator.readInput();
  EXPECT_EQ(emulator.getRawInput(), "abc\r");
  EXPECT_EQ(emulator.getReadRawInput(), "c\r");
}

}  // namespace
}  // namespace tev
