// The operations of a handler process (which starts and ends scanner processes for the daemon) as they
// travel: the one place that names them and fixes their arguments. The daemon calls them through
// ScannerProcessHandlerStub at the endpoint the handler registered with; the handler serves them with
// exportScannerProcessHandler.
//
//   op                        args                                        result
//   getCurrentNoOfProcesses   []                                          whole number
//   getHandlerID              []                                          text
//   getMaxNoOfProcesses       []                                          whole number
//   isDeviceProcessPresent    [device name: text]                         true/false
//   startScannerProcess       [device name: text, command line: text]     true/false
//   terminateScannerProcess   [device name: text]                         true/false
#pragma once

namespace tev::rpc::scanner_process_handler_ops {

inline constexpr const char* kGetCurrentNoOfProcesses = "getCurrentNoOfProcesses";
inline constexpr const char* kGetHandlerID = "getHandlerID";
inline constexpr const char* kGetMaxNoOfProcesses = "getMaxNoOfProcesses";
inline constexpr const char* kIsDeviceProcessPresent = "isDeviceProcessPresent";
inline constexpr const char* kStartScannerProcess = "startScannerProcess";
inline constexpr const char* kTerminateScannerProcess = "terminateScannerProcess";

}  // namespace tev::rpc::scanner_process_handler_ops
