// RequestHandler: business-object requests. With the user parameter request_type "OW" every function-server
// call goes this way: the statement's argument values, joined, travel in an XML request addressed to the
// business object of the settings (section boi), and the reply (comma text or an XML error document) ends
// in a coded status line read by ReplyPolicy::openWorld.

#include "common/java_text.h"
#include "engine/fserver_statement.h"
#include "engine/param_manager.h"
#include "engine/vav_interface_data.h"
#include "gateway/boi_error_parser.h"
#include "gateway/gateway_xml.h"
#include "gateway/request_handler.h"
#include "gateway/request_line.h"

namespace tev {

bool RequestHandler::processOpenWorldTransaction(const std::string& statementId,
                                                 const std::vector<std::string>& values, bool showErrors,
                                                 bool showSuccess) {
  showStatusId("processing");
  std::shared_ptr<Transaction> transaction = requireTransaction("business-object statement " + statementId);
  FServerStatement* statement = transaction->getFServerStatement(statementId);
  transaction->fserverErrorCode.clear();
  transaction->fserverMesg.clear();
  if (statement == nullptr) {
    showWindow("Error Message", "Function Server definition not found", "Press Enter to continue");
    throw DriverDownException("Invalid Function Server");
  }
  return processOpenWorldRequest(getBoiString(*statement, values), showErrors, showSuccess);
}

bool RequestHandler::processOpenWorldTransaction(const std::string& statementId,
                                                 const std::vector<std::string>& values, bool showErrors) {
  return processOpenWorldTransaction(statementId, values, showErrors, true);
}

bool RequestHandler::processOpenWorldTransaction(const std::string& body, bool showErrors, bool showSuccess) {
  showStatusId("processing");
  std::shared_ptr<Transaction> transaction = requireTransaction("a business-object request");
  transaction->fserverErrorCode.clear();
  transaction->fserverMesg.clear();
  const std::string line = buildRequestLine(requestHeader(transaction.get(), true),
                                            lineSafe(body, "business-object body", logger), logger);
  return processOpenWorldRequest(line, showErrors, showSuccess);
}

bool RequestHandler::processOpenWorldTransaction(const std::string& body, bool showErrors) {
  return processOpenWorldTransaction(body, showErrors, true);
}

bool RequestHandler::processOpenWorldRequest(const std::string& line, bool showErrors) {
  return processOpenWorldRequest(line, showErrors, true);
}

bool RequestHandler::processOpenWorldRequest(const std::string& line, bool showErrors, bool showSuccess) {
  std::shared_ptr<Transaction> transaction = requireTransaction("a business-object request");
  const std::string company = lineSafe(nullText(userParameter("company")), "company", logger);
  logger->info("{}", "Sending request\n" + line);
  const std::string reply = exchange(line, ExchangeKind::kQuery);

  const ReplyPolicy& policy = ReplyPolicy::openWorld();
  checkRouterWords(policy, reply, transaction.get(), company);
  transaction->fserverErrorCode.clear();

  std::string statusText;
  const std::string outputType =
      ctx.interfaceData != nullptr ? ctx.interfaceData->skerrymantleOutputType : "";
  if (outputType == "comma") {
    const std::size_t c1 = reply.find(',');
    const std::size_t c2 = c1 == std::string::npos ? c1 : reply.find(',', c1 + 1);
    statusText = c2 == std::string::npos ? reply : reply.substr(c2 + 1);
  } else {
    // The document follows the router's word before the first blank, unless the line starts with it.
    const std::string document = reply.starts_with("<") ? reply : std::string(router::payloadOf(reply));
    std::optional<BoiError> error = BoiErrorParser().getErrorInformation(document);
    if (!error) logger->error("{}", "Business-object reply without an error document: " + reply);
    statusText = error ? error->errorDesc : "";
  }

  StatusLineCall call;
  call.showErrors = showErrors;
  call.showSuccess = showSuccess;
  call.company = company;
  return interpretStatusLine(policy, "OW " + statusText, *transaction, call);
}

std::string RequestHandler::getBoiString(const FServerStatement& statement,
                                         const std::vector<std::string>& values) {
  if (values.size() != statement.functionArguments.size()) {
    argumentCountFailure(
        "Invalid no.of arguments passed to build Driver request - XML File FServer Fields Count:" +
        std::to_string(statement.functionArguments.size()) +
        " Input Values Count:" + std::to_string(values.size()));
  }
  static const VAVInterfaceData kNoSettings;
  const VAVInterfaceData& boi = ctx.interfaceData != nullptr ? *ctx.interfaceData : kNoSettings;

  BackendUserPrefix prefix;
  if (ctx.paramManager != nullptr)
    prefix = [this] { return ctx.paramManager->getParamValue({"backend_user_prefix"}); };
  std::string joined;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) joined += boi.fieldSeperator;
    std::string value = gateway_xml::escape(statement.getArgumentValue(i, values, prefix));
    for (char& c : value)
      if (c == ',') c = '|';
    joined += value;
  }

  const std::optional<std::string> encoding = setting({"boi", "xml_encoding"});
  const std::optional<std::string> customerCode = setting({"skerrymantle", "customer_code"});
  const std::string company = nullText(userParameter("company"));
  const std::string& name = boi.driverBoiName;
  const std::string& fs = boi.fsRecordset;
  const std::string& out = boi.outputRecordset;

  std::string xml = encoding ? "<?xml version=\"1.0\" encoding=\"" + *encoding + "\"?><Request>"
                             : std::string("<?xml version=\"1.0\"?><Request>");
  xml += "<ObjectName>" + name + "</ObjectName>";
  xml += "<ComponentName>cn=OW" + company + ",o=" + boi.organizationalEntity + "</ComponentName>";
  xml += "<MethodName>" + boi.driverBoiFunt + "</MethodName>";
  xml += "<Parameters>";
  xml += "<RecordSet" + name + "><" + name + "><" + boi.driverBoiTagname + ">";
  xml += joined;
  xml += "</" + boi.driverBoiTagname + "></" + name + "></RecordSet" + name + ">";
  xml += "<RecordSet" + fs + "><" + fs + ">";
  xml += "<" + boi.fsNameTag + ">" + statement.fserverName + "</" + boi.fsNameTag + ">";
  xml += "<" + boi.fsFuntTag + ">" + statement.function + "</" + boi.fsFuntTag + ">";
  const std::string prefixValue = customerCode && !trim(*customerCode).empty() ? *customerCode : "1";
  xml += "<" + boi.fsPrefixTag + ">" + prefixValue + "</" + boi.fsPrefixTag + ">";
  xml += "</" + fs + "></RecordSet" + fs + ">";
  xml += "<RecordSet" + out + "><" + out + "/></RecordSet" + out + ">";
  xml += "</Parameters></Request>";

  std::shared_ptr<Transaction> transaction = runningTransaction();
  return buildRequestLine(requestHeader(transaction.get(), true),
                          lineSafe(xml, "business-object request", logger), logger);
}

}  // namespace tev
