// RequestHandler: queries. SQL requests (kind "SQL") and function-server queries (a function-server call
// with a query number, answered by the data replies "98" and "99"); their rows go into the running
// transaction's qryResults, one record or a list of records read from a result file.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/fd.h"
#include "common/java_text.h"
#include "common/line_reader.h"
#include "engine/sql_parser.h"
#include "engine/sql_statement.h"
#include "gateway/request_handler.h"
#include "gateway/request_line.h"

namespace tev {
namespace {

std::string joinArguments(const std::vector<std::string>& arguments) {
  std::string text;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) text += router::TILDE;
    text += arguments[i];
  }
  return text;
}

// Reads the file's bytes; "" on success, otherwise the cause.
std::string readWholeFile(const std::string& path, std::string& content) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return std::strerror(errno);
  char buffer[8192];
  while (true) {
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n == 0) return "";
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::strerror(errno);
    }
    content.append(buffer, static_cast<std::size_t>(n));
  }
}

std::string recordText(const QryRow& record) {
  std::string text = "{";
  for (const auto& [name, value] : record) text += (text.size() > 1 ? ", " : "") + name + "=" + value;
  return text + "}";
}

}  // namespace

std::shared_ptr<SQLStatement> RequestHandler::findSqlStatement(Transaction& transaction,
                                                               const std::string& statementId) {
  auto own = transaction.sqlStatements.find(statementId);
  if (own != transaction.sqlStatements.end() && own->second) return own->second;
  return standardSqlParser ? standardSqlParser->getSQLStatement(statementId) : nullptr;
}

bool RequestHandler::execSql(const std::string& resultName, const std::string& statementId,
                             const std::vector<std::string>& values, bool showMessage) {
  curTrans = runningTransaction();
  if (!curTrans) throw Error("No running transaction for query " + statementId);
  std::shared_ptr<Transaction> transaction = curTrans;
  std::shared_ptr<SQLStatement> statement = findSqlStatement(*transaction, statementId);
  if (!statement) {
    logger->warn("{}", "SQL Statement not defined: " + statementId);
    return false;
  }
  logger->info("{}", "SQL Statement: " + statement->toString());
  showStatusId("processing");

  // The body carries the company and the company without its last character: without a company the
  // request cannot be built.
  const std::optional<std::string> company = userParameter("company");
  if (!company || trim(*company).empty()) {
    logger->error("{}", "No company for the user; query " + statementId + " not sent");
    showWindow("Error Message", "Invalid Company =" + nullText(company) + " Please contact Administrator",
               "Press Enter To Continue");
    throw DriverDownException("SQL Driver is down");
  }
  const std::string safeCompany = lineSafe(*company, "company", logger);
  const int companyLength = charLength(safeCompany);

  std::string sql = statement->getSQL(values);
  for (char& c : sql)
    if (c == '\n') c = ' ';
  sql = lineSafe(sql, "SQL text", logger);
  const bool singleRow = statement->rowType == SQLStatement::SINGLE_ROW;
  std::string body = "SQL" + safeCompany + "," + charSubstr(safeCompany, 0, companyLength - 1);
  body += router::FS;
  body += singleRow ? "N" : "F";
  body += router::FS;
  body += router::FS;
  body += sql;
  const std::vector<std::string> names = getFromFields(sql);

  const std::string line = buildRequestLine(requestHeader(transaction.get(), true), body, logger);
  logger->info("{}", "Sending request\n" + line);
  const std::string reply = exchange(line, ExchangeKind::kQuery);

  const router::SqlReply parsed = router::parseSqlReply(reply);
  if (parsed.kind == router::SqlReply::Kind::kCondition) {
    const router::Condition condition = router::classifyCondition(parsed.payload);
    if (condition == router::Condition::kDown) showErrorId("sql_down");
    if (condition == router::Condition::kBusy) showErrorId("sql_busy");
    logger->error("{}", "Router condition on query " + statementId + ": " + parsed.payload);
    throw DriverDownException("SQL Driver is down");
  }
  logger->info("{}", "Status flag : " + parsed.status);
  if (parsed.status == "1") {
    logger->info("{}", "Error Message: " + nullText(statement->errorMessage));
    // A statement without a message id has nothing to show.
    if (showMessage && !statement->errorMessageId.empty()) showErrorId(statement->errorMessageId);
    throw SqlFailedException(SqlFailedException::NO_ROWS);
  }
  logger->info("{}", "Error flag : " + parsed.error);

  if (singleRow) {
    transaction->qryResults[resultName] = handleSingleRowReply(names, parsed.data);
    return true;
  }
  transaction->qryResults[resultName] =
      readResultFile(parsed.data, charSubstr(safeCompany, companyLength - 1), names);
  return true;
}

