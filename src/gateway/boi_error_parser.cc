#include "gateway/boi_error_parser.h"

#include "common/java_text.h"
#include "gateway/gateway_xml.h"
#include "xml/libxml_guard.h"
#include "xml/xml_document.h"

namespace tev {

std::optional<BoiError> BoiErrorParser::getErrorInformation(const std::string& text) const {
  LibxmlGuard guard;
  std::string cause;
  XmlDocPtr doc = parseXmlText(text, cause);
  if (!doc) throw XmlReplyError("Reply is not well-formed XML: " + cause);
  XmlNode document(reinterpret_cast<xmlNodePtr>(doc.get()));
  std::optional<XmlNode> root = gateway_xml::firstDescendant(document, "BaanErrorDoc");
  if (!root) root = gateway_xml::firstDescendant(document, "Errors");
  if (!root) return std::nullopt;

  BoiError error;
  for (const XmlNode& record : root->elementChildren()) {
    for (const XmlNode& field : record.elementChildren()) {
      const std::string name = trim(field.name());
      const bool described = name == "ErrorDescription" || name == "errorDescription" || name == "errorText";
      const std::vector<XmlNode> children = field.children();
      for (const XmlNode& child : children) {
        if (child.type() != XML_TEXT_NODE || !described) continue;
        error.errorDesc += child.value().value_or("");
        if (children.size() > 1) error.errorDesc += FIELD_SEPERATOR;
      }
    }
  }
  return error;
}

}  // namespace tev
