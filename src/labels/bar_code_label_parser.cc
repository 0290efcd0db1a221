#include "labels/bar_code_label_parser.h"

#include "common/error.h"
#include "common/java_text.h"

namespace tev {
namespace {

constexpr const char* kTransaction = "transaction";
constexpr const char* kLabel = "label";
constexpr const char* kHeader = "header";
constexpr const char* kHeaderField = "header_field";
constexpr const char* kField = "field";
constexpr const char* kSeparator = "field_seperator";

// The elements of that name below the node (not the node itself), in document order.
void collectDescendants(const XmlNode& node, const std::string& name, std::vector<XmlNode>& out) {
  for (const XmlNode& child : node.elementChildren()) {
    if (child.name() == name) out.push_back(child);
    collectDescendants(child, name, out);
  }
}

std::vector<XmlNode> descendants(const XmlNode& node, const std::string& name) {
  std::vector<XmlNode> out;
  collectDescendants(node, name, out);
  return out;
}

// A plain text node (CDATA sections do not count).
bool isPlainText(const XmlNode& node) {
  return node.type() == XML_TEXT_NODE;
}

std::optional<std::string> trimmedAttribute(const XmlNode& element, const std::string& name) {
  std::optional<std::string> value = element.attribute(name);
  if (value) return trim(*value);
  return std::nullopt;
}

std::string replaceTabEscapes(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 't') {
      out += '\t';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

BarCodeLabelParser::BarCodeLabelParser() = default;

BarCodeLabelParser::BarCodeLabelParser(const std::string& path) {
  loadXML(path);
}

void BarCodeLabelParser::loadXML(const std::string& filePath) {
  std::string cause;
  XmlDocPtr doc = parseXmlFile(filePath, cause);
  if (doc == nullptr) throw Error("Failed to read the label definitions " + filePath + ": " + cause);
  document = std::move(doc);
  path = filePath;
}

BarCodeLabelParser::LabelTable BarCodeLabelParser::getLabels() {
  if (document == nullptr) throw Error("No label definitions loaded");
  LabelTable labels;
  std::optional<XmlNode> root = XmlNode::from(xmlDocGetRootElement(document.get()));
  if (!root) return labels;
  std::vector<XmlNode> elements;
  if (root->name() == kLabel) elements.push_back(*root);
  collectDescendants(*root, kLabel, elements);
  for (const XmlNode& element : elements) {
    std::optional<XmlNode> parent = element.parent();
    if (!parent || !parent->isElement() || parent->name() != kTransaction) continue;
    barCodeLabel = BarCodeLabel();
    getLabelData(element);
    labels.insert_or_assign(*barCodeLabel.getId(), barCodeLabel);
  }
  return labels;
}

void BarCodeLabelParser::getLabelData(const XmlNode& label) {
  barCodeLabel.setId(trimmedAttribute(label, ID));
  barCodeLabel.setTypeOfLabel(trimmedAttribute(label, TYPE));
  if (!barCodeLabel.getId()) throw Error("A label of " + path + " has no " + ID);
  fieldsVector.clear();
  headersVector.clear();
  barCodeLabel.setFieldsVector(getFields(descendants(label, kField)));
  barCodeLabel.setHeaderStatements(getHeaders(descendants(label, kHeader)));
  try {
    barCodeLabel.setSeperator(getSeperator(descendants(label, kSeparator)));
  } catch (const Error& e) {
    throw Error("Label " + *barCodeLabel.getId() + " of " + path + ": " + e.getMessage());
  }
}

std::vector<BarCodeHeaderStatement> BarCodeLabelParser::getHeaders(const std::vector<XmlNode>& headers) {
  for (const XmlNode& header : headers) {
    headerStatement = BarCodeHeaderStatement();
    getHeaderStatementData(header);
    headersVector.push_back(headerStatement);
  }
  return headersVector;
}

void BarCodeLabelParser::getHeaderStatementData(const XmlNode& node) {
  if (node.isElement() && node.name() == kHeader) {
    if (std::optional<std::string> id = trimmedAttribute(node, ID)) headerStatement.setId(id);
  }
  readHeaderContent(node);
}

void BarCodeLabelParser::readHeaderContent(const XmlNode& node) {
  for (const XmlNode& child : node.children()) {
    if (isPlainText(child)) {
      std::string text = trim(child.value().value_or(""));
      if (!text.empty()) headerStatement.getBarCodeFields().emplace_back(std::move(text));
    } else if (child.isElement()) {
      if (child.name() == kHeaderField) {
        headerStatement.getBarCodeFields().emplace_back(BarCodeField(
            trimmedAttribute(child, ID).value_or(""), trimmedAttribute(child, TYPE).value_or("")));
      }
      readHeaderContent(child);
    }
  }
}

std::vector<BarCodeEntry> BarCodeLabelParser::getFields(const std::vector<XmlNode>& fields) {
  for (const XmlNode& field : fields) {
    ff = BarCodeField();
    getFieldData(field);
    fieldsVector.emplace_back(ff);
  }
  return fieldsVector;
}

void BarCodeLabelParser::getFieldData(const XmlNode& node) {
  if (node.isElement() && node.name() == kField) {
    if (std::optional<std::string> id = trimmedAttribute(node, ID)) ff.setId(*id);
    if (std::optional<std::string> type = trimmedAttribute(node, TYPE)) ff.setType(*type);
  }
  for (const XmlNode& child : node.children()) {
    if (child.isElement()) {
      getFieldData(child);
    } else if (isPlainText(child)) {
      fieldsVector.emplace_back(child.value().value_or(""));
    }
  }
}

std::string BarCodeLabelParser::getSeperator(const std::vector<XmlNode>& separators) {
  if (separators.empty()) throw Error("no " + std::string(kSeparator));
  std::optional<XmlNode> first = separators.front().firstChild();
  std::optional<std::string> text = first ? first->value() : std::nullopt;
  if (!text) throw Error("empty " + std::string(kSeparator));
  return replaceTabEscapes(trim(*text));
}

}  // namespace tev
