// RequestHandler: RTCIM requests. A function name and its values (no statement) go out as " DDC" or " SQL"
// company "," count "," function "," values; the coded status line is read by ReplyPolicy::rtcim, where a
// data reply (98, 99) is a success whose "query_result" fragment becomes one result row.

#include "common/java_text.h"
#include "gateway/gateway_xml.h"
#include "gateway/request_handler.h"
#include "gateway/request_line.h"
#include "xml/libxml_guard.h"

namespace tev {

bool RequestHandler::executeRtcimMessage(const std::string& function, const std::string& resultName,
                                         const std::vector<std::string>& values, const std::string& kind,
                                         bool showErrors, bool showSuccess,
                                         const std::optional<std::string>& errorMessageId) {
  logger->info("Show Error Message: {}", showErrors);
  showStatusId("processing");
  std::shared_ptr<Transaction> transaction = requireTransaction("RTCIM function " + function);
  const std::string company = lineSafe(nullText(userParameter("company")), "company", logger);
  transaction->fserverErrorCode.clear();
  transaction->fserverMesg.clear();

  const RequestHeader header = requestHeader(transaction.get(), true);
  logger->info("{}", "Current Transaction title\t= " + header.title);
  logger->info("{}", "User Name \t= " + header.userName);
  logger->info("{}", "VAVInterface.deviceId \t= " + header.deviceId);
  logger->info("{}", "VAVInterface.environment \t= " + header.environment);

  // Values go as given: a comma inside one is not replaced.
  std::string text = std::to_string(values.size()) + "," + function + ",";
  for (std::size_t i = 0; i < values.size(); ++i) text += (i > 0 ? "," : "") + values[i];
  text = lineSafe(text, "function string", logger);
  logger->info("{}", "Function String: " + text);

  const std::string line = buildRequestLine(header, " " + kind + company + "," + text, logger);
  logger->info("{}", "Sending request\n" + line);
  const std::string reply = exchange(line, ExchangeKind::kFunctionServer);

  StatusLineCall call;
  call.showErrors = showErrors;
  call.showSuccess = showSuccess;
  call.company = company;
  call.errorMessageId = errorMessageId;
  call.onData = [this, &resultName](const std::string& message) {
    parseRtcimQueryResults(resultName, message);
  };
  return interpretStatusLine(ReplyPolicy::rtcim(), reply, *transaction, call);
}

bool RequestHandler::executeRtcimMessage(const std::string& function, const std::string& resultName,
                                         const std::vector<std::string>& values, const std::string& kind,
                                         bool showErrors, bool showSuccess) {
  return executeRtcimMessage(function, resultName, values, kind, showErrors, showSuccess, std::nullopt);
}

bool RequestHandler::executeRtcimMessage(const std::string& function, const std::string& resultName,
                                         const std::vector<std::string>& values, const std::string& kind,
                                         bool showErrors) {
  return executeRtcimMessage(function, resultName, values, kind, showErrors, true, std::nullopt);
}

bool RequestHandler::executeRtcimQuery(const std::string& function, const std::string& resultName,
                                       const std::vector<std::string>& values, bool showErrors) {
  return executeRtcimMessage(function, resultName, values, "SQL", showErrors, true, std::nullopt);
}

bool RequestHandler::executeRtcimQuery(const std::string& function, const std::string& resultName,
                                       const std::vector<std::string>& values, bool showErrors,
                                       const std::string& errorMessageId) {
  return executeRtcimMessage(function, resultName, values, "SQL", showErrors, true, errorMessageId);
}

bool RequestHandler::executeRtcimTransaction(const std::string& function, const std::string& resultName,
                                             const std::vector<std::string>& values, bool showErrors) {
  return executeRtcimMessage(function, resultName, values, "DDC", showErrors, true, std::nullopt);
}

bool RequestHandler::executeRtcimTransaction(const std::string& function, const std::string& resultName,
                                             const std::vector<std::string>& values, bool showErrors,
                                             bool showSuccess) {
  return executeRtcimMessage(function, resultName, values, "DDC", showErrors, showSuccess, std::nullopt);
}

void RequestHandler::parseRtcimQueryResults(const std::string& resultName, const std::string& data) {
  logger->info("{}", "Data for Parsing: " + data);
  std::shared_ptr<Transaction> transaction = requireTransaction("RTCIM result " + resultName);
  // A bare "&" is data here; the fragment is read as the characters it holds (UTF-8), none cut down.
  std::string text;
  for (char c : data) text += c == '&' ? std::string("&amp;") : std::string(1, c);

  LibxmlGuard guard;
  std::string cause;
  XmlDocPtr doc = parseXmlText(text, cause);
  if (!doc) throw XmlReplyError("RTCIM data cannot be parsed: " + cause);
  std::optional<XmlNode> result =
      gateway_xml::firstDescendant(XmlNode(reinterpret_cast<xmlNodePtr>(doc.get())), "query_result");
  if (!result) throw XmlReplyError("RTCIM data without a query_result element: " + data);
  QryRow row;
  for (const XmlNode& child : result->elementChildren()) {
    row[child.name()] = gateway_xml::firstChildText(child);
    logger->debug("{}", "Field Name :" + child.name() + "  value =" + row[child.name()]);
  }
  transaction->qryResults[resultName] = std::move(row);
}

}  // namespace tev
