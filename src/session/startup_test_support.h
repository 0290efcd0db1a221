// Helpers for the tests of the start-up pieces: a child process for what must touch the real standard
// streams, a stand-in descriptor for the log stream, and local times.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <stdexcept>

#include "common/clock.h"
#include "common/fd.h"

namespace tev::testing {

// Runs body in a forked child and returns its exit status (128 + signal when a signal ended it). The child
// never returns into the test: it leaves through _exit with body's result, and a failure escaping body gives
// 99. Use plain checks that return a code in body, not gtest assertions.
inline int runInChild(const std::function<int()>& body) {
  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    int code = 99;
    try {
      code = body();
    } catch (...) {
    }
    ::_exit(code);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A descriptor that stands for the standard error stream in a test: the code under test dup2()s onto it.
class StreamStandIn {
 public:
  StreamStandIn() : fd_(::open("/dev/null", O_WRONLY | O_CLOEXEC)) {}
  int fd() const { return fd_.get(); }

 private:
  Fd fd_;
};

// The instant of a local date and time (the process's time zone).
inline Clock::time_point localTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

}  // namespace tev::testing
