// ErpSimRequest: one line a scanner process sent to the ERP router, taken apart the way the router reads it.
//
// A request line is five fields separated by FS (0x1C): device id, user name, environment, transaction title,
// and then the kind and body written together. The fifth field is everything after the fourth FS (a log-in
// or query body has FS characters of its own). The kinds told apart here:
//
//   " DDC" company "," noOfParams "," server "," function ("," value)*     function-server call
//        ... the same with an executor function "execute_...query" and exactly three values
//            (arguments joined by "~", function-server path, query number)   function-server query
//   "SQL" company "," company-prefix FS row-kind FS FS sql-text               SQL query
//   "LOGIN" "P " text FS text FS text FS text FS text                        log-in
//   "<<SCANNERREQUEST>>" (the whole line)                                    handshake (never answered)
//
// Everything else (business-object XML, ERP LN "SOA", " SQL" bodies of the web-service and RTCIM paths, a
// line without the four header fields, bytes that make no sense) is kOther with the raw line kept, so that a
// rule or a handler can still answer it; the back-end path of such a line (and of a Syteline "SQL" line) and
// what it carries are taken apart into `path` and the fields after it. Parsing never fails and never throws.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tev::sim {

inline constexpr char kFs = '\x1c';
inline constexpr std::string_view kHandshakeLine = "<<SCANNERREQUEST>>";

enum class RequestKind { kFunctionServer, kQuery, kSqlQuery, kLogin, kHandshake, kOther };

// Which back-end path a line belongs to, beside its kind: the business-object XML request ("<?xml" right
// after the header), the ERP LN SOAP request ("SOA"), a " SQL" body sent over the router (web service,
// RTCIM queries), a Syteline document in an "SQL" body. kNone for everything else (an RTCIM " DDC" line
// reads as a function-server call).
enum class BackEndPath { kNone, kBusinessObject, kErpLn, kRoutedSql, kSyteline };
const char* toString(BackEndPath path);

// "function-server", "query", "sql", "login", "handshake", "other".
const char* toString(RequestKind kind);

struct ErpSimRequest {
  std::string raw;  // the line as received, without its line end
  RequestKind kind = RequestKind::kOther;

  // The four header fields; hasHeader is false when the line has fewer than four FS.
  bool hasHeader = false;
  std::string deviceId;
  std::string user;
  std::string environment;
  std::string title;
  // Field 5, kind word included (" DDC...", "SQL...", "LOGINP ..."); the raw line when there is no header.
  std::string body;
  // The kind word as sent: " DDC", "SQL", " SQL", "LOGIN", "SOA", "<?xml", or "" when none was recognised.
  std::string kindWord;

  // Function-server calls and queries: the company, and the function string taken apart at its commas (the
  // sender replaced every comma inside a value by "|"). The customer code, when the installation has one,
  // is part of server (it follows the server name without a separator).
  std::string company;
  std::string noOfParams;  // as sent
  std::string server;
  std::string function;
  std::vector<std::string> values;

  // Function-server queries: values[2], values[0] split at "~" (empty pieces kept; "" gives no arguments),
  // and values[1].
  std::string queryNo;
  std::vector<std::string> queryArgs;
  std::string functionServerPath;

  // SQL queries: the company part as sent ("AB1,AB"), "N" (one row) or "F" (result file), the SQL text.
  std::string sqlCompany;
  std::string rowKind;
  std::string sqlText;

  // Log-in requests: the five texts (as many as were sent).
  std::vector<std::string> loginValues;

  // Why a line that looked like a known kind was taken as kOther ("" otherwise).
  std::string parseNote;

  // --- the other back-end paths (see BackEndPath) ---------------------------------------------------------
  BackEndPath path = BackEndPath::kNone;
  // Business object: ObjectName, MethodName, ComponentName, the joined argument text of the first record set,
  // and the function-server identity of the second (name, function, prefix) in server / function /
  // customerPrefix.
  std::string objectName;
  std::string methodName;
  std::string componentName;
  std::string boiArguments;
  std::string customerPrefix;
  // ERP LN: company (between "SOA" and the blank), function (the body element without "q0:" and "Request"),
  // server (the first record's element without "q0:"), and each record's fields; the records nested in a
  // record (lines) in bdeLines.
  std::vector<std::map<std::string, std::string>> bdeRecords;
  std::vector<std::map<std::string, std::string>> bdeLines;
  // Router " SQL" bodies (web service and RTCIM queries): company, and the text after its comma. When that
  // text reads as count "," function ("," value)*, function and values are filled too.
  std::string routedBody;
  // Syteline: the document's root name, queryName or updateName, the top-level inputs in order (name, value),
  // and the line inputs' name and fields (all records one after the other).
  std::string sytelineRoot;
  std::string sytelineName;
  std::vector<std::pair<std::string, std::string>> sytelineInputs;
  std::string sytelineLineName;
  std::vector<std::pair<std::string, std::string>> sytelineLineInputs;
};

// Takes a request line apart (see above). Never throws.
ErpSimRequest parseRequest(std::string_view line);

// True for the executor functions that run numbered and named queries ("execute_query",
// "execute_cus_query", "execute_custom_query", "execute_kanban_query", "execute_wave_query", ...): a name
// that starts with "execute_" and ends with "query".
bool isQueryExecutor(std::string_view function);

// Text for a log line: FS shown as "<FS>", other control bytes as "\xNN"; everything else unchanged.
std::string printable(std::string_view bytes);

// --- Request lines as a scanner process writes them (for tests, benchmarks and tools)
// -----------------------

struct RequestHeader {
  std::string deviceId = "RF01";
  std::string user = "USER1";
  std::string environment = "demo";
  std::string title = "Test";
};

// header fields joined by FS, an FS, then the kind and body (no line end).
std::string requestLine(const RequestHeader& header, std::string_view kindAndBody);
// " DDC" company "," noOfParams "," server "," function ("," value)*; noOfParams is the number of values.
std::string functionServerBody(std::string_view company, std::string_view server, std::string_view function,
                               const std::vector<std::string>& values);
// A function-server query: the executor with the three values {arguments joined by "~", path, query number}.
std::string queryBody(std::string_view company, std::string_view server, std::string_view executor,
                      const std::vector<std::string>& args, std::string_view path, std::string_view queryNo);
// "SQL" company "," company-without-last-character FS ("N" | "F") FS FS sql-text.
std::string sqlBody(std::string_view company, bool singleRow, std::string_view sqlText);
// "LOGINP " and the texts joined by FS (the user field of a log-in line is empty).
std::string loginBody(const std::vector<std::string>& texts);

}  // namespace tev::sim
