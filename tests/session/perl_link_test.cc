// The Perl program link end to end: the scanner process as a program on a copy of the demo whose environment
// runs tests/session/perl/link_test_program.pl, with a menu item marked as a Perl transaction, the router
// simulator answering the program's relayed request and a private MariaDB server for its statement. The
// operator logs in, runs the Perl item (the program's screen, a key, the router's and MySQL's answers), is
// back at the menu and runs a normal item. Failure paths: the program missing, the program ending early, the
// router down. The scanner process binds the fixed ports 6006 and 6007 (the tests hold a CTest lock on them).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "common/test_support.h"
#include "scanner_process_driver.h"
#include "sim/erp_sim.h"
#include "sim/erp_sim_reply.h"
#include "tests/support/mariadb_runner.h"

namespace tev {
namespace {

using testing::contains;
using testing::DemoCopy;
using testing::ScannerProcess;
using testing::ScannerScreen;

class PerlLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    demo.setSetting("port", "7600", std::to_string(router.port()));
    // The Perl item: a top-level entry of user demo's menu, labelled "Stock Inquiry".
    demo.replace("demo/data/menus.xml", "</menu>\n</menu>",
                 "</menu>\n  <menu_item trans_id=\"PerlScan\" label=\"InventoryInquiry\" sequence_no=\"5\" "
                 "perl_transaction=\"yes\"/>\n</menu>");
    demo.replace(
        "demo/data/user_list.xml",
        "<menu_item trans_id=\"HelpDisplay\"/>\n    </menu>\n  </user>\n</user_list>",
        "<menu_item trans_id=\"HelpDisplay\"/>\n      <menu_item trans_id=\"PerlScan\"/>\n    </menu>\n"
        "  </user>\n</user_list>");
    router.setHandler([](const sim::ErpSimRequest& request) -> std::optional<sim::ErpSimAction> {
      if (request.function != "perl.echo" || request.values.empty()) return std::nullopt;
      return sim::ErpSimAction(sim::ErpSimReply::record({"echo", request.values[0]}));
    });
    // Without a server of the test, statements go to a port where nothing listens.
    ::setenv("MYSQL_TCP_PORT", std::to_string(testing::freePort()).c_str(), 1);
  }
  void TearDown() override { ::unsetenv("MYSQL_TCP_PORT"); }

  void start(const std::string& perlProgram) {
    demo.setSetting("perl_program", "", perlProgram);
    process = std::make_unique<ScannerProcess>(
        TEV_VAV_INTERFACE_EXE, demo.root(), std::vector<std::string>{".", "vav_settings.xml", "SCN7", "demo"},
        demo.file("early_stderr.txt"));
    scanner = std::make_unique<ScannerScreen>(process->stdoutFd(), process->stdinFd(), 16, 20,
                                              process->child().pid());
  }
  static std::string program(const std::string& options = "") {
    return std::string("perl ") + TEV_PERL_LINK_PROGRAM + (options.empty() ? "" : " " + options);
  }

  std::string log() const { return demo.read("log/SCN7.log"); }
  std::string why() const {
    std::string perlOutput;
    try {
      perlOutput = demo.read("log/SCN7_perl.out");
    } catch (...) {
    }
    return scanner->dump() + "---- log\n" + log() + "---- Perl program\n" + perlOutput;
  }
  bool logShows(const std::string& text, int times = 1) {
    return testing::eventually([&] {
      const std::string all = log();
      int found = 0;
      for (std::size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) ++found;
      return found >= times;
    });
  }
  // The Perl transaction ended and the menu waits for the operator's next chunk, which the link's reader
  // thread reads and hands over (the n-th time in this session).
  void expectMenuAfterPerl(int times) {
    ASSERT_TRUE(logShows("Read from perl process: <<MENU>>", times)) << why();
    ASSERT_TRUE(logShows("Waiting for the processor thread to exit", times)) << why();
    ASSERT_TRUE(scanner->waitFor("1 of 4")) << why();  // the menu, drawn again from its first entry
  }

