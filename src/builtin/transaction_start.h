// What the login and the menu share when they start a transaction from its definition: a new definition
// reader for the registry, the parameters of the transaction, and the hand-over to the running processor.
#pragma once

#include <memory>
#include <string>

namespace tev {
class TevMemoryVariables;
class Transaction;
class TransactionLogic;
class TransactionProcessor;
class TransactionXmlParser;
}  // namespace tev

namespace tev::builtin {

// A reader over the registry's label and message lists and field dictionary (none: every field a plain
// text); it becomes VAVInterface::xmlParser.
std::shared_ptr<TransactionXmlParser> newDefinitionReader();

// Gives the transaction the registry's parameter store (the caller's when the registry has none), pointed at
// the warehouse's copy of the transaction's parameter file; when its definition asks for automatic loading,
// fills the order types (withOrderTypes) and the pm_ members of its processing object.
void loadTransactionParameters(Transaction& transaction, const std::string& warehouse, bool withOrderTypes,
                               const Transaction* caller);

// Stores the transaction in the session memory under its id and makes it the current transaction of the
// running processor with no current, next or previous form or field, so the processor starts it at its
// first form once the running handler returns.
void handOver(TransactionLogic& from, TransactionProcessor& processor,
              std::shared_ptr<Transaction> transaction);

}  // namespace tev::builtin
