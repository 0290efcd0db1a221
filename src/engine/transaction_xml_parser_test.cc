#include "engine/transaction_xml_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/barcode_manager.h"
#include "config/config_test_support.h"
#include "config/vrc_parser.h"
#include "engine/field.h"
#include "engine/form.h"
#include "engine/fserver_statement.h"
#include "engine/multiple_field.h"
#include "engine/popup_field.h"
#include "engine/single_field.h"
#include "engine/sql_statement.h"
#include "engine/transaction.h"

namespace tev {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

BaanFieldDef def(const std::string& id, const std::string& type, const std::string& caseType = "none") {
  return BaanFieldDef(id, type, "left", caseType, 10);
}

class TransactionXmlParserTest : public ::testing::Test {
 protected:
  TransactionXmlParserTest() {
    labels.setlabel("Receipts", "Receipts");
    labels.setlabel("standard_comp_name", "ACME");
    labels.setlabel("item", "Item:");
    labels.setlabel("qty_label", "Qty:");
    for (const char* id : {"a", "b", "c", "lines", "ok", "f", "lab2"}) labels.setlabel(id, id);
    messages.setMessage("item", "Scan item");
    messages.setMessage("no_item", "Item not found");
    dictionary = {{"gen_string", def("gen_string", "string")},
                  {"item", def("item", "string", "upper")},
                  {"qty", def("qty", "number")},
                  {"conf", def("conf", "yesno")}};
  }

  // Reads the definition text; nullptr when it gives no transaction.
  std::shared_ptr<Transaction> read(const std::string& xml) {
    std::string path = dir.write("def.xml", xml);
    TransactionXmlParser parser(labels, messages, fieldDictionaryOf(dictionary));
    if (!parser.loadXML(path)) return nullptr;
    std::shared_ptr<Transaction> transaction = parser.getTransactionInfo();
    errorString = parser.getErrorString();
    return transaction;
  }

  static std::vector<std::string> fieldIds(const Form& form) {
    std::vector<std::string> ids;
    for (const auto& field : form.fieldsVector) ids.push_back(field->id);
    return ids;
  }

