// Helpers for the tests of TransactionLogic: a clean service registry and transaction stack per test, a
// parameter store with fixed answers, transaction classes made of lambdas over TransactionLogic, and a
// TransactionLogic bound to a transaction without running the processor.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/class_registry.h"
#include "engine/form.h"
#include "engine/param_manager.h"
#include "engine/transaction.h"
#include "engine/transaction_processor.h"
#include "session/session_classes.h"
#include "session/transaction_logic.h"
#include "session/vav_interface.h"
#include "sim/session_harness.h"

namespace tev::testing {

// The registry and the class-wide transaction stack as at process start, before and after the test.
class CleanRegistry {
 public:
  CleanRegistry() { clean(); }
  ~CleanRegistry() { clean(); }
  CleanRegistry(const CleanRegistry&) = delete;
  CleanRegistry& operator=(const CleanRegistry&) = delete;

 private:
  static void clean() {
    VAVInterface::reset();
    TransactionLogic::resetClassState();
  }
};

// Parameters by path joined with "/" ("email/self"); a path it does not hold reads as "".
class FixedParams : public ParamManager {
 public:
  explicit FixedParams(std::map<std::string, std::string> values = {}) : values(std::move(values)) {}

  std::string getParamValue(const ParamIds& path, const std::optional<ParamTypes>& /*types*/ = {}) override {
    std::string key;
    for (const std::string& id : path) key += (key.empty() ? "" : "/") + id;
    auto it = values.find(key);
    return it == values.end() ? std::string() : it->second;
  }

  std::map<std::string, std::string> values;
};

// A transaction class whose handlers are lambdas over a plain TransactionLogic.
class LogicClass {
 public:
  using Body = std::function<void(TransactionLogic&)>;

  explicit LogicClass(const std::string& id) {
    descriptor_.name = ClassRegistry::kTransactionPackage + id;
    descriptor_.parent = ClassRegistry::kTransactionLogic;
    descriptor_.factory = [] { return std::unique_ptr<ProcessingObject>(new TransactionLogic()); };
  }
  LogicClass& on(const std::string& handler, Body body) {
    descriptor_.handlers[handler] = [body](ProcessingObject& object) {
      body(dynamic_cast<TransactionLogic&>(object));
    };
    return *this;
  }
  ClassDescriptor descriptor() const { return descriptor_; }

 private:
  ClassDescriptor descriptor_;
};

// A TransactionLogic bound (update) to a transaction of the harness, with the processor's current form and
// field set by the test instead of by a run.
class BoundLogic {
 public:
  explicit BoundLogic(std::vector<std::shared_ptr<Form>> forms, const std::string& id = "Probe") {
    session.registerClass(TransactionLogic::describe());
    session.registerClass(LogicClass(id).descriptor());
    Transaction& stored = session.addTransaction(id, std::move(forms));
    session.start(id);
    transaction = session.memory().getTransaction(stored.id);
    transaction->paramManager = params;
    processor = std::make_unique<TransactionProcessor>(session.memory(), session.terminal().getSettings(),
                                                       session.terminal(), false);
    logic = dynamic_cast<TransactionLogic*>(transaction->getProcessingObject());
  }

  // Makes the form (and field) current and binds the logic. "" for none.
  TransactionLogic& bind(const std::string& formId, const std::string& fieldId = "") {
    processor->currentTransaction = transaction;
    processor->currentForm = formId.empty() ? nullptr : transaction->getForm(formId);
    processor->currentField =
        processor->currentForm && !fieldId.empty() ? processor->currentForm->getField(fieldId) : nullptr;
    logic->update(*processor);
    return *logic;
  }

  Form& form(const std::string& formId) { return *transaction->getForm(formId); }

  CleanRegistry clean;
  sim::SessionHarness session;
  std::shared_ptr<FixedParams> params = std::make_shared<FixedParams>();
  std::shared_ptr<Transaction> transaction;
  std::unique_ptr<TransactionProcessor> processor;
  TransactionLogic* logic = nullptr;
};

}  // namespace tev::testing
