#include "sim/erp_sim_request.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tev::sim {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string FS(1, kFs);

std::string header(std::string_view user = "USER1") {
  return "RF01" + FS + std::string(user) + FS + "prod" + FS + "Receipts" + FS;
}

TEST(ErpSimRequest, FunctionServerCallIsTakenApartAtItsCommas) {
  ErpSimRequest r = parseRequest(header() + " DDCAB1,3,tdilc0001X1,f.receive,A01,5,red| large");
  EXPECT_EQ(r.kind, RequestKind::kFunctionServer);
  EXPECT_TRUE(r.hasHeader);
  EXPECT_EQ(r.deviceId, "RF01");
  EXPECT_EQ(r.user, "USER1");
  EXPECT_EQ(r.environment, "prod");
  EXPECT_EQ(r.title, "Receipts");
  EXPECT_EQ(r.kindWord, " DDC");
  EXPECT_EQ(r.company, "AB1");
  EXPECT_EQ(r.noOfParams, "3");
  EXPECT_EQ(r.server, "tdilc0001X1");
  EXPECT_EQ(r.function, "f.receive");
  EXPECT_THAT(r.values, ElementsAre("A01", "5", "red| large"));
}

TEST(ErpSimRequest, ValuesKeepEmptyPiecesAndAStatementWithoutArgumentsHasNone) {
  EXPECT_THAT(parseRequest(header() + " DDCAB1,0,srv,fun").values, IsEmpty());
  EXPECT_THAT(parseRequest(header() + " DDCAB1,1,srv,fun,").values, ElementsAre(""));
  EXPECT_THAT(parseRequest(header() + " DDCAB1,3,srv,fun,,x,").values, ElementsAre("", "x", ""));
}

TEST(ErpSimRequest, QueryExecutorWithThreeValuesIsAQuery) {
  ErpSimRequest r = parseRequest(header() + " DDC100,3,tdilc0001,execute_query,W1~qvilc9216~USER1,/qry,1");
  EXPECT_EQ(r.kind, RequestKind::kQuery);
  EXPECT_EQ(r.function, "execute_query");
  EXPECT_EQ(r.queryNo, "1");
  EXPECT_EQ(r.functionServerPath, "/qry");
  EXPECT_THAT(r.queryArgs, ElementsAre("W1", "qvilc9216", "USER1"));

  EXPECT_THAT(parseRequest(header() + " DDC100,3,s,execute_query,~I1~~L1,/q,3").queryArgs,
              ElementsAre("", "I1", "", "L1"));
  EXPECT_THAT(parseRequest(header() + " DDC100,3,s,execute_cus_query,,/q,validate_dock").queryArgs,
              IsEmpty());
  // Not three values, or not an executor: an ordinary call.
  EXPECT_EQ(parseRequest(header() + " DDC100,2,s,execute_query,a,b").kind, RequestKind::kFunctionServer);
  EXPECT_EQ(parseRequest(header() + " DDC100,3,s,execute,a,b,c").kind, RequestKind::kFunctionServer);
  EXPECT_TRUE(isQueryExecutor("execute_wave_query"));
  EXPECT_FALSE(isQueryExecutor("execute_query_x"));
}

TEST(ErpSimRequest, SqlQueryCarriesRowKindAndText) {
  ErpSimRequest r = parseRequest(header() + "SQLAB1,AB" + FS + "N" + FS + FS + "select a, b from x");
  EXPECT_EQ(r.kind, RequestKind::kSqlQuery);
  EXPECT_EQ(r.sqlCompany, "AB1,AB");
  EXPECT_EQ(r.company, "AB1");
  EXPECT_EQ(r.rowKind, "N");
  EXPECT_EQ(r.sqlText, "select a, b from x");
  // A Syteline document in place of the SQL text stays whole, FS and all.
  EXPECT_EQ(parseRequest(header() + "SQLC," + FS + "F" + FS + FS + " <q>" + FS + "</q>").sqlText,
            " <q>" + FS + "</q>");
}

