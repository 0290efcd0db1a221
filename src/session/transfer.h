// Transfer: the demo's booking transaction, a small stand-in for a full inventory transfer. Its one form
// ("transfer") asks for the item, the from-location, the to-location and the quantity; leaving the quantity
// books the move with the function-server operation "transfer_inventory" (16 values, the layout the demo's
// router simulator answers) in the user's warehouse. A booking the back end accepts shows the message
// "successful", empties the four fields and puts the cursor on "item" for the next one; a refused booking
// shows the back end's message and keeps the cursor on "qty" with the values as keyed. Escape leaves it.
#pragma once

#include <string>
#include <vector>

#include "engine/class_registry.h"
#include "session/transaction_logic.h"

namespace tev {

class Transfer : public TransactionLogic {
 public:
  static inline const std::string CLASS_NAME = "tev.transaction.Transfer";
  static inline const std::string FUNCTION = "transfer_inventory";

  // Name "tev.transaction.Transfer", parent TransactionLogic, the handler below.
  static ClassDescriptor describe();

  // Books the transfer; a refusal leaves the handler by the gateway's exception.
  virtual void transfer_qty_field_exit();

  // The 16 values of "transfer_inventory" for the keyed fields, the user's warehouse (both sides) and name:
  // 0 project "", 1 item, 2 container "", 3 and 4 warehouse, 5 from-location trimmed, 6 lot "", 7 storage
  // unit "", 8 to-location trimmed, 9 quantity, 10 user, 11 "0", 12 lot date "", 13 "0", 14 storage unit "",
  // 15 lot date "".
  std::vector<std::string> bookingValues();
};

}  // namespace tev
