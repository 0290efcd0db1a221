// The differences between the back-end paths, row by row: each reply goes through the real request of its
// path (business object, ERP LN, web service over the router, RTCIM, Syteline) against the simulator, and
// the row states what the operator is shown, what is thrown or returned and what the transaction keeps.
#include <gtest/gtest.h>

#include "gateway/back_end_test_support.h"

namespace tev::testing {
namespace {

using sim::ErpSimReply;

enum class Path { kOW, kBDE, kBTA, kRTCIM, kSyteline };

const char* name(Path path) {
  switch (path) {
    case Path::kOW:
      return "OW";
    case Path::kBDE:
      return "BDE";
    case Path::kBTA:
      return "BTA";
    case Path::kRTCIM:
      return "RTCIM";
    case Path::kSyteline:
      return "Syteline";
  }
  return "";
}

struct PathCase {
  Path path;
  std::string reply;  // a status line, wrapped as the path's back end sends it, unless raw
  bool raw;           // the reply line's payload as it stands (router words)
  std::string outcome;
  std::string shown;
  std::string code;
  std::string mesg;
  std::vector<std::string> fields;  // starts as {"old"} (Syteline clears it)
  int status;                       // starts as -1
};

const std::string kWindowDown =
    "window:Error Message|tmboaserver session not started|Press Enter to continue";
const std::string kWindowTimeout =
    "window:Error Message|Did Not Receive Response Before Timer Expired|Press Enter to continue";
const std::string kWindowFsTimeout =
    "window:Error Message|Function Server Timeout!!!,Please re-try later|Press Enter To Continue";
const std::string kDown = "DriverDown: DDC Driver is down";
const std::string kFailed = "FunctionServerFailed: Function call failed";
const std::string kData = "FunctionServerFailed: 98 message";
const std::string kTolerance = "FunctionServerFailed: Tolerance message";
const std::string kRow = "1,98,<r><query_result><item>A1</item></query_result></r>";
const std::string kRowMessage = "<r><query_result><item>A1</item></query_result></r>";
const std::string kNotFoundLine = "line:Driver Not Found for company AB1";
const std::vector<std::string> kOld = {"old"};
constexpr int kOk = Transaction::AFTER_SUCCESSFUL_COMPLETION;
constexpr int kErr = Transaction::AFTER_PROCESSING_ERROR;

class ReplyPolicyTest : public BackEndTest {
 protected:
  ReplyPolicyTest() {
    writeSettings({{{"boi", "skerrymantle_output_type"}, "comma"}});
    user.setParameterValue("request_type", "OW");
  }

  std::string run(Path path) {
    return outcome([&] {
      switch (path) {
        case Path::kOW:
          return handler->callFunctionServer("receive", {"a01", "5", "red"}, true, true);
        case Path::kBDE:
          return handler->processErplnTransaction("receive", std::vector<std::string>{"a01", "5", "red"},
                                                  true, true);
        case Path::kBTA:
          return handler->processBTATransaction("<q/>", true, true);
        case Path::kRTCIM:
          return handler->executeRtcimTransaction("getStock", "stock", std::vector<std::string>{"A1"}, true,
                                                  true);
        case Path::kSyteline:
          return handler->execSytelineQuery("item_info", {"a01"}, true);
      }
      return false;
    });
  }

