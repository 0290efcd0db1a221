#include "session/transfer.h"

#include "engine/user_data.h"
#include "gateway/request_handler.h"

namespace tev {

ClassDescriptor Transfer::describe() {
  return ClassDef<Transfer>(CLASS_NAME, ClassRegistry::kTransactionLogic)
      .TEV_HANDLER(Transfer, transfer_qty_field_exit)
      .done();
}

std::vector<std::string> Transfer::bookingValues() {
  std::string warehouse;
  std::string user;
  if (userData != nullptr) {
    warehouse = userData->getWhse().value_or("");
    user = userData->getUserName().value_or("");
  }
  return {"",
          getValue("item"),
          "",
          warehouse,
          warehouse,
          getValueTrimmed("from_loc"),
          "",
          "",
          getValueTrimmed("to_loc1"),
          getValue("qty"),
          user,
          "0",
          "",
          "0",
          "",
          ""};
}

void Transfer::transfer_qty_field_exit() {
  if (requestHandler == nullptr) throw TransactionLogicException("No router connection for the transfer");
  requestHandler->callFunctionServer(FUNCTION, bookingValues(), true, true);
  for (const char* field : {"item", "from_loc", "to_loc1", "qty"}) setValue(field, "");
  refresh();
  setNextField("item");
}

}  // namespace tev
