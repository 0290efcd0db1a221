// ProcessorHooks: what the transaction processor needs of a processing object besides its handlers.
//
// Before every handler call the processor binds the object to its state with update(processor); the scan
// split sets field values, skip behaviour, skip-data-input flags and the next field, and redraws the form,
// through the object too, so that a transaction class (or its support base) that replaces one of these
// operations is honoured. The transaction base class implements this interface with its operations of the
// same names and signatures; a processing object that does not implement it cannot run in a processor (the
// processor reports it as a failing handler).
//
// Field ids name fields of the processor's current form (the form bound by the last update).
#pragma once

#include <string>

namespace tev {

class TransactionProcessor;

class ProcessorHooks {
 public:
  virtual ~ProcessorHooks() = default;

  // Takes the current transaction, form and field (and whatever else the object needs) from the processor.
  virtual void update(TransactionProcessor& processor) = 0;
  // The field's value; no such field: nothing.
  virtual void setValue(const std::string& fieldId, const std::string& value) = 0;
  // The field's skip behaviour ("never", "always", "on_no_error").
  virtual void setSkipBehavior(const std::string& fieldId, const std::string& behavior) = 0;
  // The field's skip-data-input flag.
  virtual void setSkipDataInput(const std::string& fieldId, bool skip) = 0;
  // The processor's next field becomes that field of the current form (none when missing).
  virtual void setNextField(const std::string& fieldId) = 0;
  // Draws the current form again.
  virtual void refresh() = 0;
};

}  // namespace tev
