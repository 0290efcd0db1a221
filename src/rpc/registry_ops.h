// The operations of the naming registry, shared by the registry (registry.h) and its clients
// (registry_client.h).
//
//   bind   [name: text, endpoint]  -> true, or false when the name is already bound (nothing changes)
//   rebind [name: text, endpoint]  -> null; replaces any earlier binding
//   unbind [name: text]            -> true, or false when the name was not bound
//   lookup [name: text]            -> the endpoint, or null when the name is not bound
//   list   []                      -> the bound names (list of texts, in ascending order)
//
// An endpoint travels as Endpoint::toJson gives it.
#pragma once

namespace tev::rpc::registry_ops {

inline constexpr const char* kBind = "bind";
inline constexpr const char* kRebind = "rebind";
inline constexpr const char* kUnbind = "unbind";
inline constexpr const char* kLookup = "lookup";
inline constexpr const char* kList = "list";

// The registry's own name in messages and log lines.
inline constexpr const char* kRegistryName = "naming registry";

}  // namespace tev::rpc::registry_ops
