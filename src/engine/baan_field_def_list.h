// BaanFieldDefList: the ERP field dictionary of a scanner process, every field definition by its id, read
// once at start-up from the prebuilt dictionary file ("BaanFieldDefs.dat", read through field_table_codec)
// and read-only afterwards. Transaction definitions attach the entry of each field by id.
#pragma once

#include <optional>
#include <string>

#include "common/log.h"
#include "config/baan_field_def.h"
#include "config/field_table_codec.h"

namespace tev {

class BaanFieldDefList {
 public:
  // The start-up's error line when the file cannot be read, followed by the failure's message.
  static inline const std::string kLoadErrorPrefix = "Error in loading the persisted BaanFieldDefs object: ";

  // An empty dictionary.
  BaanFieldDefList() = default;
  explicit BaanFieldDefList(BaanFieldTable table) : baanFieldDefList(std::move(table)) {}
  // Reads the dictionary file. Throws TableFormatError when it is missing or not a field table.
  explicit BaanFieldDefList(const std::string& path);
  virtual ~BaanFieldDefList() = default;

  // The dictionary of the file; nothing when it cannot be read, logged as an error (kLoadErrorPrefix and
  // the failure's message).
  static std::optional<BaanFieldDefList> load(const std::string& path, const log::Logger& logger);

  // The entry of exactly that id (letter case counts); nothing when the dictionary lacks it.
  virtual std::optional<BaanFieldDef> getBaanFieldDef(const std::string& id) const;
  // Adds or replaces the entry of an id.
  virtual void setBaanFieldDef(const std::string& id, const BaanFieldDef& definition);

  const BaanFieldTable& getBaanFieldDefs() const { return baanFieldDefList; }

 private:
  BaanFieldTable baanFieldDefList;
};

}  // namespace tev
