#include "session/gateway_session_link.h"

#include <exception>

#include "engine/transaction.h"
#include "session/transaction_logic.h"

namespace tev {

std::function<void(Transaction& transaction, const std::string& resultName)> sqlSharedVariableUpdater() {
  return [](Transaction& transaction, const std::string& resultName) {
    try {
      auto* logic = dynamic_cast<TransactionLogic*>(transaction.getProcessingObject());
      if (logic == nullptr) {
        TransactionLogic::logger()->debug("The class of {} has no shared-variable maps", transaction.id);
        return;
      }
      logic->updateSqlSharedVariableMaps(resultName);
    } catch (const std::exception& failure) {
      TransactionLogic::logger()->error("updateSqlSharedVariableMaps of {} failed: {}", transaction.id,
                                        failure.what());
    }
  };
}

}  // namespace tev
