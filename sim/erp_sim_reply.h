// ErpSimReply: the reply payloads the ERP router sends, built by name instead of by hand.
//
// A reply line is: a word the scanner process reads past, one blank, the payload, CR LF. The payload is the
// back end's answer, in the shape of the request kind, or a router condition:
//
//   function-server call / query   status "," errorNo "," message
//       "0,0,Done"                  plain success (status 0, whatever errorNo)
//       "1,98,A01~Blue~5"           one record, values separated by "~"
//       "1,99,/qry/r1.txt"          several records in a result file
//       "1,901,Qty above tolerance" tolerance warning (errorNo above 900)
//       "1,0,text"                  the back-end driver failed ("ddc_monitor: Function server" marks a
//                                   time-out of the function server)
//       "1,5,Item not found" FS "0,7,Location blocked"   error list, one "a,b,text" entry per error
//   SQL query                       status "~" error "~" data; status "1" means no rows
//       "0~~A01~Blue"  one row;  "0~~r1.txt"  result file;  "1~~"  no rows
//   log-in                          status FS code FS message; status 0 accepts
//   router conditions               "~~DOWN", "~~BUSY", "~~NOTFOUND", "~~INVALID", "~~TIMEOUT"
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tev::sim {

class ErpSimReply {
 public:
  static inline const std::string kDown = "~~DOWN";
  static inline const std::string kBusy = "~~BUSY";
  static inline const std::string kNotFound = "~~NOTFOUND";
  static inline const std::string kInvalid = "~~INVALID";
  static inline const std::string kTimeout = "~~TIMEOUT";
  // The word the simulator writes before the payload unless told otherwise.
  static inline const std::string kDefaultPrefix = "SKM";

  // The reply line without its line end: prefix, one blank, payload.
  static std::string line(std::string_view payload, std::string_view prefix = kDefaultPrefix);

  // --- function-server calls and queries ---
  static std::string success(std::string_view message = "");
  static std::string record(const std::vector<std::string>& values);
  static std::string resultFile(std::string_view fileName);
  static std::string tolerance(std::string_view message, int errorNo = 901);
  static std::string error(int errorNo, std::string_view message);
  // Entries "1,errorNo,text" for the first and "0,errorNo,text" for the others, joined by FS.
  static std::string errorList(const std::vector<std::pair<int, std::string>>& errors);
  static std::string driverFailure(std::string_view message);
  static std::string functionServerTimeout();

  // --- SQL queries ---
  static std::string sqlRow(const std::vector<std::string>& values);
  static std::string sqlResultFile(std::string_view fileName);
  static std::string sqlNoRows();

  // --- log-in ---
  static std::string loginAccepted(std::string_view message = "");
  static std::string loginRejected(std::string_view message, std::string_view code = "1");

  // Values joined by "~" (a data row, a result-file line).
  static std::string row(const std::vector<std::string>& values);

  // --- the other back-end paths -------------------------------------------------------------------------
  // Further router words of the business-object and ERP LN paths.
  static inline const std::string kUriSocketFailure = "Failed to connect to uri socket: 10.0.0.1:3031";
  static inline const std::string kOpenConnectionFailure = "Failed to open connection to the ERP LN server";

  // Business object, comma output: two fields the scanner process reads past, then the status line
  // ("0,0,Done", "1,98,A~B", ...).
  static std::string businessObjectComma(std::string_view statusLine);
  // Business object, XML output: an error document whose errorText is the status line.
  static std::string businessObjectDocument(std::string_view statusLine);
  // ERP LN: a SOAP response whose outData is the status line; a SOAP fault with these message texts (the
  // first also the fault's description).
  static std::string erpLnResponse(std::string_view statusLine);
  static std::string erpLnFault(const std::vector<std::string>& messages);
  // An XML result document of a "97" reply: one row element per record.
  static std::string erpLnResultDocument(
      const std::vector<std::vector<std::pair<std::string, std::string>>>& rows);
  // Web service over the router: one row as the XML of a "98" reply (status 1).
  static std::string webServiceValues(const std::vector<std::pair<std::string, std::string>>& columns);
  // RTCIM: a data reply whose message holds one query_result row.
  static std::string rtcimRow(const std::vector<std::pair<std::string, std::string>>& columns);
  // Syteline: a collection (PropertyList and Items), or a result with rows, an error text, an error code
  // and substitutors (key, value) for the error's placeholders.
  static std::string sytelineCollection(const std::vector<std::string>& columns,
                                        const std::vector<std::vector<std::string>>& rows);
  struct SytelineResult {
    std::vector<std::vector<std::pair<std::string, std::string>>> rows;
    std::string error;  // "": no error element
    std::string errorCode;
    std::vector<std::pair<std::string, std::string>> substitutors;
  };
  static std::string sytelineResult(const SytelineResult& result);
  // "&", "<" and ">" escaped, for values placed in the documents above.
  static std::string xmlText(std::string_view text);
};

}  // namespace tev::sim
