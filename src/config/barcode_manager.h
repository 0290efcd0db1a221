// BarcodeManager: the bar-code layout service. It reads a layout file (the login transaction's
// "StandardBarcodeList.xml", or a transaction's own id + "BarcodeList.xml") and hands out the layouts by form
// id; the transaction processor tries a form's layouts in file order when it splits a scanned value.
//
// The service keeps the layouts of the last file it read successfully. A failed read is logged and keeps
// them. The process holds one service in its registry; reads and the table built from them take one caller at
// a time. Tables handed out are copies: later reads do not change them.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "config/barcode_list_type.h"

namespace tev {

class BarcodeManager {
 public:
  // Form id -> that form's layouts, in file order.
  using BarcodeTable = std::map<std::string, std::vector<barcode::BarcodeType>>;

  BarcodeManager();
  BarcodeManager(const BarcodeManager&) = delete;
  BarcodeManager& operator=(const BarcodeManager&) = delete;

  // Reads the file into the kept layouts; false (logged) when it cannot be read or parsed.
  bool initialize(const std::string& path);
  // The layouts read, which are also kept; nothing (logged) on failure, the kept layouts unchanged.
  std::optional<barcode::BarcodeListType> getBarcodeList(const std::string& path);
  // The kept layouts by form id (layouts without a form are left out); empty before the first read. Logs
  // "Iterating through Barcode list", "Barcode Id: " + id for each layout and "Size: " + number of forms.
  BarcodeTable getBarcodeHash();
  // The first kept layout, in file order, whose no_of_fields equals the number of parts; nothing when none
  // does or nothing was read yet.
  std::optional<barcode::BarcodeType> getBarcode(int noOfParts);

  // Accessors used by the scan split.
  const std::optional<std::string>& getFieldSeparator(const barcode::BarcodeType& layout) const;
  // Logs "barcode.getNoOfFields(): " + the value.
  int getNoOfFields(const barcode::BarcodeType& layout) const;
  const std::vector<barcode::FieldType>& getFields(const barcode::BarcodeType& layout) const;
  const std::optional<std::string>& getMoveCursorToField(const barcode::BarcodeType& layout) const;
  const std::optional<std::string>& getMapTo(const barcode::FieldType& field) const;
  const std::optional<std::string>& getMapType(const barcode::FieldType& field) const;
  const std::optional<std::string>& getSkipBehavior(const barcode::FieldType& field) const;

 private:
  std::optional<barcode::BarcodeListType> read(const std::string& path);

  std::mutex mutex;
  std::optional<barcode::BarcodeListType> barcodeList;
  log::Logger logger;
};

}  // namespace tev
