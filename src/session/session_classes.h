// The classes of this folder for the class registry: start-up calls registerSessionClasses on
// ClassRegistry::process() (tests on a registry of their own) before any transaction class is created.
#pragma once

namespace tev {

class ClassRegistry;

// Adds the descriptors of TransactionLogic (ClassRegistry::kTransactionLogic) and of the demo's Transfer.
void registerSessionClasses(ClassRegistry& registry);

}  // namespace tev
