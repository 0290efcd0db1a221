#include "gateway/bde_request.h"

#include "common/java_text.h"
#include "gateway/gateway_xml.h"

namespace tev::bde {
namespace {

std::string fieldElements(const FServerStatement& statement, const std::vector<std::string>& values,
                          const BackendUserPrefix& prefix) {
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::string value = statement.getArgumentValue(i, values, prefix);
    if (trim(value).empty()) continue;
    const std::string& id = statement.fieldIds[i];
    text += "<" + id + ">" + gateway_xml::escape(value) + "</" + id + ">";
  }
  return text;
}

[[noreturn]] void countError(const std::string& what, const FServerStatement& statement,
                             std::size_t received) {
  throw FunctionStringError("Invalid No.of Arguments",
                            what + statement.fserverName +
                                " , Expected Length = " + std::to_string(statement.functionArguments.size()) +
                                " received length of Input =" + std::to_string(received),
                            "Press Enter to continue");
}

}  // namespace

std::string dataElements(const FServerStatement& statement, const Rows& rows,
                         const BackendUserPrefix& prefix) {
  std::string text;
  for (const std::vector<std::string>& values : rows) {
    if (values.size() != statement.functionArguments.size())
      countError(
          "Invalid no.of arguments passed to build Driver request for BDE in getBDEStringWithNoHeaders =",
          statement, values.size());
    text += "<q0:" + statement.fserverName + ">" + fieldElements(statement, values, prefix) +
            "</q0:" + statement.fserverName + ">";
  }
  return text;
}

std::string record(const FServerStatement& statement, const std::vector<std::string>& values,
                   const FServerStatement* lineStatement, const Rows* lineRows,
                   const BackendUserPrefix& prefix) {
  const std::string lines =
      lineStatement != nullptr && lineRows != nullptr ? dataElements(*lineStatement, *lineRows, prefix) : "";
  if (values.size() != statement.functionArguments.size())
    countError("Invalid no.of arguments passed to build Driver request for BDE =", statement, values.size());
  return "<q0:" + statement.fserverName + ">" + fieldElements(statement, values, prefix) + lines +
         "</q0:" + statement.fserverName + ">";
}

std::string envelope(const FServerStatement& statement, const std::optional<std::string>& encoding,
                     const std::optional<std::string>& customerCode, const std::string& data) {
  std::string suffix = statement.fserverName;
  if (customerCode) {
    const std::string code = trim(*customerCode);
    if (!code.empty() && code != "b999" && charLength(code) == 3 && statement.fserverName == "TevStdQuery")
      suffix = "Tev" + code + "Query";
  }
  std::string xml = "<?xml version=\"1.0\" encoding='" + encoding.value_or("ISO-8859-1") + "' ?>";
  xml += "<soapenv:Envelope xmlns:soapenv='http://schemas.xmlsoap.org/soap/envelope/' ";
  xml += "xmlns:q0='" + NAMESPACE_BASE + suffix + "' ";
  xml +=
      "xmlns:xsd='http://www.w3.org/2001/XMLSchema' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'>";
  xml += "<soapenv:Body><q0:" + statement.function + "Request><q0:DataArea>";
  xml += data;
  xml += "</q0:DataArea></q0:" + statement.function + "Request></soapenv:Body></soapenv:Envelope>";
  return xml;
}

}  // namespace tev::bde
