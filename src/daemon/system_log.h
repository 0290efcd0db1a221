// The daemon's log. Every daemon object writes through one SystemLog: the main file torvend.log in the log
// directory and, when the settings switch them on, one file per thread, per device or per other registered
// object. Each line starts with the local time as "MM-dd-yy HH:mm:ss| " and is written and flushed as one
// unit, so lines of different threads never mix.
//
// Level filter: a line is written when its level is at most debug_level (no filter before initialize()).
// Levels in use: 1 start-up steps, errors and per-connection events; 2 start-up details; 5 selection and
// reset requests; 6 the request hand-over; 10 per-read traces of the relay.
#pragma once

#include <exception>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "common/fd.h"

namespace tev {

class TorvendData;

// What a registered object is, which decides the setting that gives it a file of its own:
// thread_log_files, device_log_files or object_log_files.
enum class LogKind { kThread, kDevice, kObject };

// An object that logs under its own name (a listener, a relay thread, a device).
class LogSubject {
 public:
  virtual ~LogSubject() = default;
  virtual LogKind logKind() const = 0;
};

class SystemLog {
 public:
  virtual ~SystemLog() = default;

  virtual void log(int level, std::string_view message) = 0;
  virtual void log(const LogSubject& subject, int level, std::string_view message) = 0;
  // The exception's description ("<type>: <what>"), only when show_stack_traces is "yes".
  virtual void logStackTrace(const std::exception& e) = 0;
  virtual void logStackTrace(const LogSubject& subject, const std::exception& e) = 0;
  // The message, ": " and the exception's text at level 1, then the description as above.
  virtual void logStackTrace(std::string_view message, const std::exception& e) = 0;
  virtual void logStackTrace(const LogSubject& subject, std::string_view message,
                             const std::exception& e) = 0;
  // Records the subject's file name and opens the file when the subject's kind is switched on.
  virtual void setLog(const LogSubject& subject, const std::string& fileName) = 0;
  // Closes and forgets the subject's file and recorded name (an object that ends calls it).
  virtual void closeLog(const LogSubject& subject) = 0;
};

class SystemLogImpl : public SystemLog {
 public:
  // Opens <logDirectory>/torvend.log (an existing file is emptied). Throws tev::Error when it cannot.
  explicit SystemLogImpl(std::string logDirectory);

  // From here on the level filter and the per-object flags of data apply. data must outlive the log.
  void initialize(const TorvendData* data);

  void log(int level, std::string_view message) override;
  void log(const LogSubject& subject, int level, std::string_view message) override;
  void logStackTrace(const std::exception& e) override;
  void logStackTrace(const LogSubject& subject, const std::exception& e) override;
  void logStackTrace(std::string_view message, const std::exception& e) override;
  void logStackTrace(const LogSubject& subject, std::string_view message, const std::exception& e) override;
  void setLog(const LogSubject& subject, const std::string& fileName) override;

  void closeLog(const LogSubject& subject) override;
  // Closes and re-opens (empties) the file of every recorded subject; a kind switched on since gets its file.
  void reopenAllLogfiles();

  const std::string& logDirectory() const { return logDirectory_; }

  // "<type>: <what>" of an exception.
  static std::string describe(const std::exception& e);
  // The line prefix for the current time of the process-wide clock.
  static std::string timePrefix();

 private:
  bool passes(int level) const;
  bool fileWanted(const LogSubject& subject) const;
  bool showStackTraces() const;
  // Writes one line (prefix + text + "\n") to the subject's destination; nullptr: torvend.log.
  void write(const LogSubject* subject, std::string_view text);
  void openLocked(const LogSubject& subject, const std::string& fileName);

  std::string logDirectory_;
  const TorvendData* data_ = nullptr;
  mutable std::mutex mutex_;
  Fd torvendLog_;
  std::map<const LogSubject*, Fd> logFiles_;
  std::map<const LogSubject*, std::string> logFileNames_;
};

}  // namespace tev
