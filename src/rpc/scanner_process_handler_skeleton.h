// The serving side of a handler process: the six operations of scanner_process_handler_ops.h added to a
// server, each checking and decoding its arguments and calling the implementation.
#pragma once

#include "rpc/rpc_server.h"
#include "rpc/scanner_process_handler.h"

namespace tev::rpc {

// handler must outlive the server's serving. Call before server.start().
void exportScannerProcessHandler(RpcServer& server, ScannerProcessHandler& handler);

}  // namespace tev::rpc
