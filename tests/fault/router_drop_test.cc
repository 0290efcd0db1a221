// A router that closes the connection instead of answering a booking: the request handler reconnects and
// sends the same line exactly once more. The simulator books a request only when it answers it, so the
// records show how often the booking was carried out: once when the resend is answered, never when the
// resend is dropped too, and never twice.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gateway/gateway_errors.h"
#include "gateway/gateway_test_support.h"

namespace tev::testing {
namespace {

using sim::ErpSimAction;
using sim::ErpSimReply;

class RouterDropTest : public GatewayTest {
 protected:
  bool book() { return handler->callFunctionServer("receive", {"a01", "5", "red"}, true, false); }

  // The request lines the simulator received (handshakes left out), and those it answered.
  std::vector<std::string> received() const { return sentLines(); }
  int answered() const {
    int count = 0;
    for (const sim::ErpSimRecord& record : sim.records())
      if (record.request.kind != sim::RequestKind::kHandshake && record.reply) ++count;
    return count;
  }
};

TEST_F(RouterDropTest, BookingClosedWithoutReplyIsResentOnceAndBookedOnce) {
  sim.reply(ErpSimAction::closeWithoutReply()).reply(ErpSimReply::success());
  EXPECT_TRUE(book());
  std::vector<std::string> lines = received();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], lines[1]);
  EXPECT_EQ(answered(), 1);
  EXPECT_EQ(sim.connectionsAccepted(), 2);
  EXPECT_EQ(transaction->transactionStatus, Transaction::AFTER_SUCCESSFUL_COMPLETION);
  // The operator is not troubled: no message waited for a key.
  EXPECT_EQ(peer.inputWaits(), 0);
  // The next booking goes out once on the new connection.
  sim.reply(ErpSimReply::success());
  EXPECT_TRUE(book());
  EXPECT_EQ(received().size(), 3u);
  EXPECT_EQ(answered(), 2);
}

TEST_F(RouterDropTest, BookingWhoseResendIsClosedTooIsNeverBookedAndFailsWithTheReadError) {
  // A third attempt would take the queued success and return normally.
  sim.reply(ErpSimAction::closeWithoutReply())
      .reply(ErpSimAction::closeWithoutReply())
      .reply(ErpSimReply::success());
  EXPECT_THROW(book(), RouterIoError);
  EXPECT_EQ(received().size(), 2u);  // the request and its one resend
  EXPECT_EQ(answered(), 0);
  EXPECT_EQ(sim.queuedReplies(), 1u);
  EXPECT_EQ(peer.inputWaits(), 0);  // the error goes to the caller; nothing is shown here
  EXPECT_TRUE(logs.contains("IO Error"));

  // The next booking starts afresh and is sent once.
  EXPECT_TRUE(book());
  EXPECT_EQ(received().size(), 3u);
  EXPECT_EQ(answered(), 1);
}

TEST_F(RouterDropTest, ReplyCutOffByTheCloseIsTakenAsItStandsAndNotResent) {
  // The end of the stream after an unterminated line gives that line (as a line reader does): the booking
  // was answered, so it is not sent again.
  sim.reply(ErpSimAction::raw("SKM 0,0,Booked").thenClose()).reply(ErpSimReply::success());
  EXPECT_TRUE(book());
  EXPECT_EQ(received().size(), 1u);
  EXPECT_EQ(peer.inputWaits(), 0);
  // The next booking finds the connection closed: it goes out once, on a new connection.
  EXPECT_TRUE(book());
  EXPECT_EQ(received().size(), 2u);
  EXPECT_EQ(sim.connectionsAccepted(), 2);
}

TEST_F(RouterDropTest, QueryClosedWithoutReplyIsResentOnce) {
  sim.reply(ErpSimAction::closeWithoutReply()).reply(ErpSimReply::sqlRow({"A01", "Blue", ""}));
  EXPECT_TRUE(handler->execSql("info", "item_info", {"a01"}, true));
  std::vector<std::string> lines = received();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], lines[1]);
  EXPECT_EQ(std::get<QryRow>(transaction->qryResults.at("info")).at("t.item"), "A01");

  sim.reply(ErpSimAction::closeWithoutReply())
      .reply(ErpSimAction::closeWithoutReply())
      .reply(ErpSimReply::sqlRow({"B02", "Red", ""}));
  EXPECT_THROW(handler->execSql("info", "item_info", {"b02"}, true), RouterIoError);
  EXPECT_EQ(received().size(), 4u);
  EXPECT_EQ(sim.queuedReplies(), 1u);  // no third attempt took the row
}

}  // namespace
}  // namespace tev::testing
