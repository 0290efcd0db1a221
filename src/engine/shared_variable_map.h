// SharedVariableMap: one destination of a shared variable's value (a form field, for instance). The copying
// itself is done by the transaction base class; this is only the description read from the definition.
#pragma once

#include <string>

namespace tev {

class SharedVariableMap {
 public:
  std::string destId;
  std::string destType;
  std::string destVariableId;
  std::string destVariableIndex;

  // "DestId: <id>, DestType: <type>, DestVariableId: <variable id>, DestVariableIndex: <index>".
  std::string toString() const;

  friend bool operator==(const SharedVariableMap&, const SharedVariableMap&) = default;
};

}  // namespace tev
