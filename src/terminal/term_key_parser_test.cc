#include "terminal/term_key_parser.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "sim/standard_key_list.h"
#include "terminal/emulator_settings.h"

namespace tev {
namespace {

// The standard key list with one line replaced (or removed, with an empty replacement).
std::string keyListWith(const std::string& name, const std::string& line) {
  std::string out;
  for (std::size_t begin = 0; begin < sim::standardKeyListText().size();) {
    std::size_t end = sim::standardKeyListText().find('\n', begin);
    std::string current = sim::standardKeyListText().substr(begin, end - begin);
    begin = end + 1;
    if (current.rfind(name + "=", 0) == 0) {
      if (!line.empty()) out += line + "\n";
    } else {
      out += current + "\n";
    }
  }
  return out;
}

EmulatorSettings settingsFrom(const std::string& text) {
  TermKeyParser parser;
  parser.loadText(text);
  return parser.getEmulatorSettings();
}

TEST(TermKeyParser, SplitsAtTheFirstEqualsSignAndKeepsEverythingElse) {
  TermKeyParser parser;
  parser.loadText("kf1=\x1bO=P\nkf2=\nname with blank = x \n=value\nkf1=\x1bOP\r\nclear=\x1b[2J\rel=\x1b[K");
  EXPECT_EQ(parser.getKeyValue("kf1"), "\x1bOP");  // the later line wins
  EXPECT_EQ(parser.getKeyValue("kf2"), "");
  EXPECT_EQ(parser.getKeyValue("name with blank "), " x ");
  EXPECT_EQ(parser.getKeyValue("clear"), "\x1b[2J");
  EXPECT_EQ(parser.getKeyValue("el"), "\x1b[K");
  EXPECT_EQ(parser.getKeyValue(""), "");  // an empty name gives the empty text, not the "=value" line
  EXPECT_EQ(parser.getKeyValue("kf3"), std::nullopt);
}

TEST(TermKeyParser, ValueHoldingEqualsSignKeepsIt) {
  EmulatorSettings settings = settingsFrom(keyListWith("kf1", "kf1=a=b"));
  EXPECT_EQ(settings.KF1, "a=b");
  EXPECT_TRUE(settings.isFunctionKey("a=b"));
}

TEST(TermKeyParser, LineWithoutEqualsSignFailsTheLoad) {
  struct Case {
    const char* name;
    std::string text;
  };
  const Case cases[] = {
      {"empty line", "kf1=x\n\nkf2=y\n"},
      {"blank line at the end", "kf1=x\n\n"},
      {"line of text", "kf1=x\nnonsense\n"},
  };
  for (const Case& c : cases) {
    TermKeyParser parser;
    parser.loadText("kf9=keep");
    EXPECT_THROW(parser.loadText(c.text), KeyListError) << c.name;
    EXPECT_EQ(parser.getKeyValue("kf9"), "keep") << c.name;  // a failed load changes nothing
  }
}

TEST(TermKeyParser, ReadsTheFileAtThePathAndReportsAMissingFile) {
  char path[] = "/tmp/key_list_XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ::close(fd);
  std::ofstream(path, std::ios::binary) << sim::standardKeyListText();
  TermKeyParser parser;
  EXPECT_TRUE(parser.initialize(path));
  EXPECT_EQ(parser.getKeyValue("kcuu1"), "\x1b[A");
  std::remove(path);
  EXPECT_THROW(parser.initialize(path), Error);
}

TEST(EmulatorSettings, TakesEveryCapabilityAndTheArrowCopies) {
  EmulatorSettings s = sim::standardSettings();
  EXPECT_EQ(s.ESC, "\x1b");
  EXPECT_EQ(s.ENTER, "\r");
  EXPECT_EQ(s.BACKSPACE, "\b");
  EXPECT_EQ(s.UP_ARROW, "\x1b[A");
  EXPECT_EQ(s.DOWN_ARROW, "\x1b[B");
  EXPECT_EQ(s.RIGHT_ARROW, "\x1b[C");
  EXPECT_EQ(s.LEFT_ARROW, "\x1b[D");
  EXPECT_EQ(s.SGR0, "\x1b[0m");
  EXPECT_EQ(s.KF41, "\x1b[28~");
  EXPECT_EQ(s.termKeysHash.size(), 30u);
  EXPECT_EQ(s.capability("kf15"), "\x1b[28~");
}

TEST(EmulatorSettings, EveryCapabilityButKf11IsRequired) {
  EXPECT_THROW(settingsFrom(keyListWith("sgr0", "")), KeyListError);
  EXPECT_THROW(settingsFrom(keyListWith("kf15", "")), KeyListError);
  EXPECT_THROW(settingsFrom(keyListWith("kcuf1", "")), KeyListError);

  EmulatorSettings s = settingsFrom(keyListWith("kf11", ""));
  EXPECT_EQ(s.capability("kf11"), std::nullopt);
  EXPECT_FALSE(s.isFunctionKey(""));
  EXPECT_TRUE(s.isFunctionKey(s.KF10));
}

TEST(EmulatorSettings, RecognisesKeys) {
  EmulatorSettings s = sim::standardSettings();
  for (const std::string& key :
       {s.KF1, s.KF2, s.KF3, s.KF4, s.KF5, s.KF6, s.KF7, s.KF8, s.KF9, s.KF10, s.KF11}) {
    EXPECT_TRUE(s.isFunctionKey(key)) << key.substr(1);
  }
  EXPECT_FALSE(s.isFunctionKey(s.KF41));  // kf15 is held, but not a function key
  EXPECT_FALSE(s.isFunctionKey(s.KF3 + "\r"));
  EXPECT_FALSE(s.isFunctionKey(""));
  EXPECT_TRUE(s.isArrowKey("\x1b[A"));
  EXPECT_FALSE(s.isArrowKey("\x1b[A\r"));
  EXPECT_FALSE(s.isArrowKey(s.KHOME));
  EXPECT_TRUE(s.isBackSpaceKey("ab\b"));
  EXPECT_TRUE(s.isBackSpaceKey("\b"));
  EXPECT_FALSE(s.isBackSpaceKey("ab"));
}

TEST(EmulatorSettings, EmptyFunctionKeyMakesAnEmptyChunkAFunctionKey) {
  EmulatorSettings s = settingsFrom(keyListWith("kf2", "kf2="));
  EXPECT_TRUE(s.isFunctionKey(""));
}

}  // namespace
}  // namespace tev
