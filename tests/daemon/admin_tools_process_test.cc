// The administration tools as programs against the daemon as a program. The tools reach only the registry
// on port 1099, so the daemons here run there (CTest runs these cases under one resource lock, never in
// parallel with each other); scanners are TCP clients from 127.0.0.x addresses, the scanner process is
// fake_scanner.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <thread>

#include "common/child_process.h"
#include "common/tcp.h"
#include "daemon/daemon_test_support.h"
#include "daemon/scanner_test_peer.h"
#include "rpc/rpc_error.h"
#include "rpc/torvend_admin_stub.h"

namespace tev {
namespace {

using namespace std::chrono_literals;
using testing::DaemonTree;
using testing::readFile;
using Scanner = testing::ScannerTestPeer;

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return condition();
}

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs one tool to its end.
ToolRun runTool(const std::string& tool, const std::vector<std::string>& args) {
  testing::TempDir dir;
  ChildProcess::Options options;
  options.argv = {std::string(TEV_ADMIN_TOOLS_DIR) + "/" + tool};
  options.argv.insert(options.argv.end(), args.begin(), args.end());
  options.stdoutSpec = StreamSpec::file(dir.file("out"));
  options.stderrSpec = StreamSpec::file(dir.file("err"));
  ChildProcess process = ChildProcess::start(options);
  auto exit = process.waitFor(30s);
  ToolRun run;
  if (exit) run.status = exit->shellStatus();
  run.out = readFile(dir.file("out"));
  run.err = readFile(dir.file("err"));
  return run;
}

class AdminToolsProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.settings["scanner_process_program"] = fake;
    tree.devices =
        "<device id=\"dev1\"><ip>127.0.0.2</ip><environment>plant</environment></device>"
        "<device "
        "id=\"scanner_in_the_north_hall\"><ip>127.0.0.4</ip><environment>plant</environment></device>";
    std::filesystem::copy_file(TEV_FAKE_SCANNER_EXE, fake);
  }
  void TearDown() override {
    if (daemon) daemon->kill(SIGKILL);
    if (HasFailure()) std::cerr << log() << readFile(tree.dir.file("torvend.out"));
  }

  // Starts the daemon and waits until its administration service is bound.
  void start(int registryPort = 1099) {
    // 1099 is where the daemon puts its registry when the setting is missing.
    if (registryPort == 1099)
      tree.settings.erase("rmi_registry_port");
    else
      tree.settings["rmi_registry_port"] = std::to_string(registryPort);
    tree.write();
    ChildProcess::Options options;
    options.argv = {TEV_TORVEND_EXE, tree.logDir(), tree.settingsPath()};
    options.extraEnvironment = {"TEV_TORVEND_TEST_WAITS=start=0,setup=0,thread=0"};
    options.stdoutSpec = StreamSpec::file(tree.dir.file("torvend.out"));
    options.stderrSpec = StreamSpec::file(tree.dir.file("torvend.out"));
    daemon = std::make_unique<ChildProcess>(ChildProcess::start(options));
    const std::string bound =
        "Bound the administration service as TorvendAdminServer in the registry on port " +
        std::to_string(registryPort);
    ASSERT_TRUE(eventually([&] { return log().find(bound) != std::string::npos; }));
    const std::string listening = "Listening on port: ";
    ASSERT_TRUE(eventually([&] { return log().find(listening) != std::string::npos; }));
    std::string text = log();
    scannerPort = std::stoi(text.substr(text.find(listening) + listening.size()));
    admin = rpc::TorvendAdminStub::lookup(registryPort);
  }

  std::string log() { return readFile(tree.dir.file("torvend.log")); }
  std::string argsLine(const std::string& device) {
    return "args: " + tree.dir.path() + " " + tree.settingsPath() + " " + device + " plant Generic\r\n";
  }

  DaemonTree tree;
  std::string fake = tree.dir.file("fake_scanner");
  std::unique_ptr<ChildProcess> daemon;
  std::unique_ptr<rpc::TorvendAdminStub> admin;
  int scannerPort = 0;
};

TEST(AdminToolsSyntax, WrongArgumentsPrintTheUsageLine) {
  struct Case {
    std::string tool;
    std::vector<std::string> args;
    std::string line;
  };
  for (const Case& tool : std::vector<Case>{
           {"ResetScanner", {}, "Syntax: exec ResetScanner scanner_name\n"},
           {"AttachScanner", {}, "Syntax: exec AttachScanner scanner_name\n"},
           {"BroadcastMessage", {}, "Syntax: exec BroadcastMessage scanner_names...  message\n"},
           {"BroadcastMessage", {"hello"}, "Syntax: exec BroadcastMessage scanner_names...  message\n"},
           {"ListScanners", {"dev1"}, "Syntax: exec ListScanners\n"}}) {
    ToolRun run = runTool(tool.tool, tool.args);
    EXPECT_EQ(run.out, tool.line) << tool.tool;
    EXPECT_EQ(run.err, "") << tool.tool;
    EXPECT_EQ(run.status, 2) << tool.tool;
  }
}