  testing::TempDir dir;
  LabelList labels;
  MessageList messages;
  BaanFieldTable dictionary;
  std::string errorString;
};

TEST_F(TransactionXmlParserTest, FormsAndFieldsOfEveryKind) {
  auto t = read(R"(<?xml version="1.0"?>
<transaction id=" Receipts ">
  <title>ignored</title>
  <form_series>
    <form id="order" sequence="1"/>
    <form id="confirm" sequence=" 2 "/>
  </form_series>
  <form id="intro" type="introduction">
    <field id="a" row="5" col="1" type="single"/>
    <field id="b" row="6" col="1" type="single"/>
    <field id="c" row="7" col="1" type="single"/>
  </form>
  <form id="order" type="standard">
    <field id="item" row="3" col=" 2" type="single" data_type="item" value=" A1 " fserver_input_index="2">
      <property id="mandatory"/>
      <property id="read_only"/>
      <property id="bold"/>
      <field_enter><sql id="q_enter"/></field_enter>
      <field_exit><sql id="q_exit1"/><sql id="q_exit2"/></field_exit>
      <sql_list id="q_link" event="form_enter" enable="yes"/>
    </field>
    <field id="qty" label="qty_label" message="no_item" type="popup" data_type="qty" row="4" col="1"/>
    <field id="lines" type="multiple" lines_per_display="2" no_of_data_columns="3" row="5" col="1"/>
  </form>
  <form id="confirm" type="form">
    <field id="ok" type="single" row="2" col="1" data_type="nothing_like_it"/>
  </form>
</transaction>)");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->id, "Receipts");
  EXPECT_EQ(t->title, "Receipts");
  EXPECT_EQ(t->transactionStatus, -1);
  EXPECT_EQ(t->formSequenceHash, (std::map<std::string, std::string>{{"order", "1"}, {"confirm", "2"}}));
  ASSERT_EQ(t->formsList.size(), 3u);

  // Introduction: three fields, then company, title, dashes on 3 and 14, ESC EXIT.
  const Form& intro = *t->formsList[0];
  EXPECT_EQ(intro.id, "intro");
  EXPECT_EQ(intro.type, "introduction");
  EXPECT_THAT(fieldIds(intro), ElementsAre("a", "b", "c", "title", "title", "title", "title", "title"));
  EXPECT_EQ(intro.fieldsVector[3]->label, "ACME");
  EXPECT_EQ(intro.fieldsVector[4]->label, "Receipts");
  EXPECT_EQ(intro.fieldsVector[4]->row, "2");
  EXPECT_EQ(intro.fieldsVector[7]->label, Form::ESC_EXIT);

  // Standard: three fields, then title, dashes on 14, ESC EXIT.
  const Form& order = *t->formsList[1];
  EXPECT_THAT(fieldIds(order), ElementsAre("item", "qty", "lines", "title", "title", "title"));
  EXPECT_EQ(order.fieldsVector[3]->label, "Receipts");
  EXPECT_EQ(order.fieldsVector[3]->row, "1");
  EXPECT_TRUE(order.fieldsVector[5]->isReadOnly());

  const Field& item = *order.fieldsVector[0];
  EXPECT_NE(dynamic_cast<const SingleField*>(&item), nullptr);
  EXPECT_EQ(item.type, "single");
  EXPECT_EQ(item.row, "3");
  EXPECT_EQ(item.col, "2");
  EXPECT_EQ(item.value, "A1");
  EXPECT_EQ(item.dataType, "item");
  EXPECT_EQ(item.typeInfo, dictionary.at("item"));
  EXPECT_EQ(item.fserver_input_index, 2);
  EXPECT_EQ(item.label, "Item:");  // the label of the field id
  EXPECT_EQ(item.message, "Scan item");
  EXPECT_TRUE(item.isMandatory());
  EXPECT_TRUE(item.isReadOnly());
  EXPECT_TRUE(item.isBold());
  EXPECT_FALSE(item.isUnderline());
  EXPECT_THAT(item.fieldEnter, ElementsAre("q_enter"));
  EXPECT_THAT(item.fieldExit, ElementsAre("q_exit1", "q_exit2"));
  // The query links stay on the plain field the kind was copied from.
  EXPECT_EQ(item.getSQL("q_link"), nullptr);

  const Field& qty = *order.fieldsVector[1];
  EXPECT_NE(dynamic_cast<const PopupField*>(&qty), nullptr);
  EXPECT_EQ(qty.label, "Qty:");
  EXPECT_EQ(qty.message, "Item not found");
  EXPECT_EQ(qty.fserver_input_index, -1);

  const Field& lines = *order.fieldsVector[2];
  EXPECT_NE(dynamic_cast<const MultipleField*>(&lines), nullptr);
  EXPECT_EQ(lines.linesPerDisplay, "2");
  EXPECT_EQ(lines.noOfDataColumns, "3");
  EXPECT_EQ(lines.typeInfo, dictionary.at("gen_string"));  // no data_type
  EXPECT_EQ(lines.message, std::nullopt);

  // A plain form gets no generated lines; an unknown data type leaves the field without an entry.
  const Form& confirm = *t->formsList[2];
  EXPECT_THAT(fieldIds(confirm), ElementsAre("ok"));
  EXPECT_EQ(confirm.fieldsVector[0]->typeInfo, std::nullopt);
}

TEST_F(TransactionXmlParserTest, TransactionFlags) {
  struct Case {
    std::string attributes;
    bool autoLoad;
    bool autoCursor;
    std::string logged;
  };
  const std::vector<Case> cases = {
      {"", false, true, " auto_cursor_position_on_error =  trans.bAutoPositionCursor = true"},
      {R"(auto_load_parameters="" auto_cursor_position_on_error="")", false, true,
       " auto_cursor_position_on_error =  trans.bAutoPositionCursor = true"},
      {R"(auto_load_parameters="Yes" auto_cursor_position_on_error="no")", true, false,
       " auto_cursor_position_on_error = no trans.bAutoPositionCursor = false"},
      {R"(auto_load_parameters=" yes " auto_cursor_position_on_error="YES")", true, true,
       " auto_cursor_position_on_error = YES trans.bAutoPositionCursor = true"},
      {R"(auto_load_parameters="no" auto_cursor_position_on_error="y")", false, false,
       " auto_cursor_position_on_error = y trans.bAutoPositionCursor = false"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attributes);
    log::Capture capture;
    auto t = read("<transaction id=\"Receipts\" " + c.attributes + "/>");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->bAutoLoadParameters, c.autoLoad);
    EXPECT_EQ(t->bAutoPositionCursor, c.autoCursor);
    EXPECT_TRUE(capture.contains(c.logged));
  }
}

