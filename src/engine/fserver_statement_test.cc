#include "engine/fserver_statement.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/sql_statement.h"

namespace tev {
namespace {

using ::testing::ElementsAre;

BaanFieldDef def(const std::string& id, const std::string& type) {
  return BaanFieldDef(id, type, "left", "none", 4);
}

TEST(FServerFieldTest, YesNoValues) {
  struct Case {
    std::string value;
    std::string baan;
    std::string ln;
  };
  const std::vector<Case> cases = {
      {"Yes", "1", "yes"}, {"y", "1", "yes"},   {"TRUE", "1", "yes"}, {"is true", "1", "yes"},
      {"1", "1", "yes"},   {"x10", "1", "yes"}, {"N", "2", "no"},     {"maybe", "2", "no"},
      {"", "2", ""},       {"  ", "2", ""},     {" y", "2", "no"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("[" + c.value + "]");
    EXPECT_EQ(FServerField::getBaanYesNo(c.value), c.baan);
    EXPECT_EQ(FServerField::getLnYesNo(c.value), c.ln);
  }
}

TEST(FServerFieldTest, EmptinessDependsOnTheDataType) {
  FServerField yesNo("conf", 0, {}, def("conf", "yes_no"));
  FServerField yesno("conf", 0, {}, def("conf", "yesno"));
  FServerField ln("conf", 0, {}, def("conf", "ln_yesno"));
  FServerField text("item", 1, {}, def("item", "string"));
  FServerField bare("user", 2, {}, std::nullopt);

  EXPECT_TRUE(yesNo.isEmpty("N"));
  EXPECT_TRUE(yesNo.isEmpty(""));
  EXPECT_FALSE(yesNo.isEmpty("yes"));
  EXPECT_TRUE(yesno.isEmpty("no"));
  // An ERP LN yes/no argument is an ordinary one here.
  EXPECT_FALSE(ln.isEmpty("N"));
  EXPECT_TRUE(ln.isEmpty(" "));
  EXPECT_TRUE(text.isEmpty(" \t"));
  EXPECT_FALSE(text.isEmpty("N"));
  EXPECT_TRUE(bare.isEmpty(""));

  EXPECT_TRUE(yesNo.isBaanYesNo());
  EXPECT_FALSE(ln.isBaanYesNo());
  EXPECT_TRUE(ln.isLnYesNo());
  EXPECT_FALSE(bare.isBaanYesNo());
  EXPECT_FALSE(bare.isLnYesNo());
}

TEST(FServerFieldTest, ControlArguments) {
  FServerField field("qty", 3, {{"b", "no"}}, std::nullopt);
  field.addControlField("a", "Yes");
  field.addControlField("c", "");
  field.addControlField("d", "y");
  field.addControlField("b", "YES");  // replaces
  EXPECT_THAT(field.getControlFieldNames(), ElementsAre("a", "b", "c", "d"));
  EXPECT_TRUE(field.sendIfEmpty("a"));
  EXPECT_TRUE(field.sendIfEmpty("b"));
  EXPECT_FALSE(field.sendIfEmpty("c"));
  EXPECT_TRUE(field.sendIfEmpty("d"));
  EXPECT_FALSE(field.sendIfEmpty("missing"));
  EXPECT_EQ(field.toString(), "id: qty, fieldNo: 3, controlFields: {a=Yes, b=YES, c=, d=y}, baanField: null");
}

TEST(FServerStatementTest, ArgumentsKeepTheirPositions) {
  FServerStatement statement;
  statement.id = "receive";
  statement.fserverName = "tdilc0001";
  statement.function = "f.receive";
  statement.noOfParams = 3;
  statement.addArgument("item", def("item", "string"), {{"qty", "no"}});
  statement.addArgument("qty", std::nullopt);
  statement.addArgument("item", def("item", "string"));

  EXPECT_THAT(statement.fieldIds, ElementsAre("item", "qty", "item"));
  EXPECT_EQ(statement.functionArguments.size(), 3u);
  ASSERT_NE(statement.getField("qty"), nullptr);
  EXPECT_EQ(statement.getField("qty")->fieldNo, 1);
  // A repeated id: the table keeps the later argument.
  EXPECT_EQ(statement.getField("item")->fieldNo, 2);
  EXPECT_TRUE(statement.getField("item")->controlFieldFlags.empty());
  EXPECT_EQ(statement.getField("none"), nullptr);
  EXPECT_EQ(statement.toString(),
            "id: receive, fserver: tdilc0001, function: f.receive, noOfParams: 3, Arguments: "
            "[ID: item, Data Type: string, Alignment: left, Case: none, Length: 4, null, "
            "ID: item, Data Type: string, Alignment: left, Case: none, Length: 4]");
}

TEST(SQLStatementTest, TextForm) {
  SQLStatement statement;
  statement.id = "q1";
  statement.rowType = "single";
  statement.errorMessageId = "no_item";
  statement.sqlElements = {std::string("select dsca from t where item = "), def("item", "string"),
                           std::string(" and qty > "), def("qty", "number")};
  EXPECT_EQ(statement.fieldCount(), 2);
  EXPECT_EQ(statement.toString(),
            "id: q1, type: single, errorMessageId: no_item, sql: select dsca from t where item = "
            "<ID: item, Data Type: string, Alignment: left, Case: none, Length: 4> and qty > "
            "<ID: qty, Data Type: number, Alignment: left, Case: none, Length: 4>");
}

// --- what a call sends ------------------------------------------------------------------------------------

FServerStatement receiveStatement() {
  FServerStatement statement;
  statement.id = "receive";
  statement.fserverName = "tdilc0001";
  statement.function = "f.receive";
  statement.noOfParams = 3;
  statement.addArgument("item", BaanFieldDef("item", "string", "right", "upper", 8));
  statement.addArgument("qty", def("qty", "number"));
  statement.addArgument("colour", std::nullopt);
  return statement;
}

TEST(FServerStatementTest, FunctionStringWithAndWithoutCustomerCode) {
  FServerStatement statement = receiveStatement();
  // Letter case only: the entry's length and alignment are not applied to arguments.
  EXPECT_EQ(statement.getFunctionString({"a01", "5", "red, large"}, std::string("X1")),
            "3,tdilc0001X1,f.receive,A01,5,red| large");
  EXPECT_EQ(statement.getFunctionString({"a01", "5", ""}, std::string("  ")), "3,tdilc0001,f.receive,A01,5,");
  EXPECT_EQ(statement.getFunctionString({"a01", "5", ""}, std::string("X1 ")),
            "3,tdilc0001X1 ,f.receive,A01,5,");
  EXPECT_EQ(statement.getFunctionString({"a01", "5", ""}, std::nullopt), "3,tdilc0001,f.receive,A01,5,");

  FServerStatement empty;
  empty.fserverName = "s";
  empty.function = "f";
  EXPECT_EQ(empty.getFunctionString({}, std::nullopt), "0,s,f");
}

TEST(FServerStatementTest, FunctionStringThatCannotBeBuilt) {
  FServerStatement statement = receiveStatement();
  try {
    statement.getFunctionString({"a", "1"}, std::nullopt);
    FAIL();
  } catch (const FunctionStringError& e) {
    EXPECT_EQ(e.getMessage(), "Invalid No.of Arguments");
    EXPECT_EQ(
        e.windowMessage(),
        "Invalid no.of arguments passed to build Driver request - XML File FServer Fields Count:3 Input "
        "Values Count:2");
    EXPECT_EQ(e.windowFooter(), "Press Enter to continue");
  }
  // 215 characters are sent (commas count before they become "|"); 216 are not.
  std::string longest = std::string(214, 'x') + ",";
  EXPECT_EQ(statement.getFunctionString({"a", "1", longest}, std::nullopt),
            "3,tdilc0001,f.receive,A,1," + std::string(214, 'x') + "|");
  try {
    statement.getFunctionString({"a", "1", longest + "y"}, std::nullopt);
    FAIL();
  } catch (const FunctionStringError& e) {
    EXPECT_EQ(e.getMessage(), "Invalid Input String Length");
    EXPECT_EQ(e.windowMessage(),
              " Length of Input String for FServer tdilc0001 exceeds 215, Please Check Input");
  }
}

TEST(FServerStatementTest, ArgumentValues) {
  FServerStatement statement;
  statement.addArgument("conf", def("conf", "yes_no"));
  statement.addArgument("ln", def("ln", "ln_yesno"));
  statement.addArgument("user", BaanFieldDef("user", "string", "left", "lower", 8));
  statement.addArgument("loginCode", std::nullopt);
  statement.addArgument("note", std::nullopt);
  BackendUserPrefix prefix = [] { return std::string("p_"); };
  std::vector<std::string> values = {"Yes", "", "JOE", "joe", "x"};
  EXPECT_EQ(statement.getArgumentValue(0, values, prefix), "1");
  EXPECT_EQ(statement.getArgumentValue(1, values, prefix), "");
  EXPECT_EQ(statement.getArgumentValue(2, values, prefix), "p_joe");
  EXPECT_EQ(statement.getArgumentValue(3, values, prefix), "p_joe");
  EXPECT_EQ(statement.getArgumentValue(4, values, prefix), "x");
  BackendUserPrefix failing = []() -> std::string { throw Error("no parameters"); };
  EXPECT_EQ(statement.getArgumentValue(2, values, failing), "joe");
  EXPECT_THROW(statement.getArgumentValue(5, values), IndexOutOfRange);
}

TEST(FServerStatementTest, ControlArgumentsDecideWhetherAValueIsSent) {
  FServerStatement statement;
  statement.addArgument("lot", def("lot", "string"));
  statement.addArgument("conf", def("conf", "yes_no"));
  statement.addArgument("whenBlank", def("x", "string"), {{"lot", "yes"}});
  statement.addArgument("whenSet", def("x", "string"), {{"lot", "no"}});
  statement.addArgument("whenConfirmed", def("x", "string"), {{"conf", "No"}});
  statement.addArgument("either", def("x", "string"), {{"lot", "no"}, {"conf", "yes"}});
  statement.addArgument("ghost", def("x", "string"), {{"missing", "yes"}});
  struct Case {
    std::string lot, conf;
    std::vector<std::string> sent;  // whenBlank, whenSet, whenConfirmed, either, ghost
  };
  const std::vector<Case> cases = {
      {"", "N", {"V", "", "", "V", ""}},
      {"L1", "N", {"", "V", "", "V", ""}},
      {"L1", "Y", {"", "V", "V", "V", ""}},
      {" ", "Y", {"V", "", "V", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lot + "/" + c.conf);
    std::vector<std::string> values = {c.lot, c.conf, "V", "V", "V", "V", "V"};
    std::vector<std::string> sent;
    for (std::size_t i = 2; i < values.size(); ++i) sent.push_back(statement.getArgumentValue(i, values));
    EXPECT_EQ(sent, c.sent);
  }
}

TEST(SQLStatementTest, SqlTextTakesTheValuesInOrder) {
  SQLStatement statement;
  statement.id = "q1";
  statement.sqlElements = {std::string("select dsca from t where item = "),
                           BaanFieldDef("item", "string", "right", "upper", 6), std::string(" and qty > "),
                           BaanFieldDef("qty", "number", "left", "none", 4)};
  EXPECT_EQ(statement.getSQL({"a01", "5", "unused"}), "select dsca from t where item = '   A01' and qty > 5");
  EXPECT_THROW(statement.getSQL({"a01"}), IndexOutOfRange);
}

}  // namespace
}  // namespace tev