TEST(ErpSimRequest, LoginHasFiveTextsAndAnEmptyUser) {
  ErpSimRequest r = parseRequest(header("") + "LOGINP a" + FS + "b" + FS + "" + FS + "d" + FS + "e");
  EXPECT_EQ(r.kind, RequestKind::kLogin);
  EXPECT_EQ(r.user, "");
  EXPECT_THAT(r.loginValues, ElementsAre("a", "b", "", "d", "e"));
}

TEST(ErpSimRequest, OtherLinesAreKeptForRulesAndHandlers) {
  struct Case {
    std::string line;
    RequestKind kind;
    std::string kindWord;
    bool hasHeader;
  };
  const Case cases[] = {
      {"<<SCANNERREQUEST>>", RequestKind::kHandshake, "", false},
      {header() + "<?xml version=\"1.0\"?><Request/>", RequestKind::kOther, "<?xml", true},
      {header() + " SQL100,<soap/>", RequestKind::kOther, " SQL", true},
      {header() + "SOA100 <soapenv:Envelope/>", RequestKind::kOther, "SOA", true},
      {header() + " DDC100", RequestKind::kOther, " DDC", true},              // no comma after the company
      {header() + " DDC100,2,srv", RequestKind::kOther, " DDC", true},        // no function
      {header() + "SQLAB1,AB" + FS + "N", RequestKind::kOther, "SQL", true},  // too few separators
      {header() + "LOGINX", RequestKind::kOther, "LOGIN", true},
      {header() + "hello", RequestKind::kOther, "", true},
      {"RF01" + FS + "only two", RequestKind::kOther, "", false},
      {std::string("\xff\x00\x1c\x1c\x1c\x1c\x01", 7), RequestKind::kOther, "", true},
      {"", RequestKind::kOther, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(printable(c.line));
    ErpSimRequest r = parseRequest(c.line);
    EXPECT_EQ(r.kind, c.kind);
    EXPECT_EQ(r.kindWord, c.kindWord);
    EXPECT_EQ(r.hasHeader, c.hasHeader);
    EXPECT_EQ(r.raw, c.line);
    if (c.kind == RequestKind::kOther && !c.kindWord.empty() && c.kindWord != "<?xml" &&
        c.kindWord != " SQL" && c.kindWord != "SOA") {
      EXPECT_FALSE(r.parseNote.empty());
    }
  }
}

TEST(ErpSimRequest, BuildersWriteWhatTheParserReads) {
  RequestHeader h{"RF07", "ANN", "demo", "Transfer"};
  ErpSimRequest call =
      parseRequest(requestLine(h, functionServerBody("100", "tdilc0001DEMO", "move", {"a", ""})));
  EXPECT_EQ(call.raw,
            "RF07" + FS + "ANN" + FS + "demo" + FS + "Transfer" + FS + " DDC100,2,tdilc0001DEMO,move,a,");
  EXPECT_EQ(call.noOfParams, "2");

  ErpSimRequest query =
      parseRequest(requestLine(h, queryBody("100", "s", "execute_query", {"W1", ""}, "/q", "2")));
  EXPECT_EQ(query.kind, RequestKind::kQuery);
  EXPECT_THAT(query.queryArgs, ElementsAre("W1", ""));

  EXPECT_EQ(sqlBody("A", true, "select x from y"), "SQLA," + FS + "N" + FS + FS + "select x from y");
  EXPECT_EQ(sqlBody("AB1", false, "s"), "SQLAB1,AB" + FS + "F" + FS + FS + "s");
  EXPECT_EQ(loginBody({"u", "p"}), "LOGINP u" + FS + "p");
}

TEST(ErpSimRequest, PrintableShowsSeparatorsAndControlBytes) {
  EXPECT_EQ(printable("a" + FS + "b\r\n\x7f" + "\xc3\xa9"), "a<FS>b\\x0D\\x0A\\x7F\xc3\xa9");
}

}  // namespace
}  // namespace tev::sim