  static std::string wrap(const PathCase& c) {
    if (c.raw) return c.reply;
    if (c.path == Path::kOW) return ErpSimReply::businessObjectComma(c.reply);
    if (c.path == Path::kBDE) return ErpSimReply::erpLnResponse(c.reply);
    return c.reply;
  }
};

TEST_F(ReplyPolicyTest, EachPathReadsTheSameRepliesInItsOwnWay) {
  const std::vector<PathCase> cases = {
      // plain success: shown as message id "successful", RTCIM as the line "Transaction Sent"
      {Path::kOW, "0,0,Done", false, "true", "id:successful", "", "", kOld, kOk},
      {Path::kBDE, "0,0,Done", false, "true", "id:successful", "", "", kOld, kOk},
      {Path::kBTA, "0,0,Done", false, "true", "id:successful", "", "", kOld, kOk},
      {Path::kRTCIM, "0,0,Done", false, "true", "line:Transaction Sent", "", "", kOld, kOk},
      // driver failure: ERP LN only shows "ddc_error"; the web service knows no function-server time-out
      {Path::kOW, "1,0,ddc_monitor: Function server gone", false, kDown, "beep 2 / " + kWindowFsTimeout, "",
       "", kOld, kErr},
      {Path::kBDE, "1,0,ddc_monitor: Function server gone", false, kDown, "id:ddc_error", "", "", kOld, -1},
      {Path::kBTA, "1,0,ddc_monitor: Function server gone", false, kDown, "beep 2 / id:ddc_error", "", "",
       kOld, kErr},
      {Path::kRTCIM, "1,0,ddc_monitor: Function server gone", false, kDown, "beep 2 / " + kWindowFsTimeout,
       "", "", kOld, kErr},
      // 97 is data for ERP LN only; elsewhere an error list (fserverMesg kept by web service and RTCIM)
      {Path::kOW, "1,97,res.xml", false, kFailed, "beep 2 / baan:res.xml", "97", "", {"res.xml"}, kErr},
      {Path::kBDE, "1,97,res.xml", false, kData, "", "97", "res.xml", {"res.xml"}, kOk},
      {Path::kBTA,
       "1,97,res.xml",
       false,
       kFailed,
       "beep 2 / window:BTA Message|res.xml|Press Enter",
       "97",
       "res.xml",
       {"res.xml"},
       kErr},
      {Path::kRTCIM,
       "1,97,res.xml",
       false,
       kFailed,
       "beep 2 / baan:res.xml",
       "97",
       "res.xml",
       {"res.xml"},
       kErr},
      // 98: "98 message" with the fields, but for RTCIM a success whose fragment is stored as a row
      {Path::kOW, kRow, false, kData, "", "98", kRowMessage, {kRowMessage}, kOk},
      {Path::kBDE, kRow, false, kData, "", "98", kRowMessage, {kRowMessage}, kOk},
      {Path::kBTA, kRow, false, kData, "", "98", kRowMessage, {kRowMessage}, kOk},
      {Path::kRTCIM, kRow, false, "true", "", "98", kRowMessage, kOld, kOk},
      // tolerance from 900 for ERP LN (with the fields), from 901 elsewhere
      {Path::kOW, "1,900,x", false, kFailed, "beep 2 / baan:x", "900", "", {"x"}, kErr},
      {Path::kBDE, "1,900,x", false, kTolerance, "", "900", "x", {"x"}, -1},
      {Path::kBTA,
       "1,900,x",
       false,
       kFailed,
       "beep 2 / window:BTA Message|x|Press Enter",
       "900",
       "x",
       {"x"},
       kErr},
      {Path::kRTCIM, "1,900,x", false, kFailed, "beep 2 / baan:x", "900", "x", {"x"}, kErr},
      {Path::kOW, "1,901,late", false, kTolerance, "", "901", "late", kOld, -1},
      {Path::kBDE, "1,901,late", false, kTolerance, "", "901", "late", {"late"}, -1},
      {Path::kBTA, "1,901,late", false, kTolerance, "", "901", "late", kOld, -1},
      {Path::kRTCIM, "1,901,late", false, kTolerance, "", "901", "late", kOld, -1},
      // the status is trimmed for business objects and ERP LN only
      {Path::kOW, " 1,5,e1,first", false, kFailed, "beep 2 / baan:e1,first", "5", "", {"e1,first"}, kErr},
      {Path::kBDE, " 1,5,e1,first", false, kFailed, "beep 2 / baan:e1,first", "5", "", {"e1,first"}, kErr},
      {Path::kBTA, " 1,5,e1,first", false, "NumberFormatError", "", "", "", kOld, -1},
      {Path::kRTCIM, " 1,5,e1,first", false, "NumberFormatError", "", "", "", kOld, -1},
      // no second comma
      {Path::kOW, "1,5", false, kDown, "line:OW 1,5", "", "", kOld, -1},
      {Path::kBDE, "1,5", false, kDown, "line:OW 1,5", "", "", kOld, -1},
      {Path::kBTA, "1,5", false, "IndexOutOfRange", "", "", "", kOld, -1},
      {Path::kRTCIM, "1,5", false, "IndexOutOfRange", "", "", "", kOld, -1},
      // a status text without a comma
      {Path::kOW, "Server not ready", false, kDown, "line:Server not ready", "", "", kOld, kErr},
      {Path::kBDE, "Server not ready", false, kDown, "baan:OW Server not ready", "", "", kOld, kErr},
      {Path::kBTA, "Server not ready", false, kDown, "beep 2 / line:Server not ready", "", "", kOld, kErr},
      {Path::kRTCIM, "Server not ready", false, kDown, "beep 2 / line:Server not ready", "", "", kOld, kErr},
      // router words: searched in the whole reply (business object, ERP LN with beeps, Syteline), or compared
      // whole as the payload (web service, RTCIM: each with its own message ids)
      {Path::kOW, "~~DOWN", true, kDown, kWindowDown, "", "", kOld, kErr},
      {Path::kBDE, "~~DOWN", true, kDown, "beep 2 / " + kWindowDown, "", "", kOld, kErr},
      {Path::kBTA, "~~DOWN", true, kDown, "beep 2 / id:bta_down", "", "", kOld, kErr},
      {Path::kRTCIM, "~~DOWN", true, kDown, "beep 2 / id:ddc_down", "", "", kOld, kErr},
      {Path::kSyteline, "~~DOWN", true, "DriverDown: Skerrymantle is Down", "id:ddc_down", "", "", {}, -1},
      {Path::kOW, "x ~~BUSY y", true, kDown, "id:ddc_busy", "", "", kOld, kErr},
      {Path::kBDE, "x ~~BUSY y", true, kDown, "beep 2 / id:ddc_busy", "", "", kOld, kErr},
      {Path::kBTA, "x ~~BUSY y", true, kDown, "beep 2 / line:x ~~BUSY y", "", "", kOld, kErr},
      {Path::kRTCIM, "x ~~BUSY y", true, kDown, "beep 2 / line:x ~~BUSY y", "", "", kOld, kErr},
      {Path::kSyteline,
       "x ~~BUSY y",
       true,
       "DriverDown: Skerrymantle is Down",
       "id:ddc_busy",
       "",
       "",
       {},
       -1},
      {Path::kOW, "~~NOTFOUND", true, kDown, kNotFoundLine, "", "", kOld, kErr},
      {Path::kBDE, "~~NOTFOUND", true, kDown, "beep 2 / " + kNotFoundLine, "", "", kOld, kErr},
      {Path::kBTA, "~~NOTFOUND", true, kDown, "beep 2 / " + kNotFoundLine, "", "", kOld, kErr},
      {Path::kRTCIM, "~~NOTFOUND", true, kDown, "beep 2 / " + kNotFoundLine, "", "", kOld, kErr},
      {Path::kSyteline,
       "~~NOTFOUND",
       true,
       "DriverDown: Skerrymantle is Down",
       kNotFoundLine,
       "",
       "",
       {},
       -1},
      {Path::kOW, "x~~TIMEOUTy", true, kDown, kWindowTimeout, "", "", kOld, kErr},
      {Path::kBDE, "x~~TIMEOUTy", true, kDown, "beep 2 / " + kWindowTimeout, "", "", kOld, kErr},
      {Path::kBTA, "x~~TIMEOUTy", true, kDown, "beep 2 / " + kWindowTimeout, "", "", kOld, kErr},
      {Path::kRTCIM, "x~~TIMEOUTy", true, kDown, "beep 2 / " + kWindowTimeout, "", "", kOld, kErr},
      {Path::kSyteline, "x~~TIMEOUTy", true, "XmlReplyError", "", "", "", {}, -1},
      {Path::kOW, ErpSimReply::kUriSocketFailure, true, kDown, kWindowDown, "", "", kOld, kErr},
      {Path::kBDE, ErpSimReply::kUriSocketFailure, true, kDown, "beep 2 / " + kWindowDown, "", "", kOld,
       kErr},
      {Path::kBTA, ErpSimReply::kUriSocketFailure, true, kDown,
       "beep 2 / line:" + ErpSimReply::kUriSocketFailure, "", "", kOld, kErr},
      // "Failed to open connection" is a router word of ERP LN only
      {Path::kOW, ErpSimReply::kOpenConnectionFailure, true, kDown,
       "line:SKM " + ErpSimReply::kOpenConnectionFailure, "", "", kOld, kErr},
      {Path::kBDE, ErpSimReply::kOpenConnectionFailure, true, kDown, "beep 2 / " + kWindowDown, "", "", kOld,
       kErr},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(std::string(name(c.path)) + " " + c.reply);
    transaction->fserverMesgFields = {"old"};
    transaction->fserverErrorCode = "stale";
    transaction->fserverMesg = "stale";
    transaction->transactionStatus = -1;
    screen.take();
    sim.reply(wrap(c));
    EXPECT_EQ(run(c.path), c.outcome);
    EXPECT_EQ(screen.take(), c.shown);
    EXPECT_EQ(transaction->fserverErrorCode, c.code);
    EXPECT_EQ(transaction->fserverMesg, c.mesg);
    EXPECT_EQ(transaction->fserverMesgFields, c.fields);
    EXPECT_EQ(transaction->transactionStatus, c.status);
  }
  EXPECT_EQ(sim.requestCount(), cases.size());  // one request per row, none resent
}

}  // namespace
}  // namespace tev::testing
