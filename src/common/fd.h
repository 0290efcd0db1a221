// Ownership of file descriptors and the few blocking primitives everything else is built on.
//
// Hygiene rules every helper in this folder follows:
//  - every descriptor we create is close-on-exec from birth (O_CLOEXEC, SOCK_CLOEXEC, pipe2, accept4), so a
//    child started by ChildProcess inherits only the three standard streams it was given;
//  - SIGPIPE is ignored process-wide (ignoreSigpipe), so writing to a closed pipe or socket is an error
//    result (EPIPE) instead of the death of the process;
//  - end of stream is a value, never an exception; failures of the system calls are tev::Error.
#pragma once

#include <chrono>
#include <cstddef>
#include <string_view>

namespace tev {

// Passed as a time-out: wait without a limit.
inline constexpr std::chrono::milliseconds kNoTimeout{-1};

// A move-only owner of one file descriptor; -1 means "none". The destructor closes an owned descriptor.
class Fd {
 public:
  Fd() noexcept = default;
  explicit Fd(int fd) noexcept : fd_(fd) {}
  ~Fd() { reset(); }

  Fd(Fd&& other) noexcept : fd_(other.release()) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  int get() const noexcept { return fd_; }
  bool valid() const noexcept { return fd_ >= 0; }
  explicit operator bool() const noexcept { return valid(); }

  // Gives up ownership: returns the descriptor (or -1) and leaves this object empty.
  int release() noexcept {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes the owned descriptor (if any) and takes ownership of fd (-1: own nothing).
  void reset(int fd = -1) noexcept;

 private:
  int fd_ = -1;
};

// Both ends of a pipe, each close-on-exec.
struct Pipe {
  Fd readEnd;
  Fd writeEnd;
};

// A new pipe (pipe2 with O_CLOEXEC). Throws tev::Error when the system refuses.
Pipe makePipe();

// Marks fd close-on-exec (for descriptors that came from elsewhere). Throws tev::Error on failure.
void setCloseOnExec(int fd);

// Switches O_NONBLOCK on or off. Throws tev::Error on failure.
void setNonBlocking(int fd, bool on);

// Sets SIGPIPE to SIG_IGN for the whole process. Idempotent and thread-safe; only the first call acts.
// Children started by ChildProcess get the default disposition back before their program runs.
void ignoreSigpipe();

// Writes all of data, looping over partial writes and EINTR (and waiting for POLLOUT when fd is
// non-blocking). Ensures SIGPIPE is ignored first, so a vanished reader is reported, not fatal.
// Failure (EPIPE, ECONNRESET, EBADF, ...) throws tev::Error naming the descriptor and the cause; bytes
// written before the failure stay written.
void writeAll(int fd, std::string_view data);

// The outcome of readSome.
struct ReadResult {
  enum class Status { kData, kEnd, kTimeout };
  Status status = Status::kTimeout;
  std::size_t bytes = 0;  // > 0 exactly when status == kData

  bool data() const { return status == Status::kData; }
  bool end() const { return status == Status::kEnd; }
  bool timedOut() const { return status == Status::kTimeout; }
};

// Waits (poll) up to timeout for fd to become readable, then reads at most n bytes (n > 0) once.
// kData with the count, kEnd at end of stream, kTimeout when nothing arrived in time. timeout 0 only looks,
// kNoTimeout (any negative value) waits without a limit. EINTR is retried within the same deadline.
// A read error (ECONNRESET, EBADF, ...) throws tev::Error.
ReadResult readSome(int fd, char* buf, std::size_t n, std::chrono::milliseconds timeout);

namespace detail {
// Milliseconds left until deadline for poll(): -1 when unlimited, never below 0.
int pollTimeoutUntil(std::chrono::steady_clock::time_point deadline, bool unlimited);
// The deadline for a time-out counted from now (meaningless when the time-out is negative).
std::chrono::steady_clock::time_point deadlineAfter(std::chrono::milliseconds timeout);
// "<what>: <strerror(err)>"
[[noreturn]] void throwSystemError(std::string_view what, int err);
}  // namespace detail

}  // namespace tev
