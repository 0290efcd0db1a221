#include "gateway/bta_request.h"

#include <algorithm>
#include <variant>

#include "common/error.h"
#include "gateway/gateway_xml.h"

namespace tev::bta {

std::string soapRequest(const FServerStatement& statement, const std::vector<std::string>& values,
                        const SoapCaller& caller, const std::vector<std::size_t>& xmlPositions) {
  const std::size_t count = statement.functionArguments.size();
  if (values.size() < count)
    throw IndexOutOfRange("Web-service request " + statement.id + " needs " + std::to_string(count) +
                          " values, got " + std::to_string(values.size()));
  using gateway_xml::escape;
  std::string xml =
      "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:bta2=\"" +
      escape(caller.namespaceUrn) + "\">";
  xml += "<soapenv:Header/><soapenv:Body>";
  xml += "<bta2:" + statement.function + ">";
  xml += "<arg0><user>" + escape(caller.user) + "</user><name>" + escape(caller.deviceId) +
         "</name><datetime>" + caller.datetime + "</datetime></arg0>";
  xml += "<arg1>";
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& id = statement.fieldIds[i];
    const bool isXml = std::find(xmlPositions.begin(), xmlPositions.end(), i) != xmlPositions.end();
    xml += "<" + id + ">" + (isXml ? values[i] : escape(values[i])) + "</" + id + ">";
  }
  xml += "</arg1>";
  xml += "</bta2:" + statement.function + "></soapenv:Body></soapenv:Envelope>";
  return xml;
}

std::string queryInputList(const SQLStatement& statement, const std::vector<std::string>& values) {
  std::string xml;
  std::size_t j = 0;
  for (const SQLStatement::Element& element : statement.sqlElements) {
    const BaanFieldDef* field = std::get_if<BaanFieldDef>(&element);
    if (field == nullptr) continue;
    const std::string value = j < values.size() ? values[j] : "";
    ++j;
    xml += "<fieldValueList><name>" + field->getId() + "</name><value>" + gateway_xml::escape(value) +
           "</value></fieldValueList>";
  }
  return xml;
}

}  // namespace tev::bta
