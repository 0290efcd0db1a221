#include "gateway/boi_response_parser.h"

#include "common/java_text.h"
#include "gateway/boi_error_parser.h"
#include "gateway/gateway_xml.h"
#include "xml/libxml_guard.h"
#include "xml/xml_document.h"

namespace tev {

std::optional<std::vector<BoiResponse>> BoiResponseParser::getResultInformation(
    const std::string& text) const {
  LibxmlGuard guard;
  std::string cause;
  XmlDocPtr doc = parseXmlText(text, cause);
  if (!doc) throw XmlReplyError("Reply is not well-formed XML: " + cause);
  XmlNode document(reinterpret_cast<xmlNodePtr>(doc.get()));
  std::optional<XmlNode> root = gateway_xml::firstDescendant(document, "RecordSetB50cGenResultDoc");
  if (!root) return std::nullopt;

  std::vector<BoiResponse> responses;
  for (const XmlNode& record : root->elementChildren()) {
    BoiResponse response;
    for (const XmlNode& field : record.elementChildren()) {
      const std::string name = trim(field.name());
      for (const XmlNode& child : field.children()) {
        if (child.type() != XML_TEXT_NODE) continue;
        const std::string value = child.value().value_or("");
        if (name == "resultstatus") response.resultStatus = value;
        if (name == "resultcode") response.resultCode = value;
        if (name == "resultdescription") response.resultDesc = value;
      }
    }
    responses.push_back(std::move(response));
  }
  return responses;
}

}  // namespace tev
