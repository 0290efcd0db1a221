#include "rpc/framed_socket.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tev::rpc {

FramedSocket::FramedSocket(Fd fd, int wakeFd) : fd_(std::move(fd)), wakeFd_(wakeFd) {
  ignoreSigpipe();
  setNonBlocking(fd_.get(), true);
}

FramedSocket::Deadline FramedSocket::deadlineAfter(std::chrono::milliseconds timeout) {
  if (timeout.count() < 0) return kNoDeadline;
  const auto now = std::chrono::steady_clock::now();
  if (timeout >= std::chrono::duration_cast<std::chrono::milliseconds>(kNoDeadline - now)) return kNoDeadline;
  return now + timeout;
}

FramedSocket::Status FramedSocket::waitFor(short events, Deadline deadline) {
  for (;;) {
    pollfd fds[2] = {{fd_.get(), events, 0}, {wakeFd_, POLLIN, 0}};
    const nfds_t count = wakeFd_ >= 0 ? 2 : 1;
    const bool unlimited = deadline == kNoDeadline;
    int ready = ::poll(fds, count, detail::pollTimeoutUntil(deadline, unlimited));
    if (ready < 0) {
      if (errno == EINTR) continue;
      detail::throwSystemError("cannot wait for descriptor " + std::to_string(fd_.get()), errno);
    }
    if (count == 2 && fds[1].revents != 0) return Status::kWoken;
    if (ready == 0) return Status::kTimeout;
    // Readiness, hang-up or an error: the next read or send tells which.
    return Status::kDone;
  }
}

FramedSocket::Status FramedSocket::read(Json& message, Deadline deadline, std::chrono::milliseconds stall) {
  char buffer[16 * 1024];
  for (;;) {
    if (auto next = reader_.next()) {
      message = std::move(*next);
      return Status::kDone;
    }
    Deadline waitUntil = deadline;
    if (stall.count() >= 0 && reader_.hasPartial()) {
      waitUntil = std::min(deadline, deadlineAfter(stall));
    }
    Status waited = waitFor(POLLIN, waitUntil);
    if (waited != Status::kDone) return waited;
    ssize_t got = ::recv(fd_.get(), buffer, sizeof buffer, 0);
    if (got > 0) {
      reader_.feed(std::string_view(buffer, static_cast<std::size_t>(got)));
      continue;
    }
    if (got == 0) {
      cause_ = "closed by the peer";
      return Status::kEnd;
    }
    if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
    cause_ = std::strerror(errno);
    return Status::kEnd;
  }
}

FramedSocket::Status FramedSocket::write(const Json& message, Deadline deadline) {
  const std::string frame = encodeFrame(message);
  std::string_view left(frame);
  while (!left.empty()) {
    ssize_t sent = ::send(fd_.get(), left.data(), left.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      left.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      Status waited = waitFor(POLLOUT, deadline);
      if (waited != Status::kDone) return waited;
      continue;
    }
    cause_ = std::strerror(sent < 0 ? errno : EIO);
    return Status::kEnd;
  }
  return Status::kDone;
}

}  // namespace tev::rpc
