// Calls the operations of one remote object at a known endpoint. Each call opens its own connection,
// sends one request and waits for its reply, so a client can be shared by threads and a call never
// repeats by accident on a connection of an earlier one.
//
// Failures are RemoteCallError subclasses: CallRefused (nothing serves the endpoint), CallTimeout (no
// connection or no reply in time), ConnectionLost (the connection ended before the reply: the server's
// process ended), ProtocolError (a reply that is not of our protocol), RemoteError (the operation
// failed; the message is the remote error text, unchanged).
#pragma once

#include <chrono>
#include <string>

#include "common/fd.h"
#include "rpc/endpoint.h"
#include "rpc/frame.h"

namespace tev::rpc {

struct CallOptions {
  // For establishing the connection.
  std::chrono::milliseconds connectTimeout{5'000};
  // For sending the request and receiving the reply; kNoTimeout waits without a limit.
  std::chrono::milliseconds replyTimeout{60'000};
};

class RpcClient {
 public:
  // What the endpoint serves: a remote object, or a naming registry (whose unreachability is
  // RegistryUnreachable rather than CallRefused).
  enum class Target { kObject, kRegistry };

  // name: the remote object's name, for messages.
  RpcClient(Endpoint endpoint, std::string name, CallOptions options = {}, Target target = Target::kObject);

  // Calls op with the argument list (a JSON array) and returns its result (null for "no result").
  Json call(const std::string& op, const Json& args = Json::array()) const;

  const Endpoint& endpoint() const { return endpoint_; }
  const std::string& name() const { return name_; }
  const CallOptions& options() const { return options_; }

 private:
  Fd connect(const std::string& op) const;

  Endpoint endpoint_;
  std::string name_;
  CallOptions options_;
  Target target_;
};

}  // namespace tev::rpc
