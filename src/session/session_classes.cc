#include "session/session_classes.h"

#include "engine/class_registry.h"
#include "session/transaction_logic.h"
#include "session/transfer.h"

namespace tev {

void registerSessionClasses(ClassRegistry& registry) {
  registry.add(TransactionLogic::describe());
  registry.add(Transfer::describe());
}

}  // namespace tev
