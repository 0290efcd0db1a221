// The administration service as the daemon runs it: a naming registry created inside the daemon on the
// registry port, and the TorvendAdminServer served on an ephemeral loopback port and bound in that registry
// under admin_server_object_name (replacing an earlier binding). Clients find it under "TorvendAdminServer".
//
// When it goes (the daemon ends), it first waits a moment for the calls under way to be answered (the
// shutdown call in particular), then stops serving.
#pragma once

#include <chrono>
#include <memory>

#include "daemon/torvend_admin_server.h"
#include "rpc/registry.h"
#include "rpc/rpc_server.h"

namespace tev {

class Torvend;

class TorvendAdminService {
 public:
  // How long the end waits for the calls under way.
  static constexpr std::chrono::milliseconds kDrainTime{3000};

  // Creates the registry on registryPort, serves the server and binds it as name. Throws tev::Error when
  // the registry or the service cannot be served.
  TorvendAdminService(int registryPort, const std::string& name, SystemLog& log, TorvendNotifier& notifier);
  ~TorvendAdminService();
  TorvendAdminService(const TorvendAdminService&) = delete;
  TorvendAdminService& operator=(const TorvendAdminService&) = delete;

  // The daemon's service (Torvend::Service): publishes the administration service of the running daemon on
  // its registry port, passes the handler registrations it receives on to the scanner listener, and keeps it
  // with the daemon. A failure is logged ("Exception in creation of the
  // Administartion remote object: ") and start-up goes on without it.
  static void start(Torvend& torvend);

  TorvendAdminServer& server() { return *server_; }
  int registryPort() const { return registry_.port(); }
  rpc::Endpoint endpoint() const { return rpcServer_.endpoint(); }

 private:
  std::unique_ptr<TorvendAdminServer> server_;
  rpc::RpcServer rpcServer_;
  rpc::Registry registry_;
};

}  // namespace tev
