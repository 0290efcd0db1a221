// TransactionXmlParser: the reader of a transaction definition file. It builds one running Transaction from
// it: the forms with their fields (each turned into its kind: single, popup or multiple, with the generated
// title lines of "standard" and "introduction" forms), the form sequence table, the function-server and
// query statements, and the shared variables with their destinations.
//
//   <transaction id="Receipts" auto_load_parameters="yes" auto_cursor_position_on_error="no">
//     <title>...</title>                        accepted, unused (the title is the label of the id)
//     <form_series>                             the form sequence table only
//       <form id="f1" sequence="1"/>
//     </form_series>
//     <form id="f1" type="standard">            or "introduction" or "form"
//       <field id="item" type="single" row="3" col="1" data_type="item" label="item_lbl"
//              message="scan_item" value="" lines_per_display="1" no_of_data_columns="1"
//              fserver_input_index="1">         type "single", "popup" or "multiple"
//         <property id="mandatory"/>            one property word each
//         <field_enter><sql id="q1"/></field_enter>
//         <field_exit><sql id="q2"/></field_exit>
//         <sql_list id="q3" event="form_enter" enable="yes"/>
//       </field>
//     </form>
//     <fserver_list>                            any wrapper name, exactly one level between
//       <fserver id="receive">
//         <name>tdilc0001</name><function>f.receive</function><no_of_params>2</no_of_params>
//         <baan_field id="item" data_type="item"><dependancy id="qty" send_if_empty="no"/></baan_field>
//         <baan_field id="qty" data_type="qty"/>
//       </fserver>
//     </fserver_list>
//     <sql_list>
//       <sql id="q1" row_type="single" query_no="29" err_no="m1">select dsca from t
//         where item = <baan_field id="item"/></sql>
//     </sql_list>
//     <shared_variable_list>
//       <shared_variable id="v" source_type="form" source_id="f1" source_variable_id="item"
//                        source_variable_index="">
//         <map dest_id="f2" dest_type="form" dest_variable_id="item" dest_variable_index=""/>
//       </shared_variable>
//     </shared_variable_list>
//   </transaction>
//
// Attribute values are trimmed; names are compared exactly; the booleans are "yes" in any letter case.
// Elements nested inside a field, at any depth, are read with the attribute rules of the field itself
// (a `row` on a nested element sets the field's row), except that `id` is the field id only on the field
// element, a property word only on `property` and a query id only below `field_enter` / `field_exit`.
//
// Labels, messages and dictionary entries are looked up while reading. Missing labels and messages never stop
// the reader: they are collected (getErrorString) and logged at the end. A file that cannot be read or parsed
// gives no transaction (logged); the caller shows its own error.
//
// One reader builds one transaction at a time, on one thread. The label and message lists must outlive it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "config/baan_field_def.h"
#include "config/field_table_codec.h"
#include "config/label_list.h"
#include "config/message_list.h"
#include "xml/xml_document.h"
#include "xml/xml_node.h"

namespace tev {

class BarcodeManager;
class FServerStatement;
class Field;
class Form;
class SQLStatement;
class SharedVariableMap;
class Transaction;
class VRCParser;

// The field dictionary as the readers see it: the entry of an id (exact, case-sensitive), or nothing.
using FieldDictionary = std::function<std::optional<BaanFieldDef>(const std::string& id)>;
// A dictionary over a table; the table must outlive every use of the result.
FieldDictionary fieldDictionaryOf(const BaanFieldTable& table);

class TransactionXmlParser {
 public:
  // The company line of an "introduction" form when the label "standard_comp_name" is missing or blank.
  static inline const std::string COMP_NAME = "QUILLANBURY";
  static inline const std::string READ_ONLY = "read_only";
  static inline const std::string CENTER = "center";
  // The dictionary entry of a field without data_type, and of an argument whose data_type has none.
  static inline const std::string GEN_STRING = "gen_string";
  static inline const std::string LOGGER_NAME = "tev.framework.parser.Logger";

  // The session's label list, message list and field dictionary.
  TransactionXmlParser(const LabelList& labelList, const MessageList& messageList,
                       FieldDictionary baanFieldDefList);
  // The same, then loadXML(fileName).
  TransactionXmlParser(const std::string& fileName, const LabelList& labelList,
                       const MessageList& messageList, FieldDictionary baanFieldDefList);
  ~TransactionXmlParser();
  TransactionXmlParser(const TransactionXmlParser&) = delete;
  TransactionXmlParser& operator=(const TransactionXmlParser&) = delete;

  // Parses the file into the document; false (logged, no document kept) when it is missing or malformed.
  bool loadXML(const std::string& fileName);
  // Builds the transaction from the document; nullptr (logged) without a document or without a `transaction`
  // element. Each call builds a new transaction and starts a new getErrorString().
  std::shared_ptr<Transaction> getTransactionInfo();

  // Locates <transactionId>.xml among the transaction definitions and reads it. With a layout service, the
  // file <transactionId>BarcodeList.xml (so "StandardBarcodeList.xml" for the login) is located too; when it
  // exists and the service reads it, the transaction's barcodeHash becomes its layouts by form id; otherwise
  // the transaction has no layouts. nullptr (logged) when the definition is not found or gives no
  // transaction.
  std::shared_ptr<Transaction> loadTransaction(VRCParser& locator, const std::string& transactionId,
                                               BarcodeManager* layouts = nullptr);

  // One line per missing label ("<id> label not found") or message ("<id> Message not found") of the last
  // getTransactionInfo, each ended by a line feed.
  const std::string& getErrorString() const { return errorString; }

 private:
  // The steps of getTransactionInfo, each given the elements of one name in document order.
  void getForms(const std::vector<XmlNode>& formNodes);
  void getFormsData(const XmlNode& formNode);
  void getFields(const std::vector<XmlNode>& fieldNodes);
  std::unique_ptr<Field> getField(const XmlNode& fieldNode);
  void getFieldData(const XmlNode& element, bool fieldElement);
  void getFServerList(const std::vector<XmlNode>& fserverNodes);
  std::shared_ptr<FServerStatement> getFServerListData(const XmlNode& fserverNode);
  void getSqlList(const std::vector<XmlNode>& sqlNodes);
  std::shared_ptr<SQLStatement> getSqlListData(const XmlNode& sqlNode);
  void getSharedVariableList(const std::vector<XmlNode>& variableNodes);
  void getSharedVariableMapList(const XmlNode& variableNode, std::vector<SharedVariableMap>& maps);

  std::optional<BaanFieldDef> dictionaryEntry(const std::string& id) const;
  void addMissing(const std::string& id, const std::string& what);

  log::Logger logger;
  XmlDocPtr doc;
  std::string fileName;
  const LabelList& labelList;
  const MessageList& messageList;
  FieldDictionary baanFieldDefList;

  // Reading state of getTransactionInfo.
  std::shared_ptr<Transaction> trans;
  std::string transactionId;
  std::shared_ptr<Form> form;
  std::unique_ptr<Field> ff;
  std::optional<std::string> labelId;    // the label the current field names (labelFound)
  std::optional<std::string> messageId;  // the message the current field names (messageFound)
  bool standard = false;
  bool introduction = false;
  std::string errorString;
};

}  // namespace tev
