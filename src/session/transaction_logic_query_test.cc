// TransactionLogic on query results: values, counts, row indices, searching, sorting and copying a result
// into form fields through the running transaction's shared variables.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/error.h"
#include "engine/shared_variable.h"
#include "session/gateway_session_link.h"
#include "session/transaction_logic_test_support.h"

namespace tev {
namespace {

using testing::BoundLogic;
using ::testing::ElementsAre;

std::vector<std::shared_ptr<Form>> forms() {
  return {sim::makeForm("order", {sim::input("item", "Item:", 2, 1)}),
          sim::makeForm("detail", {sim::input("loc", "Loc:", 2, 1), sim::input("desc", "Desc:", 3, 1)})};
}

std::vector<QryRow> rows(const std::string& column, const std::vector<std::string>& values) {
  std::vector<QryRow> out;
  for (const std::string& value : values) out.push_back({{column, value}});
  return out;
}

class LogicQueryTest : public ::testing::Test {
 protected:
  LogicQueryTest() {
    logic = &bound.bind("order", "item");
    bound.transaction->qryResults["one"] = QryRow{{"t.item", "A1"}, {"t.qty", " 5 "}};
    bound.transaction->qryResults["list"] = std::vector<QryRow>{
        {{"t.loc", "L1"}, {"t.qty", "1.5"}}, {{"t.loc", "L2"}, {"t.qty", "2"}}, {{"t.loc", "L3"}}};
    bound.transaction->qryResults["empty"] = std::vector<QryRow>{};
  }

