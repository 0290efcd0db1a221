#include "daemon/scanner_process_handlers.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <thread>

#include "daemon/daemon_test_support.h"
#include "daemon/emulator_listener.h"
#include "daemon/emulator_thread.h"
#include "rpc/rpc_error.h"

namespace tev {
namespace {

using namespace std::chrono_literals;

// A handler that holds device names instead of processes; fail makes every call fail as a remote call
// to a vanished handler would.
class FakeHandler : public rpc::ScannerProcessHandler {
 public:
  FakeHandler(std::string id, int capacity) : id_(std::move(id)), capacity_(capacity) {}

  int getCurrentNoOfProcesses() override {
    check();
    std::lock_guard lock(mutex_);
    return static_cast<int>(held_.size());
  }
  std::string getHandlerID() override {
    check();
    return id_;
  }
  int getMaxNoOfProcesses() override {
    check();
    return capacity_;
  }
  bool isDeviceProcessPresent(const std::string& device) override {
    check();
    std::lock_guard lock(mutex_);
    return std::find(held_.begin(), held_.end(), device) != held_.end();
  }
  bool startScannerProcess(const std::string& device, const std::string&) override {
    check();
    std::lock_guard lock(mutex_);
    held_.push_back(device);
    return true;
  }
  bool terminateScannerProcess(const std::string& device) override {
    check();
    std::lock_guard lock(mutex_);
    terminated_.push_back(device);
    return std::erase(held_, device) > 0;
  }

  std::vector<std::string> terminated() {
    std::lock_guard lock(mutex_);
    return terminated_;
  }
  void hold(const std::string& device) {
    std::lock_guard lock(mutex_);
    held_.push_back(device);
  }
  bool fail = false;

 private:
  void check() const {
    if (fail) throw rpc::CallRefused("call on " + id_ + " refused: connection refused");
  }

  std::string id_;
  int capacity_;
  std::mutex mutex_;
  std::vector<std::string> held_;
  std::vector<std::string> terminated_;
};

std::string readAll(int fd) {
  return testing::readAll(fd, 2000ms);
}

class HandlersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.settings["use_sockets_with_scanner_process"] = "yes";
    tree.write();
    log = std::make_unique<SystemLogImpl>(tree.logDir());
    data = TorvendData::load(*log, tree.settingsPath(), std::nullopt);
    log->initialize(data.get());
    for (const DeviceListEntry& entry : data->deviceListEntries())
      data->devices.add(std::make_shared<Device>(entry));
  }
  std::string mainLog() { return testing::readFile(tree.dir.file("torvend.log")); }

  testing::DaemonTree tree;
  std::unique_ptr<SystemLogImpl> log;
  std::unique_ptr<TorvendData> data;
  ScannerProcessHandlers handlers;
};

TEST_F(HandlersTest, TableIsInIdOrderAndALaterRegistrationReplaces) {
  auto b = std::make_shared<FakeHandler>("B", 1);
  handlers.registerScannerProcessHandler("B", b);
  handlers.registerScannerProcessHandler("A", std::make_shared<FakeHandler>("A", 1));
  auto again = std::make_shared<FakeHandler>("A", 3);
  handlers.registerScannerProcessHandler("A", again);
  auto table = handlers.snapshot();
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].first, "A");
  EXPECT_EQ(table[0].second, again);
  EXPECT_EQ(table[1].second, b);
}

TEST_F(HandlersTest, SessionEndEndsTheProcessThroughItsHolder) {
  auto gone = std::make_shared<FakeHandler>("A", 1);
  gone->fail = true;
  auto other = std::make_shared<FakeHandler>("B", 1);
  auto holder = std::make_shared<FakeHandler>("C", 1);
  holder->hold("dev1");
  handlers.registerScannerProcessHandler("A", gone);
  handlers.registerScannerProcessHandler("B", other);
  handlers.registerScannerProcessHandler("C", holder);

  EmulatorThread thread(*log, *data, "1", &handlers);
  DevicePtr device = data->devices.byName("dev1");
  device->connected = true;
  thread.disconnectScannerDevice(*device);
  EXPECT_EQ(holder->terminated(), std::vector<std::string>{"dev1"});
  EXPECT_TRUE(other->terminated().empty());
  EXPECT_FALSE(device->connected);
  std::string text = mainLog();
  EXPECT_NE(text.find("Error in terminating scanner process: call on A refused"), std::string::npos);
  EXPECT_NE(text.find("EmulatorThread: terminated from Processor :C"), std::string::npos);
}

TEST_F(HandlersTest, ScannerIsRefusedWhenNoHandlerHasRoom) {
  auto gone = std::make_shared<FakeHandler>("A", 5);
  gone->fail = true;
  auto full = std::make_shared<FakeHandler>("B", 1);
  full->hold("dev9");
  DaemonWaits waits;
  waits.setup = 0ms;
  EmulatorListener listener(*log, *data, waits, "/bin/false");
  listener.scannerProcessHandlers().registerScannerProcessHandler("A", gone);
  listener.scannerProcessHandlers().registerScannerProcessHandler("B", full);
  listener.start();
  for (int i = 0; i < 200 && listener.port() == 0; ++i) std::this_thread::sleep_for(10ms);
  ASSERT_NE(listener.port(), 0);

  // dev1's scanner, from its address.
  Fd scanner(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in from{};
  from.sin_family = AF_INET;
  ::inet_pton(AF_INET, "127.0.0.2", &from.sin_addr);
  ASSERT_EQ(::bind(scanner.get(), reinterpret_cast<sockaddr*>(&from), sizeof from), 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(listener.port()));
  ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
  ASSERT_EQ(::connect(scanner.get(), reinterpret_cast<sockaddr*>(&to), sizeof to), 0);

  EXPECT_EQ(readAll(scanner.get()), "Connecting...\r\nHandlers Capacity Reached. Please contact Support\r\n");
  listener.stop();
  DevicePtr device = data->devices.byName("dev1");
  EXPECT_FALSE(device->connected);
  EXPECT_FALSE(device->scannerSocket);
  std::string text = mainLog();
  EXPECT_NE(text.find("Scanner process handler A passed over: call on A refused"), std::string::npos);
  EXPECT_EQ(text.find("Started By Process"), std::string::npos);
}

}  // namespace
}  // namespace tev