bool RequestHandler::execFunctionServerSql(const std::string& functionServerId, const std::string& resultName,
                                           const std::string& statementId,
                                           const std::vector<std::string>& arguments, bool showErrors) {
  logger->info("{}", "Inside execFunctionServerSql");
  curTrans = runningTransaction();
  if (!curTrans) throw Error("No running transaction for query " + statementId);
  std::shared_ptr<Transaction> transaction = curTrans;
  std::shared_ptr<SQLStatement> statement = findSqlStatement(*transaction, statementId);
  if (!statement) {
    logger->warn("{}", "SQL Statement not defined: " + statementId);
    return false;
  }
  const std::string sql = statement->getSQL({});
  const std::string path = ctx.functionServerPath ? ctx.functionServerPath() : "";

  try {
    callFunctionServer(functionServerId, {joinArguments(arguments), path, statement->queryNo}, showErrors);
    logger->info("{}", "Returning: false");
    return false;  // a plain success carries no rows
  } catch (const Error& e) {
    logger->info("{}", "Function server query " + statementId + " answered: " + e.getMessage());
  }

  const std::string code = transaction->fserverErrorCode;
  const std::string first =
      transaction->fserverMesgFields.empty() ? std::string() : transaction->fserverMesgFields.front();
  if (code == "98") {
    parseFunctionServerSql(resultName, getFromFields(sql), first, 1);
    if (ctx.updateSqlSharedVariableMaps) ctx.updateSqlSharedVariableMaps(*transaction, resultName);
    logger->info("{}", "Returning: true");
    return true;
  }
  if (code == "99") {
    parseFunctionServerSql(resultName, getFromFields(sql), first);
    return true;
  }
  logger->info("{}", "Returning: false");
  return false;
}

void RequestHandler::parseFunctionServerSql(const std::string& resultName,
                                            const std::vector<std::string>& names, const std::string& data,
                                            int rowType) {
  logger->info("{}", "Data for Parsing: " + data);
  if (rowType != 1) throw Error("invalid row type");
  std::shared_ptr<Transaction> transaction = runningTransaction();
  if (!transaction) throw Error("No running transaction for result " + resultName);
  QryRow record = router::makeRecord(names, transaction->fserverMesgFields);
  logger->info("{}", "Record: " + recordText(record));
  transaction->qryResults[resultName] = std::move(record);
}

void RequestHandler::parseFunctionServerSql(const std::string& resultName,
                                            const std::vector<std::string>& names,
                                            const std::string& fileName) {
  std::shared_ptr<Transaction> transaction = runningTransaction();
  if (!transaction) throw Error("No running transaction for result " + resultName);
  showStatusId("processing");
  transaction->qryResults[resultName] = readResultFile(fileName, "", names);
}

std::vector<std::string> RequestHandler::getFromFields(const std::string& sql) {
  std::vector<std::string> names = router::getFromFields(sql);
  if (names.empty()) logger->warn("{}", "No column names in the SQL text: " + sql);
  return names;
}

QryRow RequestHandler::handleSingleRowReply(const std::vector<std::string>& names, const std::string& row) {
  return router::makeRecord(names, row);
}

std::vector<QryRow> RequestHandler::readResultFile(const std::string& fileName, const std::string& tag,
                                                   const std::vector<std::string>& names) {
  const std::string path = downloadFile(fileName, tag);
  logger->info("{}", "Reading the file: " + path);

  std::string content;
  std::string failure = readWholeFile(path, content);
  if (!failure.empty()) {
    showWindow("Error Message", "Unable To Read SQL File :" + path + " Please contact IT",
               "Press Enter To Continue");
    logger->error("{}", "Exception occured while reading the file: " + path + ": " + failure);
    throw Error("Unable to read the result file " + path + ": " + failure);
  }

  std::vector<QryRow> rows;
  for (const std::string& line : splitLines(content)) {
    logger->debug("{}", "Using  FIELD_SEPERATOR: " + FIELD_SEPERATOR1);
    std::vector<std::string> values = splitKeepEmpty(line, router::TILDE);
    logger->debug("{}", "Number of Fields is " + std::to_string(values.size()));
    rows.push_back(router::makeRecord(names, values));
  }
  return rows;
}

}  // namespace tev
