// RTCIM requests: the plain function text in a " DDC" or " SQL" line, data replies stored as one row (a
// success), error lists shown by a caller's message id, and a connection that cannot be reopened.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gateway/back_end_test_support.h"

namespace tev::testing {
namespace {

using sim::ErpSimReply;
using Values = std::vector<std::string>;

class RtcimTest : public BackEndTest {};

TEST_F(RtcimTest, FunctionTextGoesAsTransactionOrQuery) {
  sim.reply(ErpSimReply::success()).reply(ErpSimReply::success()).reply(ErpSimReply::success());
  EXPECT_TRUE(handler->executeRtcimTransaction("getStock", "stock", Values{"A1", "1,5"}, true, false));
  EXPECT_TRUE(handler->executeRtcimQuery("getStock", "stock", Values{"A1", "W2"}, true));
  EXPECT_TRUE(handler->executeRtcimMessage("ping", "r", Values{}, "DDC", true, false));
  const std::string header = "RF01" + FS + "USER1" + FS + "prod" + FS + "Receipts" + FS;
  EXPECT_EQ(sentLines()[0], header + " DDCAB1,2,getStock,A1,1,5");  // the comma inside a value stays
  EXPECT_EQ(sentLines()[1], header + " SQLAB1,2,getStock,A1,W2");
  EXPECT_EQ(sentLines()[2], header + " DDCAB1,0,ping,");
  const sim::ErpSimRequest query = sim.requests()[1];
  EXPECT_EQ(query.path, sim::BackEndPath::kRoutedSql);
  EXPECT_EQ(query.function, "getStock");
  EXPECT_EQ(query.values, (Values{"A1", "W2"}));
  EXPECT_EQ(screen.take(), "line:Transaction Sent");  // only the query showed its success
}

TEST_F(RtcimTest, DataReplyStoresTheQueryResultRow) {
  const std::vector<std::pair<std::string, QryRow>> cases = {
      {"<r><query_result><item>A1</item><qty/></query_result></r>", {{"item", "A1"}, {"qty", ""}}},
      {"<r><query_result><d>A&B</d><e>&lt;</e></query_result></r>", {{"d", "A&B"}, {"e", "&lt;"}}},
      {"<r><query_result><d>Grüße 東京</d></query_result><query_result><x/></query_result></r>",
       {{"d", "Grüße 東京"}}},
  };
  for (const auto& [fragment, row] : cases) {
    SCOPED_TRACE(fragment);
    sim.reply("1,98," + fragment);
    EXPECT_EQ(outcome([&] { return handler->executeRtcimQuery("getStock", "stock", Values{"A1"}, true); }),
              "true");
    EXPECT_EQ(std::get<QryRow>(transaction->qryResults["stock"]), row);
    EXPECT_EQ(transaction->fserverErrorCode, "98");
    EXPECT_EQ(transaction->fserverMesg, fragment);
  }
  sim.reply("1,99,<r><other/></r>");
  EXPECT_EQ(outcome([&] { return handler->executeRtcimQuery("getStock", "stock", Values{"A1"}, true); }),
            "XmlReplyError");
  sim.reply("1,98,<r><query_result>");
  EXPECT_EQ(outcome([&] { return handler->executeRtcimQuery("getStock", "stock", Values{"A1"}, true); }),
            "XmlReplyError");
}

TEST_F(RtcimTest, ErrorListIsShownByTheCallersMessageOnce) {
  sim.reply(
         "1,5,e1,first\x1c"
         "0,6,e2")
      .reply("1,5,e1,first");
  EXPECT_EQ(
      outcome([&] { return handler->executeRtcimQuery("getStock", "s", Values{}, true, "item_not_found"); }),
      "FunctionServerFailed: Function call failed");
  EXPECT_EQ(screen.take(), "windowId:Error Message|item_not_found|continue");
  EXPECT_EQ(transaction->fserverMesgFields, (Values{"e1,first", "e2"}));
  EXPECT_EQ(outcome([&] { return handler->executeRtcimTransaction("getStock", "s", Values{}, true); }),
            "FunctionServerFailed: Function call failed");
  EXPECT_EQ(screen.take(), "beep 2 / baan:e1,first");
  EXPECT_EQ(transaction->fserverErrorCode, "5");
  EXPECT_EQ(transaction->fserverMesg, "e1,first");
}

TEST_F(RtcimTest, LostConnectionThatCannotBeReopenedBeepsThreeTimes) {
  sim.reply(ErpSimReply::success());
  EXPECT_TRUE(handler->executeRtcimTransaction("a", "r", Values{}, true, false));
  sim.refuseConnections();
  sim.closeConnections();
  EXPECT_EQ(outcome([&] { return handler->executeRtcimTransaction("a", "r", Values{}, true, false); }),
            "DriverDown: Skerrymantle is Down");
  EXPECT_EQ(screen.take(), "beep 3 / id:unable_to_establish_connection");
}

}  // namespace
}  // namespace tev::testing
