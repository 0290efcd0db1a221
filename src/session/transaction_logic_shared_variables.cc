// TransactionLogic: shared variables along the class-wide transaction stack. A nested transaction sees its
// own variables first and then those of each caller down to the bottom of the stack; a caller reads what a
// finished nested transaction left by naming it (it stays one place above the current level).
#include "common/java_text.h"
#include "engine/transaction.h"
#include "session/transaction_logic.h"
#include "session/vav_interface.h"

namespace tev {
namespace {

std::string stackText() {
  std::string text = "[";
  for (std::size_t i = 0; i < TransactionLogic::transactionStack.size(); ++i) {
    if (i > 0) text += ", ";
    const auto& entry = TransactionLogic::transactionStack[i];
    text += entry ? entry->id : "null";
  }
  return text + "]";
}

}  // namespace

SharedValue TransactionLogic::getSharedVariable(const std::string& variableId) {
  logger()->debug("Current Stack Level: {}", currentStackLevel);
  return getSharedVariableAtLevel(variableId, currentStackLevel, true);
}

SharedValue TransactionLogic::getSharedVariable(const std::string& variableId,
                                                const std::optional<std::string>& transactionId,
                                                Flag fallback) {
  if (!transactionId)
    return getSharedVariableAtLevel(variableId, static_cast<int>(transactionStack.size()) - 1, fallback);
  for (std::size_t index = 0; index < transactionStack.size(); ++index) {
    const std::shared_ptr<Transaction>& entry = transactionStack[index];
    std::string entryId = entry ? entry->id : "null";
    VAVInterface::log(10, " ParentTrans id = " + entryId + "  fromTransactionId =" + *transactionId);
    if (entry && entry->id == *transactionId) {
      VAVInterface::log(10, " In getSharedVariable Method, variableId = " + variableId + "   parentIndex = " +
                                std::to_string(index) + "  fallback = " + (fallback ? "true" : "false"));
      return getSharedVariableAtLevel(variableId, static_cast<int>(index), fallback);
    }
  }
  return std::monostate{};
}

SharedValue TransactionLogic::getSharedVariableAtLevel(const std::string& variableId, int level,
                                                       bool fallback) {
  for (;;) {
    logger()->debug("Current Stack Level: {}", currentStackLevel);
    logger()->debug("fromTransactionNo: {}", level);
    logger()->debug("transactionStack: {}", stackText());
    if (level < 0 || level >= static_cast<int>(transactionStack.size())) return std::monostate{};
    const std::shared_ptr<Transaction>& parent = transactionStack[level];
    if (parent == nullptr) return std::monostate{};
    logger()->debug(" parentTrans {}", parent->id);
    SharedValue value = parent->getSharedVariable(variableId);
    logger()->debug(" Object value = {}  parentTrans {}", sharedValueText(value), parent->id);
    if (!std::holds_alternative<std::monostate>(value)) return value;
    if (!fallback) return std::monostate{};
    --level;
  }
}

std::optional<std::string> TransactionLogic::getSharedString(const std::string& variableId) {
  SharedValue value = getSharedVariable(variableId);
  if (std::holds_alternative<std::monostate>(value)) return std::nullopt;
  if (const std::string* text = std::get_if<std::string>(&value)) return *text;
  throw TransactionLogicException("The shared variable " + variableId +
                                  " is not a text: " + sharedValueText(value));
}

void TransactionLogic::setSharedVariable(const std::string& variableId, SharedValue value) {
  Transaction& running = transaction();
  auto it = running.sharedVariableHash.find(variableId);
  if (it != running.sharedVariableHash.end()) {
    it->second.value = std::move(value);
    return;
  }
  SharedVariable variable;
  variable.id = variableId;
  variable.value = std::move(value);
  running.setSharedVariable(variableId, std::move(variable));
}

}  // namespace tev
