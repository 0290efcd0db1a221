#include "sim/scripted_terminal.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "common/error.h"
#include "common/fd.h"
#include "sim/standard_key_list.h"
#include "terminal/terminal_emulator.h"

namespace tev::sim {

struct ScriptedTerminal::State {
  struct Item {
    std::string bytes;
    bool endOfInput = false;
    std::string screenBytes;  // written to the scanner's screen by someone else when the chunk goes out
  };

  State(const EmulatorSettings& s, int rows, int columns)
      : settings(s), model(rows, columns, Capabilities::from(s)) {}

  // Reads whatever the terminal has written, without waiting. Caller holds the mutex.
  void drainLocked() {
    char buf[4096];
    while (!peerEof) {
      ReadResult r;
      try {
        r = readSome(peerEnd.get(), buf, sizeof buf, std::chrono::milliseconds(0));
      } catch (const Error&) {
        peerEof = true;
        break;
      }
      if (r.end()) peerEof = true;
      if (!r.data()) break;
      std::string_view bytes(buf, r.bytes);
      output.append(bytes);
      model.feed(bytes);
    }
  }

  void closeInputLocked() {
    if (!inputClosed) ::shutdown(peerEnd.get(), SHUT_WR);
    inputClosed = true;
  }

  void sendLocked(std::string_view bytes) {
    if (inputClosed) return;
    try {
      writeAll(peerEnd.get(), bytes);
    } catch (const Error&) {
      inputClosed = true;  // the terminal's end is gone
    }
  }

  // The terminal is about to read: record the screen and feed the next chunk.
  void onInputWait(ScriptedTerminal* owner) {
    std::unique_lock lock(mutex);
    drainLocked();
    ++waits;
    if (keepScreens) screens.push_back(model);
    // Bytes sent before and not yet read (a raw chunk longer than one read): let the terminal have them
    // alone first.
    int unread = 0;
    if (::ioctl(terminalEnd.get(), FIONREAD, &unread) == 0 && unread > 0) return;
    if (queue.empty() && exhausted && owner) {
      auto callback = exhausted;
      lock.unlock();
      callback(*owner);
      lock.lock();
    }
    if (queue.empty()) {
      closeInputLocked();
      return;
    }
    Item item = std::move(queue.front());
    queue.pop_front();
    if (!item.screenBytes.empty()) model.feed(item.screenBytes);
    if (item.endOfInput) {
      closeInputLocked();
    } else {
      sendLocked(item.bytes);
    }
  }

  void drainLoop() {
    for (;;) {
      pollfd fds[2] = {{peerEnd.get(), POLLIN, 0}, {stop.readEnd.get(), POLLIN, 0}};
      int n = ::poll(fds, 2, -1);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 || fds[1].revents != 0) return;
      std::lock_guard lock(mutex);
      drainLocked();
      if (peerEof) return;
    }
  }

  EmulatorSettings settings;
  Fd terminalEnd;
  Fd peerEnd;
  Pipe stop;
  mutable std::mutex mutex;
  ScreenModel model;
  std::string output;
  std::deque<Item> queue;
  std::vector<ScreenModel> screens;
  bool keepScreens = true;
  bool inputClosed = false;
  bool peerEof = false;
  int waits = 0;
  std::function<void(ScriptedTerminal&)> exhausted;
  ScriptedTerminal* owner = nullptr;
  std::thread drainer;
};

ScriptedTerminal::ScriptedTerminal(int rows, int columns)
    : ScriptedTerminal(standardSettings(), rows, columns) {}

ScriptedTerminal::ScriptedTerminal(const EmulatorSettings& settings, int rows, int columns)
    : state_(std::make_shared<State>(settings, rows, columns)) {
  ignoreSigpipe();
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    throw Error(std::string("socketpair: ") + std::strerror(errno));
  }
  state_->terminalEnd.reset(fds[0]);
  state_->peerEnd.reset(fds[1]);
  state_->stop = makePipe();
  state_->owner = this;
  State* state = state_.get();
  state_->drainer = std::thread([state] { state->drainLoop(); });
}

ScriptedTerminal::~ScriptedTerminal() {
  {
    std::lock_guard lock(state_->mutex);
    state_->owner = nullptr;
  }
  try {
    writeAll(state_->stop.writeEnd.get(), "x");
  } catch (const Error&) {
  }
  if (state_->drainer.joinable()) state_->drainer.join();
}

int ScriptedTerminal::terminalFd() const {
  return state_->terminalEnd.get();
}

const EmulatorSettings& ScriptedTerminal::settings() const {
  return state_->settings;
}

