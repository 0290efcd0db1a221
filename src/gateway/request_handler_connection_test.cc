// The router connection as the request handler uses it: lazy connection and attempts, handshake, encoding,
// stale input, the single reconnect-and-resend, split and malformed replies.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "gateway/gateway_test_support.h"

namespace tev::testing {
namespace {

using namespace std::chrono_literals;
using sim::ErpSimAction;
using sim::ErpSimReply;
using ::testing::ElementsAre;

const std::string kReceiveLine = "RF01" + FS + "USER1" + FS + "prod" + FS + "Receipts" + FS +
                                 " DDCAB1,3,tdilc0001,f.receive,A01,5,red| large";

class ConnectionTest : public GatewayTest {
 protected:
  bool receive() { return handler->callFunctionServer("receive", {"a01", "5", "red, large"}, true, false); }
};

TEST_F(ConnectionTest, ConnectsOnFirstRequestAndKeepsTheConnection) {
  sim.reply(ErpSimReply::success()).reply(ErpSimReply::success());
  EXPECT_FALSE(handler->isConnected());
  EXPECT_TRUE(receive());
  EXPECT_TRUE(receive());
  EXPECT_THAT(sentLines(), ElementsAre(kReceiveLine, kReceiveLine));
  EXPECT_EQ(sim.connectionsAccepted(), 1);
  EXPECT_TRUE(logs.contains("Connected to Skerrymantle successfully"));
  EXPECT_TRUE(logs.contains("Received Input\nSKM 0,0,"));
}

TEST_F(ConnectionTest, InitializeConnectsAndReportsTheMissingQueryList) {
  // No file locator: there is no standard query list, so initialize reports failure after connecting.
  EXPECT_FALSE(handler->initialize());
  EXPECT_TRUE(handler->isConnected());
  EXPECT_TRUE(logs.contains("Failed to load the sql list file: "));
}

TEST_F(ConnectionTest, HandshakeFollowsEveryConnection) {
  writeSettings({{{"skerrymantle", "hand_shake_in_use"}, "yes"}});
  sim.reply(ErpSimAction::closeWithoutReply()).reply(ErpSimReply::success());
  EXPECT_TRUE(receive());
  std::vector<sim::ErpSimRecord> records = sim.records();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].request.kind, sim::RequestKind::kHandshake);
  EXPECT_EQ(records[0].connection, 1);
  EXPECT_EQ(records[2].request.kind, sim::RequestKind::kHandshake);
  EXPECT_EQ(records[2].connection, 2);
}

TEST_F(ConnectionTest, NoRouterMeansEveryAttemptThenConnectionMessage) {
  sim.refuseConnections();
  peer.enter();
  EXPECT_FALSE(handler->initialize());
  EXPECT_EQ(sleeper.sleeps, (std::vector<std::chrono::milliseconds>{1000ms, 1000ms}));
  sleeper.sleeps.clear();
  try {
    receive();
    FAIL() << "no exception";
  } catch (const DriverDownException& e) {
    EXPECT_EQ(e.getMessage(), "Skerrymantle is Down");
  }
  EXPECT_EQ(sleeper.sleeps.size(), 2u);
  EXPECT_EQ(errorLine(shownAt(0)), "No connection");
  EXPECT_TRUE(logs.contains(" Failed to open up connection to Skerrymantle"));
}

TEST_F(ConnectionTest, RetryCountZeroMakesNoAttempt) {
  writeSettings({{{"skerrymantle", "retry_count"}, "0"}});
  peer.enter();
  EXPECT_THROW(receive(), DriverDownException);
  EXPECT_TRUE(sleeper.sleeps.empty());
  EXPECT_EQ(sim.connectionsAccepted(), 0);
}

TEST_F(ConnectionTest, UnknownEncodingFailsEveryAttempt) {
  writeSettings({{{"skerrymantle", "encoding"}, "NO-SUCH-CHARSET-42"}});
  peer.enter();
  EXPECT_THROW(receive(), DriverDownException);
  EXPECT_EQ(sleeper.sleeps.size(), 2u);
  EXPECT_EQ(sim.connectionsAccepted(), 0);
}

TEST_F(ConnectionTest, RepliesAreDecodedWithTheConfiguredEncoding) {
  writeSettings({{{"skerrymantle", "encoding"}, "ISO-8859-1"}});
  sim.reply(ErpSimAction::raw("SKM 1,98,Caf\xE9~Cr\xE8me\r\n"));
  EXPECT_THROW(receive(), FunctionServerFailedException);
  EXPECT_THAT(transaction->fserverMesgFields, ElementsAre("Café", "Crème"));
}

