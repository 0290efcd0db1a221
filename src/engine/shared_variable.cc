#include "engine/shared_variable.h"

#include <type_traits>

#include "common/java_number.h"

namespace tev {

std::string sharedValueText(const SharedValue& value) {
  return std::visit(
      [](const auto& v) -> std::string {
        using V = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<V, std::monostate>) {
          return "null";
        } else if constexpr (std::is_same_v<V, std::string>) {
          return v;
        } else if constexpr (std::is_same_v<V, bool>) {
          return v ? "true" : "false";
        } else if constexpr (std::is_same_v<V, int>) {
          return std::to_string(v);
        } else if constexpr (std::is_same_v<V, double>) {
          return doubleToString(v);
        } else {
          std::string text = "[";
          for (std::size_t i = 0; i < v.size(); ++i) text += (i == 0 ? "" : ", ") + v[i];
          return text + "]";
        }
      },
      value);
}

std::string SharedVariable::toString() const {
  std::string text = "Id: " + id + ", Type: " + sourceType + ", SourceId: " + sourceId +
                     ", SourceVariableId: " + sourceVariableId +
                     ", sourceVariableIndex: " + sourceVariableIndex + ", Value: " + sharedValueText(value);
  for (const SharedVariableMap& map : destMapList) text += map.toString();
  return text;
}

}  // namespace tev
