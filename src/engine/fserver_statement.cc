#include "engine/fserver_statement.h"

#include <utility>

#include "common/java_text.h"
#include "common/log.h"

namespace tev {
namespace {

log::Logger logger() {
  return log::get("tev.framework.application.Logger");
}

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

std::string FServerField::transformValue(const std::string& value,
                                         const BackendUserPrefix& userPrefix) const {
  std::string prefix;
  if ((id == "user" || id == "loginCode") && userPrefix) {
    try {
      prefix = userPrefix();
    } catch (const Error& e) {
      logger()->error("{}", "Failed to read backend_user_prefix: " + e.getMessage());
    }
  }
  if (!baanField) return prefix + value;
  if (isBaanYesNo()) return getBaanYesNo(value);
  if (isLnYesNo()) return getLnYesNo(value);
  return prefix + baanField->convertCase(value);
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

std::string FServerStatement::getArgumentValue(std::size_t position, const std::vector<std::string>& values,
                                               const BackendUserPrefix& userPrefix) const {
  if (position >= fieldIds.size() || position >= values.size())
    throw IndexOutOfRange("Argument " + std::to_string(position) + " of function server statement " + id +
                          " has no value");
  const std::string& input = values[position];
  const FServerField* field = getField(fieldIds[position]);
  if (field == nullptr) return input;  // not reached: addArgument keeps every id in fieldsHash
  if (field->controlFieldFlags.empty()) return field->transformValue(input, userPrefix);

  std::string value;
  for (const std::string& controlId : field->getControlFieldNames()) {
    const FServerField* control = getField(controlId);
    bool enables = false;
    if (control == nullptr) {
      logger()->warn("Control argument {} of {} is not an argument of statement {}", controlId, field->id,
                     id);
    } else {
      const std::size_t at = static_cast<std::size_t>(control->fieldNo);
      const std::string controlValue = at < values.size() ? values[at] : "";
      enables = field->sendIfEmpty(controlId) == control->isEmpty(controlValue);
    }
    if (enables) return field->transformValue(input, userPrefix);
    value = field->transformValue("", userPrefix);
  }
  return value;
}

std::string FServerStatement::getFunctionString(const std::vector<std::string>& values,
                                                const std::optional<std::string>& customerCode,
                                                const BackendUserPrefix& userPrefix) const {
  std::string result = std::to_string(noOfParams) + "," + fserverName;
  if (customerCode && !trim(*customerCode).empty()) result += *customerCode;
  result += "," + function;

  if (values.size() != functionArguments.size()) {
    throw FunctionStringError(
        "Invalid No.of Arguments",
        "Invalid no.of arguments passed to build Driver request - XML File FServer Fields Count:" +
            std::to_string(functionArguments.size()) + " Input Values Count:" + std::to_string(values.size()),
        "Press Enter to continue");
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    const FServerField* field = getField(fieldIds[i]);
    std::string value = getArgumentValue(i, values, userPrefix);
    logger()->debug("{}", "Processing field: " + fieldIds[i] + " " + (field ? field->toString() : "null") +
                              " " + values[i]);
    if (static_cast<std::size_t>(charLength(value)) > kMaxValueLength) {
      throw FunctionStringError(
          "Invalid Input String Length",
          " Length of Input String for FServer " + fserverName + " exceeds 215, Please Check Input",
          "Press Enter To Continue");
    }
    for (char& c : value)
      if (c == ',') c = '|';
    result += "," + value;
  }
  return result;
}

std::string FServerStatement::toString() const {
  std::string arguments = "[";
  for (std::size_t i = 0; i < functionArguments.size(); ++i)
    arguments += (i == 0 ? "" : ", ") + entryText(functionArguments[i]);
  return "id: " + id + ", fserver: " + fserverName + ", function: " + function +
         ", noOfParams: " + std::to_string(noOfParams) + ", Arguments: " + arguments + "]";
}

}  // namespace tev
