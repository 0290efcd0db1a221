#include "config/barcode_list_type.h"

#include "common/error.h"
#include "common/java_number.h"
#include "common/java_text.h"
#include "xml/xml_document.h"
#include "xml/xml_node.h"

namespace tev::barcode {
namespace {

FieldType readField(const XmlNode& element) {
  FieldType field;
  field.setId(element.attribute("id"));
  field.setMapTo(element.attribute("map_to"));
  field.setMapType(element.attribute("map_type"));
  field.setSkipBehavior(element.attribute("skip_behavior"));
  return field;
}

FieldListType readFieldList(const XmlNode& element) {
  FieldListType list;
  for (const XmlNode& child : element.elementChildren())
    if (child.name() == "field") list.getField().push_back(readField(child));
  return list;
}

BarcodeType readBarcode(const XmlNode& element) {
  BarcodeType barcode;
  barcode.setId(element.attribute("id"));
  barcode.setForm(element.attribute("form"));
  barcode.setFieldSeparator(element.attribute("field_separator"));
  if (std::optional<std::string> count = element.attribute("no_of_fields")) {
    try {
      barcode.setNoOfFields(parseInt(trim(*count)));
    } catch (const NumberFormatError& e) {
      throw Error("Invalid no_of_fields of barcode " + nullText(barcode.getId()) + ": " + e.getMessage());
    }
  }
  barcode.setMoveCursorToField(element.attribute("move_cursor_to_field"));
  for (const XmlNode& child : element.elementChildren()) {
    if (child.name() == "field_list") {
      barcode.setFieldList(readFieldList(child));
      break;
    }
  }
  return barcode;
}

}  // namespace

BarcodeListType readBarcodeList(const std::string& path) {
  std::string cause;
  XmlDocPtr doc = parseXmlFile(path, cause);
  if (doc == nullptr) throw Error("Failed to read the bar-code layouts " + path + ": " + cause);
  std::optional<XmlNode> root = XmlNode::from(xmlDocGetRootElement(doc.get()));
  if (!root || root->name() != BarcodeList::ELEMENT_NAME)
    throw Error("Failed to read the bar-code layouts " + path + ": the root element is not " +
                BarcodeList::ELEMENT_NAME);
  BarcodeListType list;
  try {
    for (const XmlNode& child : root->elementChildren())
      if (child.name() == "barcode") list.getBarcode().push_back(readBarcode(child));
  } catch (const Error& e) {
    throw Error("Failed to read the bar-code layouts " + path + ": " + e.getMessage());
  }
  return list;
}

}  // namespace tev::barcode
