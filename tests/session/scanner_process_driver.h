// Helpers for the tests that run the scanner process (VAVInterface) as a program:
//
//   - DemoCopy: a copy of the demo installation in a temporary directory (the password change writes its user
//     list, and tests change settings), with the router port pointed at a router simulator of the test;
//   - ScannerProcess: the program started in a tree with its standard streams on pipes; the standard error
//     stream it writes before its device log is open goes to a file of the test;
//   - ScannerScreen: the daemon's side of the terminal channel (the process's pipes in stream mode, or the
//   one
//     TCP connection in socket mode): sends chunks framed as the daemon relays them and interprets what the
//     process draws into a screen model, waiting until the screen shows what a step expects.
#pragma once

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/child_process.h"
#include "common/error.h"
#include "common/fd.h"
#include "common/test_support.h"
#include "sim/screen_model.h"

namespace tev::testing {

using namespace std::chrono_literals;

inline constexpr std::chrono::milliseconds kProcessWait = 20s;

// The text holds the part (log and screen checks).
inline bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = kProcessWait) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return condition();
}

// The demo tree copied into a temporary directory; programs run with root() as their working directory.
class DemoCopy {
 public:
  explicit DemoCopy(const std::string& demoDir) {
    std::filesystem::copy(demoDir, dir_.path(), std::filesystem::copy_options::recursive);
    // Logs of earlier runs of the demo are not part of the installation.
    for (const auto& entry : std::filesystem::directory_iterator(file("log")))
      if (entry.is_regular_file() && entry.path().extension() == ".log")
        std::filesystem::remove(entry.path());
  }

  const std::string& root() const { return dir_.path(); }
  std::string file(const std::string& relative) const { return dir_.path() + "/" + relative; }
  std::string read(const std::string& relative) const { return readFile(file(relative)); }
  void write(const std::string& relative, const std::string& text) const {
    std::ofstream(file(relative), std::ios::binary | std::ios::trunc) << text;
  }
  // Replaces the first occurrence of `from` in the file; throws when it is not there.
  void replace(const std::string& relative, const std::string& from, const std::string& to) const {
    std::string text = read(relative);
    std::size_t at = text.find(from);
    if (at == std::string::npos) throw Error(relative + " has no " + from);
    write(relative, text.replace(at, from.size(), to));
  }
  // A config_param of the settings file: <config_param id="key">old</config_param> gets the new value.
  void setSetting(const std::string& key, const std::string& oldValue, const std::string& newValue) const {
    replace("vav_settings.xml", "<config_param id=\"" + key + "\">" + oldValue + "</config_param>",
            "<config_param id=\"" + key + "\">" + newValue + "</config_param>");
  }

 private:
  TempDir dir_;
};

// The program running in a tree.
class ScannerProcess {
 public:
  ScannerProcess(const std::string& program, const std::string& workingDirectory,
                 std::vector<std::string> args, const std::string& earlyStandardError) {
    ChildProcess::Options options;
    options.argv = {program};
    options.argv.insert(options.argv.end(), args.begin(), args.end());
    options.workingDirectory = workingDirectory;
    options.stdinSpec = StreamSpec::pipe();
    options.stdoutSpec = StreamSpec::pipe();
    options.stderrSpec = StreamSpec::file(earlyStandardError);
    child_ = ChildProcess::start(options);
  }

  ChildProcess& child() { return child_; }
  int stdinFd() { return child_.stdinPipe().get(); }
  int stdoutFd() { return child_.stdoutPipe().get(); }
  void closeStdin() { child_.stdinPipe().reset(); }
  std::optional<ExitStatus> waitFor(std::chrono::milliseconds limit = kProcessWait) {
    return child_.waitFor(limit);
  }

 private:
  ChildProcess child_;
};

// The daemon's end of the terminal channel.
class ScannerScreen {
 public:
  // Reads from `in`, writes to `out` (not owned). With the process id, every chunk waits until the process
  // has taken in everything sent before and waits for input again, so no two chunks ever reach it in one read
  // (the daemon's relay threads pace them the same way: one poll period each).
  ScannerScreen(int in, int out, int rows = 16, int columns = 20, pid_t pid = 0)
      : in_(in), out_(out), pid_(pid), screen_(rows, columns) {}

