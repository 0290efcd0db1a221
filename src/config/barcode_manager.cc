#include "config/barcode_manager.h"

#include "common/error.h"
#include "common/java_text.h"

namespace tev {
namespace {

constexpr const char* kLoggerName = "tev.framework.application.Logger";

}  // namespace

BarcodeManager::BarcodeManager() : logger(log::get(kLoggerName)) {}

std::optional<barcode::BarcodeListType> BarcodeManager::read(const std::string& path) {
  try {
    barcode::BarcodeListType list = barcode::readBarcodeList(path);
    barcodeList = list;
    return list;
  } catch (const Error& e) {
    logger->error("{}", e.getMessage());
    return std::nullopt;
  }
}

bool BarcodeManager::initialize(const std::string& path) {
  std::lock_guard lock(mutex);
  return read(path).has_value();
}

std::optional<barcode::BarcodeListType> BarcodeManager::getBarcodeList(const std::string& path) {
  std::lock_guard lock(mutex);
  return read(path);
}

BarcodeManager::BarcodeTable BarcodeManager::getBarcodeHash() {
  std::lock_guard lock(mutex);
  BarcodeTable table;
  logger->info("{}", "Iterating through Barcode list");
  if (barcodeList) {
    for (const barcode::BarcodeType& layout : barcodeList->getBarcode()) {
      logger->info("{}", "Barcode Id: " + nullText(layout.getId()));
      if (layout.getForm()) table[*layout.getForm()].push_back(layout);
    }
  }
  logger->info("{}", "Size: " + std::to_string(table.size()));
  return table;
}

std::optional<barcode::BarcodeType> BarcodeManager::getBarcode(int noOfParts) {
  std::lock_guard lock(mutex);
  if (!barcodeList) return std::nullopt;
  for (const barcode::BarcodeType& layout : barcodeList->getBarcode())
    if (layout.getNoOfFields() == noOfParts) return layout;
  return std::nullopt;
}

const std::optional<std::string>& BarcodeManager::getFieldSeparator(
    const barcode::BarcodeType& layout) const {
  return layout.getFieldSeparator();
}

int BarcodeManager::getNoOfFields(const barcode::BarcodeType& layout) const {
  logger->info("{}", "barcode.getNoOfFields(): " + std::to_string(layout.getNoOfFields()));
  return layout.getNoOfFields();
}

const std::vector<barcode::FieldType>& BarcodeManager::getFields(const barcode::BarcodeType& layout) const {
  return layout.getFieldList().getField();
}

const std::optional<std::string>& BarcodeManager::getMoveCursorToField(
    const barcode::BarcodeType& layout) const {
  return layout.getMoveCursorToField();
}

const std::optional<std::string>& BarcodeManager::getMapTo(const barcode::FieldType& field) const {
  return field.getMapTo();
}

const std::optional<std::string>& BarcodeManager::getMapType(const barcode::FieldType& field) const {
  return field.getMapType();
}

const std::optional<std::string>& BarcodeManager::getSkipBehavior(const barcode::FieldType& field) const {
  return field.getSkipBehavior();
}

}  // namespace tev
