#include "rpc/torvend_admin_skeleton.h"

#include "rpc/args.h"
#include "rpc/torvend_admin_ops.h"

namespace tev::rpc {

namespace ops = torvend_admin_ops;

void exportTorvendAdmin(RpcServer& server, TorvendAdmin& service) {
  server.handle(ops::kBroadcastMessage, [&service](const Json& json) {
    Args args(ops::kBroadcastMessage, json);
    args.expectCount(2);
    service.broadcastMessage(args.textList(0), args.text(1));
    return Json();
  });
  server.handle(ops::kListScanners, [&service](const Json& json) {
    Args(ops::kListScanners, json).expectCount(0);
    Json devices = Json::array();
    for (const DeviceRecord& device : service.listScanners()) devices.push_back(device.toJson());
    return devices;
  });
  server.handle(ops::kReInitialize, [&service](const Json& json) {
    Args(ops::kReInitialize, json).expectCount(0);
    service.reInitialize();
    return Json();
  });
  server.handle(ops::kRegisterScannerProcessHandler, [&service](const Json& json) {
    Args args(ops::kRegisterScannerProcessHandler, json);
    args.expectCount(2);
    service.registerScannerProcessHandler(args.text(0), args.endpoint(1));
    return Json();
  });
  server.handle(ops::kResetScanner, [&service](const Json& json) {
    Args args(ops::kResetScanner, json);
    args.expectCount(1);
    service.resetScanner(args.text(0));
    return Json();
  });
  server.handle(ops::kSetCurrentSelectedScanner, [&service](const Json& json) {
    Args args(ops::kSetCurrentSelectedScanner, json);
    args.expectCount(1);
    service.setCurrentSelectedScanner(args.text(0));
    return Json();
  });
  server.handle(ops::kSetDeviceUser, [&service](const Json& json) {
    Args args(ops::kSetDeviceUser, json);
    args.expectCount(2);
    service.setDeviceUser(args.text(0), args.text(1));
    return Json();
  });
  server.handle(ops::kShutdown, [&service](const Json& json) {
    Args(ops::kShutdown, json).expectCount(0);
    service.shutdown();
    return Json();
  });
}

}  // namespace tev::rpc
