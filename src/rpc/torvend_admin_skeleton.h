// The serving side of the administration service: the eight operations of torvend_admin_ops.h added to a
// server, each checking and decoding its arguments and calling the implementation. Bad arguments are
// refused (the caller gets a RemoteError) before the implementation is called.
#pragma once

#include "rpc/rpc_server.h"
#include "rpc/torvend_admin.h"

namespace tev::rpc {

// service must outlive the server's serving. Call before server.start().
void exportTorvendAdmin(RpcServer& server, TorvendAdmin& service);

}  // namespace tev::rpc
