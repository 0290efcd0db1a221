#include "daemon/scanner_process_handler_impl.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "common/test_support.h"
#include "rpc/registry.h"
#include "rpc/rpc_server.h"
#include "rpc/scanner_process_handler_stub.h"
#include "rpc/torvend_admin_ops.h"
#include "rpc/torvend_admin_skeleton.h"

namespace tev {
namespace {

using namespace std::chrono_literals;
using testing::readFile;
using testing::TempDir;

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return condition();
}

bool alive(pid_t pid) {
  return ::kill(pid, 0) == 0;
}

// The daemon's side as far as a handler sees it: a registry on a port and an administration service that
// records registrations.
class FakeDaemon : public rpc::TorvendAdmin {
 public:
  explicit FakeDaemon(int registryPort) : registry_(registryPort), server_("TorvendAdminServer") {
    rpc::exportTorvendAdmin(server_, *this);
    server_.start();
    registry_.rebind(rpc::torvend_admin_ops::kServiceName, server_.endpoint());
  }

  void registerScannerProcessHandler(const std::string& handlerId, const rpc::Endpoint& handler) override {
    std::lock_guard lock(mutex_);
    registrations_.emplace_back(handlerId, handler);
  }
  std::vector<std::pair<std::string, rpc::Endpoint>> registrations() {
    std::lock_guard lock(mutex_);
    return registrations_;
  }
  int registryPort() const { return registry_.port(); }

  void broadcastMessage(const std::vector<std::string>&, const std::string&) override {}
  std::vector<rpc::DeviceRecord> listScanners() override { return {}; }
  void reInitialize() override {}
  void resetScanner(const std::string&) override {}
  void setCurrentSelectedScanner(const std::string&) override {}
  void setDeviceUser(const std::string&, const std::string&) override {}
  void shutdown() override {}

 private:
  std::mutex mutex_;
  std::vector<std::pair<std::string, rpc::Endpoint>> registrations_;
  rpc::Registry registry_;
  rpc::RpcServer server_;
};

using testing::freePort;
class HandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A scanner process: notes its pid and the first two bytes of its standard input, then waits.
    dir.write("scanner", "#!/bin/sh\necho \"$$ $3\" >> " + dir.file("pids") +
                             "\nhead -c 2 | od -An -c\necho started $3\nexec sleep 60\n");
    std::filesystem::permissions(dir.file("scanner"), std::filesystem::perms::owner_all);
    waits.retry = 50ms;
    waits.watch = 100ms;
  }
  void TearDown() override {
    if (handler) handler->stop();
    if (runner.joinable()) runner.join();
  }

  void startHandler(int capacity) {
    handler = std::make_unique<ScannerProcessHandlerImpl>("h1", capacity, daemonPort, dir.path(), waits);
    runner = std::thread([this] { handler->run(); });
  }
  std::string line(const std::string& device) {
    return dir.file("scanner") + " R S " + device + " plant Generic";
  }
  // The pids written by the scanner processes of the device, in start order.
  std::vector<pid_t> pids(const std::string& device) {
    std::vector<pid_t> found;
    std::ifstream in(dir.file("pids"));
    pid_t pid;
    std::string name;
    while (in >> pid >> name)
      if (name == device) found.push_back(pid);
    return found;
  }

  TempDir dir;
  int daemonPort = freePort();
  HandlerWaits waits;
  std::unique_ptr<ScannerProcessHandlerImpl> handler;
  std::thread runner;
};

