// RequestHandler: the one reading of coded status lines that the business-object, ERP LN, web-service and
// RTCIM paths share, each with its ReplyPolicy; the router-word reports; small helpers of those paths.

#include "common/java_text.h"
#include "config/message_list.h"
#include "engine/sql_parser.h"
#include "engine/sql_statement.h"
#include "gateway/request_handler.h"
#include "gateway/router_reply.h"
#include "terminal/terminal_emulator.h"
#include "terminal/terminal_host.h"

namespace tev {
namespace {

const std::string kErrorTitle = "Error Message";
const std::string kFunctionServerTimeoutMark = "ddc_monitor: Function server";

}  // namespace

void RequestHandler::reportRouterWord(const RouterWordRule& rule, const std::string& company) {
  if (rule.beeps > 0) beep(rule.beeps);
  switch (rule.report) {
    case RouterWordRule::Report::kMessageId:
      showErrorId(rule.text);
      break;
    case RouterWordRule::Report::kCompanyLine:
      showErrorLine("Driver Not Found for company " + company);
      break;
    case RouterWordRule::Report::kWindow:
      showWindow(kErrorTitle, rule.text, "Press Enter to continue");
      break;
  }
}

void RequestHandler::checkRouterWords(const ReplyPolicy& policy, const std::string& reply,
                                      Transaction* transaction, const std::string& company) {
  const RouterWordRule* rule = policy.wholeReply.find(reply);
  if (rule == nullptr) return;
  logger->error("{}", "Received from router: " + reply);
  if (policy.wholeReply.beepsBefore > 0) beep(policy.wholeReply.beepsBefore);
  reportRouterWord(*rule, company);
  if (policy.routerWordSetsStatus && transaction != nullptr)
    transaction->transactionStatus = Transaction::AFTER_PROCESSING_ERROR;
  throw DriverDownException(policy.routerWordFailure);
}

bool RequestHandler::interpretStatusLine(const ReplyPolicy& policy, const std::string& line,
                                         Transaction& transaction, const StatusLineCall& call) {
  const StatusLine status = StatusLine::read(line, policy);  // a number that is none passes its error on

  if (status.kind == StatusLine::Kind::kNoComma) {
    logger->error("{}", "Received from router: " + status.payload);
    const RouterWordTable& words = policy.statusWithoutComma;
    if (words.beepsBefore > 0) beep(words.beepsBefore);
    if (const RouterWordRule* rule = words.find(status.payload)) {
      reportRouterWord(*rule, call.company);
    } else if (words.fallback == RouterWordTable::Fallback::kTextLine) {
      showErrorLine(status.payload);
    } else if (words.fallback == RouterWordTable::Fallback::kBaanWindow) {
      showBaanWindow(line);
    }
    transaction.transactionStatus = Transaction::AFTER_PROCESSING_ERROR;
    throw DriverDownException("DDC Driver is down");
  }
  if (status.kind == StatusLine::Kind::kNoSecondComma) {
    if (!policy.noSecondCommaShowsLine)
      throw IndexOutOfRange("Reply without an error number: " + std::string(line));
    logger->error("{}", "Reply without an error number: " + line);
    showErrorLine(line);
    throw DriverDownException("DDC Driver is down");
  }

  logger->info("{}", "Status flag : " + status.statusText);
  logger->info("{}", "Error flag : " + status.errorNoText);
  logger->debug(" status NO == {}   errorNo =={}", status.status, status.errorNo);

  if (status.errorNo == 0 && status.status == 1) {
    if (policy.driverFailureBeeps) beep(2);
    if (policy.driverFailureSetsStatus) transaction.transactionStatus = Transaction::AFTER_PROCESSING_ERROR;
    if (policy.driverFailureTimeoutWindow &&
        status.payload.find(kFunctionServerTimeoutMark) != std::string::npos)
      showWindow(kErrorTitle, "Function Server Timeout!!!,Please re-try later", "Press Enter To Continue");
    else
      showErrorId("ddc_error");
    throw DriverDownException("DDC Driver is down");
  }
  if (status.status == 0) {
    transaction.transactionStatus = Transaction::AFTER_SUCCESSFUL_COMPLETION;
    if (call.showSuccess) {
      if (!policy.successId.empty())
        showErrorId(policy.successId);
      else
        showErrorLine(policy.successLine);
    }
    return true;
  }
  if (policy.isDataCode(status.errorNo)) {
    transaction.fserverErrorCode = status.errorNoText;
    transaction.fserverMesg = status.message;
    if (policy.dataIsSuccess) {
      if (call.onData) call.onData(status.message);
      transaction.transactionStatus = Transaction::AFTER_SUCCESSFUL_COMPLETION;
      return true;
    }
    transaction.fserverMesgFields = splitKeepEmpty(status.message, router::TILDE);
    logger->info("{}", "FServer message: " + status.message);
    logger->info("FServer message count: {}", transaction.fserverMesgFields.size());
    transaction.transactionStatus = Transaction::AFTER_SUCCESSFUL_COMPLETION;
    throw FunctionServerFailedException(FunctionServerFailedException::DATA);
  }
  if (status.errorNo >= policy.toleranceFrom) {
    transaction.fserverErrorCode = status.errorNoText;
    transaction.fserverMesg = status.message;
    if (policy.toleranceSetsFields)
      transaction.fserverMesgFields = splitKeepEmpty(status.message, router::TILDE);
    throw FunctionServerFailedException(FunctionServerFailedException::TOLERANCE);
  }

  logger->info("{}", "All Error Messages: " + status.payload);
  transaction.fserverErrorCode = status.errorNoText;
  if (policy.errorSetsMesg) transaction.fserverMesg = status.message;
  transaction.fserverMesgFields = router::errorMessages(status.payload);
  transaction.transactionStatus = Transaction::AFTER_PROCESSING_ERROR;
  if (call.showErrors) {
    if (call.errorMessageId) {
      showWindowForId(kErrorTitle, *call.errorMessageId, "continue");
    } else {
      for (const std::string& message : transaction.fserverMesgFields) {
        logger->info("{}", "Showing Error Message: " + message);
        beep(2);
        if (policy.errorWindowTitle.empty())
          showBaanWindow(message);
        else
          showWindow(policy.errorWindowTitle, message, messageText("continue"));
      }
    }
  }
  throw FunctionServerFailedException(FunctionServerFailedException::FAILED);
}

std::string RequestHandler::messageText(const std::string& id) const {
  if (ctx.terminal == nullptr || ctx.terminal->getHost() == nullptr) return "";
  const MessageList* messages = ctx.terminal->getHost()->getMessageList();
  if (messages == nullptr) return "";
  return messages->getMessage(id).value_or("");
}

void RequestHandler::showWindowForId(const std::string& title, const std::string& messageId,
                                     const std::string& footerId) {
  if (ctx.terminal) ctx.terminal->displayErrorMessageWindowForId(title, messageId, footerId);
}

void RequestHandler::selectRow(Transaction& transaction, const std::string& resultName, int row) {
  if (ctx.setQryRowIndex) {
    ctx.setQryRowIndex(transaction, resultName, row);
    return;
  }
  transaction.qryResultsIndices[resultName][Transaction::SEL_ROW] = row;
  if (ctx.updateSqlSharedVariableMaps) ctx.updateSqlSharedVariableMaps(transaction, resultName);
}

std::shared_ptr<Transaction> RequestHandler::requireTransaction(const std::string& what) {
  curTrans = runningTransaction();
  if (!curTrans) throw Error("No running transaction for " + what);
  return curTrans;
}

std::shared_ptr<SQLStatement> RequestHandler::findQueryStatement(Transaction& transaction,
                                                                 const std::string& statementId,
                                                                 bool withCustomList) {
  auto own = transaction.sqlStatements.find(statementId);
  if (own != transaction.sqlStatements.end() && own->second) return own->second;
  if (withCustomList && customSqlParser != nullptr)
    if (std::shared_ptr<SQLStatement> custom = customSqlParser->getSQLStatement(statementId)) return custom;
  return standardSqlParser ? standardSqlParser->getSQLStatement(statementId) : nullptr;
}

void RequestHandler::setStandardSqlParser(std::unique_ptr<SqlParser> parser) {
  standardSqlParser = std::move(parser);
}

void RequestHandler::argumentCountFailure(const std::string& windowMessage) {
  logger->error("{}", windowMessage);
  showWindow(kErrorTitle, windowMessage, "Press Enter to continue");
  throw DriverDownException("Invalid No.of Arguments");
}

}  // namespace tev
