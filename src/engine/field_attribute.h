// FieldAttribute: a value a field takes from a source: a form field, a query result or a member variable of
// the transaction class. The texts are kept as the definition gives them; nothing here reads the source.
#pragma once

#include <string>

namespace tev {

class FieldAttribute {
 public:
  static inline const std::string FORM_SOURCE = "form";
  static inline const std::string SQL_SOURCE = "sql";
  static inline const std::string TRANSACTION_VARIABLE = "transaction_variable";

  std::string id;
  std::string sourceId;
  std::string sourceType;
  std::string sourceVariableId;
  std::string sourceVariableIndex;
  std::string value;

  // "Id: " id ", Type: " sourceType ", SourceId: " sourceId ", SourceVariableId: " sourceVariableId
  // ", sourceVariableIndex: " sourceVariableIndex ", Value: " value.
  std::string toString() const;
};

}  // namespace tev
