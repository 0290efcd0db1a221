#include "common/fd.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "common/error.h"

namespace tev {

namespace detail {

std::chrono::steady_clock::time_point deadlineAfter(std::chrono::milliseconds timeout) {
  if (timeout.count() < 0) return std::chrono::steady_clock::time_point::max();
  return std::chrono::steady_clock::now() + timeout;
}

int pollTimeoutUntil(std::chrono::steady_clock::time_point deadline, bool unlimited) {
  if (unlimited) return -1;
  auto now = std::chrono::steady_clock::now();
  if (now >= deadline) return 0;
  // Round up, so a wait never ends a fraction of a millisecond before the deadline and spins.
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
  return left > 0x7fffffff ? 0x7fffffff : static_cast<int>(left);
}

void throwSystemError(std::string_view what, int err) {
  throw Error(std::string(what) + ": " + std::strerror(err));
}

}  // namespace detail

void Fd::reset(int fd) noexcept {
  if (fd_ >= 0 && fd_ != fd) {
    // Linux releases the descriptor even when close() reports EINTR; retrying could close a reused number.
    ::close(fd_);
  }
  fd_ = fd;
}

Pipe makePipe() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) detail::throwSystemError("cannot create a pipe", errno);
  return Pipe{Fd(fds[0]), Fd(fds[1])};
}

void setCloseOnExec(int fd) {
  int flags = ::fcntl(fd, F_GETFD);
  if (flags < 0 || ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC) < 0) {
    detail::throwSystemError("cannot set close-on-exec on descriptor " + std::to_string(fd), errno);
  }
}

void setNonBlocking(int fd, bool on) {
  int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags) < 0) {
    detail::throwSystemError("cannot change blocking mode of descriptor " + std::to_string(fd), errno);
  }
}

void ignoreSigpipe() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGPIPE, &action, nullptr);
  });
}

void writeAll(int fd, std::string_view data) {
  ignoreSigpipe();
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n > 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, -1) < 0 && errno != EINTR) {
        detail::throwSystemError("cannot write to descriptor " + std::to_string(fd), errno);
      }
      continue;
    }
    detail::throwSystemError("cannot write to descriptor " + std::to_string(fd), n < 0 ? errno : EIO);
  }
}

ReadResult readSome(int fd, char* buf, std::size_t n, std::chrono::milliseconds timeout) {
  if (n == 0) throw Error("cannot read from descriptor " + std::to_string(fd) + ": no room in the buffer");
  const bool unlimited = timeout.count() < 0;
  const auto deadline = detail::deadlineAfter(timeout);
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    int ready = ::poll(&p, 1, detail::pollTimeoutUntil(deadline, unlimited));
    if (ready < 0) {
      if (errno == EINTR) continue;
      detail::throwSystemError("cannot wait for descriptor " + std::to_string(fd), errno);
    }
    if (ready == 0) return ReadResult{ReadResult::Status::kTimeout, 0};
    if (p.revents & POLLNVAL) {
      detail::throwSystemError("cannot read from descriptor " + std::to_string(fd), EBADF);
    }
    // POLLIN, POLLHUP or POLLERR: read() tells which (data, end of stream or the pending error).
    ssize_t got = ::read(fd, buf, n);
    if (got > 0) return ReadResult{ReadResult::Status::kData, static_cast<std::size_t>(got)};
    if (got == 0) return ReadResult{ReadResult::Status::kEnd, 0};
    if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
      if (!unlimited && std::chrono::steady_clock::now() >= deadline) {
        return ReadResult{ReadResult::Status::kTimeout, 0};
      }
      continue;
    }
    detail::throwSystemError("cannot read from descriptor " + std::to_string(fd), errno);
  }
}

}  // namespace tev
