// SharedVariable: a named value passed between forms, queries and nested transactions. Its value is either
// set directly or taken on demand from its source: a form field, a query result row, or a member variable of
// the transaction class (Transaction::getSharedVariable reads the source). destMapList says where the value
// is copied to.
#pragma once

#include <string>
#include <vector>

#include "engine/class_registry.h"
#include "engine/shared_variable_map.h"

namespace tev {

// The value of a shared variable: a text or any value a member variable can hold; std::monostate is "none".
using SharedValue = MemberValue;

// The value's text as the original printed it: "null" for none, "true"/"false", decimal integers, doubles in
// their Java shape ("5.0"), lists as "[a, b]".
std::string sharedValueText(const SharedValue& value);

class SharedVariable {
 public:
  static inline const std::string FORM_SOURCE = "form";
  static inline const std::string SQL_SOURCE = "sql";
  static inline const std::string PROGRAM_VARIABLE = "program";
  static inline const std::string TRANSACTION_VARIABLE = "transaction_variable";

  std::string id;
  std::string sourceType;
  std::string sourceId;
  std::string sourceVariableId;
  std::string sourceVariableIndex;
  SharedValue value;  // none until set
  std::vector<SharedVariableMap> destMapList;

  // "Id: <id>, Type: <type>, SourceId: <source id>, SourceVariableId: <variable id>, sourceVariableIndex:
  // <index>, Value: <value>", followed directly by the text form of each destination map.
  std::string toString() const;
};

}  // namespace tev
