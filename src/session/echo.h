// Echo: the demo's smallest transaction, free of any business rule. Its one form ("echo") has an input field
// "text" and a read-only field "echoed": whatever the operator keys or scans into "text" is shown in
// "echoed", and the cursor goes back to "text" for the next input. Escape leaves it (back to the menu). It
// shows that a menu entry starts a transaction class and that input reaches its handlers.
#pragma once

#include "engine/class_registry.h"
#include "session/transaction_logic.h"

namespace tev {

class Echo : public TransactionLogic {
 public:
  static inline const std::string CLASS_NAME = "tev.transaction.Echo";

  // Name "tev.transaction.Echo", parent TransactionLogic, the handler below.
  static ClassDescriptor describe();

  // Copies the typed value into "echoed", empties "text" and stays in it.
  virtual void echo_text_field_exit();
};

}  // namespace tev
