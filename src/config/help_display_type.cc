#include "config/help_display_type.h"

#include "common/error.h"
#include "common/java_text.h"
#include "xml/xml_document.h"
#include "xml/xml_node.h"

namespace tev::help {
namespace {

std::optional<XmlNode> firstChildElement(const XmlNode& element, const std::string& name) {
  for (const XmlNode& child : element.elementChildren())
    if (child.name() == name) return child;
  return std::nullopt;
}

FormType readForm(const XmlNode& element) {
  FormType form;
  form.setId(element.attribute("id"));
  if (std::optional<XmlNode> help = firstChildElement(element, "main_help"))
    form.setMainHelp(help->textContent());
  return form;
}

TransactionType readTransaction(const XmlNode& element) {
  TransactionType transaction;
  transaction.setId(element.attribute("id"));
  for (const XmlNode& child : element.elementChildren())
    if (child.name() == "form") transaction.getForm().push_back(readForm(child));
  return transaction;
}

// Appends a line break and indentation before a child of the given depth.
void indent(XmlNode& parent, int depth) {
  parent.appendText("\n" + std::string(2 * depth, ' '));
}

void failWrite(const std::string& what) {
  throw Error("Failed to write the help document: " + what);
}

XmlNode appendElement(XmlNode& parent, const std::string& name) {
  std::optional<XmlNode> child = parent.appendElement(name);
  if (!child) failWrite("cannot add " + name);
  return *child;
}

}  // namespace

std::string FormType::toString() const {
  return "FormType[id=" + nullText(id) + "]";
}

std::string TransactionType::toString() const {
  std::string ids;
  for (const FormType& each : form) {
    if (!ids.empty()) ids += ", ";
    ids += nullText(each.getId());
  }
  return "TransactionType[id=" + nullText(id) + ", forms=[" + ids + "]]";
}

std::string HelpDisplayType::toString() const {
  return "HelpDisplayType[transaction=" + (transaction ? transaction->toString() : std::string("null")) + "]";
}

HelpDisplayType readHelpDisplay(const std::string& path) {
  std::string cause;
  XmlDocPtr doc = parseXmlFile(path, cause);
  if (doc == nullptr) throw Error("Failed to read the help file " + path + ": " + cause);
  std::optional<XmlNode> root = XmlNode::from(xmlDocGetRootElement(doc.get()));
  if (!root || root->name() != HelpDisplay::ELEMENT_NAME)
    throw Error("Failed to read the help file " + path + ": the root element is not " +
                HelpDisplay::ELEMENT_NAME);
  HelpDisplayType document;
  if (std::optional<XmlNode> transaction = firstChildElement(*root, "transaction"))
    document.setTransaction(readTransaction(*transaction));
  return document;
}

std::string toXml(const HelpDisplayType& document) {
  std::string cause;
  XmlDocPtr doc = parseXmlText("<" + HelpDisplay::ELEMENT_NAME + "/>", cause);
  if (doc == nullptr) failWrite(cause);
  XmlNode root(xmlDocGetRootElement(doc.get()));
  if (const TransactionType* transaction = document.getTransaction()) {
    indent(root, 1);
    XmlNode transactionElement = appendElement(root, "transaction");
    if (transaction->getId()) transactionElement.setAttribute("id", *transaction->getId());
    for (const FormType& form : transaction->getForm()) {
      indent(transactionElement, 2);
      XmlNode formElement = appendElement(transactionElement, "form");
      if (form.getId()) formElement.setAttribute("id", *form.getId());
      if (form.getMainHelp()) {
        indent(formElement, 3);
        appendElement(formElement, "main_help").appendText(*form.getMainHelp());
        indent(formElement, 2);
      }
    }
    if (!transaction->getForm().empty()) indent(transactionElement, 1);
    indent(root, 0);
  }
  std::optional<std::string> text = serialiseNode(root.raw(), cause);
  if (!text) failWrite(cause);
  return *text;
}

}  // namespace tev::help
