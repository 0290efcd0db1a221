// TevMemoryVariables: the session memory, one per scanner process. It keeps the transactions of the session
// by id and remembers where the session stands. Start-up stores the login transaction under "Standard" and
// makes it current; the menu stores itself under "Menu"; a nested transaction is stored under its id when it
// opens. The transaction processor goes back to "Standard" or "Menu" through this table. A transaction stays
// in the table after it ends, until another one is stored under the same id.
#pragma once

#include <map>
#include <memory>
#include <string>

namespace tev {

class EmulatorSettings;
class Field;
class Form;
class Transaction;

class TevMemoryVariables {
 public:
  // The ids the processor returns to.
  static inline const std::string STANDARD = "Standard";
  static inline const std::string MENU = "Menu";

  // The transaction stored under the id; nullptr when none is.
  std::shared_ptr<Transaction> getTransaction(const std::string& transactionId) const;
  // Stores the transaction under the id (replacing an earlier one).
  void putTransaction(const std::string& transactionId, std::shared_ptr<Transaction> transaction);

  std::map<std::string, std::shared_ptr<Transaction>> transactionHash;
  std::shared_ptr<Transaction> currentTransaction;
  Form* currentForm = nullptr;
  Form* nextForm = nullptr;
  Form* previousForm = nullptr;
  Field* currentField = nullptr;
  Field* previousField = nullptr;
  Field* nextField = nullptr;
  const EmulatorSettings* settings = nullptr;
};

}  // namespace tev
