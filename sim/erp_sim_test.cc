#include "sim/erp_sim.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/error.h"
#include "common/fd.h"
#include "common/tcp.h"
#include "sim/erp_sim_client.h"
#include "sim/erp_sim_reply.h"

namespace tev::sim {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using Clock = std::chrono::steady_clock;

const std::string FS(1, kFs);

std::string call(std::string_view function, const std::vector<std::string>& values = {}) {
  return requestLine({}, functionServerBody("100", "tdilc0001", function, values));
}

// The simulator closed the connection: end of stream, or a reset when it closed with input unread.
bool ended(ErpSimClient& client) {
  try {
    return client.read().end();
  } catch (const Error&) {
    return true;
  }
}

class ErpSimTest : public ::testing::Test {
 protected:
  ErpSimClient connect() { return ErpSimClient(ErpSim::kHost, sim.port()); }

  ErpSim sim;
};

TEST_F(ErpSimTest, ScriptedRepliesGoOutInOrderThenTheDefaultReply) {
  sim.reply(ErpSimReply::success("first")).reply(ErpSimReply::record({"A", "B"}));
  ErpSimClient client = connect();
  EXPECT_EQ(client.exchange(call("f")), "SKM 0,0,first");
  EXPECT_EQ(client.exchange(call("f")), "SKM 1,98,A~B");
  EXPECT_EQ(client.exchange(call("f")), "SKM ~~NOTFOUND");
  sim.setDefaultReply("~~BUSY");
  EXPECT_EQ(client.exchange(call("f")), "SKM ~~BUSY");
  EXPECT_EQ(sim.queuedReplies(), 0u);
}

TEST_F(ErpSimTest, HandlerAnswersWhatTheQueueDoesNot) {
  sim.setHandler([](const ErpSimRequest& r) -> std::optional<ErpSimAction> {
    if (r.function == "skip") return std::nullopt;  // left to the default reply
    return ErpSimReply::success(r.function + ":" + std::to_string(r.values.size()));
  });
  sim.reply("0,0,queued");
  ErpSimClient client = connect();
  EXPECT_EQ(client.exchange(call("book", {"a", "b"})), "SKM 0,0,queued");
  EXPECT_EQ(client.exchange(call("book", {"a", "b"})), "SKM 0,0,book:2");
  EXPECT_EQ(client.exchange(call("skip")), "SKM ~~NOTFOUND");
}

TEST_F(ErpSimTest, HandlerThatThrowsClosesTheConnection) {
  sim.setHandler(
      [](const ErpSimRequest&) -> std::optional<ErpSimAction> { throw std::runtime_error("bug"); });
  ErpSimClient client = connect();
  client.send(call("f"));
  EXPECT_TRUE(ended(client));
  ASSERT_EQ(sim.records().size(), 1u);
  EXPECT_FALSE(sim.records()[0].reply.has_value());
}

TEST_F(ErpSimTest, RecordsEveryRequestParsedWithItsConnectionAndReply) {
  sim.setDefaultReply("0,0,");
  ErpSimClient first = connect();
  ErpSimClient second = connect();
  first.send(std::string(kHandshakeLine));  // recorded, never answered
  EXPECT_EQ(first.exchange(call("book", {"x"})), "SKM 0,0,");
  EXPECT_EQ(second.exchange(requestLine({}, queryBody("100", "s", "execute_query", {"W1"}, "/q", "1"))),
            "SKM 0,0,");
  first.send("");  // empty lines are skipped
  EXPECT_EQ(first.exchange(requestLine({"RF02", "", "demo", "Login"}, loginBody({"a", "b", "c", "d", "e"}))),
            "SKM 0,0,");

  std::vector<ErpSimRecord> records = sim.records();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].request.kind, RequestKind::kHandshake);
  EXPECT_FALSE(records[0].reply.has_value());
  EXPECT_EQ(records[1].request.kind, RequestKind::kFunctionServer);
  EXPECT_EQ(records[1].request.function, "book");
  EXPECT_THAT(records[1].request.values, ElementsAre("x"));
  EXPECT_EQ(records[1].connection, 1);
  EXPECT_EQ(records[1].reply, "SKM 0,0,\r\n");
  EXPECT_EQ(records[2].request.kind, RequestKind::kQuery);
  EXPECT_EQ(records[2].request.queryNo, "1");
  EXPECT_EQ(records[2].connection, 2);
  EXPECT_EQ(records[3].request.kind, RequestKind::kLogin);
  EXPECT_EQ(records[3].request.deviceId, "RF02");
  EXPECT_EQ(sim.requests().size(), 4u);
  EXPECT_EQ(sim.connectionsAccepted(), 2);

  sim.clearRecords();
  EXPECT_EQ(sim.requestCount(), 0u);
}