TEST_F(AdminToolsProcessTest, ADaemonOnAnotherRegistryPortCannotBeReached) {
  const int ownPort = testing::freePort();
  ASSERT_NO_FATAL_FAILURE(start(ownPort));
  EXPECT_EQ(admin->listScanners().size(), 2u);  // the daemon is there, on its own port
  struct Case {
    std::string tool;
    std::vector<std::string> args;
    std::string out;
  };
  for (const Case& tool : std::vector<Case>{{"ShutdownTorvend", {}, ""},
                                            {"ReintializeTorvend", {}, "Calling lookup\n"},
                                            {"ResetScanner", {"dev1"}, ""},
                                            {"AttachScanner", {"dev1"}, ""},
                                            {"BroadcastMessage", {"dev1", "hello"}, ""},
                                            {"ListScanners", {}, ""}}) {
    ToolRun run = runTool(tool.tool, tool.args);
    EXPECT_EQ(run.out, tool.out) << tool.tool;
    EXPECT_EQ(run.err, tool.tool + ": the daemon cannot be reached: no registry on port 1099\n");
    EXPECT_EQ(run.status, 1) << tool.tool;
  }
  EXPECT_FALSE(daemon->tryWait().has_value());  // and it is still running
}

TEST_F(AdminToolsProcessTest, ListingAndSelection) {
  ASSERT_NO_FATAL_FAILURE(start());
  Scanner scanner("127.0.0.2", scannerPort);
  ASSERT_TRUE(scanner.waitFor(argsLine("dev1")));
  admin->setDeviceUser("ann", "dev1");

  ToolRun list = runTool("ListScanners", {});
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out, "dev1" + std::string(16, ' ') + "127.0.0.2" + std::string(11, ' ') + "ann" +
                          std::string(17, ' ') + "Connected" + std::string(11, ' ') + "\n" +
                          "scanner_in_the_north" + "127.0.0.4" + std::string(11, ' ') + "None" +
                          std::string(16, ' ') + "Not Connected" + std::string(7, ' ') + "\n");

  ToolRun attach = runTool("AttachScanner", {"127.0.0.4", "ignored"});
  EXPECT_EQ(attach.status, 0) << attach.err;
  EXPECT_EQ(attach.out, "Attached to scanner: 127.0.0.4\n");
  EXPECT_NE(log().find("Received select_scanner message. Selected scanner: 127.0.0.4"), std::string::npos);
  attach = runTool("AttachScanner", {"nobody"});
  EXPECT_EQ(attach.out, "Attached to scanner: nobody\n");
  EXPECT_NE(log().find("Received select_scanner message. Failed to select scanner: nobody"),
            std::string::npos);
}

TEST_F(AdminToolsProcessTest, BroadcastAndReset) {
  ASSERT_NO_FATAL_FAILURE(start());
  Scanner scanner("127.0.0.2", scannerPort);
  ASSERT_TRUE(scanner.waitFor(argsLine("dev1")));
  scanner.clear();

  ToolRun broadcast =
      runTool("BroadcastMessage", {"dev1", "scanner_in_the_north_hall", "Stock count at noon"});
  EXPECT_EQ(broadcast.status, 0) << broadcast.err;
  EXPECT_EQ(broadcast.out, "Brodcasted message\n");
  EXPECT_EQ(scanner.drain(), "<CLEAR>\r\n\r\nBROADCAST MESSAGE\r\n\r\nStock count at noon");
  EXPECT_NE(log().find("Broadcasting message to: scanner_in_the_north_hall"), std::string::npos);

  ToolRun reset = runTool("ResetScanner", {"nobody"});
  EXPECT_EQ(reset.status, 0) << reset.err;
  EXPECT_EQ(reset.out, "Resetted scanner: nobody\n");
  EXPECT_NE(log().find("Received reset_scanner message. Failed to reset scanner: nobody"), std::string::npos);

  reset = runTool("ResetScanner", {"dev1"});
  EXPECT_EQ(reset.out, "Resetted scanner: dev1\n");
  EXPECT_TRUE(scanner.waitForEnd());
  EXPECT_NE(log().find("Received reset_scanner message. Resetting scanner: dev1"), std::string::npos);
}

TEST_F(AdminToolsProcessTest, ReloadAndShutdown) {
  ASSERT_NO_FATAL_FAILURE(start());
  ToolRun reload = runTool("ReintializeTorvend", {"ignored"});
  EXPECT_EQ(reload.status, 0) << reload.err;
  EXPECT_EQ(reload.out, "Calling lookup\nCalling reinitialize\n");
  EXPECT_NE(log().find("Torvend is reinitalized successfully"), std::string::npos);

  tree.dir.write("vav_settings.xml", "<environment_list>");
  reload = runTool("ReintializeTorvend", {});
  EXPECT_EQ(reload.status, 1);
  EXPECT_EQ(reload.out, "Calling lookup\nCalling reinitialize\n");
  EXPECT_EQ(reload.err, "ReintializeTorvend: the daemon refused the request: Invalid torvend->debug_level\n");
  EXPECT_EQ(runTool("ListScanners", {}).status, 0);  // still serving

  ToolRun shutdown = runTool("ShutdownTorvend", {});
  EXPECT_EQ(shutdown.status, 0) << shutdown.err;
  EXPECT_EQ(shutdown.out, "shutdown message sent successfully\n");
  auto exit = daemon->waitFor(10s);
  ASSERT_TRUE(exit.has_value());
  EXPECT_EQ(exit->shellStatus(), 0);
  daemon.reset();
  EXPECT_NE(readFile(tree.dir.file("torvend.out")).find("Inside shutdown in TorvendAdminServer\n"),
            std::string::npos);
  ToolRun after = runTool("ListScanners", {});
  EXPECT_EQ(after.status, 1);
  EXPECT_EQ(after.err, "ListScanners: the daemon cannot be reached: no registry on port 1099\n");
}

}  // namespace
}  // namespace tev
