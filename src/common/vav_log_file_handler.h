// VAVLogFileHandler: the log sink of a scanner process. It writes the records of every named logger to
// size-limited files named after the device, keeping a fixed number of older generations:
//
//   with a size limit set:  <DC>/log/<deviceId><U>.<G>.log
//   otherwise:              <temporary directory>/<deviceId><U>.log   (".<G>" appended when count > 1)
//
// G is the generation, 0 for the current file. U, the unique number, is the smallest number from 0 whose file
// set no other handler holds: a handler holds its set by an exclusive advisory lock (flock) on the file of
// generation 0 for as long as it lives, so two processes of the same device (or two handlers in one process)
// never share files. At most kMaxUniqueNumber sets are tried.
//
// Opening moves every existing generation one up (the oldest is dropped) and starts generation 0 empty, so
// with a count of 2 the previous run's log survives as generation 1. When the limit is above 0 and the
// current file has reached it after a record, the same move happens again. The name of generation 0 always
// denotes a locked file, also while generations move: the old file is linked to generation 1 and a new,
// already locked file is renamed over generation 0.
//
// Settings: the size limit in bytes (0 = no limit) and the number of generations. The launch configuration
// uses kLaunchLimit and kLaunchCount. When neither setting is given, records go to the standard error stream
// and no file is created.
//
// Writes are serialised by the sink's mutex. A record that cannot be written is dropped; the first such
// failure is reported once on the standard error stream.
#pragma once

#include <spdlog/sinks/base_sink.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "common/fd.h"

namespace tev {

class VAVLogFileHandler : public spdlog::sinks::base_sink<std::mutex> {
 public:
  // The settings of the launch configuration: 250 MiB per file, two generations.
  static constexpr std::int64_t kLaunchLimit = 262144000;
  static constexpr int kLaunchCount = 2;
  // The unique numbers tried are 0 .. kMaxUniqueNumber - 1.
  static constexpr int kMaxUniqueNumber = 100;

  struct Settings {
    std::optional<std::int64_t> limit;  // bytes per file, 0 = no limit; absent: 0
    std::optional<int> count;           // generations kept, at least 1; absent: 1
  };

  // dc: the installation root; deviceId: the scanner's device id. tempDir: the directory of the files when no
  // limit is set ("" = the system temporary directory). Throws tev::Error when a setting is out of range,
  // when the files cannot be opened or moved, or when every unique number is taken.
  VAVLogFileHandler(std::string dc, std::string deviceId, Settings settings, std::string tempDir = "");
  ~VAVLogFileHandler() override = default;

  // Writes one record (the same as log()).
  void publish(const spdlog::details::log_msg& record) { log(record); }
  // Does nothing: the files stay open until the handler ends.
  void close() {}

  // True when records go to files, false when they go to the standard error stream.
  bool writesFiles() const { return fileMode_; }
  // The file of a generation of this handler's set (meaningful when writesFiles()).
  std::string fileName(int generation) const { return fileName(unique_, generation); }
  int uniqueNumber() const { return unique_; }
  std::int64_t limit() const { return limit_; }
  int count() const { return count_; }

 protected:
  void sink_it_(const spdlog::details::log_msg& msg) override;
  void flush_() override {}

 private:
  std::string fileName(int unique, int generation) const;
  // Takes the first free set; returns whether its generation 0 existed before.
  bool acquireSet();
  // Moves the generations one up and starts generation 0 empty. previousExists: generation 0 has a file to
  // keep (false when it was just created).
  void rotate(bool previousExists);
  void reportOnce(const std::string& what);

  std::string dc_;
  std::string deviceId_;
  std::string tempDir_;
  bool useLogDir_ = false;
  bool fileMode_ = false;
  std::int64_t limit_ = 0;
  int count_ = 1;
  int unique_ = 0;
  Fd file_;
  std::int64_t written_ = 0;
  bool errorReported_ = false;
};

}  // namespace tev
