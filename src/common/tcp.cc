#include "common/tcp.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "common/error.h"

namespace tev {

namespace {

std::string endpoint(const std::string& host, int port) {
  return host + " port " + std::to_string(port);
}

[[noreturn]] void failConnect(const std::string& host, int port, const std::string& cause) {
  throw Error("cannot connect to " + endpoint(host, port) + ": " + cause);
}

// Text of a socket address; IPv4-mapped IPv6 addresses come out as plain IPv4.
std::string addressText(const sockaddr_storage& address, int* port) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET) {
    const auto& in = reinterpret_cast<const sockaddr_in&>(address);
    ::inet_ntop(AF_INET, &in.sin_addr, text, sizeof text);
    if (port) *port = ntohs(in.sin_port);
    return text;
  }
  if (address.ss_family == AF_INET6) {
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(address);
    if (port) *port = ntohs(in6.sin6_port);
    if (IN6_IS_ADDR_V4MAPPED(&in6.sin6_addr)) {
      ::inet_ntop(AF_INET, in6.sin6_addr.s6_addr + 12, text, sizeof text);
    } else {
      ::inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text);
    }
    return text;
  }
  if (port) *port = 0;
  return "unknown address family " + std::to_string(address.ss_family);
}

// One non-blocking connect attempt bounded by deadline; returns the socket, or sets err (ETIMEDOUT when
// the deadline passed).
Fd connectOne(const addrinfo& ai, std::chrono::steady_clock::time_point deadline, bool unlimited, int& err) {
  Fd fd(::socket(ai.ai_family, ai.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai.ai_protocol));
  if (!fd) {
    err = errno;
    return Fd();
  }
  if (::connect(fd.get(), ai.ai_addr, ai.ai_addrlen) != 0) {
    if (errno != EINPROGRESS && errno != EINTR) {
      err = errno;
      return Fd();
    }
    for (;;) {
      pollfd p{fd.get(), POLLOUT, 0};
      int ready = ::poll(&p, 1, detail::pollTimeoutUntil(deadline, unlimited));
      if (ready < 0 && errno == EINTR) continue;
      if (ready < 0) {
        err = errno;
        return Fd();
      }
      if (ready == 0) {
        err = ETIMEDOUT;
        return Fd();
      }
      break;
    }
    int soError = 0;
    socklen_t len = sizeof soError;
    if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &soError, &len) != 0) soError = errno;
    if (soError != 0) {
      err = soError;
      return Fd();
    }
  }
  setNonBlocking(fd.get(), false);
  return fd;
}

}  // namespace

Fd tcpConnect(const std::string& host, int port, std::chrono::milliseconds timeout) {
  if (port < 1 || port > 65535) failConnect(host, port, "invalid port");
  if (host.empty()) failConnect(host, port, "no host given");
  ignoreSigpipe();
  const bool unlimited = timeout.count() < 0;
  const auto deadline = detail::deadlineAfter(timeout);

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  int rc = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (rc != 0) {
    failConnect(host, port,
                std::string("cannot resolve host name: ") +
                    (rc == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(rc)));
  }
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> list(found, &::freeaddrinfo);

  int err = EHOSTUNREACH;
  bool timedOut = false;
  for (const addrinfo* ai = list.get(); ai != nullptr; ai = ai->ai_next) {
    int attemptErr = 0;
    Fd fd = connectOne(*ai, deadline, unlimited, attemptErr);
    if (fd) return fd;
    if (attemptErr == ETIMEDOUT && !unlimited && std::chrono::steady_clock::now() >= deadline) {
      timedOut = true;
      break;
    }
    err = attemptErr;
  }
  if (timedOut) failConnect(host, port, "timed out after " + std::to_string(timeout.count()) + " ms");
  failConnect(host, port, std::strerror(err));
}

void setTcpNoDelay(int fd) {
  int on = 1;
  if (::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) {
    detail::throwSystemError("cannot set TCP_NODELAY on descriptor " + std::to_string(fd), errno);
  }
}

std::string peerAddress(int fd) {
  sockaddr_storage address{};
  socklen_t len = sizeof address;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &len) != 0) {
    detail::throwSystemError("cannot get the peer address of descriptor " + std::to_string(fd), errno);
  }
  return addressText(address, nullptr);
}

TcpListener TcpListener::listen(int port, bool loopbackOnly, int backlog) {
  const std::string what =
      "cannot listen on " + std::string(loopbackOnly ? "127.0.0.1 " : "") + "port " + std::to_string(port);
  if (port < 0 || port > 65535) throw Error(what + ": invalid port");
  ignoreSigpipe();

  Fd fd;
  if (!loopbackOnly) {
    // One dual-stack socket takes IPv6 and IPv4 clients; IPv4 clients appear as IPv4-mapped addresses.
    fd.reset(::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (fd) {
      int on = 1;
      int off = 0;
      ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
      ::setsockopt(fd.get(), IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
      sockaddr_in6 any{};
      any.sin6_family = AF_INET6;
      any.sin6_addr = in6addr_any;
      any.sin6_port = htons(static_cast<uint16_t>(port));
      if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
        if (errno != EAFNOSUPPORT && errno != EADDRNOTAVAIL) detail::throwSystemError(what, errno);
        fd.reset();
      }
    } else if (errno != EAFNOSUPPORT) {
      detail::throwSystemError(what, errno);
    }
  }
  if (!fd) {
    fd.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) detail::throwSystemError(what, errno);
    int on = 1;
    ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_addr.s_addr = htonl(loopbackOnly ? INADDR_LOOPBACK : INADDR_ANY);
    in.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&in), sizeof in) != 0)
      detail::throwSystemError(what, errno);
  }
  if (::listen(fd.get(), backlog) != 0) detail::throwSystemError(what, errno);

  sockaddr_storage bound{};
  socklen_t len = sizeof bound;
  if (::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&bound), &len) != 0)
    detail::throwSystemError(what, errno);
  int actualPort = 0;
  addressText(bound, &actualPort);
  return TcpListener(std::move(fd), actualPort);
}

std::optional<Fd> TcpListener::accept(std::chrono::milliseconds timeout) {
  auto connection = acceptWithPeer(timeout);
  if (!connection) return std::nullopt;
  return std::move(connection->fd);
}

std::optional<AcceptedConnection> TcpListener::acceptWithPeer(std::chrono::milliseconds timeout) {
  const std::string what = "cannot accept on port " + std::to_string(port_);
  if (!fd_) throw Error(what + ": not listening");
  const bool unlimited = timeout.count() < 0;
  const auto deadline = detail::deadlineAfter(timeout);
  for (;;) {
    pollfd p{fd_.get(), POLLIN, 0};
    int ready = ::poll(&p, 1, detail::pollTimeoutUntil(deadline, unlimited));
    if (ready < 0 && errno != EINTR) detail::throwSystemError(what, errno);
    if (ready == 0) return std::nullopt;
    if (ready > 0) {
      sockaddr_storage address{};
      socklen_t len = sizeof address;
      // The listening socket is non-blocking, so a connection that vanished after poll costs one more round.
      Fd fd(::accept4(fd_.get(), reinterpret_cast<sockaddr*>(&address), &len, SOCK_CLOEXEC));
      if (fd) {
        AcceptedConnection connection;
        connection.peerAddress = addressText(address, &connection.peerPort);
        connection.fd = std::move(fd);
        return connection;
      }
      if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED &&
          errno != EPROTO) {
        detail::throwSystemError(what, errno);
      }
    }
    if (!unlimited && std::chrono::steady_clock::now() >= deadline) return std::nullopt;
  }
}

}  // namespace tev
