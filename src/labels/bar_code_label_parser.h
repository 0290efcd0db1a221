// BarCodeLabelParser: reads a label definition file into labels by id.
//
//   <transaction>
//     <label id="receipt_label" type="Sentinel">        type: "Sentinel", "Loftware", else the default layout
//       <header id="h1">text <header_field id="printer" type="..."/> more text</header>
//       <field id="item" type="string"/>                   type "string": the value goes in double quotes
//       <field_seperator>\t</field_seperator>              "\t" (backslash, t) stands for a TAB
//     </label>
//   </transaction>
//
// Only `label` elements whose parent is a `transaction` element are labels. A label's headers, fields and
// separator are taken from any depth below it, in document order. Header text is trimmed and blank header
// text dropped; the character data inside a `field` element is kept as it stands and comes just before that
// field in the field list. Attribute values are trimmed. Other elements and attributes, comments, CDATA
// sections and processing instructions are ignored.
//
// The reader keeps the parsed document and, while it fills a label, the label, header statement and field
// being read. One reader serves one thread at a time; the label job writer makes a new one per request.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "labels/bar_code_label.h"
#include "xml/xml_document.h"
#include "xml/xml_node.h"

namespace tev {

class BarCodeLabelParser {
 public:
  static inline const std::string ID = "id";
  static inline const std::string TYPE = "type";

  using LabelTable = std::map<std::string, BarCodeLabel>;

  // Nothing parsed yet.
  BarCodeLabelParser();
  // Parses the file at once (see loadXML).
  explicit BarCodeLabelParser(const std::string& path);

  // Parses the file into the reader's document. Throws tev::Error naming the file when it cannot be read or
  // is not well-formed XML; the previous document is then kept.
  void loadXML(const std::string& path);

  // Every label of the document by id; a later label of an id replaces an earlier one. Throws tev::Error
  // when no document was loaded, or when any label has no id or no (or an empty) field_seperator.
  LabelTable getLabels();

  // Fills the current label (getBarCodeLabel) from a `label` element. Throws tev::Error when the label has
  // no id or no usable field_seperator.
  void getLabelData(const XmlNode& label);
  // One statement per `header` element, in order.
  std::vector<BarCodeHeaderStatement> getHeaders(const std::vector<XmlNode>& headers);
  // Adds the node's content to the current header statement.
  void getHeaderStatementData(const XmlNode& node);
  // The field list of `field` elements: per element its character data, then the field.
  std::vector<BarCodeEntry> getFields(const std::vector<XmlNode>& fields);
  // Reads a `field` element's attributes into the current field and its character data into the field list.
  void getFieldData(const XmlNode& node);
  // The separator: the first element's first child, trimmed, with every backslash-t made a TAB. Throws
  // tev::Error when there is no element or it has no text.
  std::string getSeperator(const std::vector<XmlNode>& separators);

  // The label filled last.
  const BarCodeLabel& getBarCodeLabel() const { return barCodeLabel; }

 private:
  void readHeaderContent(const XmlNode& node);

  XmlDocPtr document;
  std::string path;
  BarCodeLabel barCodeLabel;
  BarCodeField ff;
  BarCodeHeaderStatement headerStatement;
  std::vector<BarCodeHeaderStatement> headersVector;
  std::vector<BarCodeEntry> fieldsVector;
};

}  // namespace tev
