#include "gateway/bde_reply_parser.h"

#include "common/java_text.h"
#include "gateway/boi_error_parser.h"
#include "gateway/gateway_xml.h"
#include "xml/libxml_guard.h"
#include "xml/xml_document.h"

namespace tev {

std::vector<QryRow> BDEReplyParser::parse97Reply(const std::string& path) const {
  LibxmlGuard guard;
  std::string cause;
  XmlDocPtr doc = parseXmlFile(path, cause);
  if (!doc) throw XmlReplyError("Result document " + path + " cannot be read: " + cause);
  std::vector<QryRow> rows;
  for (const XmlNode& row :
       gateway_xml::descendants(XmlNode(reinterpret_cast<xmlNodePtr>(doc.get())), "row")) {
    QryRow values;
    for (const XmlNode& child : row.elementChildren())
      values[child.name()] = gateway_xml::firstChildText(child);
    rows.push_back(std::move(values));
  }
  return rows;
}

void BDEReplyParser::parseReply(const std::string& text) {
  boiError.reset();
  boiResponse.reset();
  errorFlag = false;
  LibxmlGuard guard;
  std::string cause;
  XmlDocPtr doc = parseXmlText(text, cause);
  if (!doc) throw XmlReplyError("Reply is not well-formed XML: " + cause);
  const XmlNode document(reinterpret_cast<xmlNodePtr>(doc.get()));

  const std::vector<XmlNode> faults = gateway_xml::descendants(document, "SOAP-ENV:Fault");
  if (!faults.empty()) {
    errorFlag = true;
    boiError = BoiError();
    for (const XmlNode& fault : faults) {
      for (const XmlNode& detail : fault.elementChildren()) {
        if (trim(detail.name()) != "detail") continue;
        std::optional<XmlNode> d = detail.firstChild();
        if (!d) continue;
        if (trim(d->name()) != "Result") {
          boiError->errorDesc = gateway_xml::firstChildText(*d);
          continue;
        }
        for (const XmlNode& e : d->elementChildren()) {
          if (e.name() == "messageText" && e.firstChild()) {
            boiError->errorDesc = gateway_xml::firstChildText(e);
            boiError->addError(boiError->errorDesc);
          } else if (e.name() == "MessageDetails") {
            for (const XmlNode& detailEntry : e.children())
              for (const XmlNode& n : detailEntry.children())
                if (trim(n.name()) == "messageText") boiError->addError(gateway_xml::firstChildText(n));
          }
        }
      }
    }
    return;
  }
  boiResponse = BoiResponse();
  for (const XmlNode& out : gateway_xml::descendants(document, "outData"))
    for (const XmlNode& child : out.children())
      if (child.type() == XML_TEXT_NODE) boiResponse->resultDesc = child.value().value_or("");
}

}  // namespace tev
