// RequestHandler: the one connection of a scanner process to the ERP router, and the requests sent over it.
//
// Every request is one text line out and one line back (request_line.h, router_reply.h). The handler opens
// the connection lazily (retry_count attempts, 1 s apart, the router handshake after each success), keeps
// it for the whole session, discards stale input before each request, and after a broken exchange
// reconnects and sends the same line once more; when that resend fails too, its RouterIoError reaches the
// caller. A log-in request is never resent. A lost connection never ends the process (SIGPIPE is ignored).
//
// Outcomes as the transaction handlers see them:
//   plain success                   callFunctionServer returns true
//   data ("98" one record, "99" a   FunctionServerFailedException "98 message"; the values (or the result
//   result file)                    file name) are in the running transaction's fserverMesgFields
//   tolerance warning (> 900)       FunctionServerFailedException "Tolerance message"
//   back-end error list             FunctionServerFailedException "Function call failed"
//   connection, router condition,   DriverDownException (gateway_errors.h lists its texts); the operator
//   statement or request that       has been told on the screen first
//   cannot be built
//   SQL request without rows        SqlFailedException "No rows found"
//   log-in refused                  NtLogonFailedException (the reply's message)
// The reply details (fserverErrorCode, fserverMesg, fserverMesgFields, transactionStatus) and the query
// results (qryResults) are written into the running transaction, taken from the session memory at the start
// of each request.
//
// Sessions reach the handler through the service registry, which fills its GatewayContext. Single thread:
// requests run one at a time and block until their reply arrives (no read time-out).
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "config/vav_settings.h"
#include "engine/transaction.h"
#include "gateway/gateway_context.h"
#include "gateway/gateway_errors.h"
#include "gateway/request_line.h"
#include "gateway/result_file_fetch.h"
#include "gateway/router_reply.h"

namespace tev {

class FServerStatement;
class RouterConnection;
class SqlParser;
class SQLStatement;

class RequestHandler {
 public:
  static inline const std::string FIELD_SEPERATOR = std::string(1, router::FS);
  static inline const std::string FIELD_SEPERATOR1 = "~";
  static inline const std::string LOGGER_NAME = "tev.framework.application.RequestHandler.Logger";
  static inline const std::string HANDSHAKE = "<<SCANNERREQUEST>>";
  // Characters discarded at most before a request (1024, not 1023 or 1025).
  static constexpr std::size_t LEFT_OVER_SIZE = 1024;

  struct Options {
    // Time allowed for one connection attempt.
    std::chrono::milliseconds connectTimeout{std::chrono::seconds(30)};
    // Pause after every failed attempt (also after the last).
    std::chrono::milliseconds retryPause{1000};
    ResultFileFetch::Options fetch;
  };

  // Does not connect. The context can be given now or later (setContext / context()).
  RequestHandler();
  explicit RequestHandler(GatewayContext context);
  RequestHandler(GatewayContext context, Options options);
  virtual ~RequestHandler();
  RequestHandler(const RequestHandler&) = delete;
  RequestHandler& operator=(const RequestHandler&) = delete;

  GatewayContext& context() { return ctx; }
  void setContext(GatewayContext context) { ctx = std::move(context); }

  // --- connection --------------------------------------------------------------------------------------
  // Connects, then loads the environment's standard query list "sql_list.xml". False when connecting
  // failed or the list could not be loaded; the list is loaded in either case, so queries of the standard
  // list work as soon as the router can be reached.
  virtual bool initialize();
  // Opens the connection: up to skerrymantleRetryCount attempts (0: none), each followed on failure by a
  // pause; the handshake line after success when skerrymantle / hand_shake_in_use is "yes". True when
  // connected.
  virtual bool createSocket();
  // Logs and drops input that is ready now (at most LEFT_OVER_SIZE characters, one read).
  void thowLeftOverData();
  bool isConnected() const { return connection != nullptr; }
  // Closes the connection (the next request reconnects).
  void closeConnection();

  // --- function-server calls and log-in ------------------------------------------------------------------
  // callFunctionServer (id, values, showErrors, true).
  virtual bool callFunctionServer(const std::string& statementId, const std::vector<std::string>& values,
                                  bool showErrors);
  // Sends the running transaction's function-server statement with the values and interprets the coded
  // reply (see the table above). showErrors shows back-end error messages; showSuccess shows the message
  // "successful" after a plain success. With the user parameter request_type "OW" (any case) the call is
  // a business-object request instead (processOpenWorldTransaction).
  virtual bool callFunctionServer(const std::string& statementId, const std::vector<std::string>& values,
                                  bool showErrors, bool showSuccess);
  // The business-object path of callFunctionServer. Not available yet: logs and throws
  // DriverDownException "DDC Driver is down".
  virtual bool processOpenWorldTransaction(const std::string& statementId,
                                           const std::vector<std::string>& values, bool showErrors,
                                           bool showSuccess);
  // The router's log-in request with five texts: true when accepted; NtLogonFailedException with the
  // reply's message when refused; router conditions and connection failures as DriverDownException. Never
  // resent after a broken exchange.
  virtual bool callAuthenticationService(const std::string& text1, const std::string& text2,
                                         const std::string& text3, const std::string& text4,
                                         const std::string& text5);
  // Mail to the installation's configured sender (reports of failed result-file fetches). False when the
  // parameter email / self is not "yes". Sending itself is not available yet: false, logged.
  virtual bool sendMail(const std::string& subject, const std::string& text);

