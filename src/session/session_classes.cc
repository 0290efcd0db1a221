#include "session/session_classes.h"

#include "engine/class_registry.h"
#include "session/transaction_logic.h"

namespace tev {

void registerSessionClasses(ClassRegistry& registry) {
  registry.add(TransactionLogic::describe());
}

}  // namespace tev
