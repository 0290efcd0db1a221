// RequestHandler: function-server calls with their coded replies, and the router's log-in request.

#include "common/java_number.h"
#include "common/java_text.h"
#include "engine/fserver_statement.h"
#include "engine/param_manager.h"
#include "engine/user_data.h"
#include "gateway/request_handler.h"
#include "gateway/request_line.h"

namespace tev {
namespace {

const std::string kErrorTitle = "Error Message";
const std::string kTimeoutMessage = "Did Not Receive Response Before Timer Expired";
const std::string kFunctionServerTimeoutMark = "ddc_monitor: Function server";

}  // namespace

bool RequestHandler::callFunctionServer(const std::string& statementId,
                                        const std::vector<std::string>& values, bool showErrors) {
  return callFunctionServer(statementId, values, showErrors, true);
}

bool RequestHandler::callFunctionServer(const std::string& statementId,
                                        const std::vector<std::string>& values, bool showErrors,
                                        bool showSuccess) {
  std::optional<std::string> requestType = userParameter("request_type");
  if (requestType && equalsIgnoreCase(*requestType, "OW"))
    return processOpenWorldTransaction(statementId, values, showErrors, showSuccess);

  showStatusId("processing");
  curTrans = runningTransaction();
  if (!curTrans) throw Error("No running transaction for function server statement " + statementId);
  Transaction& transaction = *curTrans;
  FServerStatement* statement = transaction.getFServerStatement(statementId);
  const std::string company = lineSafe(nullText(userParameter("company")), "company", logger);
  transaction.fserverErrorCode.clear();
  transaction.fserverMesg.clear();

  if (statement == nullptr) {
    showWindow(kErrorTitle, "Function Server definition not found", "Press Enter to continue");
    throw DriverDownException("Invalid Function Server");
  }

  const RequestHeader header = requestHeader(&transaction, true);
  logger->info("{}", "Transaction Title: " + header.title);
  logger->info("{}", "User Name: " + header.userName);
  logger->info("{}", "Device Id: " + header.deviceId);
  logger->info("{}", "Environment: " + header.environment);

  std::string functionString;
  try {
    BackendUserPrefix prefix;
    if (ctx.paramManager != nullptr)
      prefix = [this] { return ctx.paramManager->getParamValue({"backend_user_prefix"}); };
    functionString = statement->getFunctionString(values, setting({"skerrymantle", "customer_code"}), prefix);
  } catch (const FunctionStringError& e) {
    logger->error("{}", "Function string of " + statementId + " cannot be built: " + e.getMessage());
    showWindow(kErrorTitle, e.windowMessage(), e.windowFooter());
    throw DriverDownException(e.getMessage());
  }
  functionString = lineSafe(functionString, "function string", logger);
  logger->info("{}", "Function String: " + functionString);

  const std::string line = buildRequestLine(header, " DDC" + company + "," + functionString, logger);
  logger->info("{}", "Sending request\n" + line);
  const std::string reply = exchange(line, ExchangeKind::kFunctionServer);
  return interpretCodedReply(reply, transaction, company, showErrors, showSuccess);
}

bool RequestHandler::interpretCodedReply(const std::string& reply, Transaction& transaction,
                                         const std::string& company, bool showErrors, bool showSuccess) {
  router::CodedReply coded = router::parseCodedReply(reply);
  if (coded.kind != router::CodedReply::Kind::kCoded) {
    if (coded.kind == router::CodedReply::Kind::kMalformed)
      logger->error("{}", "Malformed function server reply: " + reply);
    functionServerCondition(coded, transaction, company);
  }
  logger->info("{}", "Status flag : " + coded.statusText);
  logger->info("{}", "Error flag : " + coded.errorNoText);

  if (coded.errorNo == 0 && coded.status == 1) {
    transaction.transactionStatus = Transaction::AFTER_PROCESSING_ERROR;
    beep(2);
    if (coded.payload.find(kFunctionServerTimeoutMark) != std::string::npos)
      showWindow(kErrorTitle, "Function Server Timeout!!!,Please re-try later", "Press Enter To Continue");
    else
      showErrorId("ddc_error");
    throw DriverDownException("DDC Driver is down");
  }
  if (coded.status == 0) {
    transaction.transactionStatus = Transaction::AFTER_SUCCESSFUL_COMPLETION;
    if (showSuccess) showErrorId("successful");
    return true;
  }
  transaction.fserverErrorCode = coded.errorNoText;
  transaction.fserverMesg = coded.message;
  if (coded.errorNo == 98 || coded.errorNo == 99) {
    transaction.fserverMesgFields = splitKeepEmpty(coded.message, router::TILDE);
    transaction.transactionStatus = Transaction::AFTER_SUCCESSFUL_COMPLETION;
    throw FunctionServerFailedException(FunctionServerFailedException::DATA);
  }
  if (coded.errorNo > 900) throw FunctionServerFailedException(FunctionServerFailedException::TOLERANCE);

  transaction.fserverMesgFields = router::errorMessages(coded.payload);
  transaction.transactionStatus = Transaction::AFTER_PROCESSING_ERROR;
  if (showErrors) {
    for (const std::string& message : transaction.fserverMesgFields) {
      beep(2);
      showBaanWindow(message);
    }
  }
  throw FunctionServerFailedException(FunctionServerFailedException::FAILED);
}

void RequestHandler::functionServerCondition(const router::CodedReply& reply, Transaction& transaction,
                                             const std::string& company) {
  beep(2);
  switch (router::classifyCondition(reply.payload)) {
    case router::Condition::kDown:
      showErrorId("ddc_down");
      break;
    case router::Condition::kBusy:
      showErrorId("ddc_busy");
      break;
    case router::Condition::kNotFound:
      showErrorLine("Driver Not Found for company " + company);
      break;
    case router::Condition::kTimeout:
      showWindow(kErrorTitle, kTimeoutMessage, "Press Enter to continue");
      break;
    case router::Condition::kInvalid:
    case router::Condition::kOther:
      showErrorLine(reply.payload);
      break;
  }
  transaction.transactionStatus = Transaction::AFTER_PROCESSING_ERROR;
  throw DriverDownException("DDC Driver is down");
}

bool RequestHandler::callAuthenticationService(const std::string& text1, const std::string& text2,
                                               const std::string& text3, const std::string& text4,
                                               const std::string& text5) {
  showStatusId("processing");
  curTrans = runningTransaction();
  Transaction* transaction = curTrans.get();

  std::string body = "LOGINP ";
  std::size_t index = 0;
  for (const std::string* text : {&text1, &text2, &text3, &text4, &text5}) {
    if (index++ > 0) body += router::FS;
    body += lineSafe(*text, "log-in text", logger, true);
  }
  const RequestHeader header = requestHeader(transaction, false);
  const std::string line = buildRequestLine(header, body, logger);
  // The log-in texts may hold a password: the log shows the header only.
  logger->info("{}", "Sending request\n" + buildRequestLine(header, "LOGINP ****", logger));

  const std::string reply = exchange(line, ExchangeKind::kLogin);

  if (std::optional<router::Condition> condition = router::findConditionInLine(reply)) {
    switch (*condition) {
      case router::Condition::kDown:
        showErrorId("authentication_down");
        throw DriverDownException("Authentication service is down");
      case router::Condition::kBusy:
        showErrorId("authentication_busy");
        throw DriverDownException("Authentication Service is busy");
      case router::Condition::kNotFound:
        showErrorLine("Authentication Service Not Found");
        throw DriverDownException("Authentication service is notfound");
      case router::Condition::kInvalid:
        showErrorLine("Authentication Service Not Found");
        throw DriverDownException("Authentication service not found");
      case router::Condition::kTimeout:
      case router::Condition::kOther:
        showWindow(kErrorTitle, kTimeoutMessage, "Press Enter to continue");
        if (transaction != nullptr) transaction->transactionStatus = Transaction::AFTER_PROCESSING_ERROR;
        throw DriverDownException("DDC Driver is down");
    }
  }

  router::LoginReply login = router::parseLoginReply(reply);
  if (!login.hasSeparator) {
    logger->error("{}", "Router message: " + login.payload);
    throw DriverDownException("Authentication service is down");
  }
  if (transaction != nullptr) {
    transaction->fserverErrorCode = login.code;
    transaction->fserverMesg = login.message;
  }
  bool accepted = false;
  try {
    accepted = parseInt(login.statusText) == 0;
  } catch (const NumberFormatError&) {
    logger->error("{}", "Log-in reply with a status that is no number: " + login.statusText);
  }
  if (accepted) return true;
  throw NtLogonFailedException(login.message);
}

}  // namespace tev
