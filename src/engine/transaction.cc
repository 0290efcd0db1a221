#include "engine/transaction.h"

#include "common/error.h"
#include "common/java_number.h"
#include "engine/class_registry.h"
#include "engine/field.h"
#include "engine/form.h"

namespace tev {
namespace {

std::string indicesText(const QryIndices& indices) {
  std::string text = "{";
  bool first = true;
  for (const auto& [name, row] : indices) {
    text += (first ? "" : ", ") + name + "=" + std::to_string(row);
    first = false;
  }
  return text + "}";
}

SharedValue columnValue(const QryRow& row, const std::string& column) {
  auto it = row.find(column);
  if (it == row.end()) return std::monostate{};
  return it->second;
}

}  // namespace

Transaction::Transaction() : logger(log::get("tev.framework.application.Logger")) {}

Transaction::~Transaction() = default;

int Transaction::indexOf(const Form* form) const {
  if (form == nullptr) return -1;
  for (std::size_t i = 0; i < formsList.size(); ++i)
    if (formsList[i] && formsList[i]->id == form->id) return static_cast<int>(i);
  return -1;
}

Form* Transaction::getForm(const std::string& formId) const {
  for (const auto& form : formsList)
    if (form && form->id == formId) return form.get();
  return nullptr;
}

Form* Transaction::getNextForm(const Form* form) const {
  if (form == nullptr) return formsList.empty() ? nullptr : formsList.front().get();
  logger->info(" Current Form in the getNextForm method =  {}", form->id);
  int index = indexOf(form);
  if (index < 0) return nullptr;
  if (index + 1 >= static_cast<int>(formsList.size())) {
    logger->info(" in the last form of the current Transaction so returning null ");
    return nullptr;
  }
  Form* next = formsList[index + 1].get();
  logger->info(" get Next Form Routine requested with  ={}", next ? next->id : "null");
  return next;
}

Form* Transaction::getPreviousForm(const Form* form) const {
  if (form == nullptr || formsList.empty()) return nullptr;
  int index = indexOf(form);
  if (index < 0) return formsList.front().get();
  if (index == 0) return nullptr;
  Form* previous = formsList[index - 1].get();
  if (previous != nullptr && previous->isReadOnly()) return getPreviousForm(previous);
  return previous;
}

const ClassRegistry& Transaction::getClassRegistry() const {
  return classRegistry != nullptr ? *classRegistry : ClassRegistry::process();
}

std::string Transaction::getClassName() const {
  return ClassRegistry::kTransactionPackage + id;
}

ProcessingObject* Transaction::getProcessingObject() {
  if (instance) return instance.get();
  std::string name = getClassName();
  const ClassRegistry& registry = getClassRegistry();
  if (registry.find(name) == nullptr) throw Error("Class not found: " + name);
  logger->info("Loaded Class: class {}", name);
  instance = registry.create(name);
  if (!instance) throw Error("Class cannot be instantiated: " + name);
  cls = name;
  logger->info("Created ProcessingObject:{}", id);
  return instance.get();
}

SQLStatement* Transaction::getSQL(const std::string& statementId) const {
  auto it = sqlStatements.find(statementId);
  return it == sqlStatements.end() ? nullptr : it->second.get();
}

FServerStatement* Transaction::getFServerStatement(const std::string& statementId) const {
  auto it = fserverStatements.find(statementId);
  return it == fserverStatements.end() ? nullptr : it->second.get();
}

std::string Transaction::getFieldValue(const Field& field) const {
  return field.value;
}

double Transaction::getFieldValueDouble(const Field& field) const {
  return parseDouble(field.value);
}

int64_t Transaction::getFieldValueLong(const Field& field) const {
  return parseLong(field.value);
}

std::optional<std::string> Transaction::getMessage(const std::string& key) const {
  auto it = messages.find(key);
  if (it == messages.end()) return std::nullopt;
  return it->second;
}

void Transaction::setMessage(const std::string& key, const std::string& text) {
  messages[key] = text;
}

std::optional<std::string> Transaction::getLabelFieldValue(const std::string& key) const {
  auto it = labelFieldValues.find(key);
  if (it == labelFieldValues.end()) return std::nullopt;
  return it->second;
}

void Transaction::setLabelFieldValue(const std::string& key, const std::string& text) {
  labelFieldValues[key] = text;
}

bool Transaction::isReadOnly(const std::string& fieldId) const {
  return currentForm != nullptr && currentForm->isReadOnly(fieldId);
}

void Transaction::setSharedVariable(const std::string& variableId, SharedVariable variable) {
  sharedVariableHash[variableId] = std::move(variable);
}

SharedValue Transaction::getSharedVariable(const std::string& variableId) {
  auto it = sharedVariableHash.find(variableId);
  logger->info("Found Var in getSharedVariable method of Transaction class: {}",
               it == sharedVariableHash.end() ? std::string("null") : it->second.toString());
  if (it == sharedVariableHash.end()) return std::monostate{};
  const SharedVariable& variable = it->second;
  if (!std::holds_alternative<std::monostate>(variable.value)) return variable.value;
  return readSource(variable);
}

SharedValue Transaction::readSource(const SharedVariable& variable) {
  if (variable.sourceType == SharedVariable::FORM_SOURCE) {
    Form* form = getForm(variable.sourceId);
    if (form == nullptr) return std::monostate{};
    logger->info("Found Form");
    Field* field = form->getField(variable.sourceVariableId);
    if (field == nullptr) return std::monostate{};
    logger->info("Found Field");
    if (field->value.empty()) return std::monostate{};
    return field->value;
  }
  if (variable.sourceType == SharedVariable::SQL_SOURCE) {
    auto result = qryResults.find(variable.sourceId);
    if (result == qryResults.end()) return std::monostate{};
    if (const QryRow* row = std::get_if<QryRow>(&result->second))
      return columnValue(*row, variable.sourceVariableId);
    const auto& rows = std::get<std::vector<QryRow>>(result->second);
    auto indices = qryResultsIndices.find(variable.sourceId);
    if (indices == qryResultsIndices.end()) return std::monostate{};
    std::string indexName = variable.sourceVariableIndex.empty() ? SEL_ROW : variable.sourceVariableIndex;
    logger->info("Indices: {}", indicesText(indices->second));
    auto index = indices->second.find(indexName);
    if (index == indices->second.end())
      throw Error("The result " + variable.sourceId + " has no row index " + indexName);
    logger->info("Index value: {}", index->second);
    if (index->second < 0 || index->second >= static_cast<int>(rows.size()))
      throw IndexOutOfRange("Index: " + std::to_string(index->second) +
                            ", Size: " + std::to_string(rows.size()));
    return columnValue(rows[index->second], variable.sourceVariableId);
  }
  bool own = variable.sourceType == SharedVariable::TRANSACTION_VARIABLE;
  if (own || variable.sourceType == SharedVariable::PROGRAM_VARIABLE) {
    if (!own) logger->info(" variable name = {}", variable.sourceId);
    ProcessingObject* object = getProcessingObject();
    const MemberAccess* member = getClassRegistry().findMember(cls, variable.sourceId, !own);
    if (member == nullptr) throw Error("No member variable " + variable.sourceId + " in the class " + cls);
    return member->get(*object);
  }
  return std::monostate{};
}

}  // namespace tev
