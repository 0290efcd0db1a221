#include "engine/sql_parser.h"

#include <utility>

#include "common/java_text.h"

namespace tev {

SqlParser::SqlParser(FieldDictionary baanFieldDefList)
    : baanFieldDefList(std::move(baanFieldDefList)), logger(log::get(TransactionXmlParser::LOGGER_NAME)) {}

bool SqlParser::initialize(const std::string& fileName) {
  logger->info("{}", "Loading the sql list file: " + fileName);
  if (xmlQuery.loadXMLDocument(fileName) == nullptr) {
    logger->error("{}", "Failed to load the sql list file: " + fileName);
    return false;
  }
  queriesHash.clear();
  logger->info("{}", "Loaded the sql list file: " + fileName);
  return true;
}

std::shared_ptr<SQLStatement> SqlParser::getSQLStatement(const std::string& id) {
  if (id.empty()) return nullptr;
  auto cached = queriesHash.find(id);
  if (cached != queriesHash.end()) return cached->second;
  std::optional<XmlNode> node = xmlQuery.getNodeByParsedExpr("/sql_list/sql[@id='%s']", {id});
  if (!node) return nullptr;
  std::shared_ptr<SQLStatement> statement = build(*node);
  queriesHash[id] = statement;
  return statement;
}

std::shared_ptr<SQLStatement> SqlParser::build(const XmlNode& sqlNode) const {
  auto trimmed = [&](const std::string& name) { return trim(sqlNode.attribute(name).value_or("")); };
  auto statement = std::make_shared<SQLStatement>();
  statement->id = trimmed("id");
  statement->rowType = trimmed("row_type");
  statement->queryNo = trimmed("query_no");
  statement->errorMessageId = trimmed("err_no");
  for (const XmlNode& child : sqlNode.children()) {
    if (child.isText()) {
      std::string text = child.value().value_or("");
      if (!trim(text).empty()) statement->sqlElements.emplace_back(text);
    } else if (child.isElement()) {
      std::optional<std::string> id = child.attribute("id");
      if (!id) continue;
      std::optional<BaanFieldDef> entry;
      if (baanFieldDefList) entry = baanFieldDefList(trim(*id));
      statement->sqlElements.emplace_back(
          entry ? *entry : BaanFieldDef("", std::nullopt, std::nullopt, std::nullopt, 0));
    }
  }
  return statement;
}

}  // namespace tev
