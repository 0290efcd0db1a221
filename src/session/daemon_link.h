// DaemonLink: the channel between a scanner process and the daemon that started it, which becomes the
// terminal's input and output (TerminalEmulator(inputFd, outputFd)).
//
// The setting torvend / use_sockets_with_scanner_process of environment "common" chooses the mode:
//  - "yes" (letter case ignored), socket mode: the process reads torvend / scanner_process_port, says so on
//  its
//    standard output ("Using sockets for communicating with Torvend, port number = <port>", also logged),
//    listens on that port of the loopback address only, accepts exactly one connection within the accept
//    time-out (30,000 ms) and stops listening; that connection carries both directions and has no read
//    time-out. No second connection is ever accepted.
//  - anything else, or no setting, stream mode: standard input and standard output.
// A failure in socket mode (no port setting, the port taken, nobody connecting in time) is logged as
// "Exception occured in Torvend socket creation " + the cause, and the process ends (tev::exitProcess(0))
// without a session.
//
// Every socket is close-on-exec, so programs the session starts (the Perl program) never hold the channel.
#pragma once

#include <unistd.h>

#include <chrono>

#include "common/fd.h"
#include "config/vav_settings.h"

namespace tev {

class DaemonLink {
 public:
  static constexpr std::chrono::milliseconds kAcceptTimeout{30000};

  struct Options {
    std::chrono::milliseconds acceptTimeout = kAcceptTimeout;
    // Where the socket-mode notice is written (the process's standard output).
    int standardOutputFd = STDOUT_FILENO;
    // The streams of stream mode.
    int standardInputFd = STDIN_FILENO;
  };

  // Links as the settings say (see above). Ends the process on a socket-mode failure.
  static DaemonLink connect(VAVSettings& settings);
  static DaemonLink connect(VAVSettings& settings, const Options& options);

  DaemonLink(DaemonLink&&) noexcept = default;
  DaemonLink& operator=(DaemonLink&&) noexcept = default;

  bool socketMode() const { return torvendSocket_.valid(); }
  // The accepted daemon connection in socket mode (-1 in stream mode).
  int torvendSocket() const { return torvendSocket_.get(); }
  // What the terminal reads and writes.
  int inputFd() const { return inputFd_; }
  int outputFd() const { return outputFd_; }

 private:
  DaemonLink(Fd socket, int inputFd, int outputFd)
      : torvendSocket_(std::move(socket)), inputFd_(inputFd), outputFd_(outputFd) {}

  Fd torvendSocket_;
  int inputFd_ = STDIN_FILENO;
  int outputFd_ = STDOUT_FILENO;
};

}  // namespace tev
