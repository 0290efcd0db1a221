// BarCodeLabel: one label of a label definition file, as the label job writer lays it out: the headers that
// open the job, the field list with its fixed text, the separator between the values of a one-line job, and
// the type that chooses the job layout ("Sentinel", "Loftware", anything else the default layout).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "labels/bar_code_field.h"
#include "labels/bar_code_header_statement.h"

namespace tev {

class BarCodeLabel {
 public:
  const std::optional<std::string>& getId() const { return id; }
  void setId(std::optional<std::string> value) { id = std::move(value); }
  std::vector<BarCodeHeaderStatement>& getHeaderStatements() { return headerStatements; }
  const std::vector<BarCodeHeaderStatement>& getHeaderStatements() const { return headerStatements; }
  void setHeaderStatements(std::vector<BarCodeHeaderStatement> value) { headerStatements = std::move(value); }
  const std::optional<std::string>& getSeperator() const { return seperator; }
  void setSeperator(std::optional<std::string> value) { seperator = std::move(value); }
  std::vector<BarCodeEntry>& getFieldsVector() { return fieldsVector; }
  const std::vector<BarCodeEntry>& getFieldsVector() const { return fieldsVector; }
  void setFieldsVector(std::vector<BarCodeEntry> value) { fieldsVector = std::move(value); }
  const std::optional<std::string>& getTypeOfLabel() const { return typeOfLabel; }
  void setTypeOfLabel(std::optional<std::string> value) { typeOfLabel = std::move(value); }

  // One line for diagnostics: "id: " + id + " headers: [...] fields: [...]" (absent texts read "null").
  std::string toString() const;

  friend bool operator==(const BarCodeLabel&, const BarCodeLabel&) = default;

 private:
  std::optional<std::string> id;
  std::vector<BarCodeHeaderStatement> headerStatements;
  std::optional<std::string> seperator;
  std::vector<BarCodeEntry> fieldsVector;
  std::optional<std::string> typeOfLabel;  // none when the label has no type attribute
};

}  // namespace tev
