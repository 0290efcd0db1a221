// A client of the naming registry of this machine at a given port, and the usual first step of every
// remote call: lookup(port, name) gives a client of the object bound under that name.
//
// Failures: RegistryUnreachable (nothing serves the port), NotBound (lookup or unbind of an unbound
// name), AlreadyBound (bind of a bound name), and the other RemoteCallError subclasses of RpcClient.
#pragma once

#include <string>
#include <vector>

#include "rpc/endpoint.h"
#include "rpc/rpc_client.h"

namespace tev::rpc {

class RegistryClient {
 public:
  // The registry on 127.0.0.1 at port.
  explicit RegistryClient(int port, CallOptions options = {});

  void bind(const std::string& name, const Endpoint& endpoint) const;
  void rebind(const std::string& name, const Endpoint& endpoint) const;
  void unbind(const std::string& name) const;
  Endpoint lookup(const std::string& name) const;
  std::vector<std::string> list() const;

  int port() const { return client_.endpoint().port; }

 private:
  RpcClient client_;
};

// Looks name up in the registry on 127.0.0.1 at registryPort and returns a client of the bound object
// (using the same options for its calls).
RpcClient lookup(int registryPort, const std::string& name, CallOptions options = {});

}  // namespace tev::rpc
