#include "sim/erp_sim.h"

#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <system_error>
#include <thread>

#include "common/error.h"
#include "common/fd.h"
#include "common/line_reader.h"
#include "common/log.h"
#include "common/tcp.h"

namespace tev::sim {
namespace {

constexpr std::chrono::milliseconds kPollInterval{50};

}  // namespace

// Locks, in the order they may nest: listenerMutex alone; mutex, then a connection's writeMutex; sleepMutex
// alone. A connection thread never takes mutex while it holds its writeMutex.
struct ErpSim::State {
  struct Connection {
    int id = 0;
    Fd fd;  // closed only by the connection's own thread, under mutex
    std::mutex writeMutex;
    std::thread thread;
    bool done = false;  // under mutex: the thread has closed its socket and needs nothing more
  };

  explicit State(Options o) : options(std::move(o)), logger(log::get("tev.sim.ErpSim")) {}

  void acceptLoop();
  void serve(Connection& connection);
  ErpSimAction choose(const ErpSimRequest& request, int connection);
  // Writes the action's bytes; false when the connection is to be closed.
  bool perform(Connection& connection, const ErpSimAction& action);
  // Sleeps unless the simulator stops meanwhile; false when it stops.
  bool sleepUnlessStopping(std::chrono::milliseconds duration);
  void reapFinished();

  const Options options;
  const log::Logger logger;
  int port = 0;
  std::atomic<bool> stopping{false};

  std::mutex sleepMutex;
  std::condition_variable stopSignal;

  std::mutex listenerMutex;
  TcpListener listener;

  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  std::deque<ErpSimAction> queue;
  Handler handler;
  std::string defaultReply = "~~NOTFOUND";
  bool dropAlways = false;
  std::chrono::milliseconds delay{0};
  int splitParts = 1;
  std::chrono::milliseconds splitPause{0};
  bool accepting = true;
  std::vector<ErpSimRecord> records;
  std::list<std::unique_ptr<Connection>> connections;
  int accepted = 0;
  int open = 0;

