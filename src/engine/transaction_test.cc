#include "engine/transaction.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/log.h"
#include "engine/class_registry.h"
#include "engine/field.h"
#include "engine/form.h"
#include "engine/single_field.h"
#include "engine/tev_memory_variables.h"

namespace tev {
namespace {

std::shared_ptr<Form> form(const std::string& id, bool readOnly = false) {
  auto result = std::make_shared<Form>();
  result->id = id;
  auto field = std::make_unique<SingleField>();
  field->id = id + "_field";
  field->setReadOnly(readOnly);
  result->addField(std::move(field));
  return result;
}

std::string idOf(const Form* f) {
  return f == nullptr ? "none" : f->id;
}

TEST(Transaction, FormNavigationFollowsTheFormSequence) {
  Transaction t;
  t.id = "Pick";
  t.formsList = {form("a"), form("b", true), form("c"), form("d")};
  Form other;
  other.id = "x";
  log::Capture capture;
  EXPECT_EQ(idOf(t.getNextForm(nullptr)), "a");
  EXPECT_EQ(idOf(t.getNextForm(t.getForm("a"))), "b");  // read-only forms are not passed over going forward
  EXPECT_EQ(idOf(t.getNextForm(t.getForm("d"))), "none");
  EXPECT_TRUE(capture.contains(" in the last form of the current Transaction so returning null "));
  EXPECT_EQ(idOf(t.getNextForm(&other)), "none");

  EXPECT_EQ(idOf(t.getPreviousForm(t.getForm("a"))), "none");
  EXPECT_EQ(idOf(t.getPreviousForm(t.getForm("b"))), "a");
  EXPECT_EQ(idOf(t.getPreviousForm(t.getForm("c"))), "a");  // going back passes over read-only forms
  EXPECT_EQ(idOf(t.getPreviousForm(t.getForm("d"))), "c");
  EXPECT_EQ(idOf(t.getPreviousForm(&other)), "a");
  EXPECT_EQ(idOf(t.getPreviousForm(nullptr)), "none");
  EXPECT_EQ(t.getForm("missing"), nullptr);

  Transaction firstReadOnly;
  firstReadOnly.formsList = {form("r", true), form("s")};
  EXPECT_EQ(idOf(firstReadOnly.getPreviousForm(firstReadOnly.getForm("s"))), "none");
  EXPECT_EQ(idOf(Transaction().getNextForm(nullptr)), "none");
}

struct Base : ProcessingObject {
  std::string whse = "W1";
};
struct Receipts : Base {
  std::string lotNo = "L1";
  int count = 3;
};
struct Abstract : ProcessingObject {
  virtual void run() = 0;
};

ClassRegistry makeRegistry() {
  ClassRegistry registry;
  registry.add(
      ClassDef<Base>("tev.transaction.Base", ClassRegistry::kTransactionUtils).TEV_MEMBER(Base, whse).done());
  registry.add(ClassDef<Receipts>("tev.transaction.Receipts", "tev.transaction.Base")
                   .TEV_MEMBER(Receipts, lotNo)
                   .TEV_MEMBER(Receipts, count)
                   .done());
  registry.add(ClassDef<Abstract>("tev.transaction.Abstract", ClassRegistry::kTransactionUtils).done());
  return registry;
}

TEST(Transaction, ProcessingObjectIsCreatedOnceFromTheClassNamedAfterTheId) {
  ClassRegistry registry = makeRegistry();
  Transaction t;
  t.id = "Receipts";
  t.setClassRegistry(&registry);
  log::Capture capture;
  ProcessingObject* object = t.getProcessingObject();
  ASSERT_NE(dynamic_cast<Receipts*>(object), nullptr);
  EXPECT_EQ(t.getProcessingObject(), object);
  EXPECT_EQ(t.cls, "tev.transaction.Receipts");
  EXPECT_TRUE(capture.contains("Loaded Class: class tev.transaction.Receipts"));
  EXPECT_TRUE(capture.contains("Created ProcessingObject:Receipts"));

  for (const char* id : {"Unknown", "Abstract"}) {
    Transaction failing;
    failing.id = id;
    failing.setClassRegistry(&registry);
    EXPECT_THROW(failing.getProcessingObject(), Error) << id;
    EXPECT_EQ(failing.instance, nullptr);
  }
}

SharedVariable variable(const std::string& type, const std::string& sourceId,
                        const std::string& variableId = "", const std::string& index = "") {
  SharedVariable v;
  v.id = "v";
  v.sourceType = type;
  v.sourceId = sourceId;
  v.sourceVariableId = variableId;
  v.sourceVariableIndex = index;
  return v;
}

TEST(Transaction, SharedVariablesReadTheirSource) {
  log::Capture capture;
  ClassRegistry registry = makeRegistry();
  Transaction t;
  t.id = "Receipts";
  t.setClassRegistry(&registry);
  t.formsList = {form("recv")};
  t.getForm("recv")->setFieldValue("recv_field", "ITEM7");
  t.formsList.push_back(form("empty"));
  t.qryResults["one"] = QryRow{{"tdilc101.loca", "A-01"}};
  t.qryResults["many"] = std::vector<QryRow>{{{"tdilc101.loca", "A-01"}}, {{"tdilc101.loca", "B-02"}}};
  t.qryResultsIndices["many"] = {{"sel_row", 1}, {"first", 0}, {"beyond", 5}};
  t.qryResults["unindexed"] = std::vector<QryRow>{{{"c", "x"}}};

  struct Case {
    const char* name;
    SharedVariable variable;
    SharedValue expected;
  } cases[] = {
      {"form field", variable("form", "recv", "recv_field"), std::string("ITEM7")},
      {"form field with an empty value", variable("form", "empty", "empty_field"), std::monostate{}},
      {"missing form", variable("form", "nowhere", "recv_field"), std::monostate{}},
      {"missing field", variable("form", "recv", "nothing"), std::monostate{}},
      {"one-row result", variable("sql", "one", "tdilc101.loca"), std::string("A-01")},
      {"one-row result, missing column", variable("sql", "one", "other"), std::monostate{}},
      {"several rows, the row chosen by the operator", variable("sql", "many", "tdilc101.loca", ""),
       std::string("B-02")},
      {"several rows, a named index", variable("sql", "many", "tdilc101.loca", "first"), std::string("A-01")},
      {"several rows without an index table", variable("sql", "unindexed", "c"), std::monostate{}},
      {"missing result", variable("sql", "none", "c"), std::monostate{}},
      {"member of the class itself", variable("transaction_variable", "lotNo"), std::string("L1")},
      {"public member, inherited", variable("program", "whse"), std::string("W1")},
      {"integer member", variable("program", "count"), 3},
      {"unknown source type", variable("constant", "x"), std::monostate{}},
  };
  for (const Case& c : cases) {
    t.setSharedVariable("v", c.variable);
    EXPECT_EQ(t.getSharedVariable("v"), c.expected) << c.name;
  }
  EXPECT_TRUE(
      capture.contains("Found Var in getSharedVariable method of Transaction class: Id: v, Type: constant"));
  EXPECT_TRUE(capture.contains("Indices: {beyond=5, first=0, sel_row=1}"));

  SharedVariable set = variable("sql", "none");
  set.value = std::string("given");
  t.setSharedVariable("v", set);
  EXPECT_EQ(t.getSharedVariable("v"), SharedValue(std::string("given")));
  EXPECT_EQ(t.getSharedVariable("unknown"), SharedValue());

  for (const SharedVariable& failing :
       {variable("sql", "many", "tdilc101.loca", "missing"),
        variable("sql", "many", "tdilc101.loca", "beyond"), variable("transaction_variable", "whse"),
        variable("program", "missing")}) {
    t.setSharedVariable("v", failing);
    EXPECT_THROW(t.getSharedVariable("v"), Error) << failing.toString();
  }
}

TEST(Transaction, TextFormsOfSharedVariables) {
  SharedVariable v = variable("sql", "q1", "col", "sel_row");
  v.id = "loc";
  SharedVariableMap map;
  map.destId = "putaway";
  map.destType = "form";
  map.destVariableId = "loc";
  map.destVariableIndex = "";
  v.destMapList = {map};
  EXPECT_EQ(
      v.toString(),
      "Id: loc, Type: sql, SourceId: q1, SourceVariableId: col, sourceVariableIndex: sel_row, Value: null"
      "DestId: putaway, DestType: form, DestVariableId: loc, DestVariableIndex: ");
  EXPECT_EQ(sharedValueText(SharedValue(2.0)), "2.0");
  EXPECT_EQ(sharedValueText(SharedValue(true)), "true");
  EXPECT_EQ(sharedValueText(SharedValue(std::vector<std::string>{"a", "b"})), "[a, b]");
}

TEST(Transaction, FieldValuesMessagesAndLabels) {
  Transaction t;
  t.id = "Pick";
  SingleField field;
  field.value = "12";
  EXPECT_EQ(t.getFieldValue(field), "12");
  EXPECT_EQ(t.getFieldValueLong(field), 12);
  field.value = " 2.5 ";
  EXPECT_EQ(t.getFieldValueDouble(field), 2.5);
  EXPECT_THROW(t.getFieldValueLong(field), NumberFormatError);

  EXPECT_EQ(t.getMessage("m"), std::nullopt);
  t.setMessage("m", "text");
  EXPECT_EQ(t.getMessage("m"), "text");
  EXPECT_EQ(t.getLabelFieldValue("l"), std::nullopt);
  t.setLabelFieldValue("l", "label");
  EXPECT_EQ(t.getLabelFieldValue("l"), "label");
  EXPECT_EQ(t.getSQL("q"), nullptr);
  EXPECT_EQ(t.getFServerStatement("f"), nullptr);

  EXPECT_FALSE(t.isReadOnly("a_field"));
  t.formsList = {form("a", true)};
  t.currentForm = t.getForm("a");
  EXPECT_TRUE(t.isReadOnly("a_field"));
  EXPECT_TRUE(t.equals("Pick"));
  EXPECT_FALSE(t.equals("pick"));
  EXPECT_EQ(t.transactionStatus, -1);
}

TEST(TevMemoryVariables, KeepsTransactionsById) {
  TevMemoryVariables memory;
  EXPECT_EQ(memory.getTransaction(TevMemoryVariables::MENU), nullptr);
  auto menu = std::make_shared<Transaction>();
  memory.putTransaction(TevMemoryVariables::MENU, menu);
  EXPECT_EQ(memory.getTransaction("Menu"), menu);
  auto replacement = std::make_shared<Transaction>();
  memory.putTransaction("Menu", replacement);
  EXPECT_EQ(memory.getTransaction("Menu"), replacement);
  EXPECT_EQ(memory.currentTransaction, nullptr);
}

}  // namespace
}  // namespace tev