TEST_F(HandlerTest, RegistersAndServesTheDaemonsCalls) {
  FakeDaemon daemon(daemonPort);
  startHandler(2);
  ASSERT_TRUE(eventually([&] { return !daemon.registrations().empty(); }));
  auto [id, endpoint] = daemon.registrations().front();
  EXPECT_EQ(id, "h1");
  EXPECT_EQ(endpoint, handler->endpoint());

  // The daemon calls back through the reference it was given.
  rpc::ScannerProcessHandlerStub stub(endpoint, id);
  EXPECT_EQ(stub.getHandlerID(), "h1");
  EXPECT_EQ(stub.getMaxNoOfProcesses(), 2);
  EXPECT_TRUE(stub.startScannerProcess("dev1", line("dev1")));
  EXPECT_TRUE(stub.startScannerProcess("dev2", line("dev2")));
  EXPECT_EQ(stub.getCurrentNoOfProcesses(), stub.getMaxNoOfProcesses());  // full: the daemon passes it over
  EXPECT_TRUE(stub.isDeviceProcessPresent("dev1"));
  EXPECT_FALSE(stub.isDeviceProcessPresent("dev3"));
  ASSERT_TRUE(eventually([&] { return pids("dev1").size() == 1; }));

  EXPECT_TRUE(stub.terminateScannerProcess("dev1"));
  EXPECT_TRUE(eventually([&] { return !alive(pids("dev1")[0]); }));
  EXPECT_FALSE(stub.terminateScannerProcess("dev1"));
  EXPECT_EQ(stub.getCurrentNoOfProcesses(), 1);

  // The program was run as a copy of its own per device; its input began with CR LF and its output went to
  // the device's process log.
  EXPECT_TRUE(std::filesystem::exists(dir.file("scanner_dev2")));
  EXPECT_TRUE(eventually(
      [&] { return readFile(dir.file("dev2_process.log")).find("started dev2") != std::string::npos; }));
  EXPECT_NE(readFile(dir.file("dev2_process.log")).find("\\r  \\n"), std::string::npos);

  std::string log = readFile(dir.file("h1.log"));
  EXPECT_EQ(
      log.rfind("------------------------------------\nLocating RMIRegistry ....\nRMIRegistry Located ", 0),
      0u)
      << log;
  EXPECT_NE(log.find("\nRegistered with TorvendAdminServer\n"), std::string::npos);
  EXPECT_NE(log.find(" Max No of Processes : 2 Connected So Far :1\n"), std::string::npos);
  EXPECT_NE(log.find("Request for Device Connection : dev2 cmdLine :" + line("dev2") + "\n"),
            std::string::npos);
  EXPECT_NE(log.find(" Device : dev2 connected successfully\n"), std::string::npos);
  EXPECT_NE(log.find("\nTerminating Scanner process for device: dev1\n"), std::string::npos);
  EXPECT_NE(log.find(" Device Termination: dev1 Successfully\n"), std::string::npos);
  EXPECT_TRUE(std::regex_search(
      log, std::regex(R"(\n\d\d-\d\d-\d{4} \d\d:\d\d:\d\d Request for Device Termination: dev1\n)")));
}

TEST_F(HandlerTest, SecondStartForADeviceEndsItsOldProcess) {
  FakeDaemon daemon(daemonPort);
  startHandler(5);
  ASSERT_TRUE(handler->startScannerProcess("dev1", line("dev1")));
  ASSERT_TRUE(eventually([&] { return pids("dev1").size() == 1; }));
  ASSERT_TRUE(handler->startScannerProcess("dev1", line("dev1")));
  ASSERT_TRUE(eventually([&] { return pids("dev1").size() == 2; }));
  EXPECT_TRUE(eventually([&] { return !alive(pids("dev1")[0]); }));
  EXPECT_TRUE(alive(pids("dev1")[1]));
  EXPECT_EQ(handler->getCurrentNoOfProcesses(), 1);

  // A line that cannot run is refused without touching what is held.
  EXPECT_FALSE(handler->startScannerProcess("dev2", "no-blank-in-it"));
  EXPECT_FALSE(handler->startScannerProcess("dev2", dir.file("missing") + " R S dev2 plant Generic"));
  EXPECT_EQ(handler->getCurrentNoOfProcesses(), 1);

  handler->stop();
  runner.join();
  pid_t last = pids("dev1")[1];
  handler.reset();  // ends what it holds
  EXPECT_TRUE(eventually([&] { return !alive(last); }));
}

TEST_F(HandlerTest, RegistersAgainWhenTheDaemonComesBack) {
  auto daemon = std::make_unique<FakeDaemon>(daemonPort);
  startHandler(1);
  ASSERT_TRUE(eventually([&] { return daemon->registrations().size() == 1; }));
  EXPECT_TRUE(eventually([&] { return handler->connectedToRMI(); }));

  // Another daemon run on the same registry port knows nothing of the handler.
  daemon.reset();
  daemon = std::make_unique<FakeDaemon>(daemonPort);
  ASSERT_TRUE(eventually([&] { return daemon->registrations().size() == 1; }));
  EXPECT_EQ(daemon->registrations()[0].second, handler->endpoint());
  EXPECT_NE(readFile(dir.file("h1.log")).find("Registration with TorvendAdminServer lost; registering again"),
            std::string::npos);
}

TEST_F(HandlerTest, RetriesUntilTheDaemonIsThere) {
  startHandler(1);
  std::this_thread::sleep_for(200ms);
  EXPECT_FALSE(handler->connectedToRMI());
  FakeDaemon daemon(daemonPort);
  ASSERT_TRUE(eventually([&] { return daemon.registrations().size() == 1; }));
  EXPECT_TRUE(eventually([&] { return handler->connectedToRMI(); }));
  EXPECT_NE(readFile(dir.file("h1.log")).find("RegistryUnreachable"), std::string::npos);
}

}  // namespace
}  // namespace tev
