#include "engine/field_attribute.h"

namespace tev {

std::string FieldAttribute::toString() const {
  return "Id: " + id + ", Type: " + sourceType + ", SourceId: " + sourceId +
         ", SourceVariableId: " + sourceVariableId + ", sourceVariableIndex: " + sourceVariableIndex +
         ", Value: " + value;
}

}  // namespace tev
