// Queries: SQL requests (one row, result file, no rows, router conditions, a user without company) and
// function-server queries ("98" one record, "99" a result file, failures), filling qryResults.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gateway/gateway_test_support.h"
#include "sim/erp_sim_result_file.h"

namespace tev::testing {
namespace {

using sim::ErpSimReply;
using sim::ErpSimResultFile;
using ::testing::ElementsAre;

class QueryTest : public GatewayTest {
 protected:
  const QryRow& record(const std::string& name) { return std::get<QryRow>(transaction->qryResults.at(name)); }
  const std::vector<QryRow>& rows(const std::string& name) {
    return std::get<std::vector<QryRow>>(transaction->qryResults.at(name));
  }
};

TEST_F(QueryTest, OneRowQuerySendsTheSqlBodyAndStoresTheRecord) {
  sim.reply(ErpSimReply::sqlRow({"A01", "Blue", "", ""}));
  EXPECT_TRUE(handler->execSql("info", "item_info", {"a01"}, true));
  EXPECT_EQ(sentLines()[0], "RF01" + FS + "USER1" + FS + "prod" + FS + "Receipts" + FS + "SQLAB1,AB" + FS +
                                "N" + FS + FS +
                                "select t.item, t.dsca ,t.qty from tcibd001 where t.item = 'A01'");
  EXPECT_EQ(sim.requests()[0].kind, sim::RequestKind::kSqlQuery);
  EXPECT_EQ(record("info"), (QryRow{{"t.item", "A01"}, {"t.dsca", "Blue"}, {"t.qty", ""}}));
  EXPECT_TRUE(logs.contains("Read reply: SKM 0~~A01~Blue~~"));
}

TEST_F(QueryTest, ResultFileQueryReadsEveryLineAsARecord) {
  const std::string name =
      ErpSimResultFile::write(sqlDir, {{"A01", "Blue"}, {"", ""}, {"B02", "Red", "extra"}});
  sim.reply(ErpSimReply::sqlResultFile("/baan/qry/" + name));
  EXPECT_TRUE(handler->execSql("list", "item_list", {"w1"}, true));
  EXPECT_EQ(sim.requests()[0].rowKind, "F");
  EXPECT_THAT(rows("list"), ElementsAre(QryRow{{"t.item", "A01"}, {"t.dsca", "Blue"}},
                                        QryRow{{"t.item", ""}, {"t.dsca", ""}},
                                        QryRow{{"t.item", "B02"}, {"t.dsca", "Red"}}));
  EXPECT_TRUE(logs.contains("Reading the file: " + sqlDir + "/" + name));
}

TEST_F(QueryTest, NewResultReplacesTheOldOneOfTheSameName) {
  sim.reply(ErpSimReply::sqlRow({"A01"})).reply(ErpSimReply::sqlRow({"B02"}));
  EXPECT_TRUE(handler->execSql("info", "item_info", {"a"}, true));
  EXPECT_TRUE(handler->execSql("info", "item_info", {"b"}, true));
  EXPECT_EQ(record("info").at("t.item"), "B02");
}

TEST_F(QueryTest, NoRowsThrowsAndShowsTheStatementMessageWhenAsked) {
  sim.reply(ErpSimReply::sqlNoRows()).reply(ErpSimReply::sqlNoRows());
  peer.enter();
  try {
    handler->execSql("info", "item_info", {"x"}, true);
    FAIL();
  } catch (const SqlFailedException& e) {
    EXPECT_EQ(e.getMessage(), "No rows found");
  }
  EXPECT_EQ(errorLine(shownAt(0)), "Unknown item");
  EXPECT_THROW(handler->execSql("info", "item_info", {"x"}, false), SqlFailedException);
  EXPECT_EQ(peer.inputWaits(), 1);
  EXPECT_FALSE(transaction->qryResults.contains("info"));
}

TEST_F(QueryTest, RouterConditionsReportTheSqlDriverDown) {
  const std::vector<std::pair<std::string, std::string>> cases = {{"~~DOWN", "SQL is down"},
                                                                  {"~~BUSY", "SQL is busy"},
                                                                  {"~~NOTFOUND", ""},
                                                                  {"~~TIMEOUT", ""},
                                                                  {"junk", ""}};
  std::size_t waits = 0;
  for (const auto& [payload, shown] : cases) {
    SCOPED_TRACE(payload);
    sim.reply(payload);
    if (!shown.empty()) peer.enter();
    try {
      handler->execSql("info", "item_info", {"x"}, true);
      FAIL();
    } catch (const DriverDownException& e) {
      EXPECT_EQ(e.getMessage(), "SQL Driver is down");
    }
    if (!shown.empty()) {
      EXPECT_EQ(errorLine(shownAt(waits++)), shown);
    }
    EXPECT_EQ(peer.inputWaits(), static_cast<int>(waits));
  }
  EXPECT_EQ(transaction->transactionStatus, -1);
}

TEST_F(QueryTest, UserWithoutCompanyCannotSendAnSqlRequest) {
  user.setParameterValue("company", "");
  peer.enter();
  try {
    handler->execSql("info", "item_info", {"x"}, true);
    FAIL();
  } catch (const DriverDownException& e) {
    EXPECT_EQ(e.getMessage(), "SQL Driver is down");
  }
  EXPECT_EQ(shownAt(0).line(2), "Error Message");
  EXPECT_EQ(shownAt(0).line(4), "Invalid Company = Pl");
  EXPECT_EQ(sim.requestCount(), 0u);

  loggedIn = false;  // nobody logged in at all
  peer.enter();
  EXPECT_THROW(handler->execSql("info", "item_info", {"x"}, true), DriverDownException);
  EXPECT_EQ(shownAt(1).line(4), "Invalid Company =nul");
}

TEST_F(QueryTest, OneCharacterCompanyIsSentWithAnEmptyPrefix) {
  user.setParameterValue("company", "7");
  sim.reply(ErpSimReply::sqlRow({"A"}));
  EXPECT_TRUE(handler->execSql("info", "item_info", {"x"}, true));
  EXPECT_EQ(sim.requests()[0].sqlCompany, "7,");
}

TEST_F(QueryTest, UnknownStatementSendsNothing) {
  EXPECT_FALSE(handler->execSql("r", "nope", {}, true));
  EXPECT_FALSE(handler->execFunctionServerSql("execute_query", "r", "nope", {}, true));
  EXPECT_EQ(sim.requestCount(), 0u);
  EXPECT_EQ(peer.inputWaits(), 0);
}

TEST_F(QueryTest, UnreadableResultFileShowsTheWindowAndPassesTheErrorOn) {
  sim.reply(ErpSimReply::sqlResultFile("missing.txt"));
  peer.enter();
  EXPECT_THROW(handler->execSql("list", "item_list", {"w1"}, true), Error);
  EXPECT_EQ(shownAt(0).line(4), "Unable To Read SQL F");
  EXPECT_TRUE(logs.contains("Exception occured while reading the file: " + sqlDir + "/missing.txt"));
}

// --- function-server queries -------------------------------------------------------------------------------

TEST_F(QueryTest, FunctionServerQueryWithOneRecord) {
  transaction->sqlStatements["item_info"]->queryNo = "Q17";
  transaction->sqlStatements["item_info"]->sqlElements = {std::string("select t.item, t.dsca from tcibd001")};
  std::vector<std::string> updated;
  handler->context().updateSqlSharedVariableMaps = [&](Transaction&, const std::string& name) {
    updated.push_back(name);
  };
  sim.reply(ErpSimReply::record({"A01", "Blue", "extra"}));
  EXPECT_TRUE(handler->execFunctionServerSql("execute_query", "info", "item_info", {"A01", "W1"}, true));
  sim::ErpSimRequest request = sim.requests()[0];
  EXPECT_EQ(request.kind, sim::RequestKind::kQuery);
  EXPECT_THAT(request.values, ElementsAre("A01~W1", "/baan/qry", "Q17"));
  EXPECT_EQ(record("info"), (QryRow{{"t.item", "A01"}, {"t.dsca", "Blue"}}));
  EXPECT_THAT(updated, ElementsAre("info"));
  EXPECT_TRUE(logs.contains("Returning: true"));
}

TEST_F(QueryTest, FunctionServerQueryWithResultFile) {
  transaction->sqlStatements["item_list"]->sqlElements = {std::string("select t.item, t.dsca from tcibd001")};
  const std::string name = ErpSimResultFile::write(sqlDir, {{"A01", "Blue"}, {"B02", "Red"}});
  sim.reply(ErpSimReply::resultFile("/baan/qry/" + name + "~3"));
  EXPECT_TRUE(handler->execFunctionServerSql("execute_query", "list", "item_list", {}, true));
  EXPECT_EQ(sim.requests()[0].values[0], "");
  EXPECT_EQ(rows("list").size(), 2u);
  EXPECT_EQ(rows("list")[1].at("t.dsca"), "Red");
}

TEST_F(QueryTest, FunctionServerQueryFailuresReturnFalse) {
  transaction->sqlStatements["item_info"]->sqlElements = {std::string("select t.item from tcibd001")};
  sim.reply(ErpSimReply::success())
      .reply(ErpSimReply::tolerance("over"))
      .reply(ErpSimReply::error(5, "Item not found"))
      .reply(ErpSimReply::kBusy);
  peer.enter().enter();  // the success message (shown by default) and the busy driver's error line
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(handler->execFunctionServerSql("execute_query", "info", "item_info", {"A"}, false));
  }
  EXPECT_FALSE(transaction->qryResults.contains("info"));
  EXPECT_EQ(peer.inputWaits(), 2);
}

TEST_F(QueryTest, RecordFromFieldsNeedsRowTypeOne) {
  transaction->fserverMesgFields = {"A", "B"};
  EXPECT_THROW(handler->parseFunctionServerSql("r", {"a", "b"}, "A~B", 2), Error);
  handler->parseFunctionServerSql("r", {"a", "b", "c"}, "ignored", 1);
  EXPECT_EQ(record("r"), (QryRow{{"a", "A"}, {"b", "B"}}));
}

}  // namespace
}  // namespace tev::testing
