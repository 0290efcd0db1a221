// BarCodeHeaderStatement: one `header` of a label definition, the fixed text and header fields that open a
// label job, in document order.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "labels/bar_code_field.h"

namespace tev {

class BarCodeHeaderStatement {
 public:
  const std::optional<std::string>& getId() const { return id; }
  void setId(std::optional<std::string> value) { id = std::move(value); }
  std::vector<BarCodeEntry>& getBarCodeFields() { return barCodeFields; }
  const std::vector<BarCodeEntry>& getBarCodeFields() const { return barCodeFields; }

  // "ID: " + id ("null" when absent) + ", entries: [" + the entries, joined by ", " + "]".
  std::string toString() const;

  friend bool operator==(const BarCodeHeaderStatement&, const BarCodeHeaderStatement&) = default;

 private:
  std::optional<std::string> id;  // the header's id attribute; none when absent
  std::vector<BarCodeEntry> barCodeFields;
};

}  // namespace tev