  // Log-in as demo, up to the main menu.
  void login() {
    ScannerScreen& s = *scanner;
    ASSERT_TRUE(s.waitFor("SCN7")) << why();
    s.enter();
    ASSERT_TRUE(s.waitFor("User:")) << why();
    s.enterText("demo");
    ASSERT_TRUE(s.waitFor("Password:")) << why();
    s.enterText("demo");
    ASSERT_TRUE(s.waitFor("W1")) << why();
    s.enter();
    ASSERT_TRUE(s.waitFor("Language:")) << why();
    s.enter();
    ASSERT_TRUE(s.waitFor("4. Stock Inquiry")) << why();
  }
  // Picks the menu entry with that number. The first chunk after a Perl transaction is written at once: the
  // session's main thread then waits for the link's reader thread, not for its input (ScannerScreen::chunk
  // would wait for that first).
  void pick(int number, int of, bool afterPerl = false) {
    if (afterPerl) {
      writeAll(process->stdinFd(), std::to_string(number) + "\n");
    } else {
      scanner->chunk(std::to_string(number));
    }
    ASSERT_TRUE(scanner->waitFor(std::to_string(number) + " of " + std::to_string(of))) << why();
    scanner->enter();
  }
  // The demo's Echo transaction from the Tools menu, and back to the main menu.
  void runEcho(bool afterPerl = false) {
    ScannerScreen& s = *scanner;
    pick(3, 4, afterPerl);
    ASSERT_TRUE(s.waitFor("1. Echo")) << why();
    s.enter();
    ASSERT_TRUE(s.waitFor("Text:")) << why();
    s.enterText("hello");
    ASSERT_TRUE(s.waitFor("hello")) << why();
    s.escape();
    ASSERT_TRUE(s.waitFor("1. Echo")) << why();
    s.escape();
    ASSERT_TRUE(s.waitFor("4. Stock Inquiry")) << why();
  }
  // Runs the Perl item up to the program's last screen; the key is sent as the operator's value.
  void runPerlItem(const std::string& key) {
    ScannerScreen& s = *scanner;
    pick(4, 4);
    ASSERT_TRUE(s.waitFor("Perl PerlScan")) << why();
    ASSERT_TRUE(s.waitFor("Key:")) << why();
    s.enterText(key);
    ASSERT_TRUE(s.waitFor("Done")) << why();
  }

  sim::ErpSim router;
  DemoCopy demo{TEV_DEMO_DIR};
  std::unique_ptr<ScannerProcess> process;
  std::unique_ptr<ScannerScreen> scanner;
};

TEST_F(PerlLinkTest, PerlItemRunsWithTheProgramThenTheMenuGoesOn) {
  if (!testing::MariadbRunner::installed()) GTEST_SKIP() << testing::MariadbRunner::notInstalledReason();
  testing::MariadbRunner mariadb;
  ::setenv("MYSQL_TCP_PORT", std::to_string(mariadb.port()).c_str(), 1);
  start(program());
  ASSERT_NO_FATAL_FAILURE(login());

  ASSERT_NO_FATAL_FAILURE(runPerlItem("42"));
  EXPECT_TRUE(scanner->screen().contains("SKM 1,98,echo~42")) << why();
  EXPECT_TRUE(scanner->screen().contains("MySQL record added")) << why();
  // The relayed request: the customer code after the server name, the Perl item's label as the title.
  std::vector<sim::ErpSimRequest> requests = router.requests();
  ASSERT_FALSE(requests.empty());
  const sim::ErpSimRequest& relayed = requests.back();
  EXPECT_EQ(relayed.deviceId, "SCN7");
  EXPECT_EQ(relayed.user, "demo");
  EXPECT_EQ(relayed.title, "Stock Inquiry");
  EXPECT_EQ(relayed.body, " DDC100,1,tdilc0001DEMO,perl.echo,42");
  MysqlConnection database = mariadb.connectAs("qoj", "qoj");
  EXPECT_EQ(database.query("SELECT device, code FROM scans"),
            (std::vector<std::vector<std::string>>{{"SCN7", "42"}}))
      << mariadb.log();

  // The last key ends the program's transaction; the next chunk is the menu's again.
  scanner->enter();
  ASSERT_NO_FATAL_FAILURE(expectMenuAfterPerl(1));
  ASSERT_NO_FATAL_FAILURE(runEcho(true));
  EXPECT_TRUE(contains(log(), "Returning from perl processor"));

  // The program serves the next Perl transaction on the same connections.
  ASSERT_NO_FATAL_FAILURE(runPerlItem("7"));
  EXPECT_TRUE(scanner->screen().contains("SKM 1,98,echo~7")) << why();
  scanner->enter();
  ASSERT_NO_FATAL_FAILURE(expectMenuAfterPerl(2));
  ASSERT_NO_FATAL_FAILURE(runEcho(true));
  EXPECT_EQ(database.query("SELECT code FROM scans ORDER BY id"),
            (std::vector<std::vector<std::string>>{{"42"}, {"7"}}));
}

