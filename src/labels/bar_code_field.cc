#include "labels/bar_code_field.h"

namespace tev {

std::string BarCodeField::getFieldValue(const std::string& value) const {
  if (type == STRING_TYPE) return "\"" + value + "\"";
  return value;
}

std::string BarCodeField::toString() const {
  return "ID: " + id + ", type: " + type;
}

std::string entryText(const BarCodeEntry& entry) {
  if (const BarCodeField* field = std::get_if<BarCodeField>(&entry)) return field->toString();
  return std::get<std::string>(entry);
}

}  // namespace tev
