// A reload of the daemon with a broken settings file or a broken device list: the reload is refused (the
// caller of the administration service gets the error), and the daemon goes on serving with what it had:
// a session already running keeps relaying both ways, and a scanner can still connect and get its process.
// Once the files are good again, a reload succeeds.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "../daemon/periphery_test_support.h"
#include "rpc/rpc_error.h"
#include "rpc/torvend_admin_stub.h"

namespace tev::testing {
namespace {

class BrokenReloadTest : public ::testing::Test {
 protected:
  BrokenReloadTest() : daemon(tree) {
    tree.devices =
        "<device id=\"dev1\"><ip>127.0.0.2</ip><environment>plant</environment></device>"
        "<device id=\"dev2\"><ip>127.0.0.3</ip><environment>plant</environment></device>";
  }
  void TearDown() override {
    if (HasFailure()) std::cerr << daemon.log() << readFile(tree.dir.file("torvend.out"));
  }

  // Sends a line on the session and waits for the scanner process to echo it.
  static bool relays(Peer& scanner, const std::string& line) {
    scanner.clear();
    scanner.send(line + "\n");
    return scanner.waitFor(line + "\n");
  }
  // The reload through the administration service; the daemon's refusal, or "" when it reloaded.
  std::string reload() {
    try {
      rpc::TorvendAdminStub::lookup(daemon.registryPort)->reInitialize();
      return "";
    } catch (const rpc::RemoteCallError& e) {
      return e.getMessage().empty() ? std::string("refused") : e.getMessage();
    }
  }

  DaemonTree tree;
  DaemonRun daemon;
};

TEST_F(BrokenReloadTest, RefusedReloadLeavesSessionsAndNewConnectionsWorking) {
  ASSERT_NO_FATAL_FAILURE(daemon.start());
  Peer first(daemon.port, "127.0.0.2");
  ASSERT_TRUE(first.waitFor(daemon.argsLine("dev1")));
  ASSERT_TRUE(relays(first, "before"));

  const std::string settings = readFile(tree.settingsPath());
  const std::string devices = readFile(tree.dir.file("config/device_list.xml"));
  // The scanner process reads the settings file itself, so with a broken one a new scanner is connected
  // once the file is good again (the daemon has not read it since the refused reload); a broken device list
  // concerns the daemon alone, so a new scanner connects while it is still broken.
  struct Breakage {
    const char* what;
    std::function<void()> apply;
    bool readByTheProcess;
  };
  const Breakage breakages[] = {
      {"settings file not well-formed",
       [&] { tree.dir.write("vav_settings.xml", "<environment_list><environ"); }, true},
      {"settings file without a required setting",
       [&] {
         std::string text = settings;
         const std::string poll = "<config_param id=\"emulator_poll_time\">10</config_param>";
         ASSERT_NE(text.find(poll), std::string::npos);
         tree.dir.write("vav_settings.xml", text.erase(text.find(poll), poll.size()));
       },
       true},
      {"settings file missing", [&] { std::filesystem::remove(tree.settingsPath()); }, true},
      {"device list not well-formed",
       [&] { tree.dir.write("config/device_list.xml", "<device_list><device id=\"dev1\"><ip>127.0."); },
       false},
      {"device list missing", [&] { std::filesystem::remove(tree.dir.file("config/device_list.xml")); },
       false},
  };
  int round = 0;
  for (const Breakage& breakage : breakages) {
    SCOPED_TRACE(breakage.what);
    breakage.apply();
    EXPECT_NE(reload(), "");
    // The running session is not touched.
    EXPECT_TRUE(relays(first, "during " + std::to_string(round)));
    if (breakage.readByTheProcess) {
      tree.dir.write("vav_settings.xml", settings);
      tree.dir.write("config/device_list.xml", devices);
    }
    // A scanner can still connect: its process starts and relays.
    auto second = std::make_unique<Peer>(daemon.port, "127.0.0.3");
    EXPECT_TRUE(second->waitFor(daemon.argsLine("dev2")));
    EXPECT_TRUE(relays(*second, "second " + std::to_string(round)));
    second.reset();
    // The device tables are as before.
    std::vector<rpc::DeviceRecord> listed =
        rpc::TorvendAdminStub::lookup(daemon.registryPort)->listScanners();
    EXPECT_EQ(listed.size(), 2u);
    tree.dir.write("vav_settings.xml", settings);
    tree.dir.write("config/device_list.xml", devices);
    ++round;
  }
  // Each refusal is logged.
  std::string log = daemon.log();
  std::size_t refusals = 0;
  for (std::size_t at = log.find("Error while processing the administrative request");
       at != std::string::npos; at = log.find("Error while processing the administrative request", at + 1))
    ++refusals;
  EXPECT_EQ(refusals, std::size(breakages));
  EXPECT_EQ(daemon.log().find("is removed from the system"), std::string::npos);

  // Good files again: the reload goes through and the first session is still there.
  EXPECT_EQ(reload(), "");
  EXPECT_NE(daemon.log().find("Torvend is reinitalized successfully"), std::string::npos);
  EXPECT_TRUE(relays(first, "after"));
}

}  // namespace
}  // namespace tev::testing
