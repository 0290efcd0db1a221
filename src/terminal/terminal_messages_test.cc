// The error line, message windows, status line, yes/no questions and their message-id forms.
#include <gtest/gtest.h>

#include <ostream>

#include "common/log.h"
#include "terminal/skip_exception.h"
#include "terminal/terminal_test_support.h"

namespace tev {
namespace {

using testing::TerminalTest;

// A form that draws one line, so a redraw shows on the screen.
class OneLineForm : public FormView {
 public:
  void display(TerminalEmulator& emulator) override {
    ++draws;
    emulator.clear();
    emulator.display(1, 1, "Receipt");
    emulator.display(3, 1, "Item:");
  }
  int draws = 0;
};

const std::string k25 = "ABCDEFGHIJKLMNOPQRSTUVWXY";

TEST_F(TerminalTest, ErrorLineSplitsAfterTheWidthIntoTwoReverseRows) {
  peer.enter();
  EXPECT_EQ(emulator.displayErrorMessage(k25), "\r");
  sim::ScreenModel s = peer.screensAtInput().at(0);
  EXPECT_EQ(s.attributed(15, sim::kReverse), "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(s.attributed(16, sim::kReverse), "UVWXY");
  EXPECT_EQ(s.bells(), 0);
}

TEST_F(TerminalTest, ErrorLineClearsOldTextAndBeepsWhenAsked) {
  emulator.display(15, 1, "old old old old old old");
  emulator.display(16, 1, "older");
  peer.enter();
  emulator.displayErrorMessage("Short", 0, true);
  sim::ScreenModel s = screen();
  EXPECT_EQ(s.line(15), "Short");
  EXPECT_EQ(s.line(16), "");
  EXPECT_EQ(s.bells(), 1);
}

TEST_F(TerminalTest, ErrorLineWithAPauseClosesWithoutReading) {
  host.params["emulator_display_defaults/display_error_in_seconds"] = "1500";
  EXPECT_EQ(emulator.displayErrorMessage("Saved"), "");
  ASSERT_EQ(sleeper.sleeps.size(), 1u);
  EXPECT_EQ(sleeper.sleeps[0], std::chrono::milliseconds(1500));
  EXPECT_EQ(peer.inputWaits(), 0);
  EXPECT_EQ(screen().line(15), "Saved");
}

TEST_F(TerminalTest, ErrorLinePauseParameterThatIsNoNumberMeansWait) {
  host.params["emulator_display_defaults/display_error_in_seconds"] = " 1500";
  peer.chunk("x");
  EXPECT_EQ(emulator.displayErrorMessage("Saved"), "x");
  EXPECT_TRUE(sleeper.sleeps.empty());
}

TEST_F(TerminalTest, Kf3OnTheErrorLineLeavesTheForm) {
  peer.functionKey(3);
  log::Capture log;
  try {
    emulator.displayErrorMessage("Wrong");
    ADD_FAILURE() << "no SkipException";
  } catch (const SkipException& skip) {
    EXPECT_EQ(skip.getSkipKey(), keys().KF3);
    EXPECT_EQ(skip.getMessage(), "Escape the current form");
  }
  EXPECT_TRUE(log.contains("Firing SkipException KF3"));
}

class SmallScreenTest : public TerminalTest {
 protected:
  SmallScreenTest() : TerminalTest(8, 20) {}
};

TEST_F(SmallScreenTest, ErrorAndStatusLinesUseTheLastRowOnly) {
  peer.enter();
  emulator.displayErrorMessage(k25);
  EXPECT_EQ(peer.screensAtInput().at(0).attributed(8, sim::kReverse), "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(peer.screensAtInput().at(0).line(7), "");
  emulator.displayStatusMessage(std::string("Busy"));
  EXPECT_EQ(screen().text(8), "Busy                ");
  EXPECT_TRUE(screen().has(8, 20, sim::kReverse));
}

TEST_F(TerminalTest, StatusLineIsPaddedAndSplitAndReadsNothing) {
  emulator.displayStatusMessage(std::string("Busy"));
  sim::ScreenModel s = screen();
  EXPECT_EQ(s.text(15), "Busy                ");
  EXPECT_EQ(s.attributed(15, sim::kReverse), "Busy");
  EXPECT_TRUE(s.has(15, 20, sim::kReverse));
  EXPECT_EQ(emulator.getStatusMessage(), "Busy");

  emulator.displayStatusMessage(k25);
  EXPECT_EQ(screen().line(15), "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(screen().line(16), "UVWXY");

  peer.clearOutput();
  emulator.displayStatusMessage(std::nullopt);
  EXPECT_EQ(peer.output(), "");
  EXPECT_EQ(emulator.getStatusMessage(), k25);
  EXPECT_EQ(peer.inputWaits(), 0);
}

TEST_F(TerminalTest, MessageWindowShowsTitleBodyAndFooterThenRedrawsTheForm) {
  OneLineForm form;
  emulator.setCurrentForm(&form);
  peer.chunk("q");
  EXPECT_EQ(emulator.displayErrorMessageWindow("Error Message", "Location L-17 is blocked for picking",
                                               "Press Enter To Continue"),
            "q");
  sim::ScreenModel window = peer.screensAtInput().at(0);
  EXPECT_EQ(window.line(1), "");
  EXPECT_EQ(window.attributed(2, sim::kReverse), "Error Message");
  EXPECT_EQ(window.line(4), "Location L-17 is blo");
  EXPECT_EQ(window.line(5), "cked for picking");
  EXPECT_FALSE(window.has(4, 1, sim::kReverse));
  EXPECT_EQ(window.attributed(15, sim::kReverse), "Press Enter To Conti");
  EXPECT_EQ(window.attributed(16, sim::kReverse), "nue");
  EXPECT_EQ(form.draws, 1);
  EXPECT_EQ(screen().lines()[0], "Receipt");
  EXPECT_EQ(emulator.getPlaceOfInvoke(), "displayErrorMessageWindow");
  EXPECT_EQ(emulator.getTitle(), "Error Message");
  EXPECT_EQ(emulator.getDisplayErrorMessage(), "Location L-17 is blocked for picking");
  EXPECT_EQ(emulator.getStatusMessage(), "Press Enter To Continue");
}

TEST_F(TerminalTest, YesNoAsksUntilYesOrNoAndTakesJForYes) {
  peer.chunk("x").chunk("yes").chunk("J");
  EXPECT_EQ(emulator.displayYesNoConfirmWindow("Attention", "Print labels?"), "y");
  EXPECT_EQ(peer.inputWaits(), 3);
  sim::ScreenModel question = peer.screensAtInput().at(2);
  EXPECT_EQ(question.line(2), "Attention");
  EXPECT_EQ(question.line(4), "Print labels?");
  EXPECT_EQ(question.line(15), "Y/N ?");

  peer.chunk("N");
  EXPECT_EQ(emulator.displayYesNoConfirmWindow("Attention", "Print labels?"), "n");
}

TEST_F(TerminalTest, OneArgumentYesNoIsAWarningAndAcceptsAnAnswerWithEnter) {
  peer.chunk("y\r");
  EXPECT_EQ(emulator.displayYesNoConfirmWindow("Delete?"), "y");
  EXPECT_EQ(peer.screensAtInput().at(0).line(2), "Warning");

  peer.chunk("y\r").chunk("n");  // the two-argument form takes "y" with ENTER for another answer
  EXPECT_EQ(emulator.displayYesNoConfirmWindow("Title", "Delete?"), "n");
  EXPECT_EQ(peer.inputWaits(), 3);
}

TEST_F(TerminalTest, MessageIdFormsLookUpTextsAndFillArguments) {
  host.messages.setMessage("invalid_item", "Item {0} not in {1}");
  host.messages.setMessage("attention_title", "Attention");
  host.messages.setMessage("cross_dock", "Cross dock {0}?");
  host.messages.setMessage("processing", "Processing...");

  peer.enter();
  emulator.displayErrorMessageForId("invalid_item", MessageArgs{"A1", "W1"});
  EXPECT_EQ(peer.screensAtInput().back().line(15), "Item A1 not in W1");
  EXPECT_EQ(emulator.getPlaceOfInvoke(), "displayErrorMessage");
  EXPECT_EQ(emulator.getStatusMessage(), "Item A1 not in W1");

  peer.enter();
  emulator.displayErrorMessageWindowForAllId("attention_title", "invalid_item", "continue",
                                             MessageArgs{"B2", "W9"});
  sim::ScreenModel window = peer.screensAtInput().back();
  EXPECT_EQ(window.line(2), "Attention");
  EXPECT_EQ(window.line(4), "Item B2 not in W9");
  EXPECT_EQ(window.line(15), "Press Enter");

  peer.chunk("j");
  EXPECT_EQ(emulator.displayYesNoConfirmWindowForId("cross_dock", MessageArgs{"L-1"}), "y");
  EXPECT_EQ(peer.screensAtInput().back().line(4), "Cross dock L-1?");

  peer.enter();
  emulator.displayBaanMessageWindow("ERP says no");
  EXPECT_EQ(peer.screensAtInput().back().line(2), "BAAN MESSAGE");
  EXPECT_EQ(peer.screensAtInput().back().line(15), "Press Enter");

  emulator.displayStatusMessageForId("processing");
  EXPECT_EQ(screen().attributed(15, sim::kReverse), "Processing...");
  EXPECT_EQ(screen().text(15), "Processing...       ");  // not padded: the rest of the row was erased
}

TEST_F(TerminalTest, StatusMessageForAMissingIdLeavesTheScreen) {
  emulator.display(15, 1, "keep");
  emulator.displayStatusMessageForId("nothing_here");
  EXPECT_EQ(screen().line(15), "keep");
}

struct MissingCase {
  const char* name;
  std::function<void(TerminalEmulator&)> call;
  std::string shown;
};

void PrintTo(const MissingCase& c, std::ostream* os) {
  *os << c.name;
}

class MissingMessageTest : public TerminalTest, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingMessageTest, ShowsTheErrorWindowAndEndsTheSession) {
  const MissingCase& c = GetParam();
  peer.enter();
  log::Capture log;
  EXPECT_EQ(expectExit([&] { c.call(emulator); }), 0);
  sim::ScreenModel window = peer.screensAtInput().at(0);
  EXPECT_EQ(window.line(2), "Error Message");
  std::string shown = window.text(4) + window.text(5) + window.text(6) + window.text(7);
  shown.erase(shown.find_last_not_of(' ') + 1);
  EXPECT_EQ(shown, c.shown + " is missing, please contact System support");
  EXPECT_EQ(window.line(15) + window.line(16), "Press Enter To Continue");
  EXPECT_EQ(peer.queued(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MissingMessageTest,
    ::testing::Values(
        MissingCase{"ErrorLine", [](TerminalEmulator& t) { t.displayErrorMessageForId("f003"); },
                    "Message : f003"},
        MissingCase{"ErrorLineTimed",
                    [](TerminalEmulator& t) { t.displayErrorMessageForId("f003", 100, true); },
                    "Message : f003"},
        MissingCase{
            "Window",
            [](TerminalEmulator& t) { t.displayErrorMessageWindowForId("Error Message", "m1", "continue"); },
            "Message :m1"},
        MissingCase{"WindowFooter",
                    [](TerminalEmulator& t) { t.displayErrorMessageWindowForAllId("yesno", "yesno", "f9"); },
                    "Message :f9"},
        MissingCase{"YesNo", [](TerminalEmulator& t) { t.displayYesNoConfirmWindowForId("t1", "yesno"); },
                    "Message :t1"},
        MissingCase{"YesNoWithArgs",
                    [](TerminalEmulator& t) { t.displayYesNoConfirmWindowForId("q7", MessageArgs{"x"}); },
                    "Message : q7"}),
    [](const ::testing::TestParamInfo<MissingCase>& info) { return std::string(info.param.name); });

TEST_F(TerminalTest, MissingMessageEndsTheSessionEvenWhenKf3ClosesTheWindow) {
  peer.functionKey(3);
  EXPECT_EQ(expectExit([&] { emulator.displayErrorMessageForId("gone"); }), 0);
}

TEST_F(TerminalTest, WithoutAMessageListEveryIdIsMissing) {
  host.withoutMessageList = true;
  peer.enter();
  EXPECT_EQ(expectExit([&] { emulator.displayBaanMessageWindow("x"); }), 0);
}

}  // namespace
}  // namespace tev
