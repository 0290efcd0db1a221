#include "rpc/rpc_server.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>

#include "common/error.h"
#include "rpc/args.h"
#include "rpc/framed_socket.h"
#include "rpc/rpc_client.h"
#include "rpc/rpc_error.h"
#include "rpc/rpc_test_support.h"

namespace tev::rpc {
namespace {

using namespace std::chrono_literals;
using testing::RawPeer;
using testing::unusedPort;

// A server with a few operations, started on an ephemeral port.
class RpcServerTest : public ::testing::Test {
 protected:
  RpcServerTest() : server_("Sample") {
    server_.handle("concat", [](const Json& json) {
      Args args("concat", json);
      args.expectCount(2);
      return Json(args.text(0) + args.text(1));
    });
    server_.handle("sum", [](const Json& json) {
      Args args("sum", json);
      long long total = 0;
      for (std::size_t i = 0; i < args.size(); ++i) total += args.integer(i);
      return Json(total);
    });
    server_.handle("nothing", [](const Json&) { return Json(); });
    server_.handle("fail", [](const Json&) -> Json { throw Error("Device not found: dev9"); });
    server_.handle("huge", [](const Json&) { return Json(std::string(kMaxFrameSize, 'x')); });
    server_.start();
  }

  RpcClient client(CallOptions options = {}) const {
    return RpcClient(server_.endpoint(), "Sample", options);
  }

