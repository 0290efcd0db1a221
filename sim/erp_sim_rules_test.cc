#include "sim/erp_sim_rules.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "sim/erp_sim_reply.h"
#include "xml/xml_test_support.h"

#ifndef TEV_DEMO_DIR
#error "TEV_DEMO_DIR must name the demo installation"
#endif

namespace tev::sim {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using tev::testing::readFile;
using tev::testing::TempDir;

const std::string FS(1, kFs);
const std::string kDemoRules = std::string(TEV_DEMO_DIR) + "/erp_sim/rules.xml";

std::string query(std::string_view no, const std::vector<std::string>& args, std::string_view path = "/qry") {
  return requestLine({}, queryBody("100", "tdilc0001DEMO", "execute_query", args, path, no));
}

std::string call(std::string_view function, const std::vector<std::string>& values) {
  return requestLine({}, functionServerBody("100", "tdilc0001DEMO", function, values));
}

std::string sql(bool single, std::string_view text) {
  return requestLine({}, sqlBody("100", single, text));
}

// The 16 values of transfer_inventory with some of them replaced.
std::string transfer(std::map<int, std::string> changes) {
  std::vector<std::string> values{"",         "ITEM-100", "",     "W1",      "W2",    "A-01-01",
                                  "",         "pcs",      "O-01", "10",      "USER1", "0",
                                  "20240501", "0",        "pcs",  "20240501"};
  for (const auto& [i, value] : changes) values[i] = value;
  return call("transfer_inventory", values);
}

std::string payload(const ErpSimRules& rules, const std::string& line) {
  std::optional<ErpSimAction> action = rules.answer(parseRequest(line));
  return action ? action->text() : "<none>";
}

class DemoRules : public ::testing::Test {
 protected:
  DemoRules() : rules(ErpSimRules::load(kDemoRules)) { rules.setResultDirectory(results.path()); }

