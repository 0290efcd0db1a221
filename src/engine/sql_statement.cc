#include "engine/sql_statement.h"

namespace tev {

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
