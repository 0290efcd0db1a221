#include "session/vav_interface.h"

#include <typeinfo>

#include "engine/param_manager.h"
#include "engine/transaction_xml_parser.h"
#include "engine/user_data.h"

namespace tev {

log::Logger VAVInterface::logger() {
  return log::get(LOGGER_NAME);
}

void VAVInterface::log(int /*level*/, const std::string& message) {
  logger()->info("{}", message);
}

void VAVInterface::logStackTrace(const std::exception& failure) {
  logger()->error("{}: {}", typeid(failure).name(), failure.what());
}

std::vector<std::shared_ptr<void>>& VAVInterface::owned() {
  static std::vector<std::shared_ptr<void>> objects;
  return objects;
}

void VAVInterface::reset() {
  DC.clear();
  vavSettingsFilePath.clear();
  deviceId.clear();
  environment.clear();
  deviceType = GENERIC_DEVICE_TYPE;
  vavSettings = nullptr;
  interfaceData = nullptr;
  vrcParser = nullptr;
  backupYesNo.reset();
  backupDir.reset();
  labelList = LabelList();
  messageList = MessageList();
  xmlEncodingInUse = false;
  charEncoding.clear();
  charEncodingForXml.clear();
  baanFieldDefList = nullptr;
  deviceTypeParser = nullptr;
  deviceInfo.reset();
  settings = nullptr;
  emulator = nullptr;
  tevMemory = nullptr;
  xmlParser.reset();
  requestHandler = nullptr;
  paramManager.reset();
  printLabels = nullptr;
  barcodeManager = nullptr;
  implementDecimalFormatting = false;
  decimalFormatString = "0.00";
  decimalSeperator = ".";
  transProcessor = nullptr;
  functionServerPath.clear();
  perlProcessor = nullptr;
  userData.reset();
  userSettingsParser = nullptr;
  std::vector<std::shared_ptr<void>>& objects = owned();
  while (!objects.empty()) objects.pop_back();
}

}  // namespace tev