TEST_F(TransactionXmlParserTest, MissingTextsAreCollectedAndLogged) {
  labels = LabelList({{"x", "X:"}, {"nulled", "null"}});  // no title, no company label
  log::Capture capture;
  auto t = read(R"(<transaction id="Unlabelled">
  <form id="intro" type="introduction">
    <field id="x" row="5" col="1" type="single" message="gone"/>
    <field id="y" label="nulled" row="6" col="1" type="single"/>
  </form>
</transaction>)");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(errorString,
            "<gone> Message not found\n"
            "<nulled> label not found\n"
            "<y> Message not found\n"
            "<Unlabelled> label not found\n"
            "<standard_comp_name> label not found\n");
  EXPECT_TRUE(capture.contains("<Unlabelled> label not found"));
  EXPECT_TRUE(capture.contains("<standard_comp_name> label not found"));
  EXPECT_EQ(t->title, std::nullopt);
  const Form& intro = *t->formsList[0];
  EXPECT_EQ(intro.fieldsVector[0]->label, "X:");
  EXPECT_EQ(intro.fieldsVector[0]->message, std::nullopt);
  EXPECT_EQ(intro.fieldsVector[1]->label, "null");
  EXPECT_EQ(intro.fieldsVector[2]->label, TransactionXmlParser::COMP_NAME);  // company line
  EXPECT_EQ(intro.fieldsVector[3]->label, std::nullopt);                     // title line
}

TEST_F(TransactionXmlParserTest, FieldOfAnotherTypeIsLeftOut) {
  log::Capture capture;
  auto t = read(R"(<transaction id="Receipts"><form id="f" type="form">
    <field id="a" type="single" row="1" col="1"/>
    <field id="bad" type="list" row="2" col="1"/>
    <field id="untyped" row="3" col="1"/>
    <field id="b" type="Single" row="4" col="1"/>
  </form></transaction>)");
  ASSERT_NE(t, nullptr);
  EXPECT_THAT(fieldIds(*t->formsList[0]), ElementsAre("a"));
  EXPECT_TRUE(
      capture.contains("Invalid Field Type defined, transaction will not load proper for field = bad"));
  EXPECT_TRUE(
      capture.contains("Invalid Field Type defined, transaction will not load proper for field = untyped"));
  EXPECT_TRUE(capture.contains("Invalid Field Type defined, transaction will not load proper for field = b"));
}

