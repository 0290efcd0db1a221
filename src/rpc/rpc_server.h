// Serves one remote object: a table of operations (name -> handler) reachable on a loopback TCP port.
//
// Each accepted connection gets its own thread, which reads request frames, runs the operation and
// writes the reply, one request after the other; several connections are served at once, so handlers
// must be safe to run concurrently (the daemon hands its calls over to its main thread). A handler's
// result becomes {"ok": result}; any exception it throws becomes {"error": its message} (the connection
// stays usable). A malformed frame is answered with an error and the connection is closed.
//
// A handler must not end the process through exitProcess(): the exit request cannot reach main() from
// a serving thread and is answered as an internal error. Hand such work to the main thread instead.
#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "common/fd.h"
#include "common/tcp.h"
#include "rpc/endpoint.h"
#include "rpc/frame.h"

namespace tev::rpc {

class RpcServer {
 public:
  // Runs one operation: the argument list in, the result out (null for "no result").
  using Handler = std::function<Json(const Json& args)>;

  // At most this many connections are served at once; later ones are closed at once until one ends.
  static constexpr std::size_t kMaxConnections = 64;
  // Once a frame has begun, its remaining bytes must arrive within this time, or the connection is dropped.
  static constexpr std::chrono::milliseconds kFrameTimeout{10'000};
  // A reply the client does not take within this time is abandoned with its connection.
  static constexpr std::chrono::milliseconds kReplyTimeout{10'000};

  // name: the served object's name, used in messages and log lines. port 0: an ephemeral port.
  explicit RpcServer(std::string name, int port = 0);
  ~RpcServer();
  RpcServer(const RpcServer&) = delete;
  RpcServer& operator=(const RpcServer&) = delete;

  // Adds (or replaces) an operation. Only before start(); afterwards throws tev::Error.
  void handle(const std::string& op, Handler handler);

  // Listens on 127.0.0.1 and starts serving on its own threads. Throws tev::Error when the port cannot
  // be bound (taken by another process) or the server was started before.
  void start();
  // Stops listening, breaks off idle and unfinished connections and waits for running handlers to
  // return. Idempotent; the destructor calls it.
  void stop();

  // Waits until no connection is being served (every reply written, every caller gone), at most limit;
  // true when that came. New connections are still accepted meanwhile. For an orderly end: after the last
  // reply has been handed over, wait for it to reach its caller, then stop().
  bool waitUntilIdle(std::chrono::milliseconds limit);

  bool running() const { return running_; }
  const std::string& name() const { return name_; }
  // The port bound by start() (before start: the port asked for).
  int port() const { return port_; }
  // Where clients reach this object: 127.0.0.1 and port().
  Endpoint endpoint() const { return Endpoint{kLoopbackHost, port_}; }

  // The reply to one request message (exposed for tests of the dispatch rules).
  Json dispatch(const Json& request) const;

 private:
  struct Connection {
    std::thread thread;
    std::atomic<bool> done{false};
  };

  void acceptLoop();
  void serve(Fd fd, const std::string& peer, Connection* self);
  // Joins and drops the connection threads that have ended; with all, waits for every one.
  void reap(bool all);

  std::string name_;
  int port_;
  std::map<std::string, Handler, std::less<>> handlers_;
  TcpListener listener_;
  Pipe wake_;
  std::thread acceptor_;
  std::atomic<bool> running_{false};
  bool started_ = false;
  std::mutex connectionsMutex_;
  std::list<std::unique_ptr<Connection>> connections_;
};

}  // namespace tev::rpc
