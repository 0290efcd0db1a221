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
// Beside function-server calls and queries the handler serves the other back-end paths, each in a file of
// its own: business objects (request_type "OW" switches every function-server call there), ERP LN SOAP
// requests, the web service (over the router, or posted directly over HTTP), Syteline documents and RTCIM
// function texts. The four paths that end in a coded status line share one interpreter
// (interpretStatusLine) and differ only by their ReplyPolicy (reply_policy.h lists every difference).
//
// Sessions reach the handler through the service registry, which fills its GatewayContext. Single thread:
// requests run one at a time and block until their reply arrives (no read time-out).
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "config/vav_settings.h"
#include "engine/transaction.h"
#include "gateway/gateway_context.h"
#include "gateway/gateway_errors.h"
#include "gateway/reply_policy.h"
#include "gateway/request_line.h"
#include "gateway/result_file_fetch.h"
#include "gateway/router_reply.h"
#include "xml/xml_document.h"
#include "xml/xml_node.h"

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
  // The business-object path of callFunctionServer (request_handler_boi.cc): the statement's arguments as a
  // business-object XML request (getBoiString), sent and read by processOpenWorldRequest. True on status 0;
  // data, tolerance and error replies as FunctionServerFailedException, router words and driver failures
  // as DriverDownException, exactly as callFunctionServer reports them.
  virtual bool processOpenWorldTransaction(const std::string& statementId,
                                           const std::vector<std::string>& values, bool showErrors,
                                           bool showSuccess);
  bool processOpenWorldTransaction(const std::string& statementId, const std::vector<std::string>& values,
                                   bool showErrors);
  // A business-object body of the caller's: the request-line header is put in front of it. (Pass values as a
  // typed vector: an empty braced list would pick this form.)
  bool processOpenWorldTransaction(const std::string& body, bool showErrors, bool showSuccess);
  bool processOpenWorldTransaction(const std::string& body, bool showErrors);
  // Sends one complete business-object request line and interprets the reply (ReplyPolicy::openWorld).
  virtual bool processOpenWorldRequest(const std::string& line, bool showErrors, bool showSuccess);
  bool processOpenWorldRequest(const std::string& line, bool showErrors);
  // The complete business-object request line for the statement (header and XML). Throws
  // DriverDownException "Invalid No.of Arguments" (after the window) when the count of values is wrong.
  std::string getBoiString(const FServerStatement& statement, const std::vector<std::string>& values);
  // The router's log-in request with five texts: true when accepted; NtLogonFailedException with the
  // reply's message when refused; router conditions and connection failures as DriverDownException. Never
  // resent after a broken exchange.
  virtual bool callAuthenticationService(const std::string& text1, const std::string& text2,
                                         const std::string& text3, const std::string& text4,
                                         const std::string& text5);
  // Mail to the installation's configured sender (reports of failed result-file fetches). False when the
  // parameter email / self is not "yes" or the send fails (logged); the mail goes from the sender to itself.
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
  // Replaces the standard query list (tools and tests that have no environment files).
  void setStandardSqlParser(std::unique_ptr<SqlParser> parser);

  // --- ERP LN requests (request_handler_ln.cc) ------------------------------------------------------------
  // A record is one value per argument of a statement; rows are several records of one statement. Every form
  // without company takes the user parameter company; every form without showSuccess shows it. A statement
  // that is not defined: window and DriverDownException "Invalid BDE". Outcomes as processOpenWorldRequest,
  // with the ERP LN differences of ReplyPolicy::erpLn (97 is data, 900 is a tolerance) and SOAP faults
  // shown in "HOST MESSAGE" windows ("Function call failed").
  // Call with typed vectors: a braced list of texts fits both the rows and the values forms.
  using Rows = std::vector<std::vector<std::string>>;
  bool processErplnTransaction(const std::string& fserverId, const Rows& rows, bool showErrors,
                               bool showSuccess);
  bool processErplnTransaction(const std::string& fserverId, const Rows& rows, bool showErrors,
                               bool showSuccess, const std::string& company);
  bool processErplnTransaction(const std::string& body, bool showErrors, bool showSuccess);
  // The worker: sends the complete request line and interprets the SOAP reply.
  virtual bool processErplnTransaction(const std::string& body, bool showErrors, bool showSuccess,
                                       const std::string& company);
  bool processErplnTransaction(const std::string& fserverId, const std::vector<std::string>& values,
                               const std::string& lineFserverId, const Rows& lineRows, bool showErrors,
                               bool showSuccess);
  bool processErplnTransaction(const std::string& fserverId, const std::vector<std::string>& values,
                               const std::string& lineFserverId, const Rows& lineRows, bool showErrors,
                               bool showSuccess, const std::string& company);
  bool processErplnTransaction(const std::string& fserverId, const std::vector<std::string>& values,
                               bool showErrors);
  bool processErplnTransaction(const std::string& fserverId, const std::vector<std::string>& values,
                               bool showErrors, const std::string& company);
  bool processErplnTransaction(const std::string& fserverId, const std::vector<std::string>& values,
                               bool showErrors, bool showSuccess);
  bool processErplnTransaction(const std::string& fserverId, const std::vector<std::string>& values,
                               bool showErrors, bool showSuccess, const std::string& company);
  // Fetches the XML result document named by a "97" reply (downloadFile) and stores its row elements as the
  // result queryId. A file that cannot be fetched or read: window, logged, the error passed on, qryResults
  // unchanged.
  virtual void parse97Message(const std::string& queryId, const std::string& fileName);

  // --- web service (request_handler_web_service.cc) --------------------------------------------------------
  // Over the router: " SQL" company "," body, answered by a coded status line (ReplyPolicy::webService).
  virtual bool processBTATransaction(const std::string& body, bool showErrors, bool showSuccess);
  // processBTATransaction; a "98" reply whose message is XML with a "Values" element is stored as one row
  // under resultName (true). A plain success returns false; other failures pass on.
  virtual bool executeBTAQuery(const std::string& body, const std::string& resultName, bool showErrors,
                               bool showSuccess);
  // Directly over HTTP: the statement's SOAP request posted to bta / bta_web_service_base_url (+ company)
  // "/" fserverName. True for SUCCESSFUL (or any status but FAILED), false for FAILED. A missing setting
  // throws InvalidSettingException; a failed exchange shows "BTA Error" and passes its error on.
  virtual bool execBtaTransaction(const std::string& statementId, const std::vector<std::string>& values,
                                  bool showErrors, bool showSuccess);
  // A query through execBtaTransaction with (query number, input list): the response's rowList rows stored
  // under resultName. False for an unknown query, no rows, or any failure (shown).
  virtual bool execBtaQuery(const std::string& statementId, const std::string& resultName,
                            const std::string& queryId, const std::vector<std::string>& values,
                            bool showErrors);
  // The text as an XML document; nothing (logged) when it is not well-formed.
  XmlDocPtr parseXml(const std::string& text);
  // Every fieldValueList below the element: its name child -> its value child ("" without text).
  void populateHashTable(const XmlNode& element, QryRow& table);

  // --- Syteline (request_handler_syteline.cc) --------------------------------------------------------------
  // The query statement's number and inputs as a query document; the rows of the reply stored under queryId.
  // True unless the reply reports an error (false; with showErrors a window and DriverDownException
  // "Error Message") or the statement is unknown (false, window).
  virtual bool execSytelineQuery(const std::string& queryId, const std::vector<std::string>& values,
                                 bool showErrors);
  // An update document (with the records of a line statement nested when given); rows of the reply stored
  // under resultName. True on success; an error reply: false without showErrors, otherwise a window with
  // the error's placeholders filled and DriverDownException "Error Message".
  virtual bool execSytelineUpdate(const std::string& statementId, const std::vector<std::string>& values,
                                  const std::optional<std::string>& lineStatementId,
                                  const std::optional<Rows>& lineRows, const std::string& resultName,
                                  bool showErrors, bool showSuccess);
  bool execSytelineUpdate(const std::string& statementId, const std::vector<std::string>& values,
                          const std::string& resultName, bool showErrors, bool showSuccess);
  // Accepts its arguments and returns true; sends nothing.
  virtual bool execSytelineTransaction(const std::string& statementId, const std::vector<std::string>& values,
                                       bool showErrors);
  // One entry per element child of node: its name -> the text of its first child ("" without one).
  void populateSytelineHashTable(QryRow& table, const XmlNode& node);
  // A query list consulted before the standard one by execSytelineQuery (not owned; nullptr: none).
  void setCustomSqlParser(SqlParser* parser) { customSqlParser = parser; }

  // --- RTCIM (request_handler_rtcim.cc) -------------------------------------------------------------------
  // count "," function "," values joined by "," sent as " " kind company "," text (kind "DDC" or "SQL").
  // True for status 0 and for data (98, 99: the "query_result" row stored under resultName); tolerance and
  // errors as FunctionServerFailedException, router words and driver failures as DriverDownException. With
  // errorMessageId, an error list is reported by that message's window once.
  virtual bool executeRtcimMessage(const std::string& function, const std::string& resultName,
                                   const std::vector<std::string>& values, const std::string& kind,
                                   bool showErrors, bool showSuccess,
                                   const std::optional<std::string>& errorMessageId);
  bool executeRtcimMessage(const std::string& function, const std::string& resultName,
                           const std::vector<std::string>& values, const std::string& kind, bool showErrors,
                           bool showSuccess);
  bool executeRtcimMessage(const std::string& function, const std::string& resultName,
                           const std::vector<std::string>& values, const std::string& kind, bool showErrors);
  bool executeRtcimQuery(const std::string& function, const std::string& resultName,
                         const std::vector<std::string>& values, bool showErrors);
  bool executeRtcimQuery(const std::string& function, const std::string& resultName,
                         const std::vector<std::string>& values, bool showErrors,
                         const std::string& errorMessageId);
  bool executeRtcimTransaction(const std::string& function, const std::string& resultName,
                               const std::vector<std::string>& values, bool showErrors);
  bool executeRtcimTransaction(const std::string& function, const std::string& resultName,
                               const std::vector<std::string>& values, bool showErrors, bool showSuccess);
  // The first "query_result" element of the fragment as one row under resultName. The fragment's "&" are
  // taken literally; a fragment that cannot be parsed throws tev::Error.
  virtual void parseRtcimQueryResults(const std::string& resultName, const std::string& data);

  // --- the Perl program's router requests (request_handler_perl.cc) ----------------------------------------
  // Sends a router request of the external Perl program: the body is the text after the request's first blank
  // (the whole request without one), trimmed; a "DDC" body gets skerrymantle / customer_code (when not blank)
  // inserted after the nine characters that follow its second ","; the line is the header with the title of
  // the Perl transaction, FS, a blank and the body, line feeds removed. Sent through the shared exchange
  // (left over input discarded, one reconnect and resend). Returns the reply, line feeds as blanks, trimmed.
  // The screen belongs to the program meanwhile, so nothing is shown on it: every failure is logged and
  // thrown (DriverDownException "Skerrymantle is Down" when no connection can be opened, RouterIoError when
  // the resend fails too).
  virtual std::string processPerlProcessRequest(const std::string& request, const std::string& title);

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

  // --- the shared reading of coded status lines (request_handler_reply.cc) -------------------------------
  struct StatusLineCall {
    bool showErrors = true;
    bool showSuccess = true;
    std::string company;
    // RTCIM: an error list is reported by this message's window once.
    std::optional<std::string> errorMessageId;
    // Data replies of a policy where data is a success: called with the message before the status is set.
    std::function<void(const std::string& message)> onData;
  };
  // Interprets the status line by the policy (see reply_policy.h): true for a plain success (and for data
  // where the policy makes it a success); everything else is shown and thrown as the policy says.
  bool interpretStatusLine(const ReplyPolicy& policy, const std::string& line, Transaction& transaction,
                           const StatusLineCall& call);
  // The router words the policy tests on the whole reply: the first found is reported, the transaction
  // marked (when the policy says so) and DriverDownException thrown. Nothing happens when none is found.
  void checkRouterWords(const ReplyPolicy& policy, const std::string& reply, Transaction* transaction,
                        const std::string& company);
  // Reports one router word (its beeps, then its line, message or window).
  void reportRouterWord(const RouterWordRule& rule, const std::string& company);
  // The text of a message id in the user's message list ("" without one).
  std::string messageText(const std::string& id) const;
  void showWindowForId(const std::string& title, const std::string& messageId, const std::string& footerId);
  // setQryRowIndex of the processing object (GatewayContext::setQryRowIndex).
  void selectRow(Transaction& transaction, const std::string& resultName, int row);
  // The running transaction, or tev::Error naming what needed one.
  std::shared_ptr<Transaction> requireTransaction(const std::string& what);
  // The query statement: the transaction's, else the custom list's, else the standard list's.
  std::shared_ptr<SQLStatement> findQueryStatement(Transaction& transaction, const std::string& statementId,
                                                   bool withCustomList);
  // The argument-count window of a request body and DriverDownException "Invalid No.of Arguments".
  [[noreturn]] void argumentCountFailure(const std::string& windowMessage);

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

  // execBtaTransaction; the values at xmlPositions are XML already (execBtaQuery's input list).
  bool execBtaRequest(const std::string& statementId, const std::vector<std::string>& values, bool showErrors,
                      bool showSuccess, const std::vector<std::size_t>& xmlPositions);

  GatewayContext ctx;
  Options options;
  std::unique_ptr<RouterConnection> connection;
  std::unique_ptr<SqlParser> standardSqlParser;
  std::unique_ptr<ResultFileFetch> resultFileFetch;
  // The running transaction of the request in progress.
  std::shared_ptr<Transaction> curTrans;
  // The last SOAP response of a direct web-service request and its response element (nullptr: none).
  XmlDocPtr responseDoc;
  xmlNodePtr responseDataElt = nullptr;
  SqlParser* customSqlParser = nullptr;
};

}  // namespace tev
