// RequestHandler: Syteline requests. Queries and updates travel as XML documents in the body of a query
// request line ("SQL" company ...); the reply line carries an XML document: a collection of rows
// (LoadCollection) or a result (error, errorCode, output rows, substitutors for the error's placeholders).

#include "common/clock.h"
#include "common/java_format.h"
#include "common/java_text.h"
#include "engine/fserver_statement.h"
#include "engine/param_manager.h"
#include "engine/sql_parser.h"
#include "engine/sql_statement.h"
#include "engine/user_data.h"
#include "gateway/gateway_xml.h"
#include "gateway/request_handler.h"
#include "gateway/request_line.h"
#include "gateway/syteline_request.h"
#include "xml/libxml_guard.h"

namespace tev {
namespace {

const std::string kErrorTitle = "Error Message";

// "SQL" company "," company without its last character FS row kind FS FS " " document.
std::string sytelineBody(const std::string& company, bool singleRow, const std::string& document) {
  const int length = charLength(company);
  std::string body = "SQL" + company + "," + (length > 0 ? charSubstr(company, 0, length - 1) : "");
  body += router::FS;
  body += singleRow ? "N" : "F";
  body += router::FS;
  body += router::FS;
  return body + " " + document;
}

}  // namespace

namespace {

// Every occurrence of the placeholder replaced, left to right.
std::string replaceAll(std::string text, const std::string& placeholder, const std::string& value) {
  for (std::size_t at = text.find(placeholder); at != std::string::npos;
       at = text.find(placeholder, at + value.size())) {
    text.replace(at, placeholder.size(), value);
  }
  return text;
}

// Parses the reply's document: the text after its first blank (the whole line without one), trimmed.
XmlDocPtr parseSytelineReply(const std::string& reply) {
  LibxmlGuard guard;
  std::string cause;
  XmlDocPtr doc = parseXmlText(trim(router::payloadOf(reply)), cause);
  if (!doc) throw XmlReplyError("Syteline reply is not well-formed XML: " + cause);
  return doc;
}

syteline::Caller makeCaller(const UserData* user, const std::string& deviceId,
                            std::optional<std::string> userInitial) {
  syteline::Caller caller;
  caller.user = user != nullptr ? nullText(user->getUserName()) : "";
  caller.deviceId = deviceId;
  caller.datetime = SimpleDateFormat("yyyy-MM-dd HH:mm:ss").format(Clock::current().now());
  caller.userInitial = std::move(userInitial);
  return caller;
}

}  // namespace

bool RequestHandler::execSytelineQuery(const std::string& queryId, const std::vector<std::string>& values,
                                       bool showErrors) {
  logger->info("{}", "Inside execSytelineQuery");
  std::shared_ptr<Transaction> transaction = requireTransaction("Syteline query " + queryId);
  const std::string company = lineSafe(nullText(userParameter("company")), "company", logger);
  transaction->fserverMesgFields.clear();
  transaction->fserverErrorCode.clear();
  transaction->fserverMesg.clear();
  showStatusId("processing");

  if (!standardSqlParser) {
    showWindow(kErrorTitle, "standardSqlParser is null, initialization failed", "Press Enter To Continue");
    return false;
  }
  std::shared_ptr<SQLStatement> statement = findQueryStatement(*transaction, queryId, true);
  if (!statement) {
    showWindow(kErrorTitle, "Trying to execute invalid SQL " + queryId, "Press Enter To Continue");
    return false;
  }

  std::string document =
      syteline::queryDocument(*statement, values, makeCaller(currentUser(), ctx.deviceId, {}));
  logger->info("{}", "Returning XML String: " + document);
  // Line ends are removed from a query line; a separator inside a value becomes a blank.
  std::erase(document, '\r');
  std::erase(document, '\n');
  const std::string line =
      buildRequestLine(requestHeader(transaction.get(), true),
                       sytelineBody(company, statement->rowType == SQLStatement::SINGLE_ROW,
                                    lineSafe(document, "query", logger)),
                       logger);
  logger->info("{}", "sqlRequest constructed = " + line);
  transaction->qryResults[queryId] = QryRow{};

  const std::string reply = exchange(line, ExchangeKind::kQuery);
  logger->info("{}", "Reply Received : " + reply);
  checkRouterWords(ReplyPolicy::syteline(), reply, transaction.get(), company);
  XmlDocPtr doc = parseSytelineReply(reply);
  xmlNodePtr rootPtr = xmlDocGetRootElement(doc.get());
  if (rootPtr == nullptr) return true;
  const XmlNode root(rootPtr);

  if (root.name() == "LoadCollection") {
    std::vector<std::string> columns;
    for (const XmlNode& child : root.elementChildren())
      if (child.name() == "PropertyList")
        for (const XmlNode& column : child.elementChildren()) columns.push_back(column.name());
    std::vector<QryRow> rows;
    for (const XmlNode& child : root.elementChildren()) {
      if (child.name() != "Items") continue;
      for (const XmlNode& item : child.elementChildren()) {
        if (item.name() != "Item") continue;
        QryRow row;
        const std::vector<XmlNode> cells = item.elementChildren();
        for (std::size_t k = 0; k < cells.size() && k < columns.size(); ++k)
          row[columns[k]] = gateway_xml::firstChildText(cells[k]);
        rows.push_back(std::move(row));
      }
    }
    const bool any = !rows.empty();
    transaction->qryResults[queryId] = std::move(rows);
    if (any) selectRow(*transaction, queryId, 0);
    return true;
  }

  bool failed = false;
  for (const XmlNode& child : root.elementChildren()) {
    const std::string name = child.name();
    if (name == "error") {
      transaction->fserverMesg = gateway_xml::firstChildText(child);
      failed = true;
    } else if (name == "errorCode") {
      transaction->fserverErrorCode = gateway_xml::firstChildText(child);
    } else if (name == "output") {
      logger->info("{}", "statement.rowType = " + statement->rowType);
      const std::vector<XmlNode> items = child.elementChildren();
      if (equalsIgnoreCase(statement->rowType, SQLStatement::SINGLE_ROW)) {
        QryRow row;
        if (!items.empty()) populateSytelineHashTable(row, items.front());
        transaction->qryResults[queryId] = std::move(row);
      } else {
        std::vector<QryRow> rows;
        for (std::size_t i = 0; i < items.size(); ++i) {
          logger->debug("ROW No: {}", i);
          QryRow row;
          populateSytelineHashTable(row, items[i]);
          rows.push_back(std::move(row));
        }
        const bool any = !rows.empty();
        transaction->qryResults[queryId] = std::move(rows);
        if (any) selectRow(*transaction, queryId, 0);
      }
    }
  }
  logger->info("  errorPresent = {} bShowErrorMessage = {}", failed, showErrors);
  if (failed && showErrors) {
    showWindow(kErrorTitle, transaction->fserverMesg, "Press Enter to continue");
    throw DriverDownException("Error Message");
  }
  return !failed;
}

bool RequestHandler::execSytelineUpdate(const std::string& statementId,
                                        const std::vector<std::string>& values, const std::string& resultName,
                                        bool showErrors, bool showSuccess) {
  return execSytelineUpdate(statementId, values, std::nullopt, std::nullopt, resultName, showErrors,
                            showSuccess);
}

bool RequestHandler::execSytelineUpdate(const std::string& statementId,
                                        const std::vector<std::string>& values,
                                        const std::optional<std::string>& lineStatementId,
                                        const std::optional<Rows>& lineRows, const std::string& resultName,
                                        bool showErrors, bool showSuccess) {
  logger->info("{}", "Inside execSytelineQuery");
  std::shared_ptr<Transaction> transaction = requireTransaction("Syteline update " + statementId);
  const std::string company = lineSafe(nullText(userParameter("company")), "company", logger);
  FServerStatement* statement = transaction->getFServerStatement(statementId);
  transaction->fserverErrorCode.clear();
  transaction->fserverMesg.clear();
  if (statement == nullptr) {
    showWindow(kErrorTitle, "Function Server definition not found", "Press Enter to continue");
    throw DriverDownException("Invalid Function Server");
  }
  const FServerStatement* lineStatement =
      lineStatementId ? transaction->getFServerStatement(*lineStatementId) : nullptr;

  BackendUserPrefix prefix;
  if (ctx.paramManager != nullptr)
    prefix = [this] { return ctx.paramManager->getParamValue({"backend_user_prefix"}); };
  std::string document;
  try {
    document = syteline::updateDocument(
        *statement, values, lineStatement, lineRows,
        makeCaller(currentUser(), ctx.deviceId, userParameter("user_initial")), prefix);
  } catch (const FunctionStringError& e) {
    argumentCountFailure(e.windowMessage());
  }
  logger->info("{}", "Returning XML String: " + document);
  const std::string line =
      buildRequestLine(requestHeader(transaction.get(), true),
                       sytelineBody(company, true, lineSafe(document, "update", logger)), logger);
  logger->info("{}", "sqlRequest constructed = " + line);
  transaction->qryResults[statementId] = QryRow{};
  showStatusId("processing");

  const std::string reply = exchange(line, ExchangeKind::kQuery);
  logger->info("{}", "Reply Received : " + reply);
  checkRouterWords(ReplyPolicy::syteline(), reply, transaction.get(), company);
  XmlDocPtr doc = parseSytelineReply(reply);
  xmlNodePtr rootPtr = xmlDocGetRootElement(doc.get());
  if (rootPtr == nullptr) {
    showWindow(kErrorTitle, "Invalid Reply received", "Press Enter to continue");
    throw DriverDownException("Error Message");
  }
  const XmlNode root(rootPtr);
  for (const XmlNode& child : root.elementChildren()) {
    if (child.name() == "output") {
      std::vector<QryRow> rows;
      const std::vector<XmlNode> items = child.elementChildren();
      for (std::size_t i = 0; i < items.size(); ++i) {
        logger->debug("ROW No: {}", i);
        QryRow row;
        populateSytelineHashTable(row, items[i]);
        rows.push_back(std::move(row));
      }
      const bool any = !rows.empty();
      transaction->qryResults[resultName] = std::move(rows);
      if (any) selectRow(*transaction, resultName, 0);
      if (showSuccess) showErrorLine("Successful");
      transaction->transactionStatus = Transaction::AFTER_SUCCESSFUL_COMPLETION;
    } else if (child.name() == "error") {
      transaction->transactionStatus = Transaction::AFTER_PROCESSING_ERROR;
      if (!showErrors) return false;
      std::string text = gateway_xml::firstChildText(child);
      for (const XmlNode& other : root.elementChildren()) {
        if (other.name() != "substitutors") continue;
        for (const XmlNode& substitution : other.elementChildren()) {
          std::string key;
          std::string value;
          for (const XmlNode& part : substitution.elementChildren()) {
            if (part.name() == "key") key = gateway_xml::firstChildText(part);
            if (part.name() == "value") value = gateway_xml::firstChildText(part);
          }
          logger->debug("{}", " key = " + key + "  value = " + value);
          text = replaceAll(text, "{" + key + "}", value);
        }
        break;
      }
      showWindow(kErrorTitle, text, "Press Enter to continue");
      throw DriverDownException("Error Message");
    }
  }
  return true;
}

bool RequestHandler::execSytelineTransaction(const std::string& /*statementId*/,
                                             const std::vector<std::string>& /*values*/,
                                             bool /*showErrors*/) {
  return true;
}

void RequestHandler::populateSytelineHashTable(QryRow& table, const XmlNode& node) {
  for (const XmlNode& child : node.elementChildren()) {
    const std::string value = gateway_xml::firstChildText(child);
    table[child.name()] = value;
    logger->debug("{}", "Qry Data: " + child.name() + ":" + value);
  }
}

}  // namespace tev
