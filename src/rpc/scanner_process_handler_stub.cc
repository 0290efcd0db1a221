#include "rpc/scanner_process_handler_stub.h"

#include <limits>

#include "rpc/rpc_error.h"
#include "rpc/scanner_process_handler_ops.h"

namespace tev::rpc {

namespace ops = scanner_process_handler_ops;

namespace {

int wholeNumber(const Json& result, const char* op) {
  if (!result.is_number_integer() || result.get<long long>() < std::numeric_limits<int>::min() ||
      result.get<long long>() > std::numeric_limits<int>::max()) {
    throw ProtocolError(std::string("bad reply to ") + op + ": not a whole number");
  }
  return static_cast<int>(result.get<long long>());
}

bool truth(const Json& result, const char* op) {
  if (!result.is_boolean()) throw ProtocolError(std::string("bad reply to ") + op + ": not true or false");
  return result.get<bool>();
}

}  // namespace

int ScannerProcessHandlerStub::getCurrentNoOfProcesses() {
  return wholeNumber(client_.call(ops::kGetCurrentNoOfProcesses), ops::kGetCurrentNoOfProcesses);
}

std::string ScannerProcessHandlerStub::getHandlerID() {
  Json result = client_.call(ops::kGetHandlerID);
  if (!result.is_string())
    throw ProtocolError(std::string("bad reply to ") + ops::kGetHandlerID + ": not a text");
  return result.get<std::string>();
}

int ScannerProcessHandlerStub::getMaxNoOfProcesses() {
  return wholeNumber(client_.call(ops::kGetMaxNoOfProcesses), ops::kGetMaxNoOfProcesses);
}

bool ScannerProcessHandlerStub::isDeviceProcessPresent(const std::string& device) {
  return truth(client_.call(ops::kIsDeviceProcessPresent, Json::array({device})),
               ops::kIsDeviceProcessPresent);
}

bool ScannerProcessHandlerStub::startScannerProcess(const std::string& device,
                                                    const std::string& commandLine) {
  return truth(client_.call(ops::kStartScannerProcess, Json::array({device, commandLine})),
               ops::kStartScannerProcess);
}

bool ScannerProcessHandlerStub::terminateScannerProcess(const std::string& device) {
  return truth(client_.call(ops::kTerminateScannerProcess, Json::array({device})),
               ops::kTerminateScannerProcess);
}

}  // namespace tev::rpc