TEST_F(PerlLinkTest, RouterDownIsAnsweredToTheProgram) {
  start(program());
  ASSERT_NO_FATAL_FAILURE(login());
  router.refuseConnections();
  router.closeConnections();
  ASSERT_NO_FATAL_FAILURE(runPerlItem("5"));
  EXPECT_TRUE(scanner->screen().contains("Skerrymantle is Down")) << why();
  EXPECT_TRUE(scanner->screen().contains("Failed to add MySQL")) << why();
  EXPECT_TRUE(contains(log(), "The router request of the Perl program failed: Skerrymantle is Down"));
  scanner->enter();
  ASSERT_NO_FATAL_FAILURE(expectMenuAfterPerl(1));
  router.acceptConnections();
  ASSERT_NO_FATAL_FAILURE(runEcho(true));
}

TEST_F(PerlLinkTest, ProgramThatEndsEarlyLeavesTheOperatorInTheMenu) {
  start(program("--exit-early"));
  ASSERT_NO_FATAL_FAILURE(login());
  pick(4, 4);
  ASSERT_TRUE(logShows("The Perl program closed the control connection: the Perl transaction PerlScan ends"))
      << why();
  ASSERT_TRUE(logShows("Waiting for the processor thread to exit")) << why();
  // The next chunk is the menu's: the Perl item fails at once now, the others run.
  pick(4, 4, true);
  ASSERT_TRUE(logShows("The Perl program has ended: the Perl transaction PerlScan cannot run")) << why();
  ASSERT_NO_FATAL_FAILURE(runEcho());
}

// The program's command line carries the device, the environment and the device type; its output goes to its
// own file, never to the terminal.
TEST_F(PerlLinkTest, ProgramGetsTheDeviceEnvironmentAndTypeAndWritesToItsOwnFile) {
  demo.write(
      "echo_args.pl",
      "use IO::Socket::INET; $| = 1; print \"args: @ARGV\\n\";\n"
      "my $link = IO::Socket::INET->new(PeerAddr => '127.0.0.1', PeerPort => 6006) or die;\nsleep 60;\n");
  demo.setSetting("perl_program", "", "perl echo_args.pl");
  process = std::make_unique<ScannerProcess>(
      TEV_VAV_INTERFACE_EXE, demo.root(),
      std::vector<std::string>{".", "vav_settings.xml", "SCN7", "demo", "VehicleMount"},
      demo.file("early_stderr.txt"));
  scanner = std::make_unique<ScannerScreen>(process->stdoutFd(), process->stdinFd(), 24, 40,
                                            process->child().pid());
  ASSERT_TRUE(scanner->waitFor("Continue")) << why();
  EXPECT_TRUE(testing::eventually([&] {
    return contains(demo.read("log/SCN7_perl.out"), "args: SCN7 demo VehicleMount");
  })) << why();
  EXPECT_TRUE(contains(log(), "Running Perl Process: perl echo_args.pl SCN7 demo VehicleMount")) << why();
  EXPECT_FALSE(contains(log(), "The Perl program link is not available")) << why();
  EXPECT_FALSE(contains(scanner->received(), "args:"));

  // The session ends, and the program with it.
  process->closeStdin();
  std::optional<ExitStatus> status = process->waitFor();
  ASSERT_TRUE(status);
  EXPECT_EQ(status->shellStatus(), 0);
}

TEST_F(PerlLinkTest, MissingProgramLeavesTheSessionWithoutTheLink) {
  start("perl " + demo.file("no_such_program.pl"));
  ASSERT_NO_FATAL_FAILURE(login());
  EXPECT_TRUE(contains(log(), "Failed to start the Perl program: The Perl program ended before it connected"))
      << why();
  EXPECT_TRUE(contains(log(), "The Perl program link is not available: the session runs without it"));
  pick(4, 4);
  ASSERT_TRUE(logShows("No Perl program runs for this environment")) << why();
  ASSERT_NO_FATAL_FAILURE(runEcho());
}

}  // namespace
}  // namespace tev
