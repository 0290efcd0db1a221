// Starting a program as a child process with chosen standard streams, and reaping it.
//
//   ChildProcess::Options options;
//   options.argv = {"/bin/cat"};
//   options.stdinSpec = StreamSpec::pipe();
//   options.stdoutSpec = StreamSpec::pipe();
//   options.stderrSpec = StreamSpec::file("/var/log/device.log");
//   ChildProcess child = ChildProcess::start(options);
//   writeAll(child.stdinPipe().get(), "hello\n");
//
// Invariants:
//  - start() either returns a running child whose program has been executed, or throws tev::Error saying
//    why (program not found or not executable, working directory missing, a redirection file that cannot be
//    opened). Exec failure is seen through a close-on-exec status pipe, so there is never a silent child.
//  - The child receives exactly the three standard streams: every other descriptor of the parent is closed at
//    exec (ours are close-on-exec from birth; others are marked close-on-exec in the child before exec).
//  - The child starts with an empty signal mask and SIGPIPE at its default, whatever the parent set.
//  - A ChildProcess is reaped exactly once: by wait()/tryWait()/waitFor(), or by the destructor, which sends
//    SIGKILL to a child that is still running and then reaps it. No zombie outlives the object.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <csignal>
#include <optional>
#include <string>
#include <vector>

#include "common/fd.h"

namespace tev {

// What one standard stream of a child is connected to.
struct StreamSpec {
  enum class Kind {
    kInherit,  // the parent's own stream
    kPipe,     // a pipe whose other end the parent gets as an Fd
    kNull,     // /dev/null
    kFile,     // a file, created when missing (mode 0644) and appended to; opened for reading for stdin
  };
  Kind kind = Kind::kInherit;
  std::string path;  // kFile only

  static StreamSpec inherit() { return {Kind::kInherit, {}}; }
  static StreamSpec pipe() { return {Kind::kPipe, {}}; }
  static StreamSpec null() { return {Kind::kNull, {}}; }
  static StreamSpec file(std::string path) { return {Kind::kFile, std::move(path)}; }
};

// How a child ended: an exit code, or the signal that killed it.
struct ExitStatus {
  int code = 0;    // the exit code (0..255) when the child exited
  int signal = 0;  // the signal number when a signal killed it, else 0

  bool signaled() const { return signal != 0; }
  bool success() const { return signal == 0 && code == 0; }
  // The shell's convention: the exit code, or 128 + signal number.
  int shellStatus() const { return signal != 0 ? 128 + signal : code; }
  // "exit code 3" or "killed by signal 9 (Killed)".
  std::string describe() const;

  bool operator==(const ExitStatus&) const = default;
};

class ChildProcess {
 public:
  struct Options {
    // argv[0] is the program: a path (containing '/'), or a name looked up in PATH (the child's PATH when
    // extraEnvironment sets one, else the parent's). A relative path is taken from workingDirectory.
    std::vector<std::string> argv;
    std::optional<std::string> workingDirectory;
    // "NAME=value" entries added to the parent's environment; an entry replaces an inherited NAME.
    std::vector<std::string> extraEnvironment;
    StreamSpec stdinSpec;
    StreamSpec stdoutSpec;
    StreamSpec stderrSpec;
  };

  // Starts the program; throws tev::Error (message naming the program and the cause) when it cannot run.
  static ChildProcess start(const Options& options);

  // No child.
  ChildProcess() = default;
  // Kills (SIGKILL) a child that has not been reaped yet, then reaps it.
  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept;
  // Disposes of the child this object held (as the destructor does) before taking over other's.
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The process id; it stays valid (not reusable by the system) until the child has been reaped.
  pid_t pid() const { return pid_; }

  // The parent's ends of the streams chosen as kPipe (invalid otherwise). Close or move them freely:
  // closing stdinPipe() is how the child sees end of input.
  Fd& stdinPipe() { return stdin_; }
  Fd& stdoutPipe() { return stdout_; }
  Fd& stderrPipe() { return stderr_; }

  // Blocks until the child ends and reaps it. After the first reap every call returns the same status.
  ExitStatus wait();
  // Reaps the child if it has ended; nullopt while it is still running.
  std::optional<ExitStatus> tryWait();
  // Waits up to timeout for the child to end; nullopt when it is still running afterwards.
  std::optional<ExitStatus> waitFor(std::chrono::milliseconds timeout);

  // Sends a signal to the child. Returns false (and sends nothing) once the child has been reaped, so a
  // recycled process id is never hit. Throws tev::Error when there is no child or kill() fails.
  bool kill(int signal = SIGTERM);

 private:
  ChildProcess(pid_t pid, Fd in, Fd out, Fd err)
      : pid_(pid), stdin_(std::move(in)), stdout_(std::move(out)), stderr_(std::move(err)) {}
  void dispose() noexcept;
  void requireChild(const char* operation) const;

  pid_t pid_ = 0;
  std::optional<ExitStatus> status_;
  Fd stdin_;
  Fd stdout_;
  Fd stderr_;
};

}  // namespace tev