TEST_F(ConnectionTest, RouterClosingBetweenRequestsIsInvisibleToTheOperator) {
  sim.reply(ErpSimReply::success()).reply(ErpSimReply::success());
  EXPECT_TRUE(receive());
  sim.closeConnections();
  EXPECT_TRUE(receive());
  EXPECT_EQ(sim.connectionsAccepted(), 2);
  EXPECT_EQ(peer.inputWaits(), 0);
}

TEST_F(ConnectionTest, DroppedRequestIsResentOnceOnANewConnection) {
  sim.reply(ErpSimAction::closeWithoutReply()).reply(ErpSimReply::record({"A01", "Blue"}));
  EXPECT_THROW(receive(), FunctionServerFailedException);
  EXPECT_THAT(transaction->fserverMesgFields, ElementsAre("A01", "Blue"));
  std::vector<sim::ErpSimRecord> records = sim.records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].request.raw, records[1].request.raw);
  EXPECT_EQ(records[0].connection, 1);
  EXPECT_EQ(records[1].connection, 2);
  EXPECT_TRUE(logs.contains("IO Error"));
  EXPECT_TRUE(
      logs.contains(" Re-established connection with Skerrymantle and sending data = " + kReceiveLine));
  EXPECT_EQ(peer.inputWaits(), 0);
}

TEST_F(ConnectionTest, FailedResendPassesTheReadErrorOn) {
  sim.setDropAlways(true);
  EXPECT_THROW(receive(), RouterIoError);
  EXPECT_EQ(sim.requestCount(), 2u);  // the request and its one resend
  EXPECT_EQ(peer.inputWaits(), 0);
  // The next request starts afresh: connect, send, resend.
  sim.setDropAlways(false);
  sim.reply(ErpSimReply::success());
  EXPECT_TRUE(receive());
}

TEST_F(ConnectionTest, LostConnectionThatCannotBeReopenedBeepsThreeTimes) {
  sim.reply(ErpSimReply::success());
  EXPECT_TRUE(receive());
  sim.refuseConnections();
  sim.closeConnections();
  peer.enter();
  const int bellsBefore = peer.screen().bells();
  try {
    receive();
    FAIL() << "no exception";
  } catch (const DriverDownException& e) {
    EXPECT_EQ(e.getMessage(), "Skerrymantle is Down");
  }
  EXPECT_EQ(shownAt(0).bells() - bellsBefore, 3);
  EXPECT_EQ(errorLine(shownAt(0)), "No connection");
}

TEST_F(ConnectionTest, ReplySplitOverSeveralWritesIsReadWhole) {
  sim.reply(ErpSimAction(ErpSimReply::record({"A01", "Blue", "12"})).splitInto(4, 20ms));
  EXPECT_THROW(receive(), FunctionServerFailedException);
  EXPECT_THAT(transaction->fserverMesgFields, ElementsAre("A01", "Blue", "12"));
}

TEST_F(ConnectionTest, StaleInputIsDiscardedBeforeTheNextRequest) {
  sim.reply(ErpSimReply::success());
  EXPECT_TRUE(receive());
  sim.sendUnsolicited("SKM 1,98,stale~row\r\n");
  std::this_thread::sleep_for(200ms);
  sim.reply(ErpSimReply::record({"fresh"}));
  EXPECT_THROW(receive(), FunctionServerFailedException);
  EXPECT_THAT(transaction->fserverMesgFields, ElementsAre("fresh"));
  EXPECT_TRUE(logs.contains("Throwing Leftover Data\nSKM 1,98,stale~row"));
}

TEST_F(ConnectionTest, MalformedReplyReachesTheOperatorAsDriverFailure) {
  sim.reply(ErpSimAction::raw("\xff\xfe garbage\r\n"));
  peer.enter();
  try {
    receive();
    FAIL() << "no exception";
  } catch (const DriverDownException& e) {
    EXPECT_EQ(e.getMessage(), "DDC Driver is down");
  }
  EXPECT_EQ(errorLine(shownAt(0)), "garbage");
  EXPECT_EQ(transaction->transactionStatus, Transaction::AFTER_PROCESSING_ERROR);
  // The connection stays usable.
  sim.reply(ErpSimReply::success());
  EXPECT_TRUE(receive());
}

TEST_F(ConnectionTest, ReplyWithoutBlankIsReadFromItsFirstCharacter) {
  sim.reply(ErpSimAction::raw("1,98,A,B~C\r\n"));
  EXPECT_THROW(receive(), FunctionServerFailedException);
  EXPECT_EQ(transaction->fserverMesg, "A,B~C");
}

}  // namespace
}  // namespace tev::testing
