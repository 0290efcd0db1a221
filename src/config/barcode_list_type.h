// The typed form of a bar-code layout file and its reader. A file lists, per form, how one scan that carries
// several values joined by a separator is cut into parts and where each part goes:
//
//   <barcode_list>
//     <barcode id="..." form="..." field_separator="..." no_of_fields="3" move_cursor_to_field="...">
//       <field_list>
//         <field id="..." map_to="..." map_type="field|variable" skip_behavior="..."/>
//       </field_list>
//     </barcode>
//   </barcode_list>
//
// Elements and attributes not listed here are ignored. An attribute that is not in the file reads as nothing;
// a missing no_of_fields as 0, so that the layout never matches a scan.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tev::barcode {

// One part of a scan: the target it goes to and the skip behaviour the target field gets.
class FieldType {
 public:
  const std::optional<std::string>& getId() const { return id; }
  void setId(std::optional<std::string> value) { id = std::move(value); }
  const std::optional<std::string>& getMapTo() const { return mapTo; }
  void setMapTo(std::optional<std::string> value) { mapTo = std::move(value); }
  // "field" or "variable"; any other value makes the part ignored.
  const std::optional<std::string>& getMapType() const { return mapType; }
  void setMapType(std::optional<std::string> value) { mapType = std::move(value); }
  const std::optional<std::string>& getSkipBehavior() const { return skipBehavior; }
  void setSkipBehavior(std::optional<std::string> value) { skipBehavior = std::move(value); }

  friend bool operator==(const FieldType&, const FieldType&) = default;

 private:
  std::optional<std::string> id;
  std::optional<std::string> mapTo;
  std::optional<std::string> mapType;
  std::optional<std::string> skipBehavior;
};

// The parts of a layout, in the order of the parts of a scan.
class FieldListType {
 public:
  std::vector<FieldType>& getField() { return field; }
  const std::vector<FieldType>& getField() const { return field; }

  friend bool operator==(const FieldListType&, const FieldListType&) = default;

 private:
  std::vector<FieldType> field;
};

// One layout of one form.
class BarcodeType {
 public:
  const std::optional<std::string>& getId() const { return id; }
  void setId(std::optional<std::string> value) { id = std::move(value); }
  const std::optional<std::string>& getForm() const { return form; }
  void setForm(std::optional<std::string> value) { form = std::move(value); }
  // A regular expression.
  const std::optional<std::string>& getFieldSeparator() const { return fieldSeparator; }
  void setFieldSeparator(std::optional<std::string> value) { fieldSeparator = std::move(value); }
  // The number of parts a scan must split into for the layout to apply.
  int getNoOfFields() const { return noOfFields; }
  void setNoOfFields(int value) { noOfFields = value; }
  // The field id that gets the cursor after the split, or "none" for the scanned field.
  const std::optional<std::string>& getMoveCursorToField() const { return moveCursorToField; }
  void setMoveCursorToField(std::optional<std::string> value) { moveCursorToField = std::move(value); }
  FieldListType& getFieldList() { return fieldList; }
  const FieldListType& getFieldList() const { return fieldList; }
  void setFieldList(FieldListType value) { fieldList = std::move(value); }

  friend bool operator==(const BarcodeType&, const BarcodeType&) = default;

 private:
  std::optional<std::string> id;
  std::optional<std::string> form;
  std::optional<std::string> fieldSeparator;
  int noOfFields = 0;
  std::optional<std::string> moveCursorToField;
  FieldListType fieldList;
};

// The layouts of a file, in file order.
class BarcodeListType {
 public:
  std::vector<BarcodeType>& getBarcode() { return barcode; }
  const std::vector<BarcodeType>& getBarcode() const { return barcode; }

  friend bool operator==(const BarcodeListType&, const BarcodeListType&) = default;

 private:
  std::vector<BarcodeType> barcode;
};

// The root element of a layout file.
struct BarcodeList {
  static inline const std::string ELEMENT_NAME = "barcode_list";
  BarcodeListType value;
};

class ObjectFactory {
 public:
  BarcodeListType createBarcodeListType() const { return {}; }
  BarcodeType createBarcodeType() const { return {}; }
  FieldListType createFieldListType() const { return {}; }
  FieldType createFieldType() const { return {}; }
  BarcodeList createBarcodeList(BarcodeListType value) const { return BarcodeList{std::move(value)}; }
};

// Reads a layout file. Throws tev::Error (naming the file) when it cannot be read or parsed, when its root
// element is not barcode_list, or when a no_of_fields is not a whole number.
BarcodeListType readBarcodeList(const std::string& path);

}  // namespace tev::barcode