  TempDir results;
  ErpSimRules rules;
};

TEST_F(DemoRules, AnswerQueriesBookingsAndTheOtherKinds) {
  struct Case {
    std::string line;
    std::string expected;
  };
  const Case cases[] = {
      {query("1", {"W1", "qvilc9216", "USER1"}), "1,98,1~Main warehouse~1~W1~1000~1~1"},
      {query("1", {" W3 ", "qvilc9216", "USER1"}), "1,98,2~Bulk yard~2~W3~1010~2~2"},
      {query("1", {"W9"}), "1,10,Warehouse W9 not found"},
      {query("2", {"W1", "A-01-01"}), "1,98,A-01-01"},
      {query("2", {"W2", "A-01-01"}), "1,12,Location A-01-01 not found in warehouse W2"},
      {query("3", {"", "ITEM-200", "", "LOT-8"}), "1,98,ITEM-200~~~Red gadget~pcs~2~~20240410~04/10/24~A"},
      {query("3", {"", "ITEM-200", "", "LOT-9"}), "1,22,Lot LOT-9 of item ITEM-200 not found"},
      {query("9", {"", "ITEM-300", ""}), "1,98,ITEM-300~box~2~Steel bolt M8~2~~2~W2~box~~~~"},
      {query("12", {"W1", "", "ITEM-100", "", "", "A-01-02"}), "1,98,35~0"},
      {query("29", {"ITEM-100"}), "1,98,ITEM-100~Blue widget~1~pcs~pcs~W1~2~2~~~~~~ITEM-100~~STD~WIDGET~"},
      {query("29", {"NOPE"}), "1,20,Item NOPE not found"},
      {query("30", {"WO-5001"}), "1,98,~ITEM-100~~Blue widget~pcs~10~W1~W2~1~1~25~2"},
      {query("999", {"x"}), "1,1,No data for query 999"},
      {transfer({}), "0,0,Transfer of 10 pcs ITEM-100 booked"},
      {transfer({{9, "120"}}), "0,0,Transfer of 120 pcs ITEM-100 booked"},
      {transfer({{9, "121"}}), "1,31,Not enough stock of ITEM-100 at A-01-01"},
      {transfer({{9, "ten"}}), "1,40,Invalid quantity ten"},
      {transfer({{1, "ITEM-999"}}), "1,20,Item ITEM-999 not found"},
      {transfer({{5, "Z-99"}}), "1,12,Location Z-99 not found in warehouse W1"},
      {transfer({{4, "W1"}, {8, "QC-HOLD"}}), "1,13,Location QC-HOLD is blocked"},
      {transfer({{1, "ITEM-200"}, {5, "B-02-01"}, {6, "LOT-7"}}),
       "1,31,Not enough stock of ITEM-200 at B-02-01"},
      {transfer({{1, "ITEM-200"}, {5, "B-02-01"}, {6, "LOT-8"}}), "0,0,Transfer of 10 pcs ITEM-200 booked"},
      {call("post_receipt", {"a"}), "1,500,Function post_receipt is not known to the back end"},
      {sql(true, "select item, dsca, stgu from tcibd001 t where t.item = 'ITEM-300'"),
       "0~~ITEM-300~Steel bolt M8~box"},
      {sql(true, "select item from tcibd001 where item = 'NONE'"), "1~~"},
      {sql(true, "select x from elsewhere"), "1~~"},
      {requestLine({"RF01", "", "demo", "Login"}, loginBody({"a", "b", "c", "d", "e"})),
       "0" + FS + "0" + FS + "Welcome"},
      {requestLine({}, "<?xml version=\"1.0\"?><Request/>"), "~~NOTFOUND"},
      {std::string(kHandshakeLine), "<none>"},
  };
  for (const Case& c : cases) EXPECT_EQ(payload(rules, c.line), c.expected) << printable(c.line);
}

TEST_F(DemoRules, MultiRowQueriesWriteAResultFileAndNameIt) {
  std::string reply = payload(rules, query("73", {"W1", "A-01-02"}, "/qry"));
  ASSERT_THAT(reply, MatchesRegex("1,99,/qry/q73_[0-9]+_[0-9]+\\.txt"));
  std::string name = reply.substr(std::string("1,99,/qry/").size());
  EXPECT_EQ(readFile(results.file(name)),
            "~ITEM-100~Blue widget~~~03/15/24~20240315~pcs~35~0~~pcs~35~0~~Blue widget~WIDGET\n"
            "~ITEM-200~Red gadget~~LOT-7~04/02/24~20240402~pcs~12~0~~pcs~12~0~~Red gadget~GADGET\n");

  std::string codes = payload(rules, query("14", {}, ""));  // no path: the bare name
  ASSERT_THAT(codes, MatchesRegex("1,99,q14_[0-9]+_[0-9]+\\.txt"));
  EXPECT_EQ(readFile(results.file(codes.substr(5))), "DAM~Damaged\nCNT~Count correction\nEXP~Expired\n");
  EXPECT_NE(codes, payload(rules, query("14", {}, "")));  // every answer its own file

  EXPECT_EQ(payload(rules, query("73", {"W1", "RECV"})), "1,30,No stock at RECV in warehouse W1");
}

TEST_F(DemoRules, DeclareTheQueriesAndFunctionsOfTheDemo) {
  std::vector<ErpSimRules::QueryInfo> queries = rules.queries();
  auto one = std::find_if(queries.begin(), queries.end(), [](const auto& q) { return q.no == "1"; });
  ASSERT_NE(one, queries.end());
  EXPECT_EQ(one->id, "validate_whse");
  EXPECT_EQ(one->executor, "execute_query");
  EXPECT_EQ(one->code, "98");
  EXPECT_THAT(one->columns, ElementsAre("tcmcs003.sloc", "dsca", "typw", "cwar", "pstc", "iilc", "ccot"));
  EXPECT_THAT(rules.functions(), ElementsAre("transfer_inventory"));
  EXPECT_THAT(rules.data().tableIds(),
              ElementsAre("items", "locations", "orders", "reasons", "stock", "warehouses"));
}

const char* kData = R"(<erp_sim_data>
  <table id="items">
    <row item="A" dsca="Apple" qty="5"/>
    <row item="B" dsca="Bean" qty="many"/>
    <row item="C" dsca="Corn" qty="0.5" grp="X"/>
  </table>
  <table id="groups"><row grp="X" name="Grains"/><row item="A" grp="F" name="Fruit"/></table>
</erp_sim_data>)";

