#include "rpc/scanner_process_handler_stub.h"

#include <gtest/gtest.h>

#include <map>

#include "rpc/rpc_error.h"
#include "rpc/scanner_process_handler_ops.h"
#include "rpc/scanner_process_handler_skeleton.h"

namespace tev::rpc {
namespace {

// Holds device names instead of processes.
class FakeHandler : public ScannerProcessHandler {
 public:
  int getCurrentNoOfProcesses() override {
    std::lock_guard lock(mutex_);
    return static_cast<int>(processes_.size());
  }
  std::string getHandlerID() override { return "handler-1"; }
  int getMaxNoOfProcesses() override { return 2; }
  bool isDeviceProcessPresent(const std::string& device) override {
    std::lock_guard lock(mutex_);
    return processes_.count(device) > 0;
  }
  bool startScannerProcess(const std::string& device, const std::string& commandLine) override {
    std::lock_guard lock(mutex_);
    processes_[device] = commandLine;
    return true;
  }
  bool terminateScannerProcess(const std::string& device) override {
    std::lock_guard lock(mutex_);
    return processes_.erase(device) > 0;
  }

 private:
  std::mutex mutex_;
  std::map<std::string, std::string> processes_;
};

TEST(ScannerProcessHandlerStub, OperationsRoundTrip) {
  FakeHandler handler;
  RpcServer server("handler-1");
  exportScannerProcessHandler(server, handler);
  server.start();

  ScannerProcessHandlerStub stub(server.endpoint(), "handler-1");
  EXPECT_EQ(stub.getHandlerID(), "handler-1");
  EXPECT_EQ(stub.getMaxNoOfProcesses(), 2);
  EXPECT_EQ(stub.getCurrentNoOfProcesses(), 0);
  EXPECT_TRUE(stub.startScannerProcess("dev7", "java -cp x tev.Main /opt/tev settings.xml dev7 prod"));
  EXPECT_TRUE(stub.isDeviceProcessPresent("dev7"));
  EXPECT_FALSE(stub.isDeviceProcessPresent("dev8"));
  EXPECT_EQ(stub.getCurrentNoOfProcesses(), 1);
  EXPECT_TRUE(stub.terminateScannerProcess("dev7"));
  EXPECT_FALSE(stub.terminateScannerProcess("dev7"));
}

TEST(ScannerProcessHandlerStub, RepliesOfTheWrongTypeAreProtocolErrors) {
  namespace ops = scanner_process_handler_ops;
  RpcServer liar("liar");
  liar.handle(ops::kGetCurrentNoOfProcesses, [](const Json&) { return Json("3"); });
  liar.handle(ops::kGetMaxNoOfProcesses, [](const Json&) { return Json(1LL << 40); });
  liar.handle(ops::kGetHandlerID, [](const Json&) { return Json(7); });
  liar.handle(ops::kIsDeviceProcessPresent, [](const Json&) { return Json(1); });
  liar.start();
  ScannerProcessHandlerStub stub(liar.endpoint(), "liar");
  EXPECT_THROW(stub.getCurrentNoOfProcesses(), ProtocolError);
  EXPECT_THROW(stub.getMaxNoOfProcesses(), ProtocolError);
  EXPECT_THROW(stub.getHandlerID(), ProtocolError);
  EXPECT_THROW(stub.isDeviceProcessPresent("dev7"), ProtocolError);
  EXPECT_THROW(stub.startScannerProcess("dev7", "x"), RemoteError);  // not served at all
}

}  // namespace
}  // namespace tev::rpc