  // --- chunks as the daemon relays them (each ends with a line feed) --------------------------------------
  void chunk(std::string_view text) {
    waitUntilReading();
    writeAll(out_, std::string(text) + "\n");
  }
  // Typed or scanned text ended by the Enter key, in one chunk.
  void enterText(std::string_view text) { chunk(std::string(text) + "\r"); }
  void enter() { chunk("\r"); }
  void escape() { chunk("\x1b"); }
  void down() { chunk("\x1b[B"); }

  // Reads what the process draws until the condition holds on the screen; false when the time runs out or
  // the channel ends first.
  bool waitUntil(const std::function<bool(const sim::ScreenModel&)>& condition,
                 std::chrono::milliseconds limit = kProcessWait) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      drain(0ms);
      if (condition(screen_)) return true;
      auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left <= 0ms || ended_) return false;
      drain(std::min<std::chrono::milliseconds>(left, 200ms));
    }
  }
  bool waitFor(std::string_view text, std::chrono::milliseconds limit = kProcessWait) {
    return waitUntil([&](const sim::ScreenModel& screen) { return screen.contains(text); }, limit);
  }
  // Reads until the channel ends.
  bool waitForEnd(std::chrono::milliseconds limit = kProcessWait) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!ended_ && std::chrono::steady_clock::now() < deadline) drain(100ms);
    return ended_;
  }

  // True once nothing sent is left unread and the process is blocked waiting for input (its main thread in
  // poll or read, from /proc/<pid>/syscall; where that cannot be read, a quiet period of 300 ms stands in).
  bool waitUntilReading(std::chrono::milliseconds limit = kProcessWait) {
    if (pid_ == 0) return true;
    auto deadline = std::chrono::steady_clock::now() + limit;
    auto quietSince = std::chrono::steady_clock::now();
    std::size_t seen = received_.size();
    while (std::chrono::steady_clock::now() < deadline && !ended_) {
      drain(10ms);
      if (received_.size() != seen) {
        seen = received_.size();
        quietSince = std::chrono::steady_clock::now();
      }
      int unread = 0;
      if (::ioctl(out_, FIONREAD, &unread) == 0 && unread > 0) continue;
      std::optional<bool> waiting = blockedWaiting();
      if (waiting ? *waiting : std::chrono::steady_clock::now() - quietSince > 300ms) return true;
    }
    // Kept for the dump: what the process was doing when the wait gave up.
    int unread = -1;
    ::ioctl(out_, FIONREAD, &unread);
    std::ifstream syscall("/proc/" + std::to_string(pid_) + "/syscall");
    std::string state;
    std::getline(syscall, state);
    waitNote_ = "input wait gave up: " + std::to_string(unread) + " bytes unread, main thread in syscall \"" +
                state + "\"\n";
    return false;
  }

  const sim::ScreenModel& screen() const { return screen_; }
  std::string dump() const {
    std::ostringstream text;
    for (int row = 1; row <= screen_.rows(); ++row) text << row << "|" << screen_.line(row) << "\n";
    text << "cursor " << screen_.cursorRow() << "," << screen_.cursorColumn() << "\n" << waitNote_;
    return text.str();
  }
  const std::string& received() const { return received_; }

 private:
  // Reads what is there within the wait (one poll, then everything ready).
  void drain(std::chrono::milliseconds wait) {
    pollfd ready{in_, POLLIN, 0};
    int timeout = static_cast<int>(wait.count());
    while (!ended_ && ::poll(&ready, 1, timeout) > 0) {
      char buffer[4096];
      ssize_t n = ::read(in_, buffer, sizeof buffer);
      if (n <= 0) {
        ended_ = true;
        break;
      }
      received_.append(buffer, static_cast<std::size_t>(n));
      screen_.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
      timeout = 0;
    }
  }

  // Whether the process's main thread is blocked in poll or read; nothing when /proc does not say.
  std::optional<bool> blockedWaiting() const {
    std::ifstream file("/proc/" + std::to_string(pid_) + "/syscall");
    long number = -1;
    if (!(file >> number)) return std::nullopt;
    bool inPoll = false;
#ifdef SYS_poll
    inPoll = inPoll || number == SYS_poll;
#endif
#ifdef SYS_ppoll
    inPoll = inPoll || number == SYS_ppoll;
#endif
    return inPoll || number == SYS_read;
  }

  int in_;
  int out_;
  pid_t pid_;
  sim::ScreenModel screen_;
  std::string received_;
  std::string waitNote_;
  bool ended_ = false;
};

}  // namespace tev::testing
