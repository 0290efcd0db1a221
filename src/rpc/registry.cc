#include "rpc/registry.h"

#include "rpc/args.h"
#include "rpc/registry_ops.h"
#include "rpc/rpc_error.h"

namespace tev::rpc {

namespace ops = registry_ops;

Registry::Registry(int port) : server_(ops::kRegistryName, port) {
  server_.handle(ops::kBind, [this](const Json& json) {
    Args args(ops::kBind, json);
    args.expectCount(2);
    std::lock_guard lock(mutex_);
    return Json(bindings_.emplace(args.text(0), args.endpoint(1)).second);
  });
  server_.handle(ops::kRebind, [this](const Json& json) {
    Args args(ops::kRebind, json);
    args.expectCount(2);
    rebind(args.text(0), args.endpoint(1));
    return Json();
  });
  server_.handle(ops::kUnbind, [this](const Json& json) {
    Args args(ops::kUnbind, json);
    args.expectCount(1);
    std::lock_guard lock(mutex_);
    return Json(bindings_.erase(args.text(0)) > 0);
  });
  server_.handle(ops::kLookup, [this](const Json& json) {
    Args args(ops::kLookup, json);
    args.expectCount(1);
    std::lock_guard lock(mutex_);
    auto found = bindings_.find(args.text(0));
    return found == bindings_.end() ? Json() : found->second.toJson();
  });
  server_.handle(ops::kList, [this](const Json& json) {
    Args(ops::kList, json).expectCount(0);
    return Json(list());
  });
  server_.start();
}

Registry::~Registry() {
  server_.stop();
}

void Registry::bind(const std::string& name, const Endpoint& endpoint) {
  std::lock_guard lock(mutex_);
  if (!bindings_.emplace(name, endpoint).second) throw AlreadyBound("name already bound: " + name);
}

void Registry::rebind(const std::string& name, const Endpoint& endpoint) {
  std::lock_guard lock(mutex_);
  bindings_.insert_or_assign(name, endpoint);
}

void Registry::unbind(const std::string& name) {
  std::lock_guard lock(mutex_);
  if (bindings_.erase(name) == 0) throw NotBound("name not bound: " + name);
}

Endpoint Registry::lookup(const std::string& name) const {
  std::lock_guard lock(mutex_);
  auto found = bindings_.find(name);
  if (found == bindings_.end()) throw NotBound("name not bound: " + name);
  return found->second;
}

std::vector<std::string> Registry::list() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  names.reserve(bindings_.size());
  for (const auto& [name, endpoint] : bindings_) names.push_back(name);
  return names;
}

}  // namespace tev::rpc
