// A naming registry hosted inside the process that creates it (the daemon creates one at start-up):
// names of remote objects mapped to their endpoints, served on a loopback port so other processes on the
// machine can bind and look names up (registry_client.h). The owner uses the same table directly.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "rpc/endpoint.h"
#include "rpc/rpc_server.h"

namespace tev::rpc {

class Registry {
 public:
  // Creates the registry and serves it on 127.0.0.1 port (0: an ephemeral port, see port()). Throws
  // tev::Error when the port cannot be bound (another registry holds it).
  explicit Registry(int port);
  ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  int port() const { return server_.port(); }

  // Binds name; AlreadyBound when it is bound.
  void bind(const std::string& name, const Endpoint& endpoint);
  // Binds name, replacing any earlier binding.
  void rebind(const std::string& name, const Endpoint& endpoint);
  // Removes name; NotBound when it is not bound.
  void unbind(const std::string& name);
  // The endpoint bound to name; NotBound when there is none.
  Endpoint lookup(const std::string& name) const;
  // Every bound name, in ascending order.
  std::vector<std::string> list() const;

  // Stops serving (the destructor does it too); the table stays usable in-process.
  void stop() { server_.stop(); }

 private:
  mutable std::mutex mutex_;
  std::map<std::string, Endpoint> bindings_;
  // Last, so it stops before the table goes.
  RpcServer server_;
};

}  // namespace tev::rpc
