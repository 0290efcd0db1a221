#include "labels/printer_list_type.h"

#include "common/error.h"
#include "common/java_text.h"
#include "xml/xml_document.h"
#include "xml/xml_node.h"

namespace tev::printer {
namespace {

constexpr const char* kPrinter = "printer";
constexpr const char* kId = "id";
constexpr const char* kDisplayName = "display_name";
constexpr const char* kNetworkPath = "network_path";
constexpr const char* kDescription = "description";

// The text of the first child element of that name; nothing when there is none.
std::optional<std::string> childText(const XmlNode& element, const std::string& name) {
  for (const XmlNode& child : element.elementChildren())
    if (child.name() == name) return child.textContent();
  return std::nullopt;
}

PrinterType readPrinter(const XmlNode& element) {
  PrinterType printer;
  if (std::optional<std::string> id = element.attribute(kId)) printer.setId(trim(*id));
  printer.setDisplayName(childText(element, kDisplayName));
  printer.setNetworkPath(childText(element, kNetworkPath));
  printer.setDescription(childText(element, kDescription));
  return printer;
}

[[noreturn]] void failWrite(const std::string& cause) {
  throw Error("Failed to build the printer list: " + cause);
}

void indent(XmlNode& element, int depth) {
  element.appendText("\n" + std::string(static_cast<size_t>(depth) * 2, ' '));
}

XmlNode appendElement(XmlNode& parent, const std::string& name) {
  std::optional<XmlNode> child = parent.appendElement(name);
  if (!child) failWrite("cannot add the element " + name);
  return *child;
}

void appendValue(XmlNode& parent, const std::string& name, const std::optional<std::string>& value) {
  if (!value) return;
  indent(parent, 2);
  appendElement(parent, name).appendText(*value);
}

}  // namespace

PrinterListType readPrinterList(const std::string& path) {
  std::string cause;
  XmlDocPtr doc = parseXmlFile(path, cause);
  if (doc == nullptr) throw Error("Failed to read the printer list " + path + ": " + cause);
  std::optional<XmlNode> root = XmlNode::from(xmlDocGetRootElement(doc.get()));
  if (!root || root->name() != PrinterList::ELEMENT_NAME)
    throw Error("Failed to read the printer list " + path + ": the root element is not " +
                PrinterList::ELEMENT_NAME);
  PrinterListType list;
  for (const XmlNode& child : root->elementChildren())
    if (child.name() == kPrinter) list.getPrinter().push_back(readPrinter(child));
  return list;
}

std::string toXml(const PrinterListType& list) {
  std::string cause;
  XmlDocPtr doc = parseXmlText("<" + PrinterList::ELEMENT_NAME + "/>", cause);
  if (doc == nullptr) failWrite(cause);
  XmlNode root(xmlDocGetRootElement(doc.get()));
  for (const PrinterType& printer : list.getPrinter()) {
    indent(root, 1);
    XmlNode element = appendElement(root, kPrinter);
    if (printer.getId()) element.setAttribute(kId, *printer.getId());
    appendValue(element, kDisplayName, printer.getDisplayName());
    appendValue(element, kNetworkPath, printer.getNetworkPath());
    appendValue(element, kDescription, printer.getDescription());
    if (printer.getDisplayName() || printer.getNetworkPath() || printer.getDescription()) indent(element, 1);
  }
  if (!list.getPrinter().empty()) indent(root, 0);
  std::optional<std::string> text = serialiseNode(root.raw(), cause);
  if (!text) failWrite(cause);
  return *text;
}

}  // namespace tev::printer
