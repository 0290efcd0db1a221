#include "engine/tev_memory_variables.h"

#include "engine/transaction.h"

namespace tev {

std::shared_ptr<Transaction> TevMemoryVariables::getTransaction(const std::string& transactionId) const {
  auto it = transactionHash.find(transactionId);
  return it == transactionHash.end() ? nullptr : it->second;
}

void TevMemoryVariables::putTransaction(const std::string& transactionId,
                                        std::shared_ptr<Transaction> transaction) {
  transactionHash[transactionId] = std::move(transaction);
}

}  // namespace tev