TEST_F(TransactionXmlParserTest, NestedElementsReadWithTheFieldsAttributeRules) {
  log::Capture capture;
  auto t = read(R"(<transaction id="Receipts"><form id="f" type="form">
    <field id="f" type="single" row="2" col="1" fserver_input_index="x1">
      <property id="bold" row="9"/>
      <extra id="other" label="lab2"><deeper data_type="qty"/></extra>
      <field_exit><wrapped><sql id="not_direct"/></wrapped></field_exit>
    </field>
  </form></transaction>)");
  ASSERT_NE(t, nullptr);
  const Field& f = *t->formsList[0]->fieldsVector[0];
  EXPECT_EQ(f.id, "f");
  EXPECT_EQ(f.row, "9");
  EXPECT_EQ(f.label, "lab2");
  EXPECT_EQ(f.dataType, "qty");
  EXPECT_EQ(f.typeInfo, dictionary.at("qty"));
  EXPECT_THAT(f.fieldAttrVector, ElementsAre("bold"));
  EXPECT_THAT(f.fieldExit, IsEmpty());
  EXPECT_EQ(f.fserver_input_index, -1);
  EXPECT_TRUE(capture.contains("Invalid fserver_input_index x1 for field = f"));
}

TEST_F(TransactionXmlParserTest, FunctionServerStatementsWithArguments) {
  log::Capture capture;
  auto t = read(R"(<transaction id="Receipts">
  <fserver_list>
    <fserver id=" receive ">
      <name> tdilc0001</name>
      <function>f.receive</function>
      <no_of_params> 3 </no_of_params>
      <baan_field id="item" data_type="item">
        <dependancy id="conf" send_if_empty="yes"/>
        <dependancy id="qty"/>
      </baan_field>
      <baan_field id="qty" data_type="unknown"/>
      <baan_field id="conf" data_type="conf">stray</baan_field>
    </fserver>
    <fserver id="dup"><function>first</function></fserver>
    <fserver id="dup"><function>second</function></fserver>
    <fserver id="blank"><name>   </name><no_of_params/></fserver>
  </fserver_list>
  <fserver id="direct"><function>x</function></fserver>
</transaction>)");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->fserverStatements.size(), 3u);
  EXPECT_EQ(t->getFServerStatement("direct"), nullptr);

  const FServerStatement* receive = t->getFServerStatement("receive");
  ASSERT_NE(receive, nullptr);
  EXPECT_EQ(receive->fserverName, " tdilc0001");
  EXPECT_EQ(receive->function, "f.receive");
  EXPECT_EQ(receive->noOfParams, 3);
  // The text "stray" is not an argument: three entries for three ids.
  EXPECT_THAT(receive->functionArguments,
              ElementsAre(dictionary.at("item"), dictionary.at("gen_string"), dictionary.at("conf")));
  EXPECT_THAT(receive->fieldIds, ElementsAre("item", "qty", "conf"));
  const FServerField* item = receive->getField("item");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->fieldNo, 0);
  EXPECT_EQ(item->controlFieldFlags, (std::map<std::string, std::string>{{"conf", "yes"}, {"qty", ""}}));
  EXPECT_TRUE(item->sendIfEmpty("conf"));
  EXPECT_FALSE(item->sendIfEmpty("qty"));
  EXPECT_EQ(receive->getField("qty")->fieldNo, 1);
  EXPECT_EQ(receive->getField("conf")->fieldNo, 2);
  EXPECT_TRUE(receive->getField("conf")->isBaanYesNo());
  EXPECT_TRUE(capture.contains("Ignoring the text stray of baan_field conf in fserver receive"));
  EXPECT_TRUE(capture.contains("Setting fserver name:  tdilc0001"));

  EXPECT_EQ(t->getFServerStatement("dup")->function, "second");
  EXPECT_EQ(t->getFServerStatement("blank")->fserverName, "");
  EXPECT_EQ(t->getFServerStatement("blank")->noOfParams, 0);
}

