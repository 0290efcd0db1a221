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

}  // namespace
}  // namespace tev
