// RequestHandler: web-service ("BTA") requests. Over the router a caller's body goes out as " SQL" company
// "," body and comes back as a coded status line (ReplyPolicy::webService); directly, a statement's SOAP
// request is posted over HTTP and the SOAP response is read element by element.

#include "common/clock.h"
#include "common/java_format.h"
#include "common/java_text.h"
#include "engine/fserver_statement.h"
#include "engine/sql_statement.h"
#include "engine/user_data.h"
#include "engine/vav_interface_data.h"
#include "gateway/bta_request.h"
#include "gateway/gateway_errors.h"
#include "gateway/gateway_xml.h"
#include "gateway/http_post.h"
#include "gateway/request_handler.h"
#include "gateway/request_line.h"
#include "xml/libxml_guard.h"

namespace tev {
namespace {

const std::string kContinue = "Press Enter to continue";

}  // namespace

// --- over the router
// --------------------------------------------------------------------------------------------

bool RequestHandler::processBTATransaction(const std::string& body, bool showErrors, bool showSuccess) {
  logger->info("Show Error Message: {}", showErrors);
  showStatusId("processing");
  std::shared_ptr<Transaction> transaction = requireTransaction("a web-service request");
  const std::string company = lineSafe(nullText(userParameter("company")), "company", logger);
  transaction->fserverErrorCode.clear();
  transaction->fserverMesg.clear();
  const RequestHeader header = requestHeader(transaction.get(), true);
  logger->info("{}", "Current Transaction title\t= " + header.title);
  logger->info("{}", "User Name \t= " + header.userName);
  logger->info("{}", "Device Id \t= " + header.deviceId);
  logger->info("{}", "Environment \t= " + header.environment);

  const std::string line =
      buildRequestLine(header, " SQL" + company + "," + lineSafe(body, "web-service body", logger), logger);
  logger->info("{}", "Sending request\n" + line);
  const std::string reply = exchange(line, ExchangeKind::kFunctionServer);

  StatusLineCall call;
  call.showErrors = showErrors;
  call.showSuccess = showSuccess;
  call.company = company;
  return interpretStatusLine(ReplyPolicy::webService(), reply, *transaction, call);
}

bool RequestHandler::executeBTAQuery(const std::string& body, const std::string& resultName, bool showErrors,
                                     bool showSuccess) {
  try {
    processBTATransaction(body, showErrors, showSuccess);
    return false;  // a plain success carries no data
  } catch (const Error&) {
    std::shared_ptr<Transaction> transaction = runningTransaction();
    if (!transaction || transaction->fserverErrorCode != "98") throw;
  }
  Transaction& transaction = *runningTransaction();
  const std::string text = transaction.fserverMesgFields.empty() ? "" : transaction.fserverMesgFields.front();
  XmlDocPtr doc = parseXml(text);
  xmlNodePtr root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  std::optional<XmlNode> values = root ? gateway_xml::firstDescendant(XmlNode(root), "Values") : std::nullopt;
  if (!values) {
    logger->error("{}", "Web-service query reply without a Values element: " + text);
    return false;
  }
  QryRow row;
  for (const XmlNode& child : values->elementChildren())
    row[child.name()] = gateway_xml::firstChildText(child);
  transaction.qryResults[resultName] = std::move(row);
  logger->info("{}", "Returning: true");
  if (ctx.updateSqlSharedVariableMaps) ctx.updateSqlSharedVariableMaps(transaction, resultName);
  return true;
}

// --- directly over HTTP
// -----------------------------------------------------------------------------------------

bool RequestHandler::execBtaTransaction(const std::string& statementId,
                                        const std::vector<std::string>& values, bool showErrors,
                                        bool showSuccess) {
  return execBtaRequest(statementId, values, showErrors, showSuccess, {});
}

bool RequestHandler::execBtaRequest(const std::string& statementId, const std::vector<std::string>& values,
                                    bool showErrors, bool showSuccess,
                                    const std::vector<std::size_t>& xmlPositions) {
  showStatusId("processing");
  std::shared_ptr<Transaction> transaction = requireTransaction("web-service statement " + statementId);
  FServerStatement* statement = transaction->getFServerStatement(statementId);
  if (statement == nullptr) {
    showWindow("Error Message", "Function Server definition not found", kContinue);
    throw DriverDownException("Invalid Function Server");
  }
  const std::string company = nullText(userParameter("company"));
  transaction->fserverErrorCode.clear();
  transaction->fserverMesg.clear();
  logger->info("{}",
               "fserverId\t= " + statementId + ", request_type = " + nullText(userParameter("request_type")));

  bta::SoapCaller caller;
  const UserData* user = currentUser();
  caller.user = user != nullptr ? nullText(user->getUserName()) : "";
  caller.deviceId = ctx.deviceId;
  caller.datetime = SimpleDateFormat("MMddyy HH:mm").format(Clock::current().now());
  caller.namespaceUrn = setting({"bta", "bta_name_space_urn"}).value_or("");
  const std::string body = bta::soapRequest(*statement, values, caller, xmlPositions);
  logger->info("{}", "Sending BTA Request\n" + body);

  // Missing settings reach the caller as they are.
  if (ctx.interfaceData == nullptr)
    throw InvalidSettingException("bta->bta_web_service_base_url setting not available");
  std::string base = ctx.interfaceData->getSystemParamSetting({"bta", "bta_web_service_base_url"});
  if (std::optional<std::string> own = userParameter("bta_web_service_base_url"); own && !own->empty())
    base = *own;
  const bool withCompany =
      equalsIgnoreCase(ctx.interfaceData->getSystemParamSetting({"bta", "use_company_in_url"}), "yes");
  const std::string address =
      withCompany ? base + company + "/" + statement->fserverName : base + "/" + statement->fserverName;
  logger->info("{}", " webServiceUrlStr URL = " + address);

  std::string status;
  try {
    const std::string response = HttpPost::post(address, "text/xml", body);
    logger->info("{}", "Response Data: " + response);
    responseDataElt = nullptr;
    LibxmlGuard guard;
    std::string cause;
    responseDoc = parseXmlText(response, cause);
    if (!responseDoc) throw XmlReplyError("Web-service response is not well-formed XML: " + cause);
    xmlNodePtr root = xmlDocGetRootElement(responseDoc.get());
    const std::string responseName = "ns2:" + statement->function + "Response";
    std::optional<XmlNode> element =
        root != nullptr ? gateway_xml::firstDescendant(XmlNode(root), responseName) : std::nullopt;
    if (!element) throw XmlReplyError("Web-service response without " + responseName);
    responseDataElt = element->raw();
  } catch (const Error& e) {
    logger->error("{}", "Web-service request failed: " + e.getMessage());
    showWindow("BTA Error", "Communication failure", kContinue);
    throw;
  }

  const XmlNode response(responseDataElt);
  std::optional<XmlNode> callStatus = gateway_xml::firstDescendant(response, "componentCallStatus");
  status = callStatus ? gateway_xml::firstChildText(*callStatus) : "FAILED";
  if (std::optional<XmlNode> code = gateway_xml::firstDescendant(response, "errorCode"))
    transaction->fserverErrorCode = gateway_xml::firstChildText(*code);
  if (std::optional<XmlNode> message = gateway_xml::firstDescendant(response, "errorMessage"))
    transaction->fserverMesg = gateway_xml::firstChildText(*message);

  if (equalsIgnoreCase(status, "FAILED")) {
    if (showErrors)
      for (const XmlNode& message : gateway_xml::descendants(response, "errorMessage"))
        showBaanWindow(gateway_xml::firstChildText(message));
    transaction->transactionStatus = Transaction::AFTER_PROCESSING_ERROR;
    logger->info("{}", "After Processing Error: returning false");
    return false;
  }
  if (equalsIgnoreCase(status, "SUCCESSFUL")) {
    if (showSuccess) showErrorId("successful");
    transaction->transactionStatus = Transaction::AFTER_SUCCESSFUL_COMPLETION;
    logger->info("{}", "After Successful Completion: returning true");
    return true;
  }
  logger->info("{}", "Returning true");
  return true;
}

bool RequestHandler::execBtaQuery(const std::string& statementId, const std::string& resultName,
                                  const std::string& queryId, const std::vector<std::string>& values,
                                  bool showErrors) {
  logger->info("{}", "Inside execBtaQuery");
  std::shared_ptr<Transaction> transaction = requireTransaction("web-service query " + queryId);
  std::shared_ptr<SQLStatement> query = findQueryStatement(*transaction, queryId, false);
  if (!query) {
    logger->warn("{}", "SQL Statement not defined: " + queryId);
    return false;
  }
  try {
    const std::string input = bta::queryInputList(*query, values);
    logger->info("{}", "qryInputValueStr constructed = " + input);
    transaction->qryResults[resultName] = QryRow{};
    execBtaRequest(statementId, {query->queryNo, input}, showErrors, false, {1});

    const std::vector<XmlNode> rows = responseDataElt != nullptr
                                          ? gateway_xml::descendants(XmlNode(responseDataElt), "rowList")
                                          : std::vector<XmlNode>{};
    if (rows.empty()) {
      logger->info("{}", "Empty rowList");
      return false;
    }
    logger->info("{}", "Query Type: " + query->rowType);
    if (equalsIgnoreCase(query->rowType, SQLStatement::SINGLE_ROW)) {
      QryRow row;
      populateHashTable(rows.front(), row);
      transaction->qryResults[resultName] = std::move(row);
    } else {
      std::vector<QryRow> list;
      for (std::size_t i = 0; i < rows.size(); ++i) {
        logger->debug("ROW No: {}", i);
        QryRow row;
        populateHashTable(rows[i], row);
        list.push_back(std::move(row));
      }
      transaction->qryResults[resultName] = std::move(list);
      selectRow(*transaction, resultName, 0);
    }
    return true;
  } catch (const Error& e) {
    showWindow("BTA Error", "Unable to execute query", kContinue);
    logger->error("{}", "RequestHandler.execBtaQuery: " + e.getMessage());
    return false;
  }
}

XmlDocPtr RequestHandler::parseXml(const std::string& text) {
  LibxmlGuard guard;
  std::string cause;
  XmlDocPtr doc = parseXmlText(text, cause);
  if (!doc) logger->error("{}", "Text is not well-formed XML: " + cause);
  return doc;
}

void RequestHandler::populateHashTable(const XmlNode& element, QryRow& table) {
  for (const XmlNode& entry : gateway_xml::descendants(element, "fieldValueList")) {
    std::string name;
    std::string value;
    for (const XmlNode& child : entry.elementChildren()) {
      if (child.name() == "name" && name.empty()) name = child.textContent();
      if (child.name() == "value" && value.empty()) value = child.textContent();
    }
    table[name] = value;
    logger->debug("{}", "Qry Data: " + name + ":" + value);
  }
}

}  // namespace tev
