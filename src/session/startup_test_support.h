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
#include "common/test_support.h"

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

using tev::testing::localTime;

}  // namespace tev::testing
