#include "sim/scripted_terminal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/exit_hook.h"
#include "config/vrc_parser.h"
#include "sim/standard_key_list.h"
#include "terminal/term_key_parser.h"
#include "terminal/terminal_emulator.h"

namespace tev::sim {
namespace {

class ScriptedTerminalTest : public ::testing::Test {
 protected:
  ScriptedTerminalTest() : emulator(peer.terminalFd(), peer.terminalFd()) {
    EXPECT_TRUE(emulator.intialize(peer.settings()));
    peer.attach(emulator);
  }

  ScriptedTerminal peer;
  TerminalEmulator emulator;
};

TEST_F(ScriptedTerminalTest, FeedsOneChunkPerReadFramedLikeTheDaemon) {
  peer.type("ab").scan("4711").enter().up().functionKey(3).chunk("x\0").raw("raw");
  EXPECT_EQ(emulator.read(), "ab");
  EXPECT_EQ(emulator.read(), "4711\r");
  EXPECT_EQ(emulator.read(), "\r");
  EXPECT_EQ(emulator.read(), "\x1b[A");
  EXPECT_EQ(emulator.read(), "\x1bOR");
  EXPECT_EQ(emulator.read(), "x");   // a final NUL becomes the line feed
  EXPECT_EQ(emulator.read(), "ra");  // raw bytes are sent as they are
  EXPECT_EQ(peer.queued(), 0u);
  EXPECT_EQ(peer.inputWaits(), 7);
}

TEST_F(ScriptedTerminalTest, RecordsTheScreenAtEveryWaitForInput) {
  peer.enter().enter();
  emulator.display(1, 1, "first");
  emulator.read();
  emulator.display(2, 1, "second");
  emulator.read();
  std::vector<ScreenModel> shown = peer.screensAtInput();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].lines()[0], "first");
  EXPECT_EQ(shown[0].line(2), "");
  EXPECT_EQ(shown[1].line(2), "second");
}

TEST_F(ScriptedTerminalTest, UsedUpScriptEndsTheInputSoNothingHangs) {
  peer.enter();
  emulator.read();
  try {
    emulator.read();
    ADD_FAILURE() << "no exit";
  } catch (const ExitRequest& exit) {
    EXPECT_EQ(exit.status, 0);
  }
}

TEST_F(ScriptedTerminalTest, ExhaustedCallbackMayQueueMore) {
  int calls = 0;
  peer.onExhausted([&](ScriptedTerminal& t) {
    if (++calls == 1) t.scan(t.screen().line(1));  // answer with what the screen shows
  });
  emulator.display(1, 1, "ABC");
  EXPECT_EQ(emulator.read(), "ABC\r");
  EXPECT_THROW(emulator.read(), ExitRequest);
  EXPECT_EQ(calls, 2);
}

TEST_F(ScriptedTerminalTest, EndOfInputInTheMiddleOfTheScript) {
  peer.chunk("a").endOfInput().chunk("never");
  EXPECT_EQ(emulator.read(), "a");
  EXPECT_THROW(emulator.read(), ExitRequest);
}

TEST_F(ScriptedTerminalTest, AnOverlongRawChunkIsReadAloneBeforeTheNext) {
  peer.raw(std::string(300, 'x') + "\n").chunk("next");
  EXPECT_EQ(emulator.read().size(), 255u);
  EXPECT_EQ(emulator.read(), std::string(44, 'x'));
  EXPECT_EQ(emulator.read(), "next");
}

TEST_F(ScriptedTerminalTest, CollectsTheBytesAndCanForgetThem) {
  emulator.display(2, 2, "x", "reverse");
  EXPECT_EQ(peer.output(), "\x1b[2;2H\x1b[7mx\x1b[0m");
  peer.clearOutput();
  EXPECT_EQ(peer.output(), "");
  EXPECT_EQ(peer.screen().line(2), " x");
}

TEST_F(ScriptedTerminalTest, ManyScreensOfOutputDoNotBlockTheTerminal) {
  peer.keepScreens(false);
  for (int i = 0; i < 20000; ++i)
    emulator.display(1 + i % 16, 1, "0123456789012345678" + std::to_string(i % 10));
  EXPECT_EQ(peer.screen().line(16), "01234567890123456789");
}

TEST_F(ScriptedTerminalTest, BroadcastShowsTheDaemonsTextAndNotifiesTheTerminal) {
  peer.broadcast("Server going down").escape();
  emulator.display(1, 1, "form");
  EXPECT_THROW(emulator.read(), ExitRequest);  // after the restore the script is used up
  std::vector<ScreenModel> shown = peer.screensAtInput();
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(shown[1].line(1), "Server going down");
}

TEST_F(ScriptedTerminalTest, UnattachedPeerWritesAtOnce) {
  ScriptedTerminal other;
  TerminalEmulator plain(other.terminalFd(), other.terminalFd());
  ASSERT_TRUE(plain.intialize(other.settings()));
  other.sendNow("now\n");
  EXPECT_EQ(plain.read(), "now");
  other.closeInput();
  EXPECT_THROW(plain.read(), ExitRequest);
}

TEST(StandardKeyList, TheDemoInstallationShipsItWhereTheLocatorFindsIt) {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(TEV_DEMO_DIR);  // the demo's installation root is "."
  std::string path;
  {
    VRCParser locator("vav_settings.xml", "demo");
    path = std::filesystem::absolute(locator.getStandardDataFilePath("key_list.xml"));
  }
  std::filesystem::current_path(previous);
  std::ifstream file(path, std::ios::binary);
  ASSERT_TRUE(file) << path;
  std::stringstream content;
  content << file.rdbuf();
  EXPECT_EQ(content.str(), standardKeyListText());
  TermKeyParser parser;
  EXPECT_TRUE(parser.initialize(path));
  EXPECT_NO_THROW(parser.getEmulatorSettings());
}

}  // namespace
}  // namespace tev::sim
