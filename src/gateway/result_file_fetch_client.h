// A command-line transfer client (the platform's ftp, the installation's SFTP program) run as a child
// process for one fetch: its standard input takes the script, its output and error streams are read and
// logged line by line as "Ftp Output: " + line. Every wait ends at the deadline given.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/child_process.h"
#include "common/line_reader.h"
#include "common/log.h"

namespace tev {

class ResultFileFetchClient {
 public:
  using Deadline = std::chrono::steady_clock::time_point;

  // Splits a command line at white space as the classic runtime's exec(String) does (no quoting), so the
  // values put into it are never seen by a shell. Empty words are dropped.
  static std::vector<std::string> splitCommand(const std::string& command);

  // Starts argv with piped standard streams; throws tev::Error when it cannot run.
  ResultFileFetchClient(const std::vector<std::string>& argv, log::Logger logger);

  // Writes one script line followed by LF (each line reaches the client at once). Throws tev::Error when
  // the client no longer reads.
  void writeLine(const std::string& line);
  // The client sees the end of its input.
  void closeInput();
  // Reads and logs output lines until stop(line) is true (true is returned), both output streams have
  // ended, or the deadline has passed. stop may be empty.
  bool readUntil(Deadline deadline, const std::function<bool(const std::string&)>& stop);
  // True once both output streams have ended.
  bool outputEnded() const;
  // Closes the output streams (unread output is dropped).
  void closeOutput();
  // True once the client has ended (it is reaped then).
  bool ended();
  // Waits until the deadline (at least a short grace) for the client to end, then kills it. Returns true
  // when it ended by itself.
  bool finish(Deadline deadline);

 private:
  struct Stream {
    Fd* fd = nullptr;
    std::unique_ptr<LineReader> reader;
    bool open = false;
  };

  ChildProcess child_;
  log::Logger logger_;
  Stream streams_[2];
};

}  // namespace tev