  std::thread acceptor;
};

void ErpSim::State::acceptLoop() {
  while (!stopping) {
    std::optional<AcceptedConnection> incoming;
    bool listening = false;
    try {
      std::lock_guard lock(listenerMutex);
      listening = listener.listening();
      if (listening) incoming = listener.acceptWithPeer(kPollInterval);
    } catch (const Error& error) {
      logger->warn("Accepting a connection failed: {}", error.what());
      sleepUnlessStopping(kPollInterval);
      continue;
    }
    if (!listening) {
      sleepUnlessStopping(kPollInterval);
      continue;
    }
    if (!incoming) continue;
    try {
      setTcpNoDelay(incoming->fd.get());
    } catch (const Error& error) {
      logger->warn("Cannot switch off delayed sending: {}", error.what());
    }

    std::lock_guard lock(mutex);
    reapFinished();
    auto connection = std::make_unique<Connection>();
    connection->id = ++accepted;
    connection->fd = std::move(incoming->fd);
    ++open;
    logger->info("Connection {} from {}:{}", connection->id, incoming->peerAddress, incoming->peerPort);
    Connection& ref = *connection;
    connections.push_back(std::move(connection));
    try {
      ref.thread = std::thread([this, &ref] { serve(ref); });
    } catch (const std::system_error& error) {
      logger->error("Cannot serve connection {}: {}", ref.id, error.what());
      connections.pop_back();
      --open;
    }
    changed.notify_all();
  }
}

void ErpSim::State::reapFinished() {
  for (auto it = connections.begin(); it != connections.end();) {
    if ((*it)->done) {
      (*it)->thread.join();
      it = connections.erase(it);
    } else {
      ++it;
    }
  }
}

void ErpSim::State::serve(Connection& connection) {
  LineReader reader(connection.fd.get());
  while (!stopping) {
    LineResult result;
    try {
      result = reader.readLine(kPollInterval);
    } catch (const Error& error) {
      logger->warn("Connection {}: {}", connection.id, error.what());
      break;
    }
    if (result.timedOut()) continue;
    if (result.end()) break;
    if (result.line.empty()) continue;

    ErpSimRequest request = parseRequest(result.line);
    logger->info("Request on connection {} ({}): {}", connection.id, toString(request.kind),
                 printable(request.raw));
    if (request.kind == RequestKind::kHandshake) {
      std::lock_guard lock(mutex);
      records.push_back({std::move(request), connection.id, std::nullopt});
      changed.notify_all();
      continue;
    }

    ErpSimAction action = choose(request, connection.id);
    std::optional<std::string> written;
    if (action.kind() != ErpSimAction::Kind::kClose || !action.before().empty())
      written = action.before() + action.bytes(options.replyPrefix);
    if (written) {
      logger->info("Reply on connection {}: {}", connection.id, printable(*written));
    } else {
      logger->info("Closing connection {} without a reply", connection.id);
    }
    {
      std::lock_guard lock(mutex);
      records.push_back({std::move(request), connection.id, written});
      changed.notify_all();
    }
    if (!perform(connection, action)) break;
  }

  std::lock_guard lock(mutex);
  connection.fd.reset();
  --open;
  connection.done = true;
  logger->info("Connection {} closed", connection.id);
  changed.notify_all();
}

ErpSimAction ErpSim::State::choose(const ErpSimRequest& request, int connection) {
  std::optional<ErpSimAction> action;
  Handler handlerCopy;
  bool drop = false;
  std::chrono::milliseconds standingDelay{0};
  int parts = 1;
  std::chrono::milliseconds pause{0};
  std::string fallback;
  {
    std::lock_guard lock(mutex);
    if (!queue.empty()) {
      action = std::move(queue.front());
      queue.pop_front();
    } else {
      handlerCopy = handler;
    }
    drop = dropAlways;
    standingDelay = delay;
    parts = splitParts;
    pause = splitPause;
    fallback = defaultReply;
  }
  if (!action && handlerCopy) {
    try {
      action = handlerCopy(request);
    } catch (const std::exception& error) {
      logger->error("The handler failed on connection {}: {}", connection, error.what());
      action = ErpSimAction::closeWithoutReply();
    }
  }
  if (!action) {
    logger->warn("No reply scripted for connection {}: {}", connection, printable(request.raw));
    action = ErpSimAction(fallback);
  }
  if (drop) return ErpSimAction::closeWithoutReply();
  if (standingDelay.count() > 0 && action->delay().count() == 0) action->after(standingDelay);
  if (parts > 1 && action->parts() == 1) action->splitInto(parts, pause);
  return *action;
}

bool ErpSim::State::perform(Connection& connection, const ErpSimAction& action) {
  if (action.delay().count() > 0 && !sleepUnlessStopping(action.delay())) return false;
  std::lock_guard lock(connection.writeMutex);
  try {
    if (!action.before().empty()) writeAll(connection.fd.get(), action.before());
    std::string bytes = action.bytes(options.replyPrefix);
    std::size_t parts = std::min<std::size_t>(static_cast<std::size_t>(action.parts()), bytes.size());
    for (std::size_t i = 0; i < parts; ++i) {
      std::size_t from = bytes.size() * i / parts;
      std::size_t to = bytes.size() * (i + 1) / parts;
      writeAll(connection.fd.get(), std::string_view(bytes).substr(from, to - from));
      if (i + 1 < parts && !sleepUnlessStopping(action.pause())) return false;
    }
  } catch (const Error& error) {
    logger->warn("Writing to connection {} failed: {}", connection.id, error.what());
    return false;
  }
  return !action.closes();
}

bool ErpSim::State::sleepUnlessStopping(std::chrono::milliseconds duration) {
  std::unique_lock lock(sleepMutex);
  return !stopSignal.wait_for(lock, duration, [this] { return stopping.load(); });
}

ErpSim::ErpSim() : ErpSim(Options{}) {}

ErpSim::ErpSim(Options options) : state_(std::make_shared<State>(std::move(options))) {
  ignoreSigpipe();
  state_->listener = TcpListener::listen(state_->options.port, state_->options.loopbackOnly);
  state_->port = state_->listener.port();
  state_->logger->info("Router simulator listening on port {}", state_->port);
  state_->acceptor = std::thread([state = state_.get()] { state->acceptLoop(); });
}

ErpSim::~ErpSim() {
  State& s = *state_;
  {
    std::lock_guard lock(s.sleepMutex);
    s.stopping = true;
  }
  s.stopSignal.notify_all();
  s.acceptor.join();
  {
    std::lock_guard lock(s.listenerMutex);
    s.listener.close();
  }
  {
    std::lock_guard lock(s.mutex);
    for (auto& connection : s.connections)
      if (connection->fd.valid()) ::shutdown(connection->fd.get(), SHUT_RDWR);
  }
  // No new connection can appear now; the threads take the mutex on their way out, so join without it.
  for (auto& connection : s.connections) connection->thread.join();
  s.logger->info("Router simulator on port {} stopped", s.port);
}

int ErpSim::port() const {
  return state_->port;
}

ErpSim& ErpSim::reply(ErpSimAction action) {
  std::lock_guard lock(state_->mutex);
  state_->queue.push_back(std::move(action));
  return *this;
}

std::size_t ErpSim::queuedReplies() const {
  std::lock_guard lock(state_->mutex);
  return state_->queue.size();
}

void ErpSim::clearQueuedReplies() {
  std::lock_guard lock(state_->mutex);
  state_->queue.clear();
}

void ErpSim::setHandler(Handler handler) {
  std::lock_guard lock(state_->mutex);
  state_->handler = std::move(handler);
}

void ErpSim::setDefaultReply(std::string payload) {
  std::lock_guard lock(state_->mutex);
  state_->defaultReply = std::move(payload);
}

void ErpSim::setDropAlways(bool drop) {
  std::lock_guard lock(state_->mutex);
  state_->dropAlways = drop;
}

void ErpSim::setDelay(std::chrono::milliseconds delay) {
  std::lock_guard lock(state_->mutex);
  state_->delay = delay;
}

void ErpSim::setSplit(int parts, std::chrono::milliseconds pause) {
  std::lock_guard lock(state_->mutex);
  state_->splitParts = parts < 1 ? 1 : parts;
  state_->splitPause = pause;
}

void ErpSim::refuseConnections() {
  {
    std::lock_guard lock(state_->listenerMutex);
    state_->listener.close();
  }
  std::lock_guard lock(state_->mutex);
  state_->accepting = false;
  state_->logger->info("Refusing connections on port {}", state_->port);
}

void ErpSim::acceptConnections() {
  {
    std::lock_guard lock(state_->listenerMutex);
    if (!state_->listener.listening())
      state_->listener = TcpListener::listen(state_->port, state_->options.loopbackOnly);
  }
  std::lock_guard lock(state_->mutex);
  state_->accepting = true;
  state_->logger->info("Accepting connections on port {} again", state_->port);
}

bool ErpSim::accepting() const {
  std::lock_guard lock(state_->mutex);
  return state_->accepting;
}

void ErpSim::sendUnsolicited(const std::string& bytes) {
  std::lock_guard lock(state_->mutex);
  for (auto& connection : state_->connections) {
    std::lock_guard write(connection->writeMutex);
    if (!connection->fd.valid()) continue;
    state_->logger->info("Unsolicited on connection {}: {}", connection->id, printable(bytes));
    try {
      writeAll(connection->fd.get(), bytes);
    } catch (const Error& error) {
      state_->logger->warn("Writing to connection {} failed: {}", connection->id, error.what());
    }
  }
}

void ErpSim::closeConnections() {
  std::lock_guard lock(state_->mutex);
  for (auto& connection : state_->connections) {
    if (!connection->fd.valid()) continue;
    state_->logger->info("Closing connection {}", connection->id);
    ::shutdown(connection->fd.get(), SHUT_RDWR);
  }
}

std::vector<ErpSimRecord> ErpSim::records() const {
  std::lock_guard lock(state_->mutex);
  return state_->records;
}

std::vector<ErpSimRequest> ErpSim::requests() const {
  std::lock_guard lock(state_->mutex);
  std::vector<ErpSimRequest> list;
  list.reserve(state_->records.size());
  for (const ErpSimRecord& record : state_->records) list.push_back(record.request);
  return list;
}

std::size_t ErpSim::requestCount() const {
  std::lock_guard lock(state_->mutex);
  return state_->records.size();
}

bool ErpSim::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(state_->mutex);
  return state_->changed.wait_for(lock, timeout, [&] { return state_->records.size() >= count; });
}

void ErpSim::clearRecords() {
  std::lock_guard lock(state_->mutex);
  state_->records.clear();
}

int ErpSim::connectionsAccepted() const {
  std::lock_guard lock(state_->mutex);
  return state_->accepted;
}

int ErpSim::openConnections() const {
  std::lock_guard lock(state_->mutex);
  return state_->open;
}

bool ErpSim::waitForNoConnections(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(state_->mutex);
  return state_->changed.wait_for(lock, timeout, [&] { return state_->open == 0; });
}

}  // namespace tev::sim
