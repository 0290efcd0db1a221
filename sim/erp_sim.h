// ErpSim: an ERP router for tests, the demo and benchmarks. It listens on a loopback port (an ephemeral one
// unless told otherwise), serves any number of connections (one thread each), reads request lines (CR, LF or
// CR LF end a line), records every one of them, and answers each request line with exactly one action: a
// reply line, raw bytes, or closing the connection. It always answers or closes; it never leaves a request
// hanging. The router handshake line is recorded and not answered (the scanner process reads no reply to it);
// empty lines are skipped.
//
// Which action answers a request, first that applies:
//   1. the next scripted action (reply(...)), in the order queued, shared by all connections;
//   2. the handler (setHandler), called on the connection's thread, outside every lock of the simulator; it
//      may return nothing to leave the request to the default reply (a handler that throws closes the
//      connection);
//   3. the default reply (setDefaultReply; "~~NOTFOUND" at first), logged as a warning.
// Then the standing faults apply: dropAlways closes instead, setDelay and setSplit add to actions that have
// no delay or split of their own.
//
//   sim::ErpSim sim;                               // listening on 127.0.0.1:sim.port()
//   sim.reply(ErpSimReply::record({"A01", "Blue"}));
//   ... the code under test connects to sim.port() and sends one request ...
//   ASSERT_TRUE(sim.waitForRequests(1, 5s));
//   EXPECT_EQ(sim.requests()[0].function, "execute_query");
//
// The destructor stops listening, closes every connection and joins every thread it started.
// Every operation is safe from any thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/erp_sim_action.h"
#include "sim/erp_sim_request.h"

namespace tev::sim {

// One request line received, with what was done about it.
struct ErpSimRecord {
  ErpSimRequest request;
  int connection = 0;  // 1 for the first connection accepted, 2 for the next, ...
  // The bytes written in answer (what precededBy gave included); nothing when the connection was closed
  // without a reply, and for the handshake.
  std::optional<std::string> reply;
};

class ErpSim {
 public:
  struct Options {
    int port = 0;  // 0: an ephemeral port
    bool loopbackOnly = true;
    std::string replyPrefix = "SKM";  // the word before the blank of every reply line
  };
  using Handler = std::function<std::optional<ErpSimAction>(const ErpSimRequest&)>;

  // Starts listening; throws tev::Error when the port cannot be bound.
  ErpSim();
  explicit ErpSim(Options options);
  ~ErpSim();
  ErpSim(const ErpSim&) = delete;
  ErpSim& operator=(const ErpSim&) = delete;

  static constexpr const char* kHost = "127.0.0.1";
  int port() const;

  // --- answers
  // ---------------------------------------------------------------------------------------------- Queues the
  // action for the next request not yet answered.
  ErpSim& reply(ErpSimAction action);
  std::size_t queuedReplies() const;
  void clearQueuedReplies();
  void setHandler(Handler handler);
  void setDefaultReply(std::string payload);

  // --- standing faults (until changed) ---------------------------------------------------------------------
  // Close the connection instead of answering, for every request.
  void setDropAlways(bool drop);
  // Wait this long before every answer.
  void setDelay(std::chrono::milliseconds delay);
  // Write every answer in this many pieces with pauses between them (1: in one write).
  void setSplit(int parts, std::chrono::milliseconds pause);
  // Stop listening: new connections are refused (accepted ones stay; one the simulator has not accepted
  // yet is reset). acceptConnections listens again on the same port.
  void refuseConnections();
  void acceptConnections();
  bool accepting() const;

  // --- immediate faults
  // -------------------------------------------------------------------------------------- Writes the bytes
  // now to every open connection (an unsolicited line, garbage).
  void sendUnsolicited(const std::string& bytes);
  // Closes every open connection now (a router restart).
  void closeConnections();

  // --- what happened
  // -------------------------------------------------------------------------------------------
  std::vector<ErpSimRecord> records() const;
  std::vector<ErpSimRequest> requests() const;
  // Requests recorded so far (handshakes included).
  std::size_t requestCount() const;
  // Waits until at least count requests have been recorded; false when the time-out ran out first.
  bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
  void clearRecords();
  int connectionsAccepted() const;
  int openConnections() const;
  // Waits until no connection is open (the clients closed theirs); false on time-out.
  bool waitForNoConnections(std::chrono::milliseconds timeout) const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace tev::sim
