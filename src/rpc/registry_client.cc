#include "rpc/registry_client.h"

#include "rpc/registry_ops.h"
#include "rpc/rpc_error.h"

namespace tev::rpc {

namespace ops = registry_ops;

RegistryClient::RegistryClient(int port, CallOptions options)
    : client_(Endpoint{kLoopbackHost, port}, ops::kRegistryName, options, RpcClient::Target::kRegistry) {}

void RegistryClient::bind(const std::string& name, const Endpoint& endpoint) const {
  Json bound = client_.call(ops::kBind, Json::array({name, endpoint.toJson()}));
  if (!bound.is_boolean()) throw ProtocolError("bad reply of the naming registry to bind");
  if (!bound.get<bool>()) throw AlreadyBound("name already bound: " + name);
}

void RegistryClient::rebind(const std::string& name, const Endpoint& endpoint) const {
  client_.call(ops::kRebind, Json::array({name, endpoint.toJson()}));
}

void RegistryClient::unbind(const std::string& name) const {
  Json removed = client_.call(ops::kUnbind, Json::array({name}));
  if (!removed.is_boolean()) throw ProtocolError("bad reply of the naming registry to unbind");
  if (!removed.get<bool>()) throw NotBound("name not bound: " + name);
}

Endpoint RegistryClient::lookup(const std::string& name) const {
  Json found = client_.call(ops::kLookup, Json::array({name}));
  if (found.is_null()) throw NotBound("name not bound: " + name);
  try {
    return Endpoint::fromJson(found);
  } catch (const ProtocolError& e) {
    throw ProtocolError("bad reply of the naming registry to lookup: " + std::string(e.what()));
  }
}

std::vector<std::string> RegistryClient::list() const {
  Json names = client_.call(ops::kList);
  std::vector<std::string> result;
  if (!names.is_array()) throw ProtocolError("bad reply of the naming registry to list");
  for (const Json& name : names) {
    if (!name.is_string()) throw ProtocolError("bad reply of the naming registry to list");
    result.push_back(name.get<std::string>());
  }
  return result;
}

RpcClient lookup(int registryPort, const std::string& name, CallOptions options) {
  return RpcClient(RegistryClient(registryPort, options).lookup(name), name, options);
}

}  // namespace tev::rpc