TEST(ErpSimRules, RuleFeatures) {
  ErpSimRules rules = ErpSimRules::parse(R"x(<erp_sim_rules>
    <function name="f" server="special"><reply>0,0,special {server}</reply></function>
    <function name="f" delay_ms="40"><reply>0,0,plain</reply></function>
    <function name="stock">
      <check table="items" error="1,7,short {value:0}">
        <key column="item" equals="{value:0}"/>
        <at_least column="qty" value="{value:1}"/>
      </check>
      <reply>0,0,ok</reply>
    </function>
    <function name="execute_wave_query"><reply>1,98,wave {query}</reply></function>
    <query no="5">
      <rows table="items" code="98" not_found="1,3,none for {arg:0}">
        <key column="item" equals="{arg:0}" optional="yes"/>
        <join table="groups" column="grp"/>
        <column name="item"/>
        <column name="name"/>
        <column name="echo" value="{arg:1}/{query}"/>
      </rows>
    </query>
    <sql match="where item in \('([A-Z])', '([A-Z])'\)">
      <rows table="items" not_found="1~no~">
        <key column="item" equals="{group:2}"/>
        <column name="dsca"/>
      </rows>
    </sql>
    <other match="&lt;\?xml.*&lt;(\w+)/&gt;"><reply>1,0,{group:1}</reply></other>
  </erp_sim_rules>)x",
                                         kData);
  TempDir results;
  rules.setResultDirectory(results.path());

  EXPECT_EQ(payload(rules, requestLine({}, functionServerBody("1", "specialX1", "f", {}))),
            "0,0,special specialX1");
  std::optional<ErpSimAction> plain = rules.answer(parseRequest(call("f", {})));
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->text(), "0,0,plain");
  EXPECT_EQ(plain->delay(), std::chrono::milliseconds(40));

  EXPECT_EQ(payload(rules, call("stock", {"A", "5"})), "0,0,ok");
  EXPECT_EQ(payload(rules, call("stock", {"A", "5.5"})), "1,7,short A");
  EXPECT_EQ(payload(rules, call("stock", {"B", "1"})), "1,7,short B");  // "many" is no number
  EXPECT_EQ(payload(rules, call("stock", {"C", " 0.25 "})), "0,0,ok");
  EXPECT_EQ(payload(rules, call("stock", {"C", ""})), "1,7,short C");

  // A query no query rule takes goes to the function rules under its executor's name.
  EXPECT_EQ(payload(rules, requestLine({}, queryBody("1", "s", "execute_wave_query", {}, "", "2"))),
            "1,98,wave 2");
  EXPECT_EQ(payload(rules, requestLine({}, queryBody("1", "s", "execute_query", {}, "", "6"))), "<none>");

  EXPECT_EQ(payload(rules, query("5", {"C", "e"})), "1,98,C~Grains~e/5");
  EXPECT_EQ(payload(rules, query("5", {"A", "e"})), "1,98,A~~e/5");  // no group row for "F"
  EXPECT_EQ(payload(rules, query("5", {"Z"})), "1,3,none for Z");
  EXPECT_EQ(payload(rules, query("5", {" "})), "1,98,A~~/5");  // optional key left out: first row

  EXPECT_EQ(payload(rules, sql(true, "select dsca from items where item in ('A', 'B')")), "0~~Bean");
  EXPECT_EQ(payload(rules, sql(true, "select dsca from items where item in ('A', 'Q')")), "1~no~");
  std::string file = payload(rules, sql(false, "select dsca from items where item in ('A', 'C')"));
  ASSERT_THAT(file, MatchesRegex("0~~sql_[0-9]+_[0-9]+\\.txt"));
  EXPECT_EQ(readFile(results.file(file.substr(3))), "Corn\n");

  EXPECT_EQ(payload(rules, requestLine({}, "<?xml version=\"1.0\"?><Ping/>")), "1,0,Ping");
  EXPECT_EQ(payload(rules, requestLine({}, "SOA100 x")), "<none>");
  EXPECT_EQ(payload(rules, requestLine({}, loginBody({"u"}))), "<none>");
}

TEST(ErpSimRules, AResultFileThatCannotBeWrittenAnswersADriverFailure) {
  ErpSimRules rules = ErpSimRules::parse(
      R"(<erp_sim_rules><query><rows table="items" code="99"><column name="item"/></rows></query></erp_sim_rules>)",
      kData);
  TempDir dir;
  rules.setResultDirectory(dir.write("plain-file", "not a directory"));
  EXPECT_EQ(payload(rules, query("1", {})), "1,0,Result file could not be written");
}

