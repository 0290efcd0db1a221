// The command-line tools in-process against a stand-in administration service in a registry on a test port:
// what they send, what they print, and their one error line.
#include <gtest/gtest.h>

#include <sstream>

#include "common/error.h"
#include "common/tcp.h"
#include "common/test_support.h"
#include "daemon/attach_scanner.h"
#include "daemon/broadcast_message.h"
#include "daemon/list_scanners.h"
#include "daemon/reintialize_torvend.h"
#include "daemon/reset_scanner.h"
#include "daemon/shutdown_torvend.h"
#include "rpc/registry.h"
#include "rpc/torvend_admin_ops.h"
#include "rpc/torvend_admin_skeleton.h"

namespace tev {
namespace {

using rpc::DeviceRecord;

// Records the calls; fails every call with failure when it is set.
class FakeAdmin : public rpc::TorvendAdmin {
 public:
  void broadcastMessage(const std::vector<std::string>& devices, const std::string& message) override {
    std::string text = "broadcastMessage";
    for (const std::string& device : devices) text += " [" + device + "]";
    record(text + " [" + message + "]");
  }
  std::vector<DeviceRecord> listScanners() override {
    record("listScanners");
    return devices;
  }
  void reInitialize() override { record("reInitialize"); }
  void registerScannerProcessHandler(const std::string&, const rpc::Endpoint&) override {}
  void resetScanner(const std::string& device) override { record("resetScanner " + device); }
  void setCurrentSelectedScanner(const std::string& device) override {
    record("setCurrentSelectedScanner " + device);
  }
  void setDeviceUser(const std::string&, const std::string&) override {}
  void shutdown() override { record("shutdown"); }

  std::vector<std::string> calls;
  std::vector<DeviceRecord> devices;
  std::string failure;

 private:
  void record(const std::string& call) {
    calls.push_back(call);
    if (!failure.empty()) throw Error(failure);
  }
};

class AdminToolsTest : public ::testing::Test {
 protected:
  AdminToolsTest() : registry(0), server(rpc::torvend_admin_ops::kServiceName) {
    rpc::exportTorvendAdmin(server, admin);
    server.start();
    registry.rebind(rpc::torvend_admin_ops::kServiceName, server.endpoint());
  }

  using Main = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&, int);
  // Runs a tool against the stand-in; out and err keep what it printed.
  int run(Main main, const std::vector<std::string>& args, int port = 0) {
    out.str("");
    err.str("");
    return main(args, out, err, port == 0 ? registry.port() : port);
  }

  FakeAdmin admin;
  rpc::Registry registry;
  rpc::RpcServer server;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(AdminToolsTest, EachToolCallsItsOperationAndPrintsItsLine) {
  struct Case {
    Main main;
    std::vector<std::string> args;
    std::string call;
    std::string printed;
  };
  for (const Case& tool : std::vector<Case>{
           {ShutdownTorvend::main, {"ignored"}, "shutdown", "shutdown message sent successfully\n"},
           {ReintializeTorvend::main, {}, "reInitialize", "Calling lookup\nCalling reinitialize\n"},
           {ResetScanner::main, {"dev1", "ignored"}, "resetScanner dev1", "Resetted scanner: dev1\n"},
           {AttachScanner::main,
            {"10.0.0.1"},
            "setCurrentSelectedScanner 10.0.0.1",
            "Attached to scanner: 10.0.0.1\n"},
           {BroadcastMessage::main,
            {"d1", "10.0.0.2", "hello there"},
            "broadcastMessage [d1] [10.0.0.2] [hello there]",
            "Brodcasted message\n"},
       }) {
    admin.calls.clear();
    EXPECT_EQ(run(tool.main, tool.args), 0) << tool.call << ": " << err.str();
    EXPECT_EQ(admin.calls, std::vector<std::string>{tool.call});
    EXPECT_EQ(out.str(), tool.printed);
    EXPECT_EQ(err.str(), "");
  }
}

TEST_F(AdminToolsTest, ListingPrintsColumnsOfTwentyCharacters) {
  admin.devices = {{"dev7", "192.168.1.17", "Generic", "plant", "ann", 0, true},
                   {"a_device_name_of_25_chars", "10.0.0.2", "Generic", "plant", std::nullopt, 0, false},
                   {"dev9", "10.0.0.9", "Generic", "plant", "a_user_name_longer_than_20", 0, false}};
  EXPECT_EQ(run(ListScanners::main, {}), 0);
  EXPECT_EQ(out.str(), "dev7" + std::string(16, ' ') + "192.168.1.17" + std::string(8, ' ') + "ann" +
                           std::string(17, ' ') + "Connected" + std::string(11, ' ') + "\n" +  //
                           "a_device_name_of_25_" + "10.0.0.2" + std::string(12, ' ') + "None" +
                           std::string(16, ' ') + "Not Connected" + std::string(7, ' ') + "\n" +  //
                           "dev9" + std::string(16, ' ') + "10.0.0.9" + std::string(12, ' ') +
                           "a_user_name_longer_t" + "Not Connected" + std::string(7, ' ') + "\n");
  // Widths count characters.
  DeviceRecord accented{"d\xc3\xa9v", "10.0.0.3", "Generic", "plant", std::nullopt, 0, false};
  EXPECT_EQ(ListScanners::formatRow(accented).substr(0, 21), "d\xc3\xa9v" + std::string(17, ' '));
}

TEST_F(AdminToolsTest, FailuresGiveOneErrorLine) {
  admin.failure = "Invalid torvend->emulator_port";
  EXPECT_EQ(run(ReintializeTorvend::main, {}), AdminTool::kFailureStatus);
  EXPECT_EQ(out.str(), "Calling lookup\nCalling reinitialize\n");
  EXPECT_EQ(err.str(),
            "ReintializeTorvend: the daemon refused the request: Invalid torvend->emulator_port\n");

  int nobody = testing::freePort();
  EXPECT_EQ(run(ListScanners::main, {}, nobody), AdminTool::kFailureStatus);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "ListScanners: the daemon cannot be reached: no registry on port " +
                           std::to_string(nobody) + "\n");

  registry.unbind(rpc::torvend_admin_ops::kServiceName);
  EXPECT_EQ(run(ResetScanner::main, {"dev1"}), AdminTool::kFailureStatus);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(),
            "ResetScanner: the daemon cannot be reached: no administration service in the registry on "
            "port " +
                std::to_string(registry.port()) + "\n");

  registry.rebind(rpc::torvend_admin_ops::kServiceName, {"127.0.0.1", nobody});
  EXPECT_EQ(run(ShutdownTorvend::main, {}), AdminTool::kFailureStatus);
  EXPECT_EQ(err.str(),
            "ShutdownTorvend: the daemon cannot be reached: its administration service does not answer\n");
}

}  // namespace
}  // namespace tev
