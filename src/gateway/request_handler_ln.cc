// RequestHandler: ERP LN requests. A statement's records (one, several, or one with the records of a line
// statement nested in it) travel as a SOAP request with the kind "SOA"; the SOAP reply is a fault (shown in
// "HOST MESSAGE" windows) or carries a coded status line in its outData (ReplyPolicy::erpLn). A "97" reply
// names an XML result document, which parse97Message turns into query rows.

#include "common/java_text.h"
#include "engine/fserver_statement.h"
#include "engine/param_manager.h"
#include "gateway/bde_reply_parser.h"
#include "gateway/bde_request.h"
#include "gateway/request_handler.h"
#include "gateway/request_line.h"

namespace tev {
namespace {

const std::string kErrorTitle = "Error Message";

}  // namespace

// --- forms that name a statement
// ------------------------------------------------------------------------------

bool RequestHandler::processErplnTransaction(const std::string& fserverId, const Rows& rows, bool showErrors,
                                             bool showSuccess) {
  return processErplnTransaction(fserverId, rows, showErrors, showSuccess,
                                 nullText(userParameter("company")));
}

bool RequestHandler::processErplnTransaction(const std::string& fserverId,
                                             const std::vector<std::string>& values,
                                             const std::string& lineFserverId, const Rows& lineRows,
                                             bool showErrors, bool showSuccess) {
  return processErplnTransaction(fserverId, values, lineFserverId, lineRows, showErrors, showSuccess,
                                 nullText(userParameter("company")));
}

bool RequestHandler::processErplnTransaction(const std::string& fserverId,
                                             const std::vector<std::string>& values, bool showErrors) {
  return processErplnTransaction(fserverId, values, "", Rows{}, showErrors, true);
}

bool RequestHandler::processErplnTransaction(const std::string& fserverId,
                                             const std::vector<std::string>& values, bool showErrors,
                                             const std::string& company) {
  return processErplnTransaction(fserverId, values, "", Rows{}, showErrors, true, company);
}

bool RequestHandler::processErplnTransaction(const std::string& fserverId,
                                             const std::vector<std::string>& values, bool showErrors,
                                             bool showSuccess) {
  return processErplnTransaction(fserverId, values, "", Rows{}, showErrors, showSuccess);
}

bool RequestHandler::processErplnTransaction(const std::string& fserverId,
                                             const std::vector<std::string>& values, bool showErrors,
                                             bool showSuccess, const std::string& company) {
  return processErplnTransaction(fserverId, values, "", Rows{}, showErrors, showSuccess, company);
}

bool RequestHandler::processErplnTransaction(const std::string& fserverId, const Rows& rows, bool showErrors,
                                             bool showSuccess, const std::string& company) {
  std::shared_ptr<Transaction> transaction = requireTransaction("ERP LN statement " + fserverId);
  FServerStatement* statement = transaction->getFServerStatement(fserverId);
  if (statement == nullptr) {
    showWindow(kErrorTitle, "BDE definition not found " + fserverId, "Press Enter to continue");
    throw DriverDownException("Invalid BDE");
  }
  BackendUserPrefix prefix;
  if (ctx.paramManager != nullptr)
    prefix = [this] { return ctx.paramManager->getParamValue({"backend_user_prefix"}); };
  std::string data;
  try {
    data = bde::dataElements(*statement, rows, prefix);
  } catch (const FunctionStringError& e) {
    argumentCountFailure(e.windowMessage());
  }
  const std::string body = "SOA" + company + " " +
                           bde::envelope(*statement, setting({"boi", "xml_encoding"}),
                                         setting({"skerrymantle", "customer_code"}), data);
  return processErplnTransaction(buildRequestLine(requestHeader(transaction.get(), true),
                                                  lineSafe(body, "ERP LN request", logger), logger),
                                 showErrors, showSuccess, company);
}

bool RequestHandler::processErplnTransaction(const std::string& fserverId,
                                             const std::vector<std::string>& values,
                                             const std::string& lineFserverId, const Rows& lineRows,
                                             bool showErrors, bool showSuccess, const std::string& company) {
  std::shared_ptr<Transaction> transaction = requireTransaction("ERP LN statement " + fserverId);
  FServerStatement* statement = transaction->getFServerStatement(fserverId);
  if (statement == nullptr) {
    showWindow(kErrorTitle, "BDE definition not found " + fserverId, "Press Enter to continue");
    throw DriverDownException("Invalid BDE");
  }
  // A line statement that is named but not defined gives a request without lines.
  const FServerStatement* lineStatement =
      lineFserverId.empty() ? nullptr : transaction->getFServerStatement(lineFserverId);
  BackendUserPrefix prefix;
  if (ctx.paramManager != nullptr)
    prefix = [this] { return ctx.paramManager->getParamValue({"backend_user_prefix"}); };
  std::string data;
  try {
    data = bde::record(*statement, values, lineStatement, lineStatement != nullptr ? &lineRows : nullptr,
                       prefix);
  } catch (const FunctionStringError& e) {
    argumentCountFailure(e.windowMessage());
  }
  const std::string body = "SOA" + company + " " +
                           bde::envelope(*statement, setting({"boi", "xml_encoding"}),
                                         setting({"skerrymantle", "customer_code"}), data);
  return processErplnTransaction(buildRequestLine(requestHeader(transaction.get(), true),
                                                  lineSafe(body, "ERP LN request", logger), logger),
                                 showErrors, showSuccess, company);
}

// --- forms that take the line
// ---------------------------------------------------------------------------------

bool RequestHandler::processErplnTransaction(const std::string& body, bool showErrors, bool showSuccess) {
  return processErplnTransaction(body, showErrors, showSuccess, nullText(userParameter("company")));
}

bool RequestHandler::processErplnTransaction(const std::string& body, bool showErrors, bool showSuccess,
                                             const std::string& company) {
  showStatusId("processing");
  std::shared_ptr<Transaction> transaction = requireTransaction("an ERP LN request");
  const std::string footer = messageText("continue");
  transaction->fserverErrorCode.clear();
  transaction->fserverMesg.clear();
  logger->info("{}", "Sending request\n" + body);
  const std::string reply = exchange(body, ExchangeKind::kQuery);

  const ReplyPolicy& policy = ReplyPolicy::erpLn();
  checkRouterWords(policy, reply, transaction.get(), company);
  transaction->fserverErrorCode.clear();

  BDEReplyParser parser;
  parser.parseReply(reply.starts_with("<") ? reply : std::string(router::payloadOf(reply)));
  if (parser.isErrorPresent()) {
    const BoiError& fault = *parser.getError();
    const std::string& text = fault.errorDesc;
    transaction->fserverErrorCode = "-1";
    if (const RouterWordRule* rule = ReplyPolicy::erpLnFault().find(text)) {
      logger->error("{}", "Received from router: " + text);
      reportRouterWord(*rule, company);
      transaction->transactionStatus = Transaction::AFTER_PROCESSING_ERROR;
      throw DriverDownException("DDC Driver is down");
    }
    if (showErrors) {
      for (const std::string& message : fault.errorCodeVector) {
        beep(2);
        showWindow("HOST MESSAGE", message, footer);
      }
    }
    transaction->fserverMesg = text;
    transaction->transactionStatus = Transaction::AFTER_PROCESSING_ERROR;
    throw FunctionServerFailedException(FunctionServerFailedException::FAILED);
  }

  StatusLineCall call;
  call.showErrors = showErrors;
  call.showSuccess = showSuccess;
  call.company = company;
  return interpretStatusLine(policy, "OW " + parser.getResponse()->resultDesc, *transaction, call);
}

// --- XML result documents
// -------------------------------------------------------------------------------------

void RequestHandler::parse97Message(const std::string& queryId, const std::string& fileName) {
  std::shared_ptr<Transaction> transaction = requireTransaction("result document " + fileName);
  showStatusId("processing");
  std::string path = fileName;
  try {
    path = downloadFile(fileName, "");
    logger->info("{}", "Reading the file: " + path);
    std::vector<QryRow> rows = BDEReplyParser().parse97Reply(path);
    transaction->qryResults[queryId] = std::move(rows);
  } catch (const Error& e) {
    showWindow(kErrorTitle, "Unable To Read SQL File :" + path + " Please contact IT",
               "Press Enter To Continue");
    logger->error("{}", "Exception occured while reading the file: " + e.getMessage());
    throw;
  }
}

}  // namespace tev
