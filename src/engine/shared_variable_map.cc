#include "engine/shared_variable_map.h"

namespace tev {

std::string SharedVariableMap::toString() const {
  return "DestId: " + destId + ", DestType: " + destType + ", DestVariableId: " + destVariableId +
         ", DestVariableIndex: " + destVariableIndex;
}

}  // namespace tev
