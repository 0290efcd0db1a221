// TransactionLogic: printer look-ups. Every operation reads the environment's printer_list.xml again (the
// printer list of the labels library, found through the file locator) and keeps what it read in
// printerList.
#include "config/vrc_parser.h"
#include "labels/printer_manager.h"
#include "session/transaction_logic.h"
#include "session/vav_interface.h"

namespace tev {
namespace {

const std::string kPrinterListFile = "printer_list.xml";

}  // namespace

bool TransactionLogic::loadPrinterList() {
  std::optional<std::string> path;
  if (VAVInterface::vrcParser != nullptr)
    path = VAVInterface::vrcParser->getEnvironmentFilePath(kPrinterListFile);
  std::optional<printer::PrinterListType> list;
  if (path) list = PrinterManager::getPrinterList(*path);
  if (!list) {
    VAVInterface::log(10, "Failed to load printer list");
    return false;
  }
  printerList = std::move(list);
  return true;
}

std::optional<std::string> TransactionLogic::getPrinterNetworkPath(const std::string& displayName) {
  VAVInterface::log(10, "Into getPrinterNetworkPath method on TransactionLogic " + displayName);
  if (!loadPrinterList()) return std::nullopt;
  return PrinterManager().getPrinterNetworkPath(displayName);
}

std::optional<std::string> TransactionLogic::getPrinterDescription(const std::string& displayName) {
  if (!loadPrinterList()) return std::nullopt;
  return PrinterManager().getPrinterDescription(displayName);
}

std::optional<std::vector<std::string>> TransactionLogic::getPrinterDisplayNames() {
  if (!loadPrinterList()) return std::nullopt;
  return PrinterManager().getPrinterDisplayNames();
}

std::optional<std::vector<std::string>> TransactionLogic::getPrinterNetworkPaths() {
  if (!loadPrinterList()) return std::nullopt;
  return PrinterManager().getPrinterNetworkPaths();
}

}  // namespace tev