  // --- queries ---------------------------------------------------------------------------------------------
  // SQL request of a query statement (the running transaction's, else the standard list's): the row, or the
  // rows of the result file, stored in qryResults under resultName; true. False, with nothing sent, for an
  // unknown statement. SqlFailedException "No rows found" (showing the statement's message id when
  // showMessage); DriverDownException for router conditions, connection failures and a user without a
  // company; a result file that cannot be fetched or read passes its error on.
  virtual bool execSql(const std::string& resultName, const std::string& statementId,
                       const std::vector<std::string>& values, bool showMessage);
  // Function-server query: calls the function-server statement with (arguments joined by "~", the
  // function-server path, the query statement's number). True when the reply was data ("98": one record,
  // "99": a result file) and is stored under resultName; false for an unknown statement, a plain success,
  // and every failure of the call (already shown). Errors of reading the data are passed on.
  virtual bool execFunctionServerSql(const std::string& functionServerId, const std::string& resultName,
                                     const std::string& statementId,
                                     const std::vector<std::string>& arguments, bool showErrors);
  // One record of the running transaction's fserverMesgFields under resultName; data is only logged.
  // rowType other than 1 throws tev::Error "invalid row type".
  virtual void parseFunctionServerSql(const std::string& resultName, const std::vector<std::string>& names,
                                      const std::string& data, int rowType);
  // The rows of a result file (fetched by downloadFile with tag "") under resultName.
  virtual void parseFunctionServerSql(const std::string& resultName, const std::vector<std::string>& names,
                                      const std::string& fileName);
  // The column names of an SQL text (router::getFromFields).
  virtual std::vector<std::string> getFromFields(const std::string& sql);
  QryRow handleSingleRowReply(const std::vector<std::string>& names, const std::string& row);

  // --- result files (ResultFileFetch)
  // ------------------------------------------------------------------------
  virtual std::string downloadFile(const std::string& fileName, const std::string& tag);
  virtual std::string downloadFileWithSFTP(const std::string& fileName, const std::string& tag);
  virtual std::string performNewFtpProcess(const std::string& localPath, const std::string& remotePath,
                                           bool deleteRemote);
  virtual std::string uploadFile(const std::string& localPath);
  bool useNewFtpProtocol() const;

  // The standard query list; nullptr before initialize or without a file locator.
  SqlParser* getStandardSqlParser() const { return standardSqlParser.get(); }

 protected:
  enum class ExchangeKind { kFunctionServer, kQuery, kLogin };

  // The request exchange shared by the request kinds: connect when not connected, discard left-over input,
  // write the line, read one reply line; after a broken exchange reconnect and resend once (not for
  // log-ins). Returns the normalised reply.
  std::string exchange(const std::string& line, ExchangeKind kind);

  // The running transaction (the session memory's current one); nullptr when there is none.
  std::shared_ptr<Transaction> runningTransaction() const;
  const UserData* currentUser() const;
  // The user's parameter; nothing without a user or without the parameter.
  std::optional<std::string> userParameter(const std::string& id) const;
  // The request-line header for the running transaction (user name "" for a log-in).
  RequestHeader requestHeader(const Transaction* transaction, bool withUser) const;
  // A per-request setting of the environment; nothing when missing.
  std::optional<std::string> setting(const SettingsPath& path) const;

  // Screen output; each does nothing without a terminal.
  void showStatusId(const std::string& id);
  void showErrorId(const std::string& id);
  void showErrorLine(const std::string& text);
  void showWindow(const std::string& title, const std::string& message, const std::string& footer);
  void showBaanWindow(const std::string& message);
  void beep(int count);

  log::Logger logger;

 private:
  // Function-server replies: a router condition or malformed reply, and the coded reply.
  [[noreturn]] void functionServerCondition(const router::CodedReply& reply, Transaction& transaction,
                                            const std::string& company);
  bool interpretCodedReply(const std::string& reply, Transaction& transaction, const std::string& company,
                           bool showErrors, bool showSuccess);
  // The query statement of that id: the transaction's, else the standard list's; nullptr when neither.
  std::shared_ptr<SQLStatement> findSqlStatement(Transaction& transaction, const std::string& statementId);
  // Fetches and reads a result file into a list of records (shows the read-failure window).
  std::vector<QryRow> readResultFile(const std::string& fileName, const std::string& tag,
                                     const std::vector<std::string>& names);
  ResultFileFetch& fetch();

  GatewayContext ctx;
  Options options;
  std::unique_ptr<RouterConnection> connection;
  std::unique_ptr<SqlParser> standardSqlParser;
  std::unique_ptr<ResultFileFetch> resultFileFetch;
  // The running transaction of the request in progress.
  std::shared_ptr<Transaction> curTrans;
};

}  // namespace tev