TEST_F(ErpSimTest, LineEndsMayBeCrLfOrCrAloneOrLfAlone) {
  sim.setDefaultReply("0,0,");
  ErpSimClient client = connect();
  client.sendRaw(call("a") + "\r" + call("b") + "\n" + call("c") + "\r\n");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(client.read().line, "SKM 0,0,");
  ASSERT_TRUE(sim.waitForRequests(3, 5s));
  std::vector<ErpSimRequest> requests = sim.requests();
  EXPECT_EQ(requests[0].function, "a");
  EXPECT_EQ(requests[2].function, "c");
}

TEST_F(ErpSimTest, CloseWithoutReplyOnceThenAnswersTheNextConnection) {
  sim.reply(ErpSimAction::closeWithoutReply()).reply("0,0,again");
  ErpSimClient client = connect();
  client.send(call("f"));
  EXPECT_TRUE(ended(client));
  ErpSimClient next = connect();
  EXPECT_EQ(next.exchange(call("f")), "SKM 0,0,again");
}

TEST_F(ErpSimTest, DropAlwaysClosesEveryConnectionUntilSwitchedOff) {
  sim.setDropAlways(true);
  sim.reply("0,0,kept");  // the scripted reply is used up, the connection still dropped
  for (int i = 0; i < 2; ++i) {
    ErpSimClient client = connect();
    client.send(call("f"));
    EXPECT_TRUE(ended(client));
  }
  sim.setDropAlways(false);
  EXPECT_EQ(connect().exchange(call("f")), "SKM ~~NOTFOUND");
}

TEST_F(ErpSimTest, RefusedConnectionsUntilAcceptingAgainOnTheSamePort) {
  sim.setDefaultReply("0,0,");
  ErpSimClient open = connect();
  EXPECT_EQ(open.exchange(call("f")), "SKM 0,0,");  // accepted before the listener closes
  int port = sim.port();
  sim.refuseConnections();
  EXPECT_FALSE(sim.accepting());
  EXPECT_THROW(ErpSimClient(ErpSim::kHost, port, 2000ms), Error);
  EXPECT_EQ(open.exchange(call("f")), "SKM 0,0,");  // an open connection is not affected
  sim.acceptConnections();
  EXPECT_EQ(sim.port(), port);
  EXPECT_EQ(connect().exchange(call("f")), "SKM 0,0,");
}

TEST_F(ErpSimTest, DelaysHoldTheReplyBack) {
  sim.setDefaultReply("0,0,");
  sim.reply(ErpSimAction("0,0,late").after(300ms));
  ErpSimClient client = connect();
  Clock::time_point start = Clock::now();
  EXPECT_EQ(client.exchange(call("f")), "SKM 0,0,late");
  EXPECT_GE(Clock::now() - start, 300ms);

  sim.setDelay(200ms);
  start = Clock::now();
  EXPECT_EQ(client.exchange(call("f")), "SKM 0,0,");
  EXPECT_GE(Clock::now() - start, 200ms);
  // Nothing arrives before the delay is over.
  client.send(call("f"));
  EXPECT_TRUE(client.read(50ms).timedOut());
  EXPECT_EQ(client.read().line, "SKM 0,0,");
}

TEST_F(ErpSimTest, SplitRepliesArriveInSeveralPiecesThatMakeOneLine) {
  sim.reply(ErpSimAction("1,98,ABCDEFGHIJ~KLMNOP").splitInto(3, 150ms));
  ErpSimClient client = connect();
  client.send(call("f"));
  char buffer[256];
  ReadResult first = readSome(client.fd(), buffer, sizeof buffer, 5000ms);
  ASSERT_TRUE(first.data());
  std::string whole = "SKM 1,98,ABCDEFGHIJ~KLMNOP\r\n";
  EXPECT_LT(first.bytes, whole.size());  // only the first piece so far
  std::string received(buffer, first.bytes);
  while (received.size() < whole.size()) {
    ReadResult more = readSome(client.fd(), buffer, sizeof buffer, 5000ms);
    ASSERT_TRUE(more.data());
    received.append(buffer, more.bytes);
  }
  EXPECT_EQ(received, whole);

  sim.setSplit(4, 10ms);
  sim.setDefaultReply("0,0,split");
  ErpSimClient reader = connect();
  EXPECT_EQ(reader.exchange(call("f")), "SKM 0,0,split");
}