void ScriptedTerminal::attach(TerminalEmulator& emulator) {
  std::weak_ptr<State> weak = state_;
  emulator.setInputWaitObserver([weak] {
    if (std::shared_ptr<State> state = weak.lock()) {
      ScriptedTerminal* owner;
      {
        std::lock_guard lock(state->mutex);
        owner = state->owner;
      }
      state->onInputWait(owner);
    }
  });
}

ScriptedTerminal& ScriptedTerminal::queue(std::string bytes, bool endOfInput, std::string screenBytes) {
  std::lock_guard lock(state_->mutex);
  state_->queue.push_back(State::Item{std::move(bytes), endOfInput, std::move(screenBytes)});
  return *this;
}

ScriptedTerminal& ScriptedTerminal::chunk(std::string_view text) {
  std::string bytes(text);
  if (!bytes.empty() && bytes.back() == '\0') {
    bytes.back() = '\n';
  } else if (bytes.empty() || bytes.back() != '\n') {
    bytes += '\n';
  }
  return queue(std::move(bytes));
}

ScriptedTerminal& ScriptedTerminal::scan(std::string_view code) {
  return chunk(std::string(code) + state_->settings.ENTER);
}

ScriptedTerminal& ScriptedTerminal::key(const std::string& code, const char* name) {
  if (code.empty()) throw std::invalid_argument(std::string("the key list has no ") + name);
  return chunk(code);
}

ScriptedTerminal& ScriptedTerminal::enter() {
  return key(state_->settings.ENTER, "ENTER");
}
ScriptedTerminal& ScriptedTerminal::escape() {
  return key(state_->settings.ESC, "ESC");
}
ScriptedTerminal& ScriptedTerminal::up() {
  return key(state_->settings.KCUU1, "kcuu1");
}
ScriptedTerminal& ScriptedTerminal::down() {
  return key(state_->settings.KCUD1, "kcud1");
}
ScriptedTerminal& ScriptedTerminal::left() {
  return key(state_->settings.KCUB1, "kcub1");
}
ScriptedTerminal& ScriptedTerminal::right() {
  return key(state_->settings.KCUF1, "kcuf1");
}
ScriptedTerminal& ScriptedTerminal::backspace() {
  return key(state_->settings.BACKSPACE, "BACKSPACE");
}

ScriptedTerminal& ScriptedTerminal::functionKey(int n) {
  std::string name = "kf" + std::to_string(n);
  std::optional<std::string> code = state_->settings.capability(name);
  if (!code) throw std::invalid_argument("the key list has no " + name);
  return chunk(*code);
}

ScriptedTerminal& ScriptedTerminal::broadcast(std::string_view message) {
  std::string screenBytes = state_->settings.CLEAR + std::string(message);
  return queue(std::string(TerminalEmulator::kBroadcast) + "\n", false, std::move(screenBytes));
}

ScriptedTerminal& ScriptedTerminal::raw(std::string_view bytes) {
  return queue(std::string(bytes));
}

ScriptedTerminal& ScriptedTerminal::endOfInput() {
  return queue("", true);
}

void ScriptedTerminal::onExhausted(std::function<void(ScriptedTerminal&)> callback) {
  std::lock_guard lock(state_->mutex);
  state_->exhausted = std::move(callback);
}

std::size_t ScriptedTerminal::queued() const {
  std::lock_guard lock(state_->mutex);
  return state_->queue.size();
}

int ScriptedTerminal::inputWaits() const {
  std::lock_guard lock(state_->mutex);
  return state_->waits;
}

ScreenModel ScriptedTerminal::screen() {
  std::lock_guard lock(state_->mutex);
  state_->drainLocked();
  return state_->model;
}

std::vector<ScreenModel> ScriptedTerminal::screensAtInput() const {
  std::lock_guard lock(state_->mutex);
  return state_->screens;
}

void ScriptedTerminal::keepScreens(bool keep) {
  std::lock_guard lock(state_->mutex);
  state_->keepScreens = keep;
  if (!keep) state_->screens.clear();
}

std::string ScriptedTerminal::output() {
  std::lock_guard lock(state_->mutex);
  state_->drainLocked();
  return state_->output;
}

void ScriptedTerminal::clearOutput() {
  std::lock_guard lock(state_->mutex);
  state_->drainLocked();
  state_->output.clear();
}

void ScriptedTerminal::sendNow(std::string_view bytes) {
  std::lock_guard lock(state_->mutex);
  state_->sendLocked(bytes);
}

void ScriptedTerminal::closeInput() {
  std::lock_guard lock(state_->mutex);
  state_->closeInputLocked();
}

}  // namespace tev::sim
