// A broadcast wrote over the scanner's screen: after Enter or Escape the terminal restores what it showed.
#include <gtest/gtest.h>

#include "common/log.h"
#include "terminal/terminal_test_support.h"

namespace tev {
namespace {

using testing::TerminalTest;

class ItemForm : public FormView {
 public:
  void display(TerminalEmulator& emulator) override {
    ++draws;
    emulator.clear();
    emulator.display(1, 1, "Transfer");
    emulator.display(3, 1, "Item:");
  }
  int draws = 0;
};

TEST_F(TerminalTest, BroadcastDuringAMessageWindowBringsTheWindowBack) {
  ItemForm form;
  emulator.setCurrentForm(&form);
  peer.broadcast("Shutdown at 5").chunk("x").enter().enter();
  log::Capture log;
  EXPECT_EQ(emulator.displayErrorMessageWindow("Error Message", "No stock", "Press Enter To Continue"), "\r");

  std::vector<sim::ScreenModel> shown = peer.screensAtInput();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[1].line(1), "Shutdown at 5");  // what the daemon wrote over the screen
  EXPECT_EQ(shown[3].line(2), "Error Message");  // restored after Enter (the "x" did not count)
  EXPECT_EQ(shown[3].line(4), "No stock");
  EXPECT_EQ(shown[3].line(15), "Press Enter To Conti");
  EXPECT_EQ(host.restores, 1);
  EXPECT_TRUE(
      log.contains("Place of Invoke = displayErrorMessageWindow  status MessagePress Enter To Continue"));
  EXPECT_EQ(screen().line(1), "Transfer");  // the form is back once the window closes
  EXPECT_EQ(emulator.getPlaceOfInvoke(), "");
  EXPECT_EQ(emulator.getStatusMessage(), "");
  EXPECT_EQ(emulator.getTitle(), "");
}

TEST_F(TerminalTest, BroadcastDuringAnErrorLineShowsItAgain) {
  host.messages.setMessage("no_stock", "No stock here");
  peer.broadcast("Hello").escape().enter();
  EXPECT_EQ(emulator.displayErrorMessageForId("no_stock"), "\r");
  std::vector<sim::ScreenModel> shown = peer.screensAtInput();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[2].attributed(15, sim::kReverse), "No stock here");
  EXPECT_EQ(emulator.getPlaceOfInvoke(), "");
}

TEST_F(TerminalTest, BroadcastDuringFieldInputRedrawsAndKeepsReading) {
  ItemForm form;
  emulator.setCurrentForm(&form);
  form.display(emulator);
  emulator.setCursor(3, 7);
  peer.type("ab").broadcast("Hi").enter().scan("cd");
  EXPECT_EQ(emulator.readInput(), "cd\r");
  EXPECT_EQ(emulator.getInput(), "abcd");
  EXPECT_EQ(form.draws, 2);
  sim::ScreenModel s = peer.screensAtInput().back();
  EXPECT_EQ(s.line(1), "Transfer");
  EXPECT_EQ(s.line(3), "Item:");             // the characters typed so far are not redrawn
  EXPECT_TRUE(s.has(15, 1, sim::kReverse));  // the (empty) status line is shown again
  EXPECT_EQ(s.cursorRow(), 3);
  EXPECT_EQ(s.cursorColumn(), 9);
  EXPECT_EQ(emulator.getCursorCurrentCol(), 9);
}

TEST_F(TerminalTest, BroadcastDuringAListRedrawsItOneItemFurther) {
  peer.broadcast().escape().enter();
  EXPECT_EQ(emulator.displayList({"a", "b", "c"}, 1, 1, 5, 20, 1), "\r");
  EXPECT_EQ(emulator.getInput(), "1");
  EXPECT_EQ(peer.screensAtInput().back().attributed(2, sim::kReverse), "b");
  EXPECT_EQ(emulator.getPlaceOfInvoke(), "displayList");
}

// --- the hand-over with the Perl link's reader thread -----------------------------------------------------

class FakePerlLink : public ReaderThreadLink {
 public:
  bool isReaderThreadRunning() const override { return running.load(); }
  std::string takeReaderChunk() override {
    std::lock_guard lock(mutex);
    return chunk;
  }
  std::atomic<bool> running{false};
  std::mutex mutex;
  std::string chunk;
};

TEST_F(TerminalTest, ReadTakesTheChunkTheReaderThreadHandsOver) {
  FakePerlLink link;
  host.readerThreadLink = &link;
  link.running = true;
  emulator.setReady(false);
  peer.scan("12").chunk("next");
  log::Capture log;

  std::thread reader([&] {
    std::optional<std::string> chunk = emulator.readFromLink(1024);
    {
      std::lock_guard lock(link.mutex);
      link.chunk = chunk.value_or("");
    }
    link.running = false;
    emulator.setReady(true);
  });
  EXPECT_EQ(emulator.read(), "12\r");
  reader.join();
  EXPECT_TRUE(log.contains("Waiting for the processor thread to exit"));
  EXPECT_FALSE(emulator.isReady());
  EXPECT_EQ(emulator.read(), "next");  // the terminal reads its link itself again
}

TEST_F(TerminalTest, ReadTakesAChunkHandedOverBeforeItAsked) {
  FakePerlLink link;
  host.readerThreadLink = &link;
  link.chunk = "late\n";
  emulator.setReady(true);  // the reader thread finished before the main thread read
  EXPECT_EQ(emulator.read(), "late");
  EXPECT_EQ(peer.inputWaits(), 0);
}

}  // namespace
}  // namespace tev
