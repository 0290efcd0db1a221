// ReplyPolicy: how one back-end path reads the router's answer. The business-object, ERP LN, web-service
// (router form) and RTCIM paths all end in the same coded status line ("status,errorNo,message") and share
// one interpreter (RequestHandler::interpretStatusLine); Syteline shares the router-word check. Each path
// differs in a few small ways, and every difference is one field of its policy, so the table below is the
// whole list of them:
//
//                           business object   ERP LN            web service (router)  RTCIM
//   router words first      anywhere, no beep anywhere, 2 beeps -                     -
//   status text w/o comma   words (equal or   "BAAN MESSAGE"    2 beeps, words equal  as web service with
//                           contained), else  window with the   ("bta_down",          "ddc_down" and
//                           an error line     "OW " line        "bta_busy"), else     "ddc_busy"
//                                                               an error line
//   no second comma         "OW " line shown, "DDC Driver is down"  the index error reaches the caller
//   status number           trimmed           trimmed           as written            as written
//   1,0 (driver failed)     2 beeps, status,  "ddc_error" only  2 beeps, status,      2 beeps, status,
//                           time-out window                     "ddc_error"           time-out window
//   success shown as        id "successful"   id "successful"   id "successful"       line "Transaction Sent"
//   data codes              98 99             97 98 99          98 99                 98 99, a success
//   tolerance from          901               900 (+ fields)    901                   901
//   error list shown in     "BAAN MESSAGE"    "BAAN MESSAGE"    "BTA Message"         "BAAN MESSAGE" (or the
//                                                                                     caller's message id)
//   error sets fserverMesg  no                no                yes                   yes
//
// The pure reading of a status line (StatusLine) lives here too, so tests and benchmarks can read one
// without a connection.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tev {

// One router word and how it is reported.
struct RouterWordRule {
  enum class Match { kContains, kEquals };
  enum class Report {
    kMessageId,    // the error line of message id `text`
    kCompanyLine,  // the error line "Driver Not Found for company " + company
    kWindow,       // the message window "Error Message" / `text` / "Press Enter to continue"
  };
  std::string word;
  Match match = Match::kContains;
  Report report = Report::kMessageId;
  std::string text;
  int beeps = 0;  // beeps before this report (besides the table's own)
};

// A list of router words tried in order; the first that matches is reported.
struct RouterWordTable {
  std::vector<RouterWordRule> rules;
  int beepsBefore = 0;  // beeps before every report of this table
  // Text that matches no rule: kNone leaves it to the caller, kTextLine shows it as an error line,
  // kBaanWindow shows the status line in the "BAAN MESSAGE" window.
  enum class Fallback { kNone, kTextLine, kBaanWindow };
  Fallback fallback = Fallback::kNone;

  // The first rule that matches the text; nullptr when none does.
  const RouterWordRule* find(std::string_view text) const;
};

struct ReplyPolicy {
  std::string name;            // "OW", "BDE", "BTA", "RTCIM", "Syteline": for logs and tests
  RouterWordTable wholeReply;  // tested on the whole reply before anything else
  RouterWordTable statusWithoutComma;
  bool noSecondCommaShowsLine = false;  // true: the status line as an error line and "DDC Driver is down"
  bool trimStatus = false;
  bool driverFailureBeeps = true;
  bool driverFailureSetsStatus = true;
  bool driverFailureTimeoutWindow = true;
  std::string successId = "successful";  // shown when showSuccess ("" : successLine instead)
  std::string successLine;
  std::vector<int> dataCodes = {98, 99};
  bool dataIsSuccess = false;  // RTCIM: data is stored as a result row and the call returns true
  int toleranceFrom = 901;
  bool toleranceSetsFields = false;  // ERP LN: fserverMesgFields = the message split at "~"
  bool errorSetsMesg = false;
  std::string errorWindowTitle;  // "": the "BAAN MESSAGE" window; otherwise this title with "continue"
  // The text of the DriverDownException after a router word.
  std::string routerWordFailure = "DDC Driver is down";
  bool routerWordSetsStatus = true;

  bool isDataCode(int errorNo) const;

  static const ReplyPolicy& openWorld();
  static const ReplyPolicy& erpLn();
  static const ReplyPolicy& webService();
  static const ReplyPolicy& rtcim();
  static const ReplyPolicy& syteline();
  // The SOAP fault of an ERP LN reply: the router words of a business-object status text, without beeps.
  static const RouterWordTable& erpLnFault();
};

// A coded status line read apart. The payload is the text after the line's first blank (the whole line
// without a blank), LF made blanks, trimmed; c1 and c2 are its first two commas.
struct StatusLine {
  enum class Kind { kNoComma, kNoSecondComma, kCoded };
  Kind kind = Kind::kNoComma;
  std::string payload;
  std::string statusText;
  std::string errorNoText;
  std::string message;
  int status = 0;
  int errorNo = 0;

  // Reads the line. A status or error number that is no decimal whole number throws NumberFormatError
  // (the status trimmed first when the policy says so).
  static StatusLine read(std::string_view line, const ReplyPolicy& policy);
};

}  // namespace tev
