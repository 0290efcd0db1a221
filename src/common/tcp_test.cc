#include "common/tcp.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <chrono>
#include <vector>

#include "common/error.h"

namespace tev {
namespace {

using namespace std::chrono_literals;
using ::testing::AllOf;
using ::testing::HasSubstr;

bool isCloseOnExec(int fd) {
  return (::fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0;
}
bool isNonBlocking(int fd) {
  return (::fcntl(fd, F_GETFL) & O_NONBLOCK) != 0;
}

std::string receive(int fd, std::size_t n) {
  std::string text;
  char buf[256];
  while (text.size() < n) {
    ReadResult r = readSome(fd, buf, std::min(sizeof buf, n - text.size()), 5s);
    if (!r.data()) break;
    text.append(buf, r.bytes);
  }
  return text;
}

bool haveIpv6Loopback() {
  Fd probe(::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!probe) return false;
  sockaddr_in6 a{};
  a.sin6_family = AF_INET6;
  a.sin6_addr = in6addr_loopback;
  return ::bind(probe.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

TEST(Tcp, ConnectAcceptAndTalkBothWays) {
  TcpListener listener = TcpListener::listen(0, true);
  ASSERT_GT(listener.port(), 0);
  EXPECT_TRUE(isCloseOnExec(listener.fd()));

  Fd client = tcpConnect("127.0.0.1", listener.port(), 2s);
  auto accepted = listener.acceptWithPeer(2s);
  ASSERT_TRUE(accepted);
  EXPECT_EQ(accepted->peerAddress, "127.0.0.1");
  EXPECT_GT(accepted->peerPort, 0);

  // Both ends are close-on-exec and blocking, whatever the listener or the connect used internally.
  for (int fd : {client.get(), accepted->fd.get()}) {
    EXPECT_TRUE(isCloseOnExec(fd));
    EXPECT_FALSE(isNonBlocking(fd));
  }
  EXPECT_EQ(peerAddress(client.get()), "127.0.0.1");

  writeAll(client.get(), "ping\r\n");
  EXPECT_EQ(receive(accepted->fd.get(), 6), "ping\r\n");
  writeAll(accepted->fd.get(), "pong");
  EXPECT_EQ(receive(client.get(), 4), "pong");
  accepted->fd.reset();
  char buf[4];
  EXPECT_TRUE(readSome(client.get(), buf, sizeof buf, 2s).end());
}

TEST(Tcp, ConnectByNameAndPlainAccept) {
  TcpListener listener = TcpListener::listen(0, true);
  Fd client = tcpConnect("localhost", listener.port(), 2s);  // may try ::1 first; 127.0.0.1 then answers
  std::optional<Fd> server = listener.accept(2s);
  ASSERT_TRUE(server);
  EXPECT_TRUE(server->valid());
}

TEST(Tcp, AllAddressesListenerShowsIpv4ClientsAsPlainIpv4) {
  TcpListener listener = TcpListener::listen(0, false);
  Fd v4 = tcpConnect("127.0.0.1", listener.port(), 2s);
  auto first = listener.acceptWithPeer(2s);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->peerAddress, "127.0.0.1");  // not "::ffff:127.0.0.1"

  if (!haveIpv6Loopback()) GTEST_SKIP() << "no IPv6 loopback here";
  Fd v6 = tcpConnect("::1", listener.port(), 2s);
  auto second = listener.acceptWithPeer(2s);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->peerAddress, "::1");
}

TEST(Tcp, AcceptTimesOut) {
  TcpListener listener = TcpListener::listen(0, true);
  auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(listener.acceptWithPeer(150ms));
  auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_GE(waited, 140ms);
  EXPECT_LT(waited, 3s);
  EXPECT_FALSE(listener.accept(0ms));

  listener.close();
  EXPECT_THROW(listener.accept(0ms), Error);
}

TEST(Tcp, ConnectRefusedNamesHostPortAndCause) {
  int port = 0;
  {
    TcpListener listener = TcpListener::listen(0, true);
    port = listener.port();
  }
  EXPECT_THAT([&] { tcpConnect("127.0.0.1", port, 2s); },
              ::testing::ThrowsMessage<Error>(AllOf(HasSubstr("127.0.0.1 port " + std::to_string(port)),
                                                    HasSubstr("Connection refused"))));
}

TEST(Tcp, ConnectToAFullListenerTimesOut) {
  // A listener that never accepts: once its queue is full the kernel drops further handshakes, so the
  // next connect neither succeeds nor is refused.
  TcpListener listener = TcpListener::listen(0, true, 0);
  std::vector<Fd> queued;
  for (int i = 0; i < 8; ++i) {
    try {
      queued.push_back(tcpConnect("127.0.0.1", listener.port(), 200ms));
    } catch (const Error& e) {
      EXPECT_THAT(e.what(), AllOf(HasSubstr("127.0.0.1 port " + std::to_string(listener.port())),
                                  HasSubstr("timed out after 200 ms")));
      return;
    }
  }
  GTEST_SKIP() << "this system kept accepting handshakes into a full queue";
}

TEST(Tcp, BadArgumentsAndBusyPort) {
  EXPECT_THROW(tcpConnect("127.0.0.1", 0, 1s), Error);
  EXPECT_THROW(tcpConnect("127.0.0.1", 70000, 1s), Error);
  EXPECT_THROW(tcpConnect("", 80, 1s), Error);
  EXPECT_THROW(TcpListener::listen(-1, true), Error);
  EXPECT_THROW(TcpListener::listen(65536, true), Error);

  TcpListener first = TcpListener::listen(0, true);
  EXPECT_THAT([&] { TcpListener::listen(first.port(), true); },
              ::testing::ThrowsMessage<Error>(AllOf(HasSubstr("port " + std::to_string(first.port())),
                                                    HasSubstr("Address already in use"))));
}

TEST(Tcp, NoDelay) {
  TcpListener listener = TcpListener::listen(0, true);
  Fd client = tcpConnect("127.0.0.1", listener.port(), 2s);
  setTcpNoDelay(client.get());
  int on = 0;
  socklen_t len = sizeof on;
  ASSERT_EQ(::getsockopt(client.get(), IPPROTO_TCP, TCP_NODELAY, &on, &len), 0);
  EXPECT_NE(on, 0);
}

}  // namespace
}  // namespace tev