  RpcServer server_;
};

TEST_F(RpcServerTest, CallCarriesArgumentsAndResult) {
  EXPECT_EQ(client().call("concat", Json::array({"dev", "7"})), "dev7");
  EXPECT_EQ(client().call("sum", Json::array({1, 2, 39})), 42);
  EXPECT_TRUE(client().call("nothing").is_null());
  // Time-outs too long to count mean "no limit".
  EXPECT_EQ(client({std::chrono::milliseconds::max(), std::chrono::milliseconds::max()}).call("sum"), 0);
  EXPECT_EQ(server_.endpoint().host, "127.0.0.1");
  EXPECT_GT(server_.port(), 0);
}

TEST_F(RpcServerTest, FailuresOfTheOperationReachTheCallerAsRemoteErrors) {
  struct Case {
    const char* op;
    Json args;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"fail", Json::array(), "Device not found: dev9"},
      {"nope", Json::array(), "unknown operation nope of Sample"},
      {"concat", Json::array({"a"}), "concat: expects 2 arguments, got 1"},
      {"concat", Json::array({"a", 5}), "concat: argument 2 must be a text"},
      {"sum", Json::array({1, "2"}), "sum: argument 2 must be a whole number"},
      {"huge", Json::array(),
       "cannot send the reply: cannot send a message of 16777225 bytes (limit 16777216)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.op);
    try {
      client().call(c.op, c.args);
      ADD_FAILURE() << "no error";
    } catch (const RemoteError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

TEST_F(RpcServerTest, DispatchChecksTheShapeOfARequest) {
  EXPECT_EQ(server_.dispatch(Json{{"args", Json::array()}}),
            (Json{{"error", "bad request: \"op\" must be a text"}}));
  EXPECT_EQ(server_.dispatch(Json{{"op", 3}}), (Json{{"error", "bad request: \"op\" must be a text"}}));
  EXPECT_EQ(server_.dispatch(Json{{"op", "sum"}, {"args", "1"}}),
            (Json{{"error", "bad request: \"args\" of sum must be a list"}}));
  // Missing arguments are an empty list.
  EXPECT_EQ(server_.dispatch(Json{{"op", "sum"}}), (Json{{"ok", 0}}));
}

TEST_F(RpcServerTest, OneConnectionCarriesSeveralCallsAndSurvivesErrors) {
  FramedSocket socket(tcpConnect("127.0.0.1", server_.port(), 2s));
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  Json reply;
  ASSERT_EQ(socket.write(Json{{"op", "fail"}}, deadline), FramedSocket::Status::kDone);
  ASSERT_EQ(socket.read(reply, deadline), FramedSocket::Status::kDone);
  EXPECT_EQ(reply, (Json{{"error", "Device not found: dev9"}}));
  ASSERT_EQ(socket.write(Json{{"op", "sum"}, {"args", {2, 3}}}, deadline), FramedSocket::Status::kDone);
  ASSERT_EQ(socket.read(reply, deadline), FramedSocket::Status::kDone);
  EXPECT_EQ(reply, (Json{{"ok", 5}}));
}

TEST_F(RpcServerTest, GarbageGetsAnErrorAndTheConnectionIsClosed) {
  Fd fd = tcpConnect("127.0.0.1", server_.port(), 2s);
  writeAll(fd.get(), std::string("\0\0\0\x05hello", 9));
  FramedSocket socket(std::move(fd));
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  Json reply;
  ASSERT_EQ(socket.read(reply, deadline), FramedSocket::Status::kDone);
  EXPECT_EQ(reply, (Json{{"error", "bad frame: body is not valid JSON"}}));
  EXPECT_EQ(socket.read(reply, deadline), FramedSocket::Status::kEnd);
  // Others are still served.
  EXPECT_EQ(client().call("sum", Json::array({1})), 1);
}

TEST_F(RpcServerTest, OversizedLengthIsRefusedWithoutReadingTheBody) {
  Fd fd = tcpConnect("127.0.0.1", server_.port(), 2s);
  writeAll(fd.get(), "\x7f\xff\xff\xff");
  FramedSocket socket(std::move(fd));
  Json reply;
  ASSERT_EQ(socket.read(reply, std::chrono::steady_clock::now() + 5s), FramedSocket::Status::kDone);
  EXPECT_EQ(reply["error"], "bad frame: length 2147483647 exceeds the limit of 16777216 bytes");
}

TEST_F(RpcServerTest, ManyClientsAtOnce) {
  std::vector<std::future<int>> results;
  for (int t = 0; t < 16; ++t) {
    results.push_back(std::async(std::launch::async, [this, t] {
      int good = 0;
      for (int i = 0; i < 20; ++i) {
        const std::string a = std::to_string(t);
        const std::string b = std::to_string(i);
        if (client().call("concat", Json::array({a, b})) == a + b) ++good;
      }
      return good;
    }));
  }
  for (auto& result : results) EXPECT_EQ(result.get(), 20);
}

TEST(RpcServer, CallsAreServedConcurrently) {
  // Each call waits until all four are inside the server: served one after the other, they would time out.
  constexpr int kCalls = 4;
  std::mutex mutex;
  std::condition_variable inside;
  int count = 0;
  RpcServer server("Gate");
  server.handle("enter", [&](const Json&) {
    std::unique_lock lock(mutex);
    ++count;
    inside.notify_all();
    return Json(inside.wait_for(lock, 5s, [&] { return count == kCalls; }));
  });
  server.start();
  std::vector<std::future<Json>> calls;
  for (int i = 0; i < kCalls; ++i) {
    calls.push_back(
        std::async(std::launch::async, [&] { return RpcClient(server.endpoint(), "Gate").call("enter"); }));
  }
  for (auto& call : calls) EXPECT_EQ(call.get(), true);
}

TEST(RpcClient, ServerThatNeverAnswersTimesOut) {
  RawPeer silent([](Fd fd) {
    // Reads the request and keeps the connection open without a word, until the client gives up.
    char buffer[256];
    while (readSome(fd.get(), buffer, sizeof buffer, 5s).data()) {
    }
  });
  CallOptions options;
  options.replyTimeout = 200ms;
  const auto started = std::chrono::steady_clock::now();
  try {
    RpcClient({"127.0.0.1", silent.port()}, "Silent", options).call("anything");
    ADD_FAILURE() << "no time-out";
  } catch (const CallTimeout& e) {
    EXPECT_EQ(std::string(e.what()), "call of anything on Silent at 127.0.0.1 port " +
                                         std::to_string(silent.port()) +
                                         " timed out: no reply within 200 ms");
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
}

TEST(RpcClient, ConnectionThatEndsBeforeTheReplyIsLost) {
  // Like a daemon that ends during the call.
  RawPeer quitter([](Fd fd) {
    char buffer[256];
    readSome(fd.get(), buffer, sizeof buffer, 5s);
  });
  try {
    RpcClient({"127.0.0.1", quitter.port()}, "TorvendAdminServer").call("shutdown");
    ADD_FAILURE() << "no error";
  } catch (const ConnectionLost& e) {
    EXPECT_NE(std::string(e.what()).find("call of shutdown on TorvendAdminServer at 127.0.0.1 port "),
              std::string::npos);
    EXPECT_NE(std::string(e.what()).find("broke off before the reply"), std::string::npos);
  }
}

TEST(RpcClient, RepliesThatAreNotOfTheProtocolAreProtocolErrors) {
  for (std::string answer : {std::string("\0\0\0\x02{}", 6), std::string("\0\0\0\x0c{\"error\":42}", 16),
                             std::string("\0\0\0\x02[]", 6), std::string("HTTP/1.0 400\r\n\r\n")}) {
    SCOPED_TRACE(answer);
    RawPeer liar([answer](Fd fd) {
      char buffer[256];
      readSome(fd.get(), buffer, sizeof buffer, 5s);
      writeAll(fd.get(), answer);
    });
    EXPECT_THROW(RpcClient({"127.0.0.1", liar.port()}, "Liar").call("op"), ProtocolError);
  }
}

TEST(RpcClient, NothingListeningIsARefusedCall) {
  const int port = unusedPort();
  try {
    RpcClient({"127.0.0.1", port}, "Gone").call("getHandlerID");
    ADD_FAILURE() << "no error";
  } catch (const CallRefused& e) {
    EXPECT_EQ(std::string(e.what()),
              "call of getHandlerID on Gone refused: cannot connect to 127.0.0.1 port " +
                  std::to_string(port) + ": Connection refused");
  }
}

TEST(RpcServer, StopEndsIdleConnectionsAndRefusesLaterCalls) {
  RpcServer server("Short");
  server.handle("ping", [](const Json&) { return Json("pong"); });
  server.start();
  EXPECT_EQ(RpcClient(server.endpoint(), "Short").call("ping"), "pong");
  // A connection that has been served and now waits for its next request.
  FramedSocket idle(tcpConnect("127.0.0.1", server.port(), 2s));
  Json reply;
  ASSERT_EQ(idle.write(Json{{"op", "ping"}}, FramedSocket::kNoDeadline), FramedSocket::Status::kDone);
  ASSERT_EQ(idle.read(reply, std::chrono::steady_clock::now() + 2s), FramedSocket::Status::kDone);
  const auto started = std::chrono::steady_clock::now();
  server.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
  EXPECT_EQ(idle.read(reply, std::chrono::steady_clock::now() + 2s), FramedSocket::Status::kEnd);
  EXPECT_THROW(RpcClient(server.endpoint(), "Short").call("ping"), CallRefused);
  server.stop();
}

TEST(RpcServer, RefusesMisuse) {
  RpcServer server("Once");
  server.start();
  EXPECT_THROW(server.start(), Error);
  EXPECT_THROW(server.handle("late", [](const Json&) { return Json(); }), Error);
  RpcServer rival("Rival", server.port());
  EXPECT_THROW(rival.start(), Error);
}

}  // namespace
}  // namespace tev::rpc
