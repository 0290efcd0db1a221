// Syteline requests: the query and update documents in an "SQL" request line, the collection and result
// replies, errors with placeholders, and statements that cannot be sent.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gateway/back_end_test_support.h"

namespace tev::testing {
namespace {

using sim::ErpSimReply;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using Rows = RequestHandler::Rows;
using Fields = std::vector<std::pair<std::string, std::string>>;

class SytelineTest : public BackEndTest {
 protected:
  SytelineTest() {
    transaction->sqlStatements["item_info"]->queryNo = "Q7";
    auto line = std::make_shared<FServerStatement>();
    line->id = "line";
    line->fserverName = "Lines";
    line->addArgument("pos", std::nullopt);
    line->addArgument("qty", std::nullopt);
    transaction->fserverStatements["line"] = line;
  }
  std::string query(const std::string& id = "item_info", bool showErrors = true) {
    return outcome([&] { return handler->execSytelineQuery(id, {"a<b&c"}, showErrors); });
  }
  std::string update(bool showErrors = true, bool showSuccess = true) {
    return outcome([&] {
      return handler->execSytelineUpdate("receive", {"a01", "5", "x>y"}, "out", showErrors, showSuccess);
    });
  }
};

TEST_F(SytelineTest, QueryDocumentTravelsInAnSqlLine) {
  sim.reply(ErpSimReply::sytelineResult({}));
  EXPECT_EQ(query(), "true");
  const std::string line = sentLines()[0];
  EXPECT_THAT(
      line, MatchesRegex("RF01" + FS + "USER1" + FS + "prod" + FS + "Receipts" + FS + "SQLAB1,AB" + FS + "N" +
                         FS + FS +
                         " <sytelineQueryRequest><username>USER1</username><deviceId>RF01</deviceId>"
                         "<datetime>[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}</datetime>"
                         "<queryName>Q7</queryName><inputs><fieldValueList><name>item</name>"
                         "<value>a&lt;b&amp;c</value></fieldValueList></inputs></sytelineQueryRequest>"));
  const sim::ErpSimRequest request = sim.requests()[0];
  EXPECT_EQ(request.path, sim::BackEndPath::kSyteline);
  EXPECT_EQ(request.sytelineRoot, "sytelineQueryRequest");
  EXPECT_EQ(request.sytelineName, "Q7");
  EXPECT_EQ(request.sytelineInputs, (Fields{{"item", "a<b&c"}}));
  EXPECT_EQ(std::get<QryRow>(transaction->qryResults["item_info"]), QryRow{});  // the empty table stands

  transaction->sqlStatements["item_info"]->rowType = "Single";  // letter case counts for the row kind
  ErpSimReply::SytelineResult two;
  two.rows = {{{"item", "A1"}}, {{"item", "B2"}}};
  sim.reply(ErpSimReply::sytelineResult(two));
  EXPECT_EQ(query(), "true");
  EXPECT_EQ(sim.requests()[1].rowKind, "F");
  EXPECT_EQ(std::get<QryRow>(transaction->qryResults["item_info"]), (QryRow{{"item", "A1"}}));
}

TEST_F(SytelineTest, CollectionRepliesBecomeRows) {
  sim.reply(ErpSimReply::sytelineCollection({"item", "qty"}, {{"A1", "5"}, {"B2", ""}}));
  EXPECT_EQ(query("item_list"), "true");
  EXPECT_EQ(std::get<std::vector<QryRow>>(transaction->qryResults["item_list"]),
            (std::vector<QryRow>{{{"item", "A1"}, {"qty", "5"}}, {{"item", "B2"}, {"qty", ""}}}));
  EXPECT_EQ(transaction->qryResultsIndices["item_list"][Transaction::SEL_ROW], 0);
}

TEST_F(SytelineTest, QueryErrorsAreShownOrReturnedFalse) {
  ErpSimReply::SytelineResult result;
  result.error = "No such item";
  result.errorCode = "E1";
  result.rows = {{{"item", "A1"}}};
  sim.reply(ErpSimReply::sytelineResult(result)).reply(ErpSimReply::sytelineResult(result));
  EXPECT_EQ(query("item_list"), "DriverDown: Error Message");
  EXPECT_EQ(screen.take(), "window:Error Message|No such item|Press Enter to continue");
  EXPECT_EQ(transaction->fserverErrorCode, "E1");
  EXPECT_EQ(std::get<std::vector<QryRow>>(transaction->qryResults["item_list"]).size(), 1u);  // rows kept
  EXPECT_EQ(query("item_list", false), "false");
  EXPECT_EQ(screen.take(), "");
  EXPECT_EQ(transaction->transactionStatus, -1);  // queries leave the status alone

  sim.reply("<r><unclosed>");
  EXPECT_EQ(query(), "XmlReplyError");
}

TEST_F(SytelineTest, QueriesThatCannotBeSent) {
  EXPECT_EQ(query("nope"), "false");
  EXPECT_EQ(screen.take(), "window:Error Message|Trying to execute invalid SQL nope|Press Enter To Continue");
  handler->setStandardSqlParser(nullptr);
  EXPECT_EQ(query(), "false");
  EXPECT_EQ(screen.take(),
            "window:Error Message|standardSqlParser is null, initialization failed|Press Enter To Continue");
  EXPECT_EQ(sim.requestCount(), 0u);
}

TEST_F(SytelineTest, UpdateDocumentWithInitialAndLines) {
  user.setParameterValue("user_initial", "U&1");
  sim.reply(ErpSimReply::sytelineResult({}));
  EXPECT_EQ(outcome([&] {
              return handler->execSytelineUpdate("receive", {"a01", "5", "x>y"}, std::string("line"),
                                                 Rows{{"1", "2"}, {"3", ""}}, "out", true, true);
            }),
            "true");
  const sim::ErpSimRequest request = sim.requests()[0];
  EXPECT_EQ(request.rowKind, "N");
  EXPECT_EQ(request.sytelineRoot, "sytelineUpdateRequest");
  EXPECT_EQ(request.sytelineName, "tdilc0001");
  EXPECT_EQ(request.sytelineInputs, (Fields{{"item", "A01"}, {"qty", "5"}, {"colour", "x>y"}}));
  EXPECT_EQ(request.sytelineLineName, "Lines");
  EXPECT_EQ(request.sytelineLineInputs, (Fields{{"pos", "1"}, {"qty", "2"}, {"pos", "3"}, {"qty", ""}}));
  EXPECT_THAT(request.sqlText, HasSubstr("<username>USER1</username><userInitial>U&amp;1</userInitial>"));
  EXPECT_THAT(request.sqlText, HasSubstr("<value>x&gt;y</value>"));

  user.setParameterValue("user_initial", "");
  sim.reply(ErpSimReply::sytelineResult({}));
  EXPECT_EQ(update(), "true");
  EXPECT_THAT(sim.requests()[1].sqlText, HasSubstr("<userInitial></userInitial>"));
}

TEST_F(SytelineTest, UpdateRowsSuccessAndErrorsWithPlaceholders) {
  ErpSimReply::SytelineResult rows;
  rows.rows = {{{"doc", "D1"}}};
  sim.reply(ErpSimReply::sytelineResult(rows));
  EXPECT_EQ(update(), "true");
  EXPECT_EQ(screen.take(), "line:Successful");
  EXPECT_EQ(std::get<std::vector<QryRow>>(transaction->qryResults["out"]),
            (std::vector<QryRow>{{{"doc", "D1"}}}));
  EXPECT_EQ(transaction->transactionStatus, Transaction::AFTER_SUCCESSFUL_COMPLETION);

  ErpSimReply::SytelineResult error;
  error.error = "Item {item} locked by {user} ({item})";
  error.substitutors = {{"item", "A1"}, {"user", ""}};
  sim.reply(ErpSimReply::sytelineResult(error)).reply(ErpSimReply::sytelineResult(error));
  EXPECT_EQ(update(), "DriverDown: Error Message");
  EXPECT_EQ(screen.take(), "window:Error Message|Item A1 locked by  (A1)|Press Enter to continue");
  EXPECT_EQ(transaction->transactionStatus, Transaction::AFTER_PROCESSING_ERROR);
  transaction->transactionStatus = -1;
  EXPECT_EQ(update(false), "false");
  EXPECT_EQ(transaction->transactionStatus, Transaction::AFTER_PROCESSING_ERROR);
  EXPECT_EQ(screen.take(), "");
}

TEST_F(SytelineTest, UpdatesThatCannotBeSent) {
  EXPECT_EQ(outcome([&] { return handler->execSytelineUpdate("nope", {}, "out", true, true); }),
            "DriverDown: Invalid Function Server");
  EXPECT_EQ(outcome([&] { return handler->execSytelineUpdate("receive", {"a"}, "out", true, true); }),
            "DriverDown: Invalid No.of Arguments");
  EXPECT_EQ(outcome([&] {
              return handler->execSytelineUpdate("receive", {"a", "1", "b"}, std::string("line"), Rows{{"1"}},
                                                 "out", true, true);
            }),
            "DriverDown: Invalid No.of Arguments");
  EXPECT_THAT(screen.take(), HasSubstr("getBDEStringWithNoHeaders =Lines , Expected Length = 2"));
  EXPECT_EQ(sim.requestCount(), 0u);
  EXPECT_TRUE(handler->execSytelineTransaction("x", {}, true));
  EXPECT_EQ(sim.requestCount(), 0u);
}

}  // namespace
}  // namespace tev::testing
