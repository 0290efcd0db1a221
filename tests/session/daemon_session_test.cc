// The whole system on a copy of the demo: the daemon (Torvend) accepts a scanner from 127.0.0.1, starts the
// real scanner process for it (VAVInterface, found next to the daemon), and relays the session both ways
// against a router simulator of the test: the operator logs in and reaches the menu.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/child_process.h"
#include "common/tcp.h"
#include "common/test_support.h"
#include "daemon/scanner_test_peer.h"
#include "scanner_process_driver.h"
#include "sim/erp_sim.h"

namespace tev {
namespace {

using testing::DemoCopy;
using testing::ScannerTestPeer;

using testing::freePort;
TEST(DaemonSessionTest, ScannerLogsInThroughTheDaemonAndReachesTheMenu) {
  sim::ErpSim router;
  DemoCopy demo{TEV_DEMO_DIR};
  demo.setSetting("port", "7600", std::to_string(router.port()));
  const int scannerPort = freePort();
  demo.setSetting("emulator_port", "6000", std::to_string(scannerPort));
  demo.setSetting("webscanner_port", "6001", std::to_string(freePort()));
  demo.setSetting("rmi_registry_port", "1099", std::to_string(freePort()));

  ChildProcess::Options options;
  options.argv = {TEV_TORVEND_EXE, "log", "vav_settings.xml"};
  options.workingDirectory = demo.root();
  options.extraEnvironment = {"TEV_TORVEND_TEST_WAITS=start=0,setup=0,thread=0,name=1000,retry=100"};
  options.stdoutSpec = StreamSpec::file(demo.file("torvend.out"));
  options.stderrSpec = StreamSpec::file(demo.file("torvend.out"));
  ChildProcess daemon = ChildProcess::start(options);
  auto stopDaemon = [&] {
    daemon.kill(SIGTERM);
    if (!daemon.waitFor(std::chrono::seconds(10))) daemon.kill(SIGKILL);
  };

  std::unique_ptr<ScannerTestPeer> scanner;
  ASSERT_TRUE(testing::eventually([&] {
    try {
      scanner = std::make_unique<ScannerTestPeer>("127.0.0.1", scannerPort);
      return true;
    } catch (const Error&) {
      return false;
    }
  })) << demo.read("torvend.out");

  auto step = [&](const std::string& keys, const std::string& expected) {
    if (!keys.empty()) scanner->send(keys);
    bool shown = scanner->waitFor(expected, std::chrono::seconds(60));
    if (!shown)
      ADD_FAILURE() << "no " << expected << " in " << scanner->received() << "\n---- daemon\n"
                    << demo.read("log/torvend.log");
    scanner->clear();
    return shown;
  };
  // Welcome, user and password; the form is drawn again with the warehouse and the language; both are taken
  // as they stand, and the menu follows.
  bool ok = step("", "Continue") && step("\r", "Password:") && step("demo\r", "demo") &&
            step("demo\r", "Language:") && step("\r", "W1") && step("\r", "Menu  demo");
  if (ok) {
    // The daemon records the logged-in user for the listing of scanners.
    EXPECT_TRUE(testing::eventually(
        [&] { return demo.read("log/demo1.log").find("authenticated") != std::string::npos; }));
  }
  scanner.reset();
  stopDaemon();
}

}  // namespace
}  // namespace tev
