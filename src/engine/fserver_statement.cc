#include "engine/fserver_statement.h"

#include <utility>

#include "common/java_text.h"

namespace tev {
namespace {

bool meansYes(const std::string& value) {
  std::string upper = toUpperCase(value);
  return upper.starts_with("Y") || upper.find("TRUE") != std::string::npos ||
         upper.find('1') != std::string::npos;
}

std::string entryText(const std::optional<BaanFieldDef>& entry) {
  return entry ? entry->toString() : "null";
}

}  // namespace

FServerField::FServerField(std::string id, int fieldNo, std::map<std::string, std::string> controlFieldFlags,
                           std::optional<BaanFieldDef> baanField)
    : id(std::move(id)),
      fieldNo(fieldNo),
      controlFieldFlags(std::move(controlFieldFlags)),
      baanField(std::move(baanField)) {}

void FServerField::addControlField(const std::string& controlId, const std::string& sendIfEmptyText) {
  controlFieldFlags[controlId] = sendIfEmptyText;
}

std::vector<std::string> FServerField::getControlFieldNames() const {
  std::vector<std::string> names;
  names.reserve(controlFieldFlags.size());
  for (const auto& [name, flag] : controlFieldFlags) names.push_back(name);
  return names;
}

bool FServerField::sendIfEmpty(const std::string& controlId) const {
  auto it = controlFieldFlags.find(controlId);
  return it != controlFieldFlags.end() && toUpperCase(it->second).starts_with("Y");
}

bool FServerField::isBaanYesNo() const {
  if (!baanField || !baanField->getDataType()) return false;
  const std::string& type = *baanField->getDataType();
  return type == YES_NO || type == YESNO;
}

bool FServerField::isLnYesNo() const {
  return baanField && baanField->getDataType() == LN_YESNO;
}

bool FServerField::isEmpty(const std::string& value) const {
  if (isBaanYesNo()) return getBaanYesNo(value) == "2";
  return trim(value).empty();
}

std::string FServerField::getBaanYesNo(const std::string& value) {
  return meansYes(value) ? "1" : "2";
}

std::string FServerField::getLnYesNo(const std::string& value) {
  if (trim(value).empty()) return "";
  return meansYes(value) ? "yes" : "no";
}

std::string FServerField::toString() const {
  std::string controls = "{";
  bool first = true;
  for (const auto& [name, flag] : controlFieldFlags) {
    controls += (first ? "" : ", ") + name + "=" + flag;
    first = false;
  }
  return "id: " + id + ", fieldNo: " + std::to_string(fieldNo) + ", controlFields: " + controls +
         "}, baanField: " + entryText(baanField);
}

FServerField& FServerStatement::addArgument(const std::string& argumentId, std::optional<BaanFieldDef> entry,
                                            std::map<std::string, std::string> controlFieldFlags) {
  int position = static_cast<int>(functionArguments.size());
  functionArguments.push_back(entry);
  fieldIds.push_back(argumentId);
  FServerField field(argumentId, position, std::move(controlFieldFlags), std::move(entry));
  return fieldsHash.insert_or_assign(argumentId, std::move(field)).first->second;
}

const FServerField* FServerStatement::getField(const std::string& argumentId) const {
  auto it = fieldsHash.find(argumentId);
  return it == fieldsHash.end() ? nullptr : &it->second;
}

std::string FServerStatement::toString() const {
  std::string arguments = "[";
  for (std::size_t i = 0; i < functionArguments.size(); ++i)
    arguments += (i == 0 ? "" : ", ") + entryText(functionArguments[i]);
  return "id: " + id + ", fserver: " + fserverName + ", function: " + function +
         ", noOfParams: " + std::to_string(noOfParams) + ", Arguments: " + arguments + "]";
}

}  // namespace tev
