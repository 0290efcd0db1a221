// Checks the demo's transaction definitions against the rest of the demo: each loads through the file
// locator; the built-in transactions have the forms and fields their classes use; bar-code layouts point at
// fields that exist; the data types they name are in the demo's field dictionary; and every query number,
// result column list and function they use is one the router simulator answers (demo/erp_sim/rules.xml, the
// one place where those are written down).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/java_text.h"
#include "config/baan_field_parser.h"
#include "config/barcode_manager.h"
#include "config/config_test_support.h"
#include "config/vrc_parser.h"
#include "engine/field.h"
#include "engine/form.h"
#include "engine/fserver_statement.h"
#include "engine/sql_statement.h"
#include "engine/transaction.h"
#include "engine/transaction_xml_parser.h"
#include "sim/erp_sim_rules.h"

#ifndef TEV_DEMO_DIR
#error "TEV_DEMO_DIR must name the demo installation"
#endif

namespace tev {
namespace {

using ::testing::IsSupersetOf;

// The ids of the demo's transaction definitions (file names without ".xml"; layout files left out).
std::vector<std::string> definitionIds() {
  std::vector<std::string> ids;
  for (const char* dir : {"common/trans", "demo/trans"}) {
    for (const auto& entry : std::filesystem::directory_iterator(std::string(TEV_DEMO_DIR) + "/" + dir)) {
      std::string name = entry.path().filename();
      if (!name.ends_with(".xml") || name.ends_with("BarcodeList.xml")) continue;
      ids.push_back(name.substr(0, name.size() - 4));
    }
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

// The column names of a query's select list: between the first "select" and the first "from", cut at ",".
std::vector<std::string> selectColumns(const SQLStatement& statement) {
  std::string text;
  for (const SQLStatement::Element& element : statement.sqlElements)
    text += std::holds_alternative<std::string>(element) ? std::get<std::string>(element) : "?";
  std::size_t select = text.find("select");
  std::size_t from = text.find("from");
  if (select == std::string::npos || from == std::string::npos || from < select) return {};
  std::vector<std::string> columns;
  for (const std::string& piece : split(text.substr(select + 6, from - select - 6), ",", -1))
    columns.push_back(trim(piece));
  return columns;
}

std::vector<std::string> fieldIdsOf(const Form& form) {
  std::vector<std::string> ids;
  for (const auto& field : form.fieldsVector)
    if (field->id != Form::TITLE_ID) ids.push_back(field->id);
  return ids;
}

class DemoDefinitionsTest : public ::testing::Test {
 protected:
  DemoDefinitionsTest() {
    std::ostringstream progress;
    BaanFieldParser fields(progress);
    if (!fields.initialize("demo/data/baan_field_list.xml")) ADD_FAILURE() << progress.str();
    dictionary = fields.getBaanFields();
  }

  // Reads the definition through the locator, with its layouts.
  std::shared_ptr<Transaction> load(const std::string& id) {
    TransactionXmlParser parser(labels, messages, fieldDictionaryOf(dictionary));
    return parser.loadTransaction(locator, id, &barcodes);
  }

  testing::InDemoDirectory inDemo;
  VRCParser locator{"vav_settings.xml", "demo"};
  BarcodeManager barcodes;
  BaanFieldTable dictionary;
  LabelList labels;
  MessageList messages;
};

TEST_F(DemoDefinitionsTest, EveryDefinitionLoadsWithKnownDataTypesAndLayoutTargets) {
  std::vector<std::string> ids = definitionIds();
  EXPECT_THAT(ids, IsSupersetOf({"Standard", "Menu", "InventoryInquiry", "Transfer"}));
  for (const std::string& id : ids) {
    SCOPED_TRACE(id);
    std::shared_ptr<Transaction> t = load(id);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->id, id);
    EXPECT_FALSE(t->formsList.empty());
    std::set<std::string> formIds;
    for (const auto& form : t->formsList) {
      SCOPED_TRACE(form->id);
      EXPECT_TRUE(formIds.insert(form->id).second) << "form defined twice";
      std::vector<std::string> fieldIds = fieldIdsOf(*form);
      EXPECT_EQ(std::set<std::string>(fieldIds.begin(), fieldIds.end()).size(), fieldIds.size())
          << "field defined twice";
      for (const auto& field : form->fieldsVector) {
        if (!field->dataType.empty()) {
          EXPECT_TRUE(field->typeInfo.has_value()) << field->id << ": data type " << field->dataType;
        }
      }
    }
    for (const auto& [formId, sequence] : t->formSequenceHash)
      EXPECT_NE(t->getForm(formId), nullptr) << "form_series names " << formId;
    if (!t->barcodeHash) continue;
    for (const auto& [formId, layouts] : *t->barcodeHash) {
      const Form* form = t->getForm(formId);
      ASSERT_NE(form, nullptr) << "layout for form " << formId;
      for (const auto& layout : layouts) {
        for (const auto& part : layout.getFieldList().getField()) {
          if (part.getMapType() != "field") continue;
          EXPECT_NE(form->getField(part.getMapTo().value_or("")), nullptr)
              << "layout " << layout.getId().value_or("") << " maps to " << part.getMapTo().value_or("");
        }
      }
    }
  }
}

TEST_F(DemoDefinitionsTest, BuiltInTransactionsHaveTheFormsAndFieldsTheirClassesUse) {
  struct Expected {
    std::string transaction;
    std::string form;
    std::vector<std::string> fields;
  };
  const std::vector<Expected> expected = {
      {"Standard", "welcome", {"standard_device", "standard_environment", "continue"}},
      {"Standard", "login", {"username", "password", "whse", "language", "label_printer"}},
      {"Standard", "change_password", {}},
      {"Menu", "menu", {"menu_list"}},
      {"ChangePassword", "set_password", {"username", "old_password", "password", "confirm_password"}},
      {"HelpDisplay", "help_display", {"help_list"}},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.transaction + " / " + e.form);
    std::shared_ptr<Transaction> t = load(e.transaction);
    ASSERT_NE(t, nullptr);
    const Form* form = t->getForm(e.form);
    ASSERT_NE(form, nullptr);
    EXPECT_THAT(fieldIdsOf(*form), IsSupersetOf(e.fields));
  }
  // The login form comes first after the greeting, and its bar-code layouts are loaded with it.
  std::shared_ptr<Transaction> standard = load("Standard");
  ASSERT_NE(standard, nullptr);
  EXPECT_EQ(standard->formsList[0]->id, "welcome");
  EXPECT_EQ(standard->formsList[1]->id, "login");
  ASSERT_TRUE(standard->barcodeHash.has_value());
  EXPECT_EQ(standard->barcodeHash->count("login"), 1u);
}

TEST_F(DemoDefinitionsTest, DemoTransactionsHaveTheFormsFieldsAndCallsTheirClassesUse) {
  std::shared_ptr<Transaction> echo = load("Echo");
  ASSERT_NE(echo, nullptr);
  ASSERT_NE(echo->getForm("echo"), nullptr);
  EXPECT_THAT(fieldIdsOf(*echo->getForm("echo")), IsSupersetOf({"text", "echoed"}));

  // Transfer books from the last of its four fields with the 16 values of "transfer_inventory".
  std::shared_ptr<Transaction> transfer = load("Transfer");
  ASSERT_NE(transfer, nullptr);
  ASSERT_NE(transfer->getForm("transfer"), nullptr);
  EXPECT_THAT(fieldIdsOf(*transfer->getForm("transfer")),
              ::testing::ElementsAre("item", "from_loc", "to_loc1", "qty"));
  ASSERT_EQ(transfer->fserverStatements.count("transfer_inventory"), 1u);
  const auto& booking = transfer->fserverStatements.at("transfer_inventory");
  EXPECT_EQ(booking->function, "transfer_inventory");
  EXPECT_EQ(booking->noOfParams, 16);
}

TEST_F(DemoDefinitionsTest, QueriesAndFunctionsAreTheSimulatorsOwn) {
  sim::ErpSimRules rules = sim::ErpSimRules::load("erp_sim/rules.xml");
  std::map<std::string, std::vector<std::string>> columnsByQuery;
  std::set<std::string> functions;
  for (const sim::ErpSimRules::QueryInfo& query : rules.queries()) {
    if (!query.no.empty()) columnsByQuery.emplace(query.no, query.columns);
    if (!query.executor.empty()) functions.insert(query.executor);
  }
  for (const std::string& name : rules.functions()) functions.insert(name);

  int queries = 0;
  int calls = 0;
  for (const std::string& id : definitionIds()) {
    SCOPED_TRACE(id);
    std::shared_ptr<Transaction> t = load(id);
    ASSERT_NE(t, nullptr);
    for (const auto& [statementId, statement] : t->sqlStatements) {
      SCOPED_TRACE("sql " + statementId);
      ASSERT_FALSE(statement->queryNo.empty()) << "every demo query runs by number";
      auto rule = columnsByQuery.find(statement->queryNo);
      ASSERT_NE(rule, columnsByQuery.end()) << "query " << statement->queryNo << " is not in the rules";
      EXPECT_EQ(selectColumns(*statement), rule->second);
      ++queries;
    }
    for (const auto& [statementId, statement] : t->fserverStatements) {
      SCOPED_TRACE("fserver " + statementId);
      EXPECT_EQ(functions.count(statement->function), 1u) << statement->function << " is not in the rules";
      EXPECT_EQ(statement->noOfParams, static_cast<int>(statement->functionArguments.size()));
      ++calls;
    }
  }
  EXPECT_GT(queries, 0);
  EXPECT_GT(calls, 0);
}

}  // namespace
}  // namespace tev
