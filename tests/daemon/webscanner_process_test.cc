// Watchers of the daemon as a program: watchers and scanners are TCP clients, the device is selected through
// the administration service, the scanner process is fake_scanner (an echo).
#include <gtest/gtest.h>

#include "periphery_test_support.h"
#include "rpc/torvend_admin_stub.h"

namespace tev {
namespace {

using namespace std::chrono_literals;
using testing::DaemonRun;
using testing::DaemonTree;
using testing::Peer;

int count(const std::string& text, const std::string& part) {
  int found = 0;
  for (size_t at = 0; (at = text.find(part, at)) != std::string::npos; ++at) ++found;
  return found;
}

class WebscannerProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.settings["emulator_thread_count"] = "1";
    daemon.start();
  }
  void TearDown() override {
    if (HasFailure()) std::cerr << daemon.log();
  }
  void select(const std::string& device) {
    rpc::TorvendAdminStub::lookup(daemon.registryPort)->setCurrentSelectedScanner(device);
  }

  DaemonTree tree;
  DaemonRun daemon{tree};
};

TEST_F(WebscannerProcessTest, WatcherBeforeAnySelectionIsTurnedAway) {
  Peer watcher(daemon.webscannerPort);
  ASSERT_TRUE(watcher.waitForEnd());
  EXPECT_EQ(watcher.received(),
            "<CLEAR>\r\n\r\n\r\nNo selected Device\r\nWebscanner connection\r\nTerminated");
  std::string log = daemon.log();
  EXPECT_NE(log.find("Opening the webscanner listener at port: " + std::to_string(daemon.webscannerPort)),
            std::string::npos);
  EXPECT_NE(log.find("webscanner connected from IP: 127.0.0.1"), std::string::npos);
}

TEST_F(WebscannerProcessTest, WatchersSeeTheSelectedDevicesSessions) {
  select("dev1");
  // Not connected yet: the watcher is told so and stays.
  Peer first(daemon.webscannerPort);
  ASSERT_TRUE(first.waitFor("<CLEAR>\r\n\r\n\r\nDevice dev1[127.0.0.2]\r\nis not connected"));
  EXPECT_TRUE(first.stillOpenAfter(300ms));
  first.clear();

  // The session's screen reaches the watcher as soon as the scanner connects.
  Peer scanner(daemon.port, "127.0.0.2");
  ASSERT_TRUE(scanner.waitFor(daemon.argsLine("dev1")));
  EXPECT_TRUE(first.waitFor(daemon.argsLine("dev1")));

  // A second watcher of a connected device gets no notice; both receive every byte of the process output.
  Peer second(daemon.webscannerPort);
  // The listener waits for the next watcher once this one is attached.
  ASSERT_TRUE(
      testing::eventually([&] { return count(daemon.log(), "Waiting for webscanner connection") == 3; }));
  first.clear();
  scanner.clear();
  scanner.send("ABC");
  ASSERT_TRUE(scanner.waitFor("ABC\n"));
  EXPECT_TRUE(first.waitFor("ABC\n"));
  EXPECT_TRUE(second.waitFor("ABC\n"));
  EXPECT_EQ(first.received(), "ABC\n");
  EXPECT_EQ(second.received(), "ABC\n");

  // What a watcher sends never reaches the process.
  second.send("typed-by-a-watcher\r\n");
  scanner.send("DEF");
  ASSERT_TRUE(scanner.waitFor("DEF\n"));
  EXPECT_TRUE(second.waitFor("DEF\n"));
  EXPECT_EQ(scanner.received().find("typed-by-a-watcher"), std::string::npos);

  // A watcher that goes is dropped at the next write; the others go on.
  second.close();
  scanner.send("GHI");
  scanner.send("JKL");
  ASSERT_TRUE(scanner.waitFor("JKL\n"));
  EXPECT_TRUE(first.waitFor("JKL\n"));

  // The end of the session: the notice, and the watcher stays for the next session.
  scanner.close();
  EXPECT_TRUE(first.waitFor("<CLEAR>\r\n\r\n\r\n\n\rDevice dev1[127.0.0.2]\r\n is disconnected"));
  first.clear();
  Peer again(daemon.port, "127.0.0.2");
  ASSERT_TRUE(again.waitFor(daemon.argsLine("dev1")));
  EXPECT_TRUE(first.waitFor(daemon.argsLine("dev1")));
}

TEST_F(WebscannerProcessTest, SelectingAnotherDeviceMovesOnlyLaterWatchers) {
  tree.devices += "<device id=\"dev3\"><ip>127.0.0.3</ip><environment>plant</environment></device>";
  tree.writeDevices();
  rpc::TorvendAdminStub::lookup(daemon.registryPort)->reInitialize();
  select("dev1");
  Peer ofDev1(daemon.webscannerPort);
  ASSERT_TRUE(ofDev1.waitFor("is not connected"));
  select("127.0.0.3");  // by address
  Peer ofDev3(daemon.webscannerPort);
  ASSERT_TRUE(ofDev3.waitFor("Device dev3[127.0.0.3]\r\nis not connected"));

  Peer scanner(daemon.port, "127.0.0.3");
  ASSERT_TRUE(scanner.waitFor(daemon.argsLine("dev3")));
  EXPECT_TRUE(ofDev3.waitFor(daemon.argsLine("dev3")));
  EXPECT_FALSE(ofDev1.waitFor("args:", 300ms));
}

}  // namespace
}  // namespace tev
