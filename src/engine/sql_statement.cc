#include "engine/sql_statement.h"

#include "common/error.h"
#include "common/log.h"

namespace tev {

std::string SQLStatement::getSQL(const std::vector<std::string>& values) const {
  log::Logger logger = log::get("tev.framework.application.Logger");
  std::string sql;
  std::size_t next = 0;
  for (const Element& element : sqlElements) {
    if (const auto* piece = std::get_if<std::string>(&element)) {
      sql += *piece;
      continue;
    }
    const BaanFieldDef& entry = std::get<BaanFieldDef>(element);
    if (next >= values.size()) {
      throw IndexOutOfRange("Query " + id + " takes " + std::to_string(fieldCount()) + " input values, " +
                            std::to_string(values.size()) + " given");
    }
    logger->debug("{}", " field id = " + std::to_string(next) + "  baan Field Def = " + entry.toString());
    sql += entry.transformSql(entry.formatValue(values[next]));
    ++next;
  }
  return sql;
}

int SQLStatement::fieldCount() const {
  int count = 0;
  for (const Element& element : sqlElements)
    if (std::holds_alternative<BaanFieldDef>(element)) ++count;
  return count;
}

std::string SQLStatement::toString() const {
  std::string text = "id: " + id + ", type: " + rowType + ", errorMessageId: " + errorMessageId + ", sql: ";
  for (const Element& element : sqlElements) {
    if (const auto* piece = std::get_if<std::string>(&element))
      text += *piece;
    else
      text += "<" + std::get<BaanFieldDef>(element).toString() + ">";
  }
  return text;
}

}  // namespace tev