  BoundLogic bound{forms()};
  TransactionLogic* logic = nullptr;
};

TEST_F(LogicQueryTest, ValuesOfSingleRecordsAndLists) {
  // No result.
  EXPECT_EQ(logic->getQryValue("none", "t.item"), "");
  EXPECT_EQ(logic->getQryValue("none", "t.item", 3), "");
  EXPECT_EQ(logic->getQryDouble("none", "t.qty", 0), -1.0);
  EXPECT_EQ(logic->getQryInt("none", "t.qty", 0), -1);
  // A single record.
  EXPECT_EQ(logic->getQryValue("one", "t.item"), "A1");
  EXPECT_EQ(logic->getQryValue("one", "t.nosuch"), "");
  EXPECT_EQ(logic->getQryValue("one", "t.nosuch", 0), std::nullopt);
  EXPECT_EQ(logic->getQryValueTrimmed("one", "t.qty"), "5");
  EXPECT_THROW(logic->getQryValue("one", "t.item", 1), IndexOutOfRange);
  EXPECT_THROW(logic->getQryDouble("one", "t.qty", 0), TransactionLogicException);
  // A list.
  EXPECT_EQ(logic->getQryValue("list", "t.loc", 1), "L2");
  EXPECT_EQ(logic->getQryValue("list", "t.qty", 2), std::nullopt);
  EXPECT_THROW(logic->getQryValue("list", "t.loc", 3), IndexOutOfRange);
  EXPECT_THROW(logic->getQryValueTrimmed("list", "t.qty", 2), TransactionLogicException);
  EXPECT_EQ(logic->getQryDouble("list", "t.qty", 0), 1.5);
  EXPECT_EQ(logic->getQryInt("list", "t.qty", 1), 2);
  EXPECT_THROW(logic->getQryInt("list", "t.qty", 0), NumberFormatError);
  EXPECT_THROW(logic->getQryInt("list", "t.qty", 2), TransactionLogicException);
  // A list without a selected row: the two-argument form has no row to read.
  EXPECT_THROW(logic->getQryValue("list", "t.loc"), IndexOutOfRange);
  logic->setQryRowIndex("list", 2);
  EXPECT_EQ(logic->getQryValue("list", "t.loc"), "L3");
}

TEST_F(LogicQueryTest, CountsAndRowIndices) {
  EXPECT_EQ(logic->getQryRowCount("none"), -1);
  EXPECT_EQ(logic->getQryRowCount("one"), 1);
  EXPECT_EQ(logic->getQryRowCount("list"), 3);
  EXPECT_EQ(logic->getQryRowCount("empty"), 0);

  EXPECT_EQ(logic->getQryRowIndex("list"), -1);
  logic->setQryRowIndex("list", "picked", 1);
  // The query has an index table now, but "sel_row" was never recorded.
  EXPECT_THROW(logic->getQryRowIndex("list"), TransactionLogicException);
  EXPECT_EQ(logic->getQryRowIndex("list", "picked"), 1);
  logic->setQryRowIndex("list", 2);
  EXPECT_EQ(logic->getQryRowIndex("list"), 2);
  EXPECT_EQ(logic->getQryRowIndex("list", "picked"), 1);
}

TEST_F(LogicQueryTest, RowOfAValue) {
  bound.transaction->qryResults["locs"] = rows("t.loc", {" ", "", "  ", "L9", "L9"});
  EXPECT_EQ(logic->getRowIndexOfFieldInQuery("locs", "t.loc", "L9"), 3);
  EXPECT_EQ(logic->getRowIndexOfFieldInQuery("locs", "t.loc", ""), -1);
  EXPECT_EQ(logic->getRowIndexOfFieldInQuery("locs", "t.loc", "L8"), -1);
  EXPECT_EQ(logic->getRowIndexOfFieldInQuery(std::nullopt, "t.loc", "L9"), -1);
  EXPECT_EQ(logic->getRowIndexOfFieldInQuery(" ", "t.loc", "L9"), -1);
  EXPECT_EQ(logic->getRowIndexOfFieldInQuery("empty", "t.loc", "L9"), -1);
  EXPECT_EQ(logic->getRowIndexOfFieldInQuery("one", "t.item", "A1"), 0);
  // A missing column is a failure on the way: logged, -1.
  EXPECT_EQ(logic->getRowIndexOfFieldInQuery("list", "t.qty", "9"), -1);
  EXPECT_TRUE(bound.session.logs().contains("No column t.qty in the result of list"));
}

std::vector<std::string> column(const QryResult& result, const std::string& name) {
  std::vector<std::string> out;
  for (const QryRow& row : std::get<std::vector<QryRow>>(result)) {
    auto it = row.find(name);
    out.push_back(it == row.end() ? "-" : it->second);
  }
  return out;
}

TEST_F(LogicQueryTest, SortingByNumbersAndTexts) {
  bound.transaction->qryResults["q"] = rows("t.no", {"10", "9", "-0.0", "0", "NaN", "9"});
  logic->sortQryResults("q", {"t.no"}, {"java.lang.Double"});
  EXPECT_THAT(column(bound.transaction->qryResults["q"], "t.no"),
              ElementsAre("-0.0", "0", "9", "9", "10", "NaN"));
  logic->sortQryResults("q", {"t.no"}, {"java.lang.String"});
  EXPECT_THAT(column(bound.transaction->qryResults["q"], "t.no"),
              ElementsAre("-0.0", "0", "10", "9", "9", "NaN"));

  // Two columns; equal rows keep their order; a missing key is skipped.
  bound.transaction->qryResults["m"] = std::vector<QryRow>{{{"a", "x"}, {"b", "2"}, {"id", "1"}},
                                                           {{"a", "x"}, {"b", "1"}, {"id", "2"}},
                                                           {{"a", "w"}, {"id", "3"}},
                                                           {{"a", "x"}, {"b", "1"}, {"id", "4"}}};
  logic->sortQryResults("m", {"a", "b"}, {"String", "Double"});
  EXPECT_THAT(column(bound.transaction->qryResults["m"], "id"), ElementsAre("3", "2", "4", "1"));

  // An unknown type or a number column holding text changes nothing.
  EXPECT_THROW(logic->sortQryResults("m", {"a"}, {"java.util.Date"}), TransactionLogicException);
  EXPECT_THROW(logic->sortQryResults("m", {"a"}, {"Double"}), NumberFormatError);
  EXPECT_THAT(column(bound.transaction->qryResults["m"], "id"), ElementsAre("3", "2", "4", "1"));
  // Nothing to sort: no result, a single record.
  logic->sortQryResults("none", {"a"}, {"String"});
  EXPECT_EQ(bound.transaction->qryResults.count("none"), 0u);
  logic->sortQryResults("one", {"t.item"}, {"String"});
  EXPECT_TRUE(std::holds_alternative<QryRow>(bound.transaction->qryResults["one"]));
}

SharedVariable sqlVariable(const std::string& id, const std::string& query, const std::string& column,
                           const std::string& index, const std::string& form, const std::string& field) {
  SharedVariable v;
  v.id = id;
  v.sourceType = "sql";
  v.sourceId = query;
  v.sourceVariableId = column;
  v.sourceVariableIndex = index;
  v.destMapList.push_back(SharedVariableMap{form, "form", field, ""});
  v.destMapList.push_back(SharedVariableMap{"x", "transaction_variable", field, ""});
  return v;
}

TEST_F(LogicQueryTest, ASelectedRowReachesTheFormFields) {
  Transaction& t = *bound.transaction;
  t.setSharedVariable("loc", sqlVariable("loc", "list", "t.loc", "", "detail", "loc"));
  t.setSharedVariable("qty", sqlVariable("qty", "list", "t.qty", "other", "detail", "desc"));
  t.setSharedVariable("item", sqlVariable("item", "one", "t.item", "", "order", "item"));

  logic->setQryRowIndex("list", 1);
  EXPECT_EQ(bound.form("detail").getFieldValue("loc"), "L2");
  // Bound to another index name: not copied for "sel_row".
  EXPECT_EQ(bound.form("detail").getFieldValue("desc"), "");
  logic->setQryRowIndex("list", "other", 0);
  EXPECT_EQ(bound.form("detail").getFieldValue("desc"), "1.5");
  // Other queries' variables are left alone.
  EXPECT_EQ(bound.form("order").getFieldValue("item"), "");

  // The gateway's hook after a one-record function-server query.
  sqlSharedVariableUpdater()(t, "one");
  EXPECT_EQ(bound.form("order").getFieldValue("item"), "A1");
}

}  // namespace
}  // namespace tev
