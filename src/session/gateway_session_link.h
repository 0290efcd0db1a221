// What the back-end gateway takes from the session: after a one-record function-server query the running
// transaction's processing object copies the record into form fields. Start-up plugs it in:
//
//   context.updateSqlSharedVariableMaps = sqlSharedVariableUpdater();
#pragma once

#include <functional>
#include <string>

namespace tev {

class Transaction;

// Calls TransactionLogic::updateSqlSharedVariableMaps(resultName) on the transaction's processing object.
// A processing object that is no TransactionLogic (or cannot be created) is logged and skipped; failures
// of the copy are logged, never passed to the gateway.
std::function<void(Transaction& transaction, const std::string& resultName)> sqlSharedVariableUpdater();

}  // namespace tev
