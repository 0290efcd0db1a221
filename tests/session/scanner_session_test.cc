// A whole operator session against the scanner process as a program, in stream mode on a copy of the demo
// installation: welcome, login, the menu and its sub-menu, the demo's Echo transaction, help, a password
// change (written to the copy's user list) and the logout back to the login, where escape ends the process.
#include <gtest/gtest.h>

#include "scanner_process_driver.h"
#include "sim/erp_sim.h"

namespace tev {
namespace {

using testing::contains;
using testing::DemoCopy;
using testing::ScannerProcess;
using testing::ScannerScreen;

class ScannerSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    demo.setSetting("port", "7600", std::to_string(router.port()));
    process = std::make_unique<ScannerProcess>(
        TEV_VAV_INTERFACE_EXE, demo.root(), std::vector<std::string>{".", "vav_settings.xml", "SCN7", "demo"},
        demo.file("early_stderr.txt"));
    scanner = std::make_unique<ScannerScreen>(process->stdoutFd(), process->stdinFd(), 16, 20,
                                              process->child().pid());
  }

  std::string log() const { return demo.read("log/SCN7.log"); }
  // What went wrong, for a failed step.
  std::string why() const { return scanner->dump() + "---- log\n" + log(); }

  // The cursor stands on the row (the session waits for input there).
  bool cursorOn(int row) {
    return scanner->waitUntil([row](const sim::ScreenModel& s) { return s.cursorRow() == row; });
  }
  // The row that shows the text holds more (a value next to its label).
  bool rowShows(const std::string& label, const std::string& value) {
    return scanner->waitUntil([&](const sim::ScreenModel& s) {
      int row = s.findRow(label);
      return row > 0 && contains(s.line(row), value);
    });
  }

  sim::ErpSim router;
  DemoCopy demo{TEV_DEMO_DIR};
  std::unique_ptr<ScannerProcess> process;
  std::unique_ptr<ScannerScreen> scanner;
};

TEST_F(ScannerSessionTest, LoginMenuSubMenuTransactionHelpPasswordChangeAndLogout) {
  ScannerScreen& s = *scanner;

  // Welcome: the device and the environment; Enter goes on to the login form.
  ASSERT_TRUE(s.waitFor("SCN7")) << why();
  ASSERT_TRUE(s.waitFor("Environmentdemo")) << why();
  s.enter();
  ASSERT_TRUE(s.waitFor("User:")) << why();
  ASSERT_TRUE(cursorOn(s.screen().findRow("User:"))) << why();

  // User name, then the masked password; the warehouse comes from the user list.
  s.enterText("demo");
  ASSERT_TRUE(cursorOn(s.screen().findRow("Password:"))) << why();
  s.enterText("demo");
  ASSERT_TRUE(rowShows("Whse:", "W1")) << why();
  EXPECT_TRUE(rowShows("Password:", "****")) << why();  // the password is shown masked once checked
  ASSERT_TRUE(cursorOn(s.screen().findRow("Whse:"))) << why();
  s.enter();
  ASSERT_TRUE(cursorOn(s.screen().findRow("Language:"))) << why();
  s.enter();

  // The menu of user demo: Change Password, Help, Tools (the order of menus.xml).
  ASSERT_TRUE(s.waitFor("Menu  demo")) << why();
  ASSERT_TRUE(s.waitFor("3. Tools")) << why();
  EXPECT_TRUE(s.screen().contains("1. Change Password")) << why();
  EXPECT_TRUE(s.screen().contains("2. Help")) << why();

  // The sub-menu and the Echo transaction in it.
  s.chunk("3");
  ASSERT_TRUE(s.waitFor("3 of 3")) << why();
  s.enter();
  ASSERT_TRUE(s.waitFor("1. Echo")) << why();
  ASSERT_TRUE(s.waitFor("1 of 1")) << why();
  s.enter();
  ASSERT_TRUE(s.waitFor("Text:")) << why();
  ASSERT_TRUE(cursorOn(s.screen().findRow("Text:"))) << why();
  s.enterText("hello 42");
  ASSERT_TRUE(rowShows("Echoed:", "hello 42")) << why();
  ASSERT_TRUE(cursorOn(s.screen().findRow("Text:"))) << why();

  // Escape leaves the transaction for the menu; escape in the sub-menu goes up to the main menu.
  s.escape();
  ASSERT_TRUE(s.waitFor("1. Echo")) << why();
  s.escape();
  ASSERT_TRUE(s.waitFor("3. Tools")) << why();

  // Help.
  s.chunk("2");
  ASSERT_TRUE(s.waitFor("2 of 3")) << why();
  s.enter();
  ASSERT_TRUE(s.waitFor("Help")) << why();
  s.escape();
  ASSERT_TRUE(s.waitFor("3. Tools")) << why();

  // The password change writes the copy's user list.
  s.chunk("1");
  ASSERT_TRUE(s.waitFor("1 of 3")) << why();
  s.enter();
  ASSERT_TRUE(s.waitFor("Change Password")) << why();
  ASSERT_TRUE(rowShows("User:", "demo")) << why();
  // Rows are read once the form is drawn whole and the process waits in the field (the labels below are drawn
  // after the cursor first stands on the field's row).
  ASSERT_TRUE(s.waitUntilReading()) << why();
  int oldRow = s.screen().cursorRow();
  s.enterText("demo");
  ASSERT_TRUE(s.waitUntil([&](const sim::ScreenModel& m) { return m.cursorRow() > oldRow; })) << why();
  ASSERT_TRUE(s.waitUntilReading()) << why();
  int newRow = s.screen().cursorRow();
  s.enterText("secret");
  ASSERT_TRUE(s.waitUntil([&](const sim::ScreenModel& m) { return m.cursorRow() > newRow; })) << why();
  s.enterText("secret");
  ASSERT_TRUE(s.waitFor("Password changed")) << why();
  EXPECT_TRUE(contains(demo.read("demo/data/user_list.xml"), "<password>secret</password>"));
  EXPECT_FALSE(contains(log(), "secret")) << "a password reached the log";

  // The message goes after its pause and the form starts again; a mandatory field left empty is refused
  // with the error line. Escape on the first form goes back to the menu.
  s.enter();
  ASSERT_TRUE(s.waitFor("Invalid input")) << why();
  s.escape();
  ASSERT_TRUE(s.waitFor("3. Tools")) << why();
  s.escape();
  ASSERT_TRUE(s.waitFor("SCN7")) << why();
  s.escape();
  EXPECT_TRUE(s.waitForEnd()) << why();
  std::optional<ExitStatus> status = process->waitFor();
  ASSERT_TRUE(status);
  EXPECT_EQ(status->shellStatus(), 0);
}

}  // namespace
}  // namespace tev
