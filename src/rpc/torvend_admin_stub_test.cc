#include "rpc/torvend_admin_stub.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "rpc/registry.h"
#include "rpc/rpc_error.h"
#include "rpc/rpc_test_support.h"
#include "rpc/torvend_admin_ops.h"
#include "rpc/torvend_admin_skeleton.h"

namespace tev::rpc {
namespace {

// Records every call as one line; fails the ones the test asks for.
class RecordingAdmin : public TorvendAdmin {
 public:
  void broadcastMessage(const std::vector<std::string>& devices, const std::string& message) override {
    std::string line = "broadcastMessage";
    for (const auto& device : devices) line += " " + device;
    record(line + " / " + message);
  }
  std::vector<DeviceRecord> listScanners() override {
    record("listScanners");
    return devices;
  }
  void reInitialize() override { record("reInitialize"); }
  void registerScannerProcessHandler(const std::string& handlerId, const Endpoint& handler) override {
    record("registerScannerProcessHandler " + handlerId + " " + handler.toString());
  }
  void resetScanner(const std::string& device) override { record("resetScanner " + device); }
  void setCurrentSelectedScanner(const std::string& device) override {
    record("setCurrentSelectedScanner " + device);
  }
  void setDeviceUser(const std::string& userName, const std::string& deviceName) override {
    record("setDeviceUser [" + userName + "] [" + deviceName + "]");
  }
  void shutdown() override { record("shutdown"); }

  std::vector<std::string> takeCalls() {
    std::lock_guard lock(mutex_);
    return std::exchange(calls_, {});
  }

  std::vector<DeviceRecord> devices;
  std::string failWith;

 private:
  void record(const std::string& line) {
    {
      std::lock_guard lock(mutex_);
      calls_.push_back(line);
    }
    if (!failWith.empty()) throw Error(failWith);
  }
  std::mutex mutex_;
  std::vector<std::string> calls_;
};

// The daemon's arrangement: a registry in the process, the service on its own port bound by name.
class TorvendAdminStubTest : public ::testing::Test {
 protected:
  TorvendAdminStubTest() : registry_(0), server_(torvend_admin_ops::kServiceName) {
    exportTorvendAdmin(server_, admin_);
    server_.start();
    registry_.rebind(torvend_admin_ops::kServiceName, server_.endpoint());
  }

  RecordingAdmin admin_;
  Registry registry_;
  RpcServer server_;
};

TEST_F(TorvendAdminStubTest, EveryOperationArrivesWithItsArguments) {
  auto stub = TorvendAdminStub::lookup(registry_.port());
  stub->broadcastMessage({"d2", "10.0.0.7", "d1"}, "Stock count at 3 pm");
  stub->reInitialize();
  stub->registerScannerProcessHandler("handler-1", Endpoint{"127.0.0.1", 4321});
  stub->resetScanner("dev7");
  stub->setCurrentSelectedScanner("10.0.0.7");
  stub->setDeviceUser("ann", "dev7");
  stub->setDeviceUser(" ", "dev7");
  stub->shutdown();
  EXPECT_EQ(admin_.takeCalls(), (std::vector<std::string>{
                                    "broadcastMessage d2 10.0.0.7 d1 / Stock count at 3 pm",
                                    "reInitialize",
                                    "registerScannerProcessHandler handler-1 127.0.0.1 port 4321",
                                    "resetScanner dev7",
                                    "setCurrentSelectedScanner 10.0.0.7",
                                    "setDeviceUser [ann] [dev7]",
                                    "setDeviceUser [ ] [dev7]",
                                    "shutdown",
                                }));
}

TEST_F(TorvendAdminStubTest, ListScannersKeepsTheDaemonsOrderAndValues) {
  admin_.devices = {
      DeviceRecord{"dev7", "10.0.0.7", "Generic", "prod", "ann", 1500, true},
      DeviceRecord{"dev1", "10.0.0.1", "simulated", "", std::nullopt, 0, false},
  };
  EXPECT_EQ(TorvendAdminStub::lookup(registry_.port())->listScanners(), admin_.devices);
}

TEST_F(TorvendAdminStubTest, FailuresReachTheCaller) {
  admin_.failWith = "Error while processing the administrative request";
  auto stub = TorvendAdminStub::lookup(registry_.port());
  try {
    stub->setDeviceUser("ann", "dev7");
    ADD_FAILURE() << "no error";
  } catch (const RemoteError& e) {
    EXPECT_EQ(std::string(e.what()), "Error while processing the administrative request");
  }
  // Arguments that do not fit are refused before the service sees them.
  admin_.takeCalls();
  EXPECT_THROW(stub->client().call(torvend_admin_ops::kSetDeviceUser, Json::array({"ann"})), RemoteError);
  EXPECT_THROW(stub->client().call(torvend_admin_ops::kBroadcastMessage, Json::array({"d1", "hello"})),
               RemoteError);
  EXPECT_TRUE(admin_.takeCalls().empty());
}

TEST_F(TorvendAdminStubTest, NoServiceToFind) {
  registry_.unbind(torvend_admin_ops::kServiceName);
  EXPECT_THROW(TorvendAdminStub::lookup(registry_.port()), NotBound);
  // No daemon at all: what a scanner process logs as "Failed to register with torvend".
  EXPECT_THROW(TorvendAdminStub::lookup(testing::unusedPort()), RegistryUnreachable);
}

TEST(DeviceRecord, BadRecordsAreProtocolErrors) {
  const Json good = DeviceRecord{"dev7", "10.0.0.7", "Generic", "prod", std::nullopt, 0, true}.toJson();
  EXPECT_EQ(DeviceRecord::fromJson(good).userName, std::nullopt);
  for (const char* key :
       {"name", "ipAddress", "type", "environment", "userName", "lastInputInterval", "connected"}) {
    SCOPED_TRACE(key);
    Json missing = good;
    missing.erase(key);
    EXPECT_THROW(DeviceRecord::fromJson(missing), ProtocolError);
    Json wrong = good;
    wrong[key] = Json::array();
    EXPECT_THROW(DeviceRecord::fromJson(wrong), ProtocolError);
  }
  EXPECT_THROW(DeviceRecord::fromJson(Json::array()), ProtocolError);
}

}  // namespace
}  // namespace tev::rpc
