// A handler process's remote interface: the handler implements it (and serves it with
// exportScannerProcessHandler); the daemon reaches each registered handler through a
// ScannerProcessHandlerStub, whose operations may fail with a RemoteCallError.
#pragma once

#include <string>

namespace tev::rpc {

class ScannerProcessHandler {
 public:
  virtual ~ScannerProcessHandler() = default;

  virtual int getCurrentNoOfProcesses() = 0;
  virtual std::string getHandlerID() = 0;
  virtual int getMaxNoOfProcesses() = 0;
  virtual bool isDeviceProcessPresent(const std::string& device) = 0;
  virtual bool startScannerProcess(const std::string& device, const std::string& commandLine) = 0;
  virtual bool terminateScannerProcess(const std::string& device) = 0;
};

}  // namespace tev::rpc
