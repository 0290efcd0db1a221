// TransactionLogic: the base rules that fill a location field (TransactionUtils replaces getLocations and
// setFixedLocation with its own).
#include <exception>

#include "common/java_text.h"
#include "engine/param_manager.h"
#include "gateway/request_handler.h"
#include "session/transaction_logic.h"
#include "session/vav_interface.h"
#include "util/string_util.h"

namespace tev {

void TransactionLogic::getLocations(const std::string& /*unused1*/, const std::string& /*unused2*/,
                                    const std::string& stockLocationFlag, const std::string& item,
                                    const std::string& locationFieldId, const std::string& sortOrder) {
  if (paramManager == nullptr) throw TransactionLogicException("No parameters bound to the transaction");
  std::string self = paramManager->getParamValue({"transfer", "self"});
  std::string defaultLocation = paramManager->getParamValue({"transfer", "def_ibd_loc"});
  std::string useFixedLocation = paramManager->getParamValue({"transfer", "use_fixed_loc"});
  std::string consolidate = paramManager->getParamValue({"transfer", "consolidate_mat"});
  logger()->debug("consolidate = {}", consolidate);
  if (trim(self) != "yes") return;
  assignDefaultLocation(getValue("to_whse"), item, stockLocationFlag, defaultLocation, useFixedLocation,
                        consolidate, locationFieldId, sortOrder);
}

void TransactionLogic::assignDefaultLocation(
    const std::string& warehouse, const std::string& item, const std::string& stockLocationFlag,
    const std::optional<std::string>& defaultLocation, const std::string& useFixedLocation,
    const std::string& consolidate, const std::string& locationFieldId, const std::string& sortOrder) {
  logger()->debug("sloc == {}", stockLocationFlag);
  if (trim(stockLocationFlag) != "1") {
    setVisible(locationFieldId, false);
    setReadOnly(locationFieldId, true);
    setValue(locationFieldId, std::string());
  } else {
    logger()->debug("sloc == {}", nullText(defaultLocation));
    setValue(locationFieldId, defaultLocation.value_or(""));
    if (!defaultLocation || defaultLocation->empty()) {
      if (trim(useFixedLocation) == "yes") {
        logger()->debug("user fixed loc == ");
        setFixedLocation(warehouse, item, locationFieldId);
      } else if (trim(consolidate) == "yes") {
        logger()->debug("consolidate == ");
        setLocationConsolidate(warehouse, item, locationFieldId, sortOrder);
      }
    }
    setVisible(locationFieldId, true);
    setReadOnly(locationFieldId, false);
  }
  refresh();
}

void TransactionLogic::setFixedLocation(const std::string& warehouse, const std::string& item,
                                        const std::string& locationFieldId) {
  try {
    if (requestHandler == nullptr) throw TransactionLogicException("No router connection");
    requestHandler->execSql("def_loc_info", "get_default_loc", {item, warehouse}, false);
    setValue(locationFieldId, getQryValue("def_loc_info", "tdilc007.loca").value_or(""));
  } catch (const std::exception& failure) {
    logger()->debug("setFixedLocation: {}", failure.what());
  }
}

void TransactionLogic::setLocationConsolidate(const std::string& warehouse, const std::string& item,
                                              const std::string& locationFieldId,
                                              const std::string& sortOrder) {
  logger()->debug("Entering setLocationConsolidate");
  try {
    if (requestHandler == nullptr) throw TransactionLogicException("No router connection");
    requestHandler->execSql("consolidate_loca", sortOrder == "desd" ? "inv_locs" : "inv_locs1",
                            {warehouse, item}, false);
    int rows = getQryRowCount("consolidate_loca");
    logger()->debug("row coujn t = {}", rows);
    std::vector<std::string> lines;
    std::vector<std::string> lineValues;
    for (int row = 0; row < rows; ++row) {
      std::string location = getQryValue("consolidate_loca", "tdilc101.loca", row).value_or("null");
      std::string stock = getQryValue("consolidate_loca", "tdilc101.strs", row).value_or("null");
      lines.push_back(StringUtil::rpad(location, 10) + " " + StringUtil::rpad(stock, 10));
      lineValues.push_back(location);
    }
    setValue(locationFieldId, lines, lineValues);
    std::optional<std::string> first = getQryValue("consolidate_loca", "tdilc101.loca", 0);
    setValue(locationFieldId, first.value_or(""));
    refresh();
  } catch (const std::exception& failure) {
    VAVInterface::logStackTrace(failure);
  }
}

}  // namespace tev
