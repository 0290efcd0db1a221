// BaanFieldDef: the dictionary entry of one ERP field (an order number, an item, a quantity, a date): its
// data type, how its values are aligned, what letter case they take and its length. Built by the field
// dictionary builder from the ERP field list and read back from the dictionary file by the scanner process;
// never changed after it is made. The texts are absent when the field list gives none.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tev {

class BaanFieldDef {
 public:
  static inline const std::string LEFT = "left";
  static inline const std::string RIGHT = "right";
  static inline const std::string UPPER = "upper";
  static inline const std::string LOWER = "lower";
  static inline const std::string NONE = "none";

  BaanFieldDef(std::string id, std::optional<std::string> dataType, std::optional<std::string> alignment,
               std::optional<std::string> caseType, std::int32_t length);

  const std::string& getId() const { return id; }
  const std::optional<std::string>& getDataType() const { return dataType; }
  const std::optional<std::string>& getAlignment() const { return alignment; }
  const std::optional<std::string>& getCaseType() const { return caseType; }
  std::int32_t getLength() const { return length; }

  // "ID: " id ", Data Type: " type ", Alignment: " alignment ", Case: " case ", Length: " length, with "null"
  // for an absent text.
  std::string toString() const;

  friend bool operator==(const BaanFieldDef&, const BaanFieldDef&) = default;

 private:
  std::string id;
  std::optional<std::string> dataType;
  std::optional<std::string> alignment;
  std::optional<std::string> caseType;
  std::int32_t length;
};

}  // namespace tev
