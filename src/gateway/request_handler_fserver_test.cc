// Function-server calls: the request line, the coded replies with what the operator sees and what the
// running transaction keeps, router conditions, statements that cannot be sent, and the log-in request.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/param_manager.h"
#include "gateway/gateway_test_support.h"

namespace tev::testing {
namespace {

using sim::ErpSimReply;
using ::testing::ElementsAre;

class FunctionServerTest : public GatewayTest {
 protected:
  // Calls "receive" and returns the exception's text ("" for a plain success, the type's name first).
  std::string call(bool showErrors = true, bool showSuccess = false) {
    try {
      handler->callFunctionServer("receive", {"a01", "5", "red"}, showErrors, showSuccess);
      return "";
    } catch (const FunctionServerFailedException& e) {
      return "FunctionServerFailed: " + e.getMessage();
    } catch (const DriverDownException& e) {
      return "DriverDown: " + e.getMessage();
    }
  }
};

TEST_F(FunctionServerTest, RequestLineCarriesHeaderCompanyAndFunctionString) {
  writeSettings({{{"skerrymantle", "customer_code"}, "X1 "}});
  sim.reply(ErpSimReply::success());
  EXPECT_EQ(call(), "");
  ASSERT_EQ(sentLines().size(), 1u);
  EXPECT_EQ(sentLines()[0], "RF01" + FS + "USER1" + FS + "prod" + FS + "Receipts" + FS +
                                " DDCAB1,3,tdilc0001X1 ,f.receive,A01,5,red");
  sim::ErpSimRequest request = sim.requests()[0];
  EXPECT_EQ(request.kind, sim::RequestKind::kFunctionServer);
  EXPECT_EQ(request.company, "AB1");
  EXPECT_THAT(request.values, ElementsAre("A01", "5", "red"));
  EXPECT_TRUE(logs.contains("Function String: 3,tdilc0001X1 ,f.receive,A01,5,red"));
}

TEST_F(FunctionServerTest, SeparatorsAndLineEndsInValuesBecomeBlanks) {
  transaction->title = "Rec\neipts";
  sim.reply(ErpSimReply::success());
  EXPECT_EQ(handler->callFunctionServer("receive",
                                        {"a\x1c"
                                         "01",
                                         "5", "red\r\nblue"},
                                        true, false),
            true);
  EXPECT_EQ(sentLines()[0], "RF01" + FS + "USER1" + FS + "prod" + FS + "Rec eipts" + FS +
                                " DDCAB1,3,tdilc0001,f.receive,A 01,5,red  blue");
  EXPECT_TRUE(logs.contains("replaced by blanks"));
}

struct CodedCase {
  std::string payload;
  std::string outcome;
  std::string errorCode;
  std::string mesg;
  std::vector<std::string> fields;  // fserverMesgFields afterwards ("kept" cases start from {"old"})
  int status;
};

TEST_F(FunctionServerTest, CodedRepliesSetTheTransactionAndThrowByKind) {
  const std::vector<CodedCase> cases = {
      {"0,0,Done", "", "", "", {"old"}, Transaction::AFTER_SUCCESSFUL_COMPLETION},
      {"0,98,A~B", "", "", "", {"old"}, Transaction::AFTER_SUCCESSFUL_COMPLETION},
      {"1,98,A01~~C",
       "FunctionServerFailed: 98 message",
       "98",
       "A01~~C",
       {"A01", "", "C"},
       Transaction::AFTER_SUCCESSFUL_COMPLETION},
      {"1,98,Blue, large~10~",
       "FunctionServerFailed: 98 message",
       "98",
       "Blue, large~10~",
       {"Blue, large", "10", ""},
       Transaction::AFTER_SUCCESSFUL_COMPLETION},
      {"1,99,/baan/qry/r1.txt",
       "FunctionServerFailed: 98 message",
       "99",
       "/baan/qry/r1.txt",
       {"/baan/qry/r1.txt"},
       Transaction::AFTER_SUCCESSFUL_COMPLETION},
      {"1,901,Qty above tolerance",
       "FunctionServerFailed: Tolerance message",
       "901",
       "Qty above tolerance",
       {"old"},
       -1},
      {"1,900,x",
       "FunctionServerFailed: Function call failed",
       "900",
       "x",
       {"x"},
       Transaction::AFTER_PROCESSING_ERROR},
  };
  for (const CodedCase& c : cases) {
    SCOPED_TRACE(c.payload);
    transaction->fserverMesgFields = {"old"};
    transaction->transactionStatus = -1;
    transaction->fserverErrorCode = "stale";
    sim.reply(c.payload);
    EXPECT_EQ(call(false), c.outcome);
    EXPECT_EQ(transaction->fserverErrorCode, c.errorCode);
    EXPECT_EQ(transaction->fserverMesg, c.mesg);
    EXPECT_EQ(transaction->fserverMesgFields, c.fields);
    EXPECT_EQ(transaction->transactionStatus, c.status);
  }
  EXPECT_EQ(peer.inputWaits(), 0);  // none of these shows anything that waits
}

TEST_F(FunctionServerTest, ErrorListIsShownMessageByMessageWhenAsked) {
  sim.reply(ErpSimReply::errorList({{5, "Item not found"}, {7, "Location blocked"}}));
  peer.enter().enter();
  EXPECT_EQ(call(true), "FunctionServerFailed: Function call failed");
  EXPECT_EQ(transaction->fserverErrorCode, "5");
  EXPECT_THAT(transaction->fserverMesgFields, ElementsAre("Item not found", "Location blocked"));
  sim::ScreenModel first = shownAt(0);
  EXPECT_EQ(first.line(2), "BAAN MESSAGE");
  EXPECT_EQ(first.line(4), "Item not found");
  EXPECT_EQ(errorLine(first), "Press Enter");
  EXPECT_EQ(shownAt(1).line(4), "Location blocked");
  EXPECT_EQ(shownAt(1).bells(), 4);

  sim.reply(ErpSimReply::errorList({{5, "Item not found"}}));
  EXPECT_EQ(call(false), "FunctionServerFailed: Function call failed");
  EXPECT_EQ(peer.inputWaits(), 2);
}

TEST_F(FunctionServerTest, DriverFailureShowsErrorOrFunctionServerTimeout) {
  sim.reply(ErpSimReply::driverFailure("other")).reply(ErpSimReply::functionServerTimeout());
  peer.enter().enter();
  EXPECT_EQ(call(), "DriverDown: DDC Driver is down");
  EXPECT_EQ(errorLine(shownAt(0)), "Driver error");
  EXPECT_EQ(transaction->transactionStatus, Transaction::AFTER_PROCESSING_ERROR);
  EXPECT_EQ(call(), "DriverDown: DDC Driver is down");
  sim::ScreenModel window = shownAt(1);
  EXPECT_EQ(window.line(2), "Error Message");
  EXPECT_EQ(window.line(4), "Function Server Time");
  EXPECT_EQ(window.line(5), "out!!!,Please re-try");
  EXPECT_EQ(window.line(6), " later");
  EXPECT_EQ(errorLine(window), "Press Enter To Continue");
}

TEST_F(FunctionServerTest, PlainSuccessShowsSuccessfulWhenAsked) {
  sim.reply(ErpSimReply::success()).reply(ErpSimReply::success());
  peer.enter().enter();
  EXPECT_EQ(call(true, true), "");
  EXPECT_EQ(errorLine(shownAt(0)), "Done");
  EXPECT_TRUE(handler->callFunctionServer("receive", {"a", "1", "b"}, true));  // showSuccess by default
  EXPECT_EQ(peer.inputWaits(), 2);
}

struct ConditionCase {
  std::string payload;
  std::string screen;  // the error line, or the window's message row
};

TEST_F(FunctionServerTest, RouterConditionsBeepTwiceAndReportTheDriverDown) {
  const std::vector<ConditionCase> cases = {
      {"~~DOWN", "Driver is down"},
      {"~~BUSY", "Driver is busy"},
      {"~~NOTFOUND", "Driver Not Found for company AB1"},
      {"~~INVALID", "~~INVALID"},
      {"Router restarting", "Router restarting"},
  };
  std::size_t wait = 0;
  for (const ConditionCase& c : cases) {
    SCOPED_TRACE(c.payload);
    transaction->transactionStatus = -1;
    sim.reply(c.payload);
    peer.enter();
    const int bells = peer.screen().bells();
    EXPECT_EQ(call(), "DriverDown: DDC Driver is down");
    EXPECT_EQ(errorLine(shownAt(wait)), c.screen);
    EXPECT_EQ(shownAt(wait).bells() - bells, 2);
    EXPECT_EQ(transaction->transactionStatus, Transaction::AFTER_PROCESSING_ERROR);
    ++wait;
  }
  sim.reply("x~~TIMEOUTy");
  peer.enter();
  EXPECT_EQ(call(), "DriverDown: DDC Driver is down");
  sim::ScreenModel window = shownAt(wait);
  EXPECT_EQ(window.line(2), "Error Message");
  EXPECT_EQ(window.line(4), "Did Not Receive Resp");
  EXPECT_EQ(errorLine(window), "Press Enter to continue");
}

TEST_F(FunctionServerTest, StatementsThatCannotBeSentAreStoppedBeforeSending) {
  peer.enter().enter().enter();
  try {
    handler->callFunctionServer("nope", {}, true);
    FAIL();
  } catch (const DriverDownException& e) {
    EXPECT_EQ(e.getMessage(), "Invalid Function Server");
  }
  EXPECT_EQ(shownAt(0).line(4), "Function Server defi");

  try {
    handler->callFunctionServer("receive", {"a", "1"}, true);
    FAIL();
  } catch (const DriverDownException& e) {
    EXPECT_EQ(e.getMessage(), "Invalid No.of Arguments");
  }
  EXPECT_EQ(shownAt(1).line(4), "Invalid no.of argume");

  try {
    handler->callFunctionServer("receive", {"a", "1", std::string(216, 'x')}, true);
    FAIL();
  } catch (const DriverDownException& e) {
    EXPECT_EQ(e.getMessage(), "Invalid Input String Length");
  }
  EXPECT_EQ(shownAt(2).line(4), " Length of Input Str");
  EXPECT_EQ(sim.requestCount(), 0u);
}

TEST_F(FunctionServerTest, OpenWorldRequestTypeTakesTheBusinessObjectPath) {
  user.setParameterValue("request_type", "ow");
  sim.reply(ErpSimReply::businessObjectDocument("0,0,Done"));
  EXPECT_EQ(call(), "");
  ASSERT_EQ(sim.requestCount(), 1u);
  EXPECT_EQ(sim.requests()[0].path, sim::BackEndPath::kBusinessObject);
}

TEST_F(FunctionServerTest, BackendUserPrefixGoesBeforeTheUserArgument) {
  auto statement = std::make_shared<FServerStatement>();
  statement->id = "whoami";
  statement->fserverName = "tccom0001";
  statement->function = "f.user";
  statement->noOfParams = 1;
  statement->addArgument("user", BaanFieldDef("user", "string", "left", "lower", 8));
  transaction->fserverStatements["whoami"] = statement;
  ParamManager params;
  handler->context().paramManager = &params;  // no parameter files: the prefix reads as ""
  sim.reply(ErpSimReply::success());
  EXPECT_TRUE(handler->callFunctionServer("whoami", {"USER1"}, true, false));
  EXPECT_EQ(sim.requests()[0].values, std::vector<std::string>{"user1"});
}

// --- log-in --------------------------------------------------------------------------------------------

class LoginTest : public GatewayTest {
 protected:
  std::string login() {
    try {
      return handler->callAuthenticationService("u", "secret", "c", "d", "e") ? "accepted" : "false";
    } catch (const NtLogonFailedException& e) {
      return "NtLogonFailed: " + e.getMessage();
    } catch (const DriverDownException& e) {
      return "DriverDown: " + e.getMessage();
    }
  }
};

TEST_F(LoginTest, LoginLineHasNoUserAndHidesTheTexts) {
  sim.reply(ErpSimReply::loginAccepted("welcome"));
  EXPECT_EQ(login(), "accepted");
  EXPECT_EQ(sentLines()[0], "RF01" + FS + FS + "prod" + FS + "Receipts" + FS + "LOGINP u" + FS + "secret" +
                                FS + "c" + FS + "d" + FS + "e");
  EXPECT_EQ(sim.requests()[0].kind, sim::RequestKind::kLogin);
  EXPECT_EQ(transaction->fserverErrorCode, "0");
  EXPECT_EQ(transaction->fserverMesg, "welcome");
  for (const log::Line& line : logs.lines())  // the simulator's own log shows what it received
    if (line.logger != "tev.sim.ErpSim") {
      EXPECT_EQ(line.text.find("secret"), std::string::npos) << line.text;
    }
}

TEST_F(LoginTest, RefusedLoginCarriesTheReplyMessage) {
  sim.reply(ErpSimReply::loginRejected("Wrong password", "17"));
  EXPECT_EQ(login(), "NtLogonFailed: Wrong password");
  EXPECT_EQ(transaction->fserverErrorCode, "17");
}

TEST_F(LoginTest, RouterConditionsAreSearchedInTheWholeLine) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"~~DOWN", "DriverDown: Authentication service is down"},
      {"~~BUSY", "DriverDown: Authentication Service is busy"},
      {"~~NOTFOUND", "DriverDown: Authentication service is notfound"},
      {"~~INVALID", "DriverDown: Authentication service not found"},
      {"0\x1c"
       "0\x1cx~~TIMEOUT",
       "DriverDown: DDC Driver is down"},
      {"no separator", "DriverDown: Authentication service is down"},
  };
  const std::vector<std::string> screens = {"Login down", "Login busy", "Authentication Servi",
                                            "Authentication Servi", "Error Message"};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].first);
    sim.reply(cases[i].first);
    if (i < screens.size()) peer.enter();
    EXPECT_EQ(login(), cases[i].second);
    if (i < 4) {
      EXPECT_EQ(shownAt(i).attributed(15, sim::kReverse), screens[i]);
    }
  }
  EXPECT_EQ(shownAt(4).line(2), "Error Message");
  EXPECT_EQ(peer.inputWaits(), 5);  // the router message without separator is only logged
  EXPECT_TRUE(logs.contains("Router message: no separator"));
}

TEST_F(LoginTest, LostConnectionIsNotResent) {
  sim.reply(sim::ErpSimAction::closeWithoutReply()).reply(ErpSimReply::loginAccepted());
  peer.enter();
  EXPECT_EQ(login(), "DriverDown: unable_to_establish_connection");
  EXPECT_EQ(sim.requestCount(), 1u);
  EXPECT_EQ(errorLine(shownAt(0)), "No connection");
  EXPECT_FALSE(handler->isConnected());
}

}  // namespace
}  // namespace tev::testing
