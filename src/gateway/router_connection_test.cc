// Framing of reply lines on a real loopback connection: line ends across reads, the left-over limit, the
// end of the stream.
#include "gateway/router_connection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "common/fd.h"
#include "common/tcp.h"
#include "gateway/gateway_errors.h"

namespace tev {
namespace {

using namespace std::chrono_literals;

class RouterConnectionTest : public ::testing::Test {
 protected:
  RouterConnectionTest() : listener(TcpListener::listen(0, true)) {}

  // Connects and accepts; the server side is `peer`.
  std::unique_ptr<RouterConnection> open(const std::optional<std::string>& charset = std::nullopt) {
    auto connection = std::make_unique<RouterConnection>("127.0.0.1", listener.port(), charset, 5000ms);
    std::optional<Fd> accepted = listener.accept(5000ms);
    EXPECT_TRUE(accepted.has_value());
    if (accepted) peer = std::move(*accepted);
    return connection;
  }

  TcpListener listener;
  Fd peer;
};

TEST_F(RouterConnectionTest, LineEndsOfEveryKindAndAcrossWrites) {
  auto connection = open();
  writeAll(peer.get(), "one\r\ntwo\nthree\r");
  EXPECT_EQ(connection->readLine(), "one");
  EXPECT_EQ(connection->readLine(), "two");
  EXPECT_EQ(connection->readLine(), "three");
  std::this_thread::sleep_for(50ms);
  writeAll(peer.get(), "\nfour");  // the LF completes the CR above
  std::this_thread::sleep_for(50ms);
  writeAll(peer.get(), "\r\n");
  EXPECT_EQ(connection->readLine(), "four");
}

TEST_F(RouterConnectionTest, RequestLinesEndWithCrLf) {
  auto connection = open();
  connection->writeLine(
      "a\x1c"
      "b");
  char buffer[16];
  ReadResult result = readSome(peer.get(), buffer, sizeof buffer, 5000ms);
  EXPECT_EQ(std::string(buffer, result.bytes),
            "a\x1c"
            "b\r\n");
}

TEST_F(RouterConnectionTest, LeftOverIsTakenUpTo1024CharactersAtATime) {
  auto connection = open();
  EXPECT_EQ(connection->takeLeftOver(1024), "");
  writeAll(peer.get(), "sync\r\n" + std::string(1500, 'x') + "\r\n");
  EXPECT_EQ(connection->readLine(), "sync");
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(connection->takeLeftOver(1024), std::string(1024, 'x'));
  EXPECT_EQ(connection->readLine(), std::string(476, 'x'));
}

TEST_F(RouterConnectionTest, LeftOverCountsCharactersNotBytes) {
  auto connection = open();
  writeAll(peer.get(), "sync\r\n\xC3\xA9\xC3\xA9\xC3\xA9");
  EXPECT_EQ(connection->readLine(), "sync");
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(connection->takeLeftOver(2), "\xC3\xA9\xC3\xA9");
}

TEST_F(RouterConnectionTest, EndOfStreamGivesTheLastLineThenFails) {
  auto connection = open();
  writeAll(peer.get(), "partial");
  peer.reset();
  EXPECT_EQ(connection->readLine(), "partial");
  EXPECT_THROW(connection->readLine(), RouterIoError);
}

TEST_F(RouterConnectionTest, ConnectionFailures) {
  EXPECT_THROW(RouterConnection("127.0.0.1", 70000, std::nullopt, 1000ms), Error);
  EXPECT_THROW(RouterConnection("127.0.0.1", listener.port(), std::string("NO-SUCH-CHARSET"), 1000ms), Error);
  listener.close();
  EXPECT_THROW(RouterConnection("127.0.0.1", 1, std::nullopt, 1000ms), Error);
}

}  // namespace
}  // namespace tev
