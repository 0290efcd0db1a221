// TransactionLogic: the parameter copies every transaction keeps and the global booleans.
#include <exception>

#include "engine/param_errors.h"
#include "engine/param_manager.h"
#include "session/transaction_logic.h"
#include "session/vav_interface.h"

namespace tev {

void TransactionLogic::loadParams() {
  try {
    if (paramManager == nullptr) throw TransactionLogicException("No parameters bound to the transaction");
    supp_lot_equal_baan_lot = paramManager->getBooleanParamValue({"supp_lot_equal_baan_lot"});
    lot_has_multiple_dates = paramManager->getBooleanParamValue({"lot_has_multiple_dates", "self"});
    user_input_lot_date =
        paramManager->getBooleanParamValue({"lot_has_multiple_dates", "user_input_lot_date"});
    project_in_use = paramManager->getBooleanParamValue({"project_in_use"});
  } catch (const std::exception& failure) {
    VAVInterface::logStackTrace(failure);
    VAVInterface::log(10, " Projects in Use Parameter not present ");
  }
}

bool TransactionLogic::getGlobalBooleanValue(const std::string& name) {
  auto it = globalParamHash.find(name);
  if (it == globalParamHash.end()) throw InvalidParameter("Parameter not found");
  return it->second;
}

}  // namespace tev
