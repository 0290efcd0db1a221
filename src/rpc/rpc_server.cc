#include "rpc/rpc_server.h"

#include <poll.h>

#include <cerrno>
#include <cstring>

#include "common/error.h"
#include "common/log.h"
#include "rpc/framed_socket.h"
#include "rpc/rpc_error.h"

namespace tev::rpc {

namespace {

log::Logger logger() {
  return log::get("tev.rpc");
}

Json errorReply(const std::string& text) {
  return Json{{"error", text}};
}

}  // namespace

RpcServer::RpcServer(std::string name, int port) : name_(std::move(name)), port_(port) {}

RpcServer::~RpcServer() {
  stop();
}

void RpcServer::handle(const std::string& op, Handler handler) {
  if (started_) throw Error("cannot add operation " + op + " to " + name_ + ": it is already serving");
  handlers_[op] = std::move(handler);
}

void RpcServer::start() {
  if (started_) throw Error("cannot start " + name_ + " twice");
  ignoreSigpipe();
  listener_ = TcpListener::listen(port_, /*loopbackOnly=*/true);
  port_ = listener_.port();
  wake_ = makePipe();
  started_ = true;
  running_ = true;
  acceptor_ = std::thread([this] { acceptLoop(); });
  logger()->debug("{} serving on {}", name_, endpoint().toString());
}

void RpcServer::stop() {
  if (!running_.exchange(false)) return;
  // The wake pipe is never drained: once written, every wait of every serving thread ends.
  try {
    writeAll(wake_.writeEnd.get(), "x");
  } catch (const Error& e) {
    logger()->error("{}: cannot wake the serving threads: {}", name_, e.what());
  }
  if (acceptor_.joinable()) acceptor_.join();
  listener_.close();
  reap(/*all=*/true);
  logger()->debug("{} stopped", name_);
}

bool RpcServer::waitUntilIdle(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    reap(/*all=*/false);
    {
      std::lock_guard lock(connectionsMutex_);
      if (connections_.empty()) return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void RpcServer::reap(bool all) {
  std::list<std::unique_ptr<Connection>> finished;
  {
    std::lock_guard lock(connectionsMutex_);
    for (auto it = connections_.begin(); it != connections_.end();) {
      if (all || (*it)->done) {
        finished.push_back(std::move(*it));
        it = connections_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& connection : finished) {
    if (connection->thread.joinable()) connection->thread.join();
  }
}

void RpcServer::acceptLoop() {
  for (;;) {
    pollfd fds[2] = {{listener_.fd(), POLLIN, 0}, {wake_.readEnd.get(), POLLIN, 0}};
    int ready = ::poll(fds, 2, -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      logger()->error("{}: cannot wait for connections: {}", name_, std::strerror(errno));
      return;
    }
    if (fds[1].revents != 0) return;
    std::optional<AcceptedConnection> accepted;
    try {
      accepted = listener_.acceptWithPeer(std::chrono::milliseconds(0));
    } catch (const Error& e) {
      // Out of descriptors and the like: say so, and give the system a moment before the next try.
      logger()->error("{}: {}", name_, e.what());
      pollfd wake{wake_.readEnd.get(), POLLIN, 0};
      if (::poll(&wake, 1, 100) > 0) return;
      continue;
    }
    if (!accepted) continue;
    reap(/*all=*/false);
    std::lock_guard lock(connectionsMutex_);
    if (connections_.size() >= kMaxConnections) {
      logger()->warn("{}: too many connections, closing the one from {}", name_, accepted->peerAddress);
      continue;
    }
    auto connection = std::make_unique<Connection>();
    Connection* self = connection.get();
    const std::string peer = accepted->peerAddress + " port " + std::to_string(accepted->peerPort);
    try {
      self->thread = std::thread(
          [this, fd = std::move(accepted->fd), peer, self]() mutable { serve(std::move(fd), peer, self); });
    } catch (const std::system_error& e) {
      logger()->error("{}: cannot start a thread for {}: {}", name_, peer, e.what());
      continue;
    }
    connections_.push_back(std::move(connection));
  }
}

void RpcServer::serve(Fd fd, const std::string& peer, Connection* self) {
  try {
    FramedSocket socket(std::move(fd), wake_.readEnd.get());
    for (;;) {
      Json request;
      FramedSocket::Status status;
      try {
        // Waiting for a new request has no limit; a begun frame must not stall.
        status = socket.read(request, FramedSocket::kNoDeadline, kFrameTimeout);
      } catch (const ProtocolError& e) {
        logger()->warn("{}: {} from {}", name_, e.what(), peer);
        socket.write(errorReply(e.what()), FramedSocket::deadlineAfter(kReplyTimeout));
        break;
      }
      if (status == FramedSocket::Status::kTimeout) {
        logger()->warn("{}: unfinished frame from {} dropped after {} ms", name_, peer,
                       kFrameTimeout.count());
        break;
      }
      if (status != FramedSocket::Status::kDone) break;
      Json reply = dispatch(request);
      FramedSocket::Status sent;
      try {
        sent = socket.write(reply, FramedSocket::deadlineAfter(kReplyTimeout));
      } catch (const ProtocolError& e) {
        // A result too large for a frame: the caller learns why instead of losing the connection.
        logger()->warn("{}: {}", name_, e.what());
        sent = socket.write(errorReply(std::string("cannot send the reply: ") + e.what()),
                            FramedSocket::deadlineAfter(kReplyTimeout));
      }
      if (sent != FramedSocket::Status::kDone) {
        logger()->warn("{}: reply to {} not delivered", name_, peer);
        break;
      }
    }
  } catch (const std::exception& e) {
    logger()->error("{}: connection from {} failed: {}", name_, peer, e.what());
  }
  self->done = true;
}

Json RpcServer::dispatch(const Json& request) const {
  auto op = request.find("op");
  if (op == request.end() || !op->is_string()) return errorReply("bad request: \"op\" must be a text");
  const auto& opName = op->get_ref<const std::string&>();
  static const Json kNoArgs = Json::array();
  const Json* args = &kNoArgs;
  if (auto found = request.find("args"); found != request.end()) {
    if (!found->is_array()) return errorReply("bad request: \"args\" of " + opName + " must be a list");
    args = &*found;
  }
  auto handler = handlers_.find(opName);
  if (handler == handlers_.end()) return errorReply("unknown operation " + opName + " of " + name_);
  try {
    return Json{{"ok", handler->second(*args)}};
  } catch (const std::exception& e) {
    logger()->debug("{}.{} failed: {}", name_, opName, e.what());
    return errorReply(e.what());
  } catch (...) {
    logger()->error("{}.{} ended with an exception that is not a failure", name_, opName);
    return errorReply("internal error in " + opName + " of " + name_);
  }
}

}  // namespace tev::rpc
