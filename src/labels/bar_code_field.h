// BarCodeField: one value place of a label definition, a `field` of the label's field list or a
// `header_field` of a header. The label job writer fills it with the value of its id.
//
// BarCodeEntry: one entry of a header or of a label's field list, in document order: either fixed text (the
// character data of the definition) or a field.
#pragma once

#include <string>
#include <variant>

namespace tev {

class BarCodeField {
 public:
  static inline const std::string STRING_TYPE = "string";

  BarCodeField() = default;
  BarCodeField(std::string id, std::string type) : id(std::move(id)), type(std::move(type)) {}

  const std::string& getId() const { return id; }
  void setId(std::string value) { id = std::move(value); }
  const std::string& getType() const { return type; }
  void setType(std::string value) { type = std::move(value); }

  // The value as the job carries it: in double quotes for a field of type "string" (exactly that type, letter
  // case counts), otherwise unchanged. The writer asks only for values that are present.
  std::string getFieldValue(const std::string& value) const;

  // "ID: " + id + ", type: " + type.
  std::string toString() const;

  friend bool operator==(const BarCodeField&, const BarCodeField&) = default;

 private:
  std::string id;    // "" when the element has no id attribute
  std::string type;  // "" when the element has no type attribute
};

using BarCodeEntry = std::variant<std::string, BarCodeField>;

// The text form of an entry in diagnostics: the text itself, or the field's toString.
std::string entryText(const BarCodeEntry& entry);

}  // namespace tev
