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
};

}  // namespace tev::sim