TEST_F(TransactionXmlParserTest, QueryStatementsAndWrappers) {
  auto t = read(R"(<transaction id="Receipts">
  <sql_list>
    <sql id="q1" row_type="single" query_no=" 29 " err_no="no_item">select item, dsca from tcibd001 where item = <baan_field id="item"/> and qty = <baan_field id="x" type="qty"/> and <baan_field id="nowhere"/>
    </sql>
    <sql id="q2"/>
  </sql_list>
  <sql id="direct">select 1 from x</sql>
  <wrapper><form id="hidden" type="form"><field id="a" type="single"/></form></wrapper>
</transaction>)");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->sqlStatements.size(), 2u);
  EXPECT_EQ(t->getSQL("direct"), nullptr);
  EXPECT_THAT(t->formsList, IsEmpty());

  const SQLStatement* q1 = t->getSQL("q1");
  ASSERT_NE(q1, nullptr);
  EXPECT_EQ(q1->rowType, "single");
  EXPECT_EQ(q1->queryNo, "29");
  EXPECT_EQ(q1->errorMessageId, "no_item");
  EXPECT_EQ(q1->errorMessage, "Item not found");
  BaanFieldDef empty("", std::nullopt, std::nullopt, std::nullopt, 0);
  EXPECT_THAT(q1->sqlElements,
              ElementsAre(SQLStatement::Element("select item, dsca from tcibd001 where item = "),
                          SQLStatement::Element(dictionary.at("item")), SQLStatement::Element(" and qty = "),
                          SQLStatement::Element(dictionary.at("qty")), SQLStatement::Element(" and "),
                          SQLStatement::Element(empty)));
  EXPECT_EQ(t->getSQL("q2")->errorMessage, std::nullopt);
  EXPECT_THAT(t->getSQL("q2")->sqlElements, IsEmpty());
}

TEST_F(TransactionXmlParserTest, SharedVariablesWithTheirMaps) {
  auto t = read(R"(<transaction id="Receipts">
  <shared_variable_list>
    <shared_variable id="order" source_type="form" source_id="f1" source_variable_id="orno" source_variable_index=" sel_row ">
      <map dest_id="f2" dest_type="form" dest_variable_id="orno" dest_variable_index=""/>
      <map dest_id="Popup" dest_type="transaction"/>
    </shared_variable>
    <shared_variable id="bare"/>
  </shared_variable_list>
  <shared_variable id="direct"/>
</transaction>)");
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(t->sharedVariableHash.size(), 2u);
  const SharedVariable& order = t->sharedVariableHash.at("order");
  EXPECT_EQ(order.sourceType, "form");
  EXPECT_EQ(order.sourceId, "f1");
  EXPECT_EQ(order.sourceVariableId, "orno");
  EXPECT_EQ(order.sourceVariableIndex, "sel_row");
  EXPECT_THAT(order.destMapList, ElementsAre(SharedVariableMap{"f2", "form", "orno", ""},
                                             SharedVariableMap{"Popup", "transaction", "", ""}));
  const SharedVariable& bare = t->sharedVariableHash.at("bare");
  EXPECT_EQ(bare.sourceType + bare.sourceId + bare.sourceVariableId + bare.sourceVariableIndex, "");
  EXPECT_THAT(bare.destMapList, IsEmpty());
}

TEST_F(TransactionXmlParserTest, FilesThatGiveNoTransaction) {
  TransactionXmlParser parser(labels, messages, fieldDictionaryOf(dictionary));
  {
    log::Capture capture;
    EXPECT_FALSE(parser.loadXML(dir.file("missing.xml")));
    EXPECT_EQ(parser.getTransactionInfo(), nullptr);
    EXPECT_TRUE(capture.contains("Failed to load the transaction definition: " + dir.file("missing.xml")));
  }
  {
    log::Capture capture;
    std::string path = dir.write("broken.xml", "<transaction id=\"T\"><form></transaction>");
    EXPECT_FALSE(parser.loadXML(path));
    EXPECT_EQ(parser.getTransactionInfo(), nullptr);
    EXPECT_TRUE(capture.contains("Failed to load the transaction definition: " + path));
  }
  {
    log::Capture capture;
    std::string path = dir.write("other.xml", "<menu><form id=\"f\" type=\"form\"/></menu>");
    EXPECT_TRUE(parser.loadXML(path));
    EXPECT_EQ(parser.getTransactionInfo(), nullptr);
    EXPECT_TRUE(capture.contains("No transaction element in the transaction definition: " + path));
  }
}