TEST(ErpSimRules, UnusableFilesAreRefusedWithTheLineAndTheCause) {
  struct Case {
    std::string rules;
    std::string message;
  };
  const Case cases[] = {
      {"<rules/>", "<rules> found where <erp_sim_rules> belongs"},
      {"<erp_sim_rules>\n<fun><reply>x</reply></fun></erp_sim_rules>", "line 2: <fun> is no rule"},
      {"<erp_sim_rules><function nom=\"f\"><reply>x</reply></function></erp_sim_rules>",
       "<function> has no attribute \"nom\""},
      {"<erp_sim_rules><function/></erp_sim_rules>", "<function> has no <reply> and no <rows>"},
      {"<erp_sim_rules><function><reply>{valu:1}</reply></function></erp_sim_rules>",
       "unknown placeholder {valu:1}"},
      {"<erp_sim_rules><sql match=\"(\"><reply>1~~</reply></sql></erp_sim_rules>",
       "invalid regular expression \"(\""},
      {"<erp_sim_rules><query><rows table=\"nope\"><column name=\"a\"/></rows></query></erp_sim_rules>",
       "the data has no table \"nope\""},
      {"<erp_sim_rules><query><rows table=\"items\" code=\"97\"><column "
       "name=\"a\"/></rows></query></erp_sim_rules>",
       "code is \"98\" or \"99\""},
      {"<erp_sim_rules><query><rows table=\"items\"/></query></erp_sim_rules>", "<rows> has no <column>"},
      {"<erp_sim_rules><login><rows table=\"items\"><column name=\"a\"/></rows></login></erp_sim_rules>",
       "<rows> answers function-server calls"},
      {"<erp_sim_rules><function><reply>x</reply><check error=\"e\" "
       "table=\"items\"/></function></erp_sim_rules>",
       "<check> after the answer"},
      {"<erp_sim_rules><function><check table=\"items\"/><reply>x</reply></function></erp_sim_rules>",
       "<check> needs the attribute \"error\""},
      {"<erp_sim_rules><function><check error=\"e\" value=\"x\"/><reply>x</reply></function></erp_sim_rules>",
       "<check> needs a table, or a value and a pattern"},
      {"<erp_sim_rules><function delay_ms=\"soon\"><reply>x</reply></function></erp_sim_rules>",
       "delay_ms is not a number"},
      {"<erp_sim_rules><query><rows table=\"items\"><key column=\"item\"/><column name=\"a\"/></rows></query>"
       "</erp_sim_rules>",
       "<key> needs the attribute \"equals\""},
      {"<erp_sim_rules><unclosed>", "rules: "},
  };
  for (const Case& c : cases) {
    try {
      ErpSimRules::parse(c.rules, kData);
      ADD_FAILURE() << "accepted: " << c.rules;
    } catch (const ErpSimRulesError& error) {
      EXPECT_THAT(error.what(), HasSubstr(c.message)) << c.rules;
    }
  }
  EXPECT_THROW(ErpSimRules::parse("<erp_sim_rules/>", "<erp_sim_data><tab id=\"x\"/></erp_sim_data>"),
               ErpSimRulesError);
  EXPECT_THROW(ErpSimRules::load("/nonexistent/rules.xml"), ErpSimRulesError);
}

TEST(ErpSimRules, DataFileIsFoundBesideTheRulesFile) {
  TempDir dir;
  dir.write("data.xml", kData);
  std::filesystem::create_directories(dir.file("sub"));
  dir.write("sub/rules.xml",
            R"(<erp_sim_rules data="../data.xml"><function><rows table="items"><column name="dsca"/></rows>)"
            R"(</function></erp_sim_rules>)");
  EXPECT_EQ(payload(ErpSimRules::load(dir.file("sub/rules.xml")), call("f", {})), "1,98,Apple");
  dir.write("bad.xml", R"(<erp_sim_rules data="missing.xml"/>)");
  EXPECT_THROW(ErpSimRules::load(dir.file("bad.xml")), ErpSimRulesError);
}

}  // namespace
}  // namespace tev::sim
