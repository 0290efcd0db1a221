#include "engine/transaction_xml_parser.h"

#include <utility>

#include "common/error.h"
#include "common/java_number.h"
#include "common/java_text.h"
#include "config/barcode_manager.h"
#include "config/vrc_parser.h"
#include "engine/field.h"
#include "engine/form.h"
#include "engine/fserver_statement.h"
#include "engine/multiple_field.h"
#include "engine/popup_field.h"
#include "engine/shared_variable.h"
#include "engine/shared_variable_map.h"
#include "engine/single_field.h"
#include "engine/sql_link.h"
#include "engine/sql_statement.h"
#include "engine/transaction.h"

namespace tev {
namespace {

void collectElements(const XmlNode& node, const std::string& name, std::vector<XmlNode>& out) {
  for (const XmlNode& child : node.elementChildren()) {
    if (child.name() == name) out.push_back(child);
    collectElements(child, name, out);
  }
}

// Every element of that name below the node, in document order (the node itself is not included).
std::vector<XmlNode> elementsByName(const XmlNode& node, const std::string& name) {
  std::vector<XmlNode> out;
  collectElements(node, name, out);
  return out;
}

// The attribute trimmed; nothing when the element has none of that name.
std::optional<std::string> attr(const XmlNode& element, const std::string& name) {
  std::optional<std::string> value = element.attribute(name);
  if (!value) return std::nullopt;
  return trim(*value);
}

// The attribute trimmed; "" when the element has none of that name.
std::string attrOr(const XmlNode& element, const std::string& name) {
  return attr(element, name).value_or("");
}

// The attributes of an element in document order, values trimmed.
std::vector<std::pair<std::string, std::string>> attributes(const XmlNode& element) {
  std::vector<std::pair<std::string, std::string>> out;
  if (!element.isElement()) return out;
  for (xmlAttrPtr a = element.raw()->properties; a != nullptr; a = a->next) {
    XmlNode node(reinterpret_cast<xmlNodePtr>(a));
    out.emplace_back(node.name(), trim(node.value().value_or("")));
  }
  return out;
}

// The name of the parent element; "" for the root element and for nodes without an element parent.
std::string parentName(const XmlNode& node) {
  std::optional<XmlNode> parent = node.parent();
  return parent && parent->isElement() ? parent->name() : "";
}

// The name of the parent's parent element; "" when there is none.
std::string grandparentName(const XmlNode& node) {
  std::optional<XmlNode> parent = node.parent();
  if (!parent || !parent->isElement()) return "";
  return parentName(*parent);
}

BaanFieldDef emptyEntry() {
  return BaanFieldDef("", std::nullopt, std::nullopt, std::nullopt, 0);
}

std::string entryText(const std::optional<BaanFieldDef>& entry) {
  return entry ? entry->toString() : "null";
}

}  // namespace

FieldDictionary fieldDictionaryOf(const BaanFieldTable& table) {
  return [&table](const std::string& id) -> std::optional<BaanFieldDef> {
    auto it = table.find(id);
    if (it == table.end()) return std::nullopt;
    return it->second;
  };
}

TransactionXmlParser::TransactionXmlParser(const LabelList& labelList, const MessageList& messageList,
                                           FieldDictionary baanFieldDefList)
    : logger(log::get(LOGGER_NAME)),
      labelList(labelList),
      messageList(messageList),
      baanFieldDefList(std::move(baanFieldDefList)) {}

TransactionXmlParser::TransactionXmlParser(const std::string& fileName, const LabelList& labelList,
                                           const MessageList& messageList, FieldDictionary baanFieldDefList)
    : TransactionXmlParser(labelList, messageList, std::move(baanFieldDefList)) {
  loadXML(fileName);
}

TransactionXmlParser::~TransactionXmlParser() = default;

bool TransactionXmlParser::loadXML(const std::string& path) {
  fileName = path;
  std::string cause;
  doc = parseXmlFile(path, cause);
  if (!doc) {
    logger->error("{}", "Failed to load the transaction definition: " + path + ": " + cause);
    return false;
  }
  logger->debug("{}", "Loaded the transaction definition: " + path);
  return true;
}

std::shared_ptr<Transaction> TransactionXmlParser::loadTransaction(VRCParser& locator,
                                                                   const std::string& transactionId,
                                                                   BarcodeManager* layouts) {
  std::optional<std::string> path = locator.getTransXMLFilePath(transactionId + ".xml");
  if (!path) {
    logger->error("{}", "Transaction definition not found: " + transactionId + ".xml");
    return nullptr;
  }
  if (!loadXML(*path)) return nullptr;
  std::shared_ptr<Transaction> transaction = getTransactionInfo();
  if (!transaction || layouts == nullptr) return transaction;

  std::optional<std::string> layoutPath = locator.getTransXMLFilePath(transactionId + "BarcodeList.xml");
  if (layoutPath) {
    logger->info("{}", "BarcodeList File: " + *layoutPath);
    if (layouts->initialize(*layoutPath)) transaction->barcodeHash = layouts->getBarcodeHash();
  }
  return transaction;
}

std::shared_ptr<Transaction> TransactionXmlParser::getTransactionInfo() {
  trans.reset();
  form.reset();
  ff.reset();
  transactionId.clear();
  errorString.clear();
  if (!doc) {
    logger->error("{}", "No transaction definition loaded: " + fileName);
    return nullptr;
  }

  XmlNode document(reinterpret_cast<xmlNodePtr>(doc.get()));
  std::vector<XmlNode> transactions = elementsByName(document, "transaction");
  if (transactions.empty()) {
    logger->error("{}", "No transaction element in the transaction definition: " + fileName);
    return nullptr;
  }
  for (const XmlNode& element : transactions) {
    trans = std::make_shared<Transaction>();
    trans->id = attrOr(element, "id");
  }
  const XmlNode& root = transactions.back();
  transactionId = trans->id;

  trans->bAutoLoadParameters = equalsIgnoreCase(attrOr(root, "auto_load_parameters"), "yes");
  std::string autoCursor = attrOr(root, "auto_cursor_position_on_error");
  trans->bAutoPositionCursor = autoCursor.empty() || equalsIgnoreCase(autoCursor, "yes");
  logger->info("{}", " auto_cursor_position_on_error = " + autoCursor +
                         " trans.bAutoPositionCursor = " + (trans->bAutoPositionCursor ? "true" : "false"));

  getForms(elementsByName(document, "form"));
  getSqlList(elementsByName(document, "sql"));
  getFServerList(elementsByName(document, "fserver"));
  getSharedVariableList(elementsByName(document, "shared_variable"));

  trans->title = labelList.getLabel(transactionId);

  if (!errorString.empty())
    for (const std::string& line : split(errorString, "\n")) logger->info("{}", line);
  form.reset();
  return std::move(trans);
}

// ---- forms and fields ----

void TransactionXmlParser::getForms(const std::vector<XmlNode>& formNodes) {
  for (const XmlNode& node : formNodes) {
    std::string parent = parentName(node);
    if (parent == "transaction") {
      standard = false;
      introduction = false;
      form = std::make_shared<Form>();
      getFormsData(node);
      getFields(elementsByName(node, "field"));
      if (standard || introduction) {
        std::optional<std::string> title = labelList.getLabel(transactionId);
        if (!title) addMissing(transactionId, "label");
        std::optional<std::string> company;
        if (introduction) {
          company = labelList.getLabel("standard_comp_name");
          if (!company || *company == "null") {
            addMissing("standard_comp_name", "label");
            company.reset();
          }
        }
        form->appendGeneratedLines(title, company);
      }
      trans->formsList.push_back(form);
    } else if (parent == "form_series") {
      trans->formSequenceHash[attrOr(node, "id")] = attrOr(node, "sequence");
    }
  }
}

void TransactionXmlParser::getFormsData(const XmlNode& formNode) {
  form->id = attrOr(formNode, "id");
  form->type = attrOr(formNode, "type");
  standard = form->type == "standard";
  introduction = form->type == "introduction";
}

void TransactionXmlParser::getFields(const std::vector<XmlNode>& fieldNodes) {
  for (const XmlNode& node : fieldNodes) {
    std::unique_ptr<Field> field = getField(node);
    if (field) form->addField(std::move(field));
  }
}

std::unique_ptr<Field> TransactionXmlParser::getField(const XmlNode& fieldNode) {
  ff = std::make_unique<Field>();
  labelId.reset();
  messageId.reset();
  getFieldData(fieldNode, true);

  std::string label = labelId.value_or(ff->id);
  ff->label = labelList.getLabel(label);
  if (!ff->label || *ff->label == "null") addMissing(label, "label");
  std::string message = messageId.value_or(ff->id);
  ff->message = messageList.getMessage(message);
  if (!ff->message || *ff->message == "null") addMissing(message, "Message");

  std::unique_ptr<Field> kind;
  if (ff->type == "single") {
    kind = std::make_unique<SingleField>();
  } else if (ff->type == "popup") {
    kind = std::make_unique<PopupField>();
  } else if (ff->type == "multiple") {
    kind = std::make_unique<MultipleField>();
  } else {
    logger->error("{}", "Invalid Field Type defined, transaction will not load proper for field = " + ff->id);
    ff.reset();
    return nullptr;
  }
  ff->typeInfo = dictionaryEntry(ff->dataType.empty() ? GEN_STRING : ff->dataType);
  // The query links (sqlStatements) stay with the plain field: copyValues does not take them over.
  kind->copyValues(*ff);
  ff.reset();
  return kind;
}

void TransactionXmlParser::getFieldData(const XmlNode& element, bool fieldElement) {
  for (const auto& [name, value] : attributes(element)) {
    if (name == "id") {
      if (fieldElement) {
        ff->id = value;
      } else if (element.name() == "property") {
        ff->fieldAttrVector.push_back(value);
      } else {
        std::string parent = parentName(element);
        if (parent == "field_enter") ff->fieldEnter.push_back(value);
        if (parent == "field_exit") ff->fieldExit.push_back(value);
      }
    } else if (name == "row") {
      ff->row = value;
    } else if (name == "col") {
      ff->col = value;
    } else if (name == "data_type") {
      ff->dataType = value;
    } else if (name == "value") {
      ff->value = value;
    } else if (name == "type") {
      ff->type = value;
    } else if (name == "label") {
      labelId = value;
    } else if (name == "message") {
      messageId = value;
    } else if (name == "lines_per_display") {
      ff->linesPerDisplay = value;
    } else if (name == "no_of_data_columns") {
      ff->noOfDataColumns = value;
    } else if (name == "fserver_input_index") {
      try {
        ff->fserver_input_index = parseInt(value);
      } catch (const NumberFormatError&) {
        logger->warn("{}", "Invalid fserver_input_index " + value + " for field = " + ff->id);
      }
    }
  }
  if (!fieldElement && element.name() == "sql_list") {
    SqlLink link;
    link.setId(attrOr(element, "id"));
    link.setEvent(attrOr(element, "event"));
    link.setEnable(attrOr(element, "enable"));
    ff->sqlStatements[link.getId()] = link;
  }
  for (const XmlNode& child : element.elementChildren()) getFieldData(child, false);
}

// ---- function-server statements ----

void TransactionXmlParser::getFServerList(const std::vector<XmlNode>& fserverNodes) {
  for (const XmlNode& node : fserverNodes) {
    if (grandparentName(node) != "transaction") continue;
    std::shared_ptr<FServerStatement> statement = getFServerListData(node);
    trans->fserverStatements.insert_or_assign(statement->id, statement);
  }
}

std::shared_ptr<FServerStatement> TransactionXmlParser::getFServerListData(const XmlNode& fserverNode) {
  auto statement = std::make_shared<FServerStatement>();
  statement->id = attrOr(fserverNode, "id");
  for (const XmlNode& child : fserverNode.elementChildren()) {
    const std::string name = child.name();
    if (name == "name" || name == "function" || name == "no_of_params") {
      std::string text = child.textContent();
      if (trim(text).empty()) continue;
      if (name == "name") {
        statement->fserverName = text;
        logger->debug("{}", "Setting fserver name: " + text);
      } else if (name == "function") {
        statement->function = text;
      } else {
        try {
          statement->noOfParams = parseInt(trim(text));
        } catch (const NumberFormatError&) {
          logger->error("{}", "Invalid no_of_params " + trim(text) + " in fserver " + statement->id);
        }
      }
    } else if (name == "baan_field") {
      std::string argumentId = attrOr(child, "id");
      // Text inside an argument would make the argument count and the argument ids disagree.
      for (const XmlNode& piece : child.children()) {
        if (!piece.isText()) continue;
        std::string text = piece.value().value_or("");
        if (!trim(text).empty())
          logger->warn("{}", "Ignoring the text " + text + " of baan_field " + argumentId + " in fserver " +
                                 statement->id);
      }
      if (child.raw()->properties == nullptr) continue;
      std::optional<BaanFieldDef> entry = dictionaryEntry(attrOr(child, "data_type"));
      if (!entry) entry = dictionaryEntry(GEN_STRING);
      std::map<std::string, std::string> controls;
      for (const XmlNode& dependancy : child.elementChildren())
        if (dependancy.name() == "dependancy")
          controls[attrOr(dependancy, "id")] = attrOr(dependancy, "send_if_empty");
      statement->addArgument(argumentId, entry, std::move(controls));
      logger->debug("{}", "Found BaanField: " + argumentId + ", " + entryText(entry));
    }
  }
  return statement;
}

// ---- query statements ----

void TransactionXmlParser::getSqlList(const std::vector<XmlNode>& sqlNodes) {
  for (const XmlNode& node : sqlNodes) {
    if (grandparentName(node) != "transaction") continue;
    std::shared_ptr<SQLStatement> statement = getSqlListData(node);
    trans->sqlStatements.insert_or_assign(statement->id, statement);
  }
}

std::shared_ptr<SQLStatement> TransactionXmlParser::getSqlListData(const XmlNode& sqlNode) {
  auto statement = std::make_shared<SQLStatement>();
  statement->id = attrOr(sqlNode, "id");
  statement->rowType = attrOr(sqlNode, "row_type");
  statement->queryNo = attrOr(sqlNode, "query_no");
  statement->errorMessageId = attrOr(sqlNode, "err_no");
  statement->errorMessage = messageList.getMessage(statement->errorMessageId);
  for (const XmlNode& child : sqlNode.children()) {
    if (child.isText()) {
      std::string text = child.value().value_or("");
      if (!trim(text).empty()) statement->sqlElements.emplace_back(text);
    } else if (child.isElement() && child.name() == "baan_field") {
      std::optional<std::string> type = attr(child, "type");
      std::optional<BaanFieldDef> entry = dictionaryEntry(type ? *type : attrOr(child, "id"));
      statement->sqlElements.emplace_back(entry ? *entry : emptyEntry());
    }
  }
  return statement;
}

// ---- shared variables ----

void TransactionXmlParser::getSharedVariableList(const std::vector<XmlNode>& variableNodes) {
  for (const XmlNode& node : variableNodes) {
    if (grandparentName(node) != "transaction") continue;
    SharedVariable variable;
    variable.id = attrOr(node, "id");
    variable.sourceType = attrOr(node, "source_type");
    variable.sourceId = attrOr(node, "source_id");
    variable.sourceVariableId = attrOr(node, "source_variable_id");
    variable.sourceVariableIndex = attrOr(node, "source_variable_index");
    getSharedVariableMapList(node, variable.destMapList);
    std::string id = variable.id;
    trans->sharedVariableHash.insert_or_assign(id, std::move(variable));
  }
}

void TransactionXmlParser::getSharedVariableMapList(const XmlNode& variableNode,
                                                    std::vector<SharedVariableMap>& maps) {
  for (const XmlNode& node : variableNode.elementChildren()) {
    if (node.name() != "map") continue;
    SharedVariableMap map;
    map.destId = attrOr(node, "dest_id");
    map.destType = attrOr(node, "dest_type");
    map.destVariableId = attrOr(node, "dest_variable_id");
    map.destVariableIndex = attrOr(node, "dest_variable_index");
    maps.push_back(std::move(map));
  }
}

// ---- helpers ----

std::optional<BaanFieldDef> TransactionXmlParser::dictionaryEntry(const std::string& id) const {
  if (!baanFieldDefList) return std::nullopt;
  return baanFieldDefList(id);
}

void TransactionXmlParser::addMissing(const std::string& id, const std::string& what) {
  errorString += "<" + id + "> " + what + " not found\n";
}

}  // namespace tev
