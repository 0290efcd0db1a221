// The operations of the daemon's administration service as they travel: the one place that names them and
// fixes the order of their arguments. Both the client side (TorvendAdminStub) and the serving side
// (exportTorvendAdmin) are built from this table.
//
//   op                             args                                             result
//   broadcastMessage               [devices: list of text, message: text]           null
//   listScanners                   []                                               list of DeviceRecord
//   reInitialize                   []                                               null
//   registerScannerProcessHandler  [handler id: text, handler: endpoint]            null
//   resetScanner                   [device name or IP address: text]                null
//   setCurrentSelectedScanner      [device name or IP address: text]                null
//   setDeviceUser                  [user name: text, device name: text]             null
//   shutdown                       []                                               null (the daemon normally
//                                                                                    ends without answering)
//
// A device list keeps its order; a handler travels as its endpoint (Endpoint::toJson), the reference the
// daemon calls back through; DeviceRecord::toJson gives the layout of one device of listScanners.
#pragma once

namespace tev::rpc::torvend_admin_ops {

// The name the service is bound under in the naming registry, and looked up under by every client.
inline constexpr const char* kServiceName = "TorvendAdminServer";

inline constexpr const char* kBroadcastMessage = "broadcastMessage";
inline constexpr const char* kListScanners = "listScanners";
inline constexpr const char* kReInitialize = "reInitialize";
inline constexpr const char* kRegisterScannerProcessHandler = "registerScannerProcessHandler";
inline constexpr const char* kResetScanner = "resetScanner";
inline constexpr const char* kSetCurrentSelectedScanner = "setCurrentSelectedScanner";
inline constexpr const char* kSetDeviceUser = "setDeviceUser";
inline constexpr const char* kShutdown = "shutdown";

}  // namespace tev::rpc::torvend_admin_ops