TEST_F(TransactionXmlParserTest, TheConstructorWithAFileNameLoadsIt) {
  std::string path = dir.write("t.xml", "<transaction id=\"Receipts\"/>");
  TransactionXmlParser parser(path, labels, messages, fieldDictionaryOf(dictionary));
  auto t = parser.getTransactionInfo();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->id, "Receipts");
}

// Definitions and their layouts found through the file locator.
class TransactionLoadTest : public ::testing::Test {
 protected:
  TransactionLoadTest() {
    tree.settings().standardEnvironment("common");
    tree.settings().standardEnvironment("prod", "common");
    settingsPath = tree.writeSettings();
  }

  static std::string definition(const std::string& id) {
    return "<transaction id=\"" + id + "\"><form id=\"order\" type=\"form\">" +
           "<field id=\"item\" type=\"single\" row=\"1\" col=\"1\"/></form></transaction>";
  }
  static std::string layouts(const std::string& form) {
    return "<barcode_list><barcode id=\"scan\" form=\"" + form +
           "\" field_separator=\",\" no_of_fields=\"2\"><field_list>"
           "<field id=\"p1\" map_to=\"item\" map_type=\"field\"/><field id=\"p2\" map_to=\"qty\" "
           "map_type=\"field\"/></field_list></barcode></barcode_list>";
  }

  testing::ConfigTree tree;
  std::string settingsPath;
  LabelList labels;
  MessageList messages;
  BaanFieldTable dictionary;
};

TEST_F(TransactionLoadTest, DefinitionAndLayoutsThroughTheLocator) {
  tree.writeFile("env_prod/trans/Receipts.xml", definition("Receipts"));
  tree.writeFile("env_common/trans/ReceiptsBarcodeList.xml", layouts("order"));
  tree.writeFile("env_common/trans/Picking.xml", definition("Picking"));
  tree.writeFile("env_prod/trans/Broken.xml", definition("Broken"));
  tree.writeFile("env_prod/trans/BrokenBarcodeList.xml", "<barcode_list>");
  VRCParser locator(settingsPath, "prod");
  BarcodeManager barcodes;
  TransactionXmlParser parser(labels, messages, fieldDictionaryOf(dictionary));

  auto receipts = parser.loadTransaction(locator, "Receipts", &barcodes);
  ASSERT_NE(receipts, nullptr);
  EXPECT_EQ(receipts->id, "Receipts");
  ASSERT_TRUE(receipts->barcodeHash.has_value());
  ASSERT_EQ(receipts->barcodeHash->count("order"), 1u);
  ASSERT_EQ(receipts->barcodeHash->at("order").size(), 1u);
  EXPECT_EQ(receipts->barcodeHash->at("order")[0].getId(), "scan");

  // The layouts kept by the service from the previous read do not leak into transactions without their own.
  auto picking = parser.loadTransaction(locator, "Picking", &barcodes);
  ASSERT_NE(picking, nullptr);
  EXPECT_FALSE(picking->barcodeHash.has_value());
  auto broken = parser.loadTransaction(locator, "Broken", &barcodes);
  ASSERT_NE(broken, nullptr);
  EXPECT_FALSE(broken->barcodeHash.has_value());
  // Without a layout service no layouts are read.
  EXPECT_FALSE(parser.loadTransaction(locator, "Receipts")->barcodeHash.has_value());

  log::Capture capture;
  EXPECT_EQ(parser.loadTransaction(locator, "Missing", &barcodes), nullptr);
  EXPECT_TRUE(capture.contains("Transaction definition not found: Missing.xml"));
}

}  // namespace
}  // namespace tev
