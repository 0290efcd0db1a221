#include "rpc/rpc_client.h"

#include "common/error.h"
#include "common/tcp.h"
#include "rpc/framed_socket.h"
#include "rpc/rpc_error.h"

namespace tev::rpc {

RpcClient::RpcClient(Endpoint endpoint, std::string name, CallOptions options, Target target)
    : endpoint_(std::move(endpoint)), name_(std::move(name)), options_(options), target_(target) {}

Fd RpcClient::connect(const std::string& op) const {
  const auto started = std::chrono::steady_clock::now();
  try {
    const bool unlimited = FramedSocket::deadlineAfter(options_.connectTimeout) == FramedSocket::kNoDeadline;
    return tcpConnect(endpoint_.host, endpoint_.port, unlimited ? kNoTimeout : options_.connectTimeout);
  } catch (const Error& e) {
    const bool timedOut = options_.connectTimeout.count() >= 0 &&
                          std::chrono::steady_clock::now() - started >= options_.connectTimeout;
    if (target_ == Target::kRegistry) {
      throw RegistryUnreachable("naming registry unreachable: " + std::string(e.what()));
    }
    if (timedOut) throw CallTimeout("call of " + op + " on " + name_ + " timed out: " + e.what());
    throw CallRefused("call of " + op + " on " + name_ + " refused: " + e.what());
  }
}

Json RpcClient::call(const std::string& op, const Json& args) const {
  const std::string what = "call of " + op + " on " + name_ + " at " + endpoint_.toString();
  if (!args.is_array()) throw ProtocolError(what + ": the arguments are not a list");
  const Json request{{"op", op}, {"args", args}};
  FramedSocket socket(connect(op));
  const auto deadline = FramedSocket::deadlineAfter(options_.replyTimeout);
  const auto timedOut = [&] {
    return CallTimeout(what + " timed out: no reply within " + std::to_string(options_.replyTimeout.count()) +
                       " ms");
  };

  FramedSocket::Status status;
  try {
    status = socket.write(request, deadline);
  } catch (const ProtocolError& e) {
    throw ProtocolError(what + ": " + e.what());
  }
  if (status == FramedSocket::Status::kTimeout) throw timedOut();
  if (status != FramedSocket::Status::kDone) {
    throw ConnectionLost(what + " broke off before the request was sent: " + socket.cause());
  }

  Json reply;
  try {
    status = socket.read(reply, deadline);
  } catch (const ProtocolError& e) {
    throw ProtocolError(what + ": bad reply: " + e.what());
  }
  if (status == FramedSocket::Status::kTimeout) throw timedOut();
  if (status != FramedSocket::Status::kDone) {
    throw ConnectionLost(what + " broke off before the reply: " + socket.cause());
  }

  if (auto error = reply.find("error"); error != reply.end()) {
    if (!error->is_string()) throw ProtocolError(what + ": bad reply: \"error\" is not a text");
    throw RemoteError(error->get<std::string>());
  }
  auto ok = reply.find("ok");
  if (ok == reply.end()) throw ProtocolError(what + ": bad reply: neither \"ok\" nor \"error\"");
  return std::move(*ok);
}

}  // namespace tev::rpc