TEST_F(ErpSimTest, UnsolicitedLinesStaleLinesAndGarbageReachTheClient) {
  sim.setDefaultReply("0,0,");
  ErpSimClient client = connect();
  EXPECT_EQ(client.exchange(call("f")), "SKM 0,0,");  // the connection is known to the simulator now

  sim.sendUnsolicited("SKM 0,0,unasked\r\n");
  EXPECT_EQ(client.read().line, "SKM 0,0,unasked");

  sim.reply(ErpSimAction("0,0,fresh").precededBy("SKM 1,98,stale\r\n"));
  EXPECT_EQ(client.exchange(call("f")), "SKM 1,98,stale");
  EXPECT_EQ(client.read().line, "SKM 0,0,fresh");

  std::string garbage("\xff\xfe\x00\x1cjunk\r\n", 10);
  sim.reply(ErpSimAction::raw(garbage));
  EXPECT_EQ(client.exchange(call("f")), garbage.substr(0, garbage.size() - 2));

  sim.reply(ErpSimAction::raw("no line end")).reply("0,0,after");
  client.send(call("f"));
  client.send(call("f"));
  EXPECT_EQ(client.read().line, "no line endSKM 0,0,after");
}

TEST_F(ErpSimTest, ReplyThenCloseAndClosingAllConnections) {
  sim.setDefaultReply("0,0,");
  sim.reply(ErpSimAction("0,0,bye").thenClose());
  ErpSimClient client = connect();
  EXPECT_EQ(client.exchange(call("f")), "SKM 0,0,bye");
  EXPECT_TRUE(ended(client));

  ErpSimClient a = connect();
  ErpSimClient b = connect();
  EXPECT_EQ(a.exchange(call("f")), "SKM 0,0,");
  EXPECT_EQ(b.exchange(call("f")), "SKM 0,0,");
  sim.closeConnections();
  EXPECT_TRUE(ended(a));
  EXPECT_TRUE(ended(b));
  EXPECT_TRUE(sim.waitForNoConnections(5s));
  EXPECT_EQ(connect().exchange(call("f")), "SKM 0,0,");
}

TEST_F(ErpSimTest, BadBytesFromAClientNeverStopTheSimulator) {
  sim.setDefaultReply("0,0,");
  {
    ErpSimClient client = connect();
    EXPECT_EQ(client.exchange(std::string("\xff\x00\x01\x1c\x1c\x1c\x1c\x1c garbage", 14)), "SKM 0,0,");
    // A line longer than the reader takes ends that connection only.
    try {
      client.sendRaw(std::string(3 * 1024 * 1024, 'x'));
    } catch (const Error&) {
      // the simulator may have closed before everything was written
    }
    EXPECT_TRUE(ended(client));
  }
  {
    ErpSimClient client = connect();
    client.sendRaw("half a line");
  }  // closed in the middle of a line
  EXPECT_EQ(connect().exchange(call("f")), "SKM 0,0,");
}

TEST_F(ErpSimTest, ManyConnectionsAtOnce) {
  sim.setHandler([](const ErpSimRequest& r) -> std::optional<ErpSimAction> {
    return ErpSimReply::record({r.deviceId, r.values.empty() ? "" : r.values[0]});
  });
  constexpr int kClients = 16;
  constexpr int kRequests = 25;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int c = 0; c < kClients; ++c) {
    threads.emplace_back([&, c] {
      try {
        ErpSimClient client(ErpSim::kHost, sim.port());
        RequestHeader h;
        h.deviceId = "RF" + std::to_string(c);
        for (int i = 0; i < kRequests; ++i) {
          std::string n = std::to_string(i);
          std::string reply = client.exchange(requestLine(h, functionServerBody("100", "s", "f", {n})));
          if (reply != "SKM 1,98," + h.deviceId + "~" + n) ++wrong;
        }
      } catch (const Error&) {
        ++wrong;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(sim.requestCount(), static_cast<std::size_t>(kClients * kRequests));
  EXPECT_EQ(sim.connectionsAccepted(), kClients);
  EXPECT_TRUE(sim.waitForNoConnections(5s));
}

TEST(ErpSimLifetime, DestructorEndsPendingDelaysAndOpenConnectionsPromptly) {
  std::optional<ErpSimClient> client;
  Clock::time_point start;
  {
    ErpSim sim;
    sim.setDelay(30s);
    client.emplace(ErpSim::kHost, sim.port());
    client->send(call("f"));
    ASSERT_TRUE(sim.waitForRequests(1, 5s));
    start = Clock::now();
  }
  EXPECT_LT(Clock::now() - start, 5s);
  EXPECT_TRUE(ended(*client));
}

TEST(ErpSimLifetime, OptionsChooseThePortAndThePrefix) {
  int port = 0;
  {
    ErpSim probe;
    port = probe.port();
  }
  ErpSim::Options options;
  options.port = port;
  options.replyPrefix = "RF01";
  ErpSim sim(options);
  EXPECT_EQ(sim.port(), port);
  sim.reply("0,0,");
  EXPECT_EQ(ErpSimClient(ErpSim::kHost, port).exchange(call("f")), "RF01 0,0,");
  EXPECT_THROW(ErpSim{options}, Error);  // the port is taken
}

}  // namespace
}  // namespace tev::sim
