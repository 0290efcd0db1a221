#include "rpc/scanner_process_handler_skeleton.h"

#include "rpc/args.h"
#include "rpc/scanner_process_handler_ops.h"

namespace tev::rpc {

namespace ops = scanner_process_handler_ops;

void exportScannerProcessHandler(RpcServer& server, ScannerProcessHandler& handler) {
  server.handle(ops::kGetCurrentNoOfProcesses, [&handler](const Json& json) {
    Args(ops::kGetCurrentNoOfProcesses, json).expectCount(0);
    return Json(handler.getCurrentNoOfProcesses());
  });
  server.handle(ops::kGetHandlerID, [&handler](const Json& json) {
    Args(ops::kGetHandlerID, json).expectCount(0);
    return Json(handler.getHandlerID());
  });
  server.handle(ops::kGetMaxNoOfProcesses, [&handler](const Json& json) {
    Args(ops::kGetMaxNoOfProcesses, json).expectCount(0);
    return Json(handler.getMaxNoOfProcesses());
  });
  server.handle(ops::kIsDeviceProcessPresent, [&handler](const Json& json) {
    Args args(ops::kIsDeviceProcessPresent, json);
    args.expectCount(1);
    return Json(handler.isDeviceProcessPresent(args.text(0)));
  });
  server.handle(ops::kStartScannerProcess, [&handler](const Json& json) {
    Args args(ops::kStartScannerProcess, json);
    args.expectCount(2);
    return Json(handler.startScannerProcess(args.text(0), args.text(1)));
  });
  server.handle(ops::kTerminateScannerProcess, [&handler](const Json& json) {
    Args args(ops::kTerminateScannerProcess, json);
    args.expectCount(1);
    return Json(handler.terminateScannerProcess(args.text(0)));
  });
}

}  // namespace tev::rpc
