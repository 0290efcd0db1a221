#include "sim/erp_sim_reply.h"

#include "sim/erp_sim_request.h"

namespace tev::sim {

std::string ErpSimReply::line(std::string_view payload, std::string_view prefix) {
  std::string text;
  text.reserve(prefix.size() + 1 + payload.size());
  text += prefix;
  text += ' ';
  text += payload;
  return text;
}

std::string ErpSimReply::success(std::string_view message) {
  return "0,0," + std::string(message);
}

std::string ErpSimReply::record(const std::vector<std::string>& values) {
  return "1,98," + row(values);
}

std::string ErpSimReply::resultFile(std::string_view fileName) {
  return "1,99," + std::string(fileName);
}

std::string ErpSimReply::tolerance(std::string_view message, int errorNo) {
  return error(errorNo, message);
}

std::string ErpSimReply::error(int errorNo, std::string_view message) {
  return "1," + std::to_string(errorNo) + "," + std::string(message);
}

std::string ErpSimReply::errorList(const std::vector<std::pair<int, std::string>>& errors) {
  std::string payload;
  for (std::size_t i = 0; i < errors.size(); ++i) {
    if (i > 0) payload += kFs;
    payload += i == 0 ? "1," : "0,";
    payload += std::to_string(errors[i].first) + "," + errors[i].second;
  }
  return payload;
}

std::string ErpSimReply::driverFailure(std::string_view message) {
  return "1,0," + std::string(message);
}

std::string ErpSimReply::functionServerTimeout() {
  return driverFailure("ddc_monitor: Function server did not answer in time");
}

std::string ErpSimReply::sqlRow(const std::vector<std::string>& values) {
  return "0~~" + row(values);
}

std::string ErpSimReply::sqlResultFile(std::string_view fileName) {
  return "0~~" + std::string(fileName);
}

std::string ErpSimReply::sqlNoRows() {
  return "1~~";
}

std::string ErpSimReply::loginAccepted(std::string_view message) {
  return std::string("0") + kFs + "0" + kFs + std::string(message);
}

std::string ErpSimReply::loginRejected(std::string_view message, std::string_view code) {
  return std::string("1") + kFs + std::string(code) + kFs + std::string(message);
}

std::string ErpSimReply::row(const std::vector<std::string>& values) {
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += '~';
    text += values[i];
  }
  return text;
}

namespace {

std::string element(const std::string& name, std::string_view text) {
  return "<" + name + ">" + ErpSimReply::xmlText(text) + "</" + name + ">";
}

std::string fields(const std::vector<std::pair<std::string, std::string>>& columns) {
  std::string xml;
  for (const auto& [name, value] : columns) xml += value.empty() ? "<" + name + "/>" : element(name, value);
  return xml;
}

const char* kSoapOpen =
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>";
const char* kSoapClose = "</SOAP-ENV:Body></SOAP-ENV:Envelope>";

}  // namespace

std::string ErpSimReply::xmlText(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    if (c == '&')
      escaped += "&amp;";
    else if (c == '<')
      escaped += "&lt;";
    else if (c == '>')
      escaped += "&gt;";
    else
      escaped += c;
  }
  return escaped;
}

std::string ErpSimReply::businessObjectComma(std::string_view statusLine) {
  return "OW,Obj," + std::string(statusLine);
}

std::string ErpSimReply::businessObjectDocument(std::string_view statusLine) {
  return "<RequestStatus><result>Failure</result><Errors><error><errorLevel>1</errorLevel>"
         "<errorSeverity>1</errorSeverity><errorCode>1</errorCode>" +
         element("errorText", statusLine) + "</error></Errors></RequestStatus>";
}

std::string ErpSimReply::erpLnResponse(std::string_view statusLine) {
  return std::string(kSoapOpen) + "<queryResponse><DataArea><TevStdQuery>" + element("outData", statusLine) +
         "</TevStdQuery></DataArea></queryResponse>" + kSoapClose;
}

std::string ErpSimReply::erpLnFault(const std::vector<std::string>& messages) {
  std::string xml =
      std::string(kSoapOpen) + "<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode><detail><Result>";
  if (!messages.empty()) xml += element("messageText", messages.front());
  xml += "<MessageDetails>";
  for (std::size_t i = 1; i < messages.size(); ++i)
    xml += "<Message>" + element("messageText", messages[i]) + "</Message>";
  return xml + "</MessageDetails></Result></detail></SOAP-ENV:Fault>" + kSoapClose;
}

std::string ErpSimReply::erpLnResultDocument(
    const std::vector<std::vector<std::pair<std::string, std::string>>>& rows) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><result>";
  for (const auto& row : rows) xml += "<row>" + fields(row) + "</row>";
  return xml + "</result>";
}

std::string ErpSimReply::webServiceValues(const std::vector<std::pair<std::string, std::string>>& columns) {
  return "1,98,<r><Values>" + fields(columns) + "</Values></r>";
}

std::string ErpSimReply::rtcimRow(const std::vector<std::pair<std::string, std::string>>& columns) {
  return "1,98,<r><query_result>" + fields(columns) + "</query_result></r>";
}

std::string ErpSimReply::sytelineCollection(const std::vector<std::string>& columns,
                                            const std::vector<std::vector<std::string>>& rows) {
  std::string xml = "<LoadCollection><PropertyList>";
  for (const std::string& column : columns) xml += "<" + column + "/>";
  xml += "</PropertyList><Items>";
  for (const auto& row : rows) {
    xml += "<Item>";
    for (const std::string& value : row) xml += value.empty() ? "<P/>" : element("P", value);
    xml += "</Item>";
  }
  return xml + "</Items></LoadCollection>";
}

std::string ErpSimReply::sytelineResult(const SytelineResult& result) {
  std::string xml = "<Result>";
  if (!result.error.empty()) xml += element("error", result.error);
  if (!result.errorCode.empty()) xml += element("errorCode", result.errorCode);
  if (!result.rows.empty()) {
    xml += "<output>";
    for (const auto& row : result.rows) xml += "<row>" + fields(row) + "</row>";
    xml += "</output>";
  }
  if (!result.substitutors.empty()) {
    xml += "<substitutors>";
    for (const auto& [key, value] : result.substitutors)
      xml += "<s>" + element("key", key) + (value.empty() ? "<value/>" : element("value", value)) + "</s>";
    xml += "</substitutors>";
  }
  return xml + "</Result>";
}

}  // namespace tev::sim
