// ERP LN requests: the SOAP request line (records, rows, nested lines), faults, the status line of outData,
// and XML result documents named by a "97" reply.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "gateway/back_end_test_support.h"
#include "gateway/bde_request.h"

namespace tev::testing {
namespace {

using sim::ErpSimReply;
using ::testing::HasSubstr;
using Values = std::vector<std::string>;

class ErpLnTest : public BackEndTest {
 protected:
  ErpLnTest() {
    auto line = std::make_shared<FServerStatement>();
    line->id = "line";
    line->fserverName = "Line";
    line->function = "add";
    line->addArgument("pos", std::nullopt);
    line->addArgument("qty", std::nullopt);
    transaction->fserverStatements["line"] = line;
  }
};

TEST_F(ErpLnTest, RequestIsASoapEnvelopeWithOneElementPerValue) {
  sim.reply(ErpSimReply::erpLnResponse("0,0,Done"));
  EXPECT_EQ(outcome([&] {
              return handler->processErplnTransaction("receive", Values{"a01", " ", "A,B&C"}, true, false);
            }),
            "true");
  const std::string header = "RF01" + FS + "USER1" + FS + "prod" + FS + "Receipts" + FS;
  EXPECT_EQ(sentLines()[0],
            header +
                "SOAAB1 <?xml version=\"1.0\" encoding='ISO-8859-1' ?>"
                "<soapenv:Envelope xmlns:soapenv='http://schemas.xmlsoap.org/soap/envelope/' xmlns:q0='" +
                bde::NAMESPACE_BASE +
                "tdilc0001' xmlns:xsd='http://www.w3.org/2001/XMLSchema' "
                "xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'><soapenv:Body><q0:f.receiveRequest>"
                "<q0:DataArea><q0:tdilc0001><item>A01</item><colour>A,B&amp;C</colour></q0:tdilc0001>"
                "</q0:DataArea></q0:f.receiveRequest></soapenv:Body></soapenv:Envelope>");
  const sim::ErpSimRequest request = sim.requests()[0];
  EXPECT_EQ(request.path, sim::BackEndPath::kErpLn);
  EXPECT_EQ(request.company, "AB1");
  EXPECT_EQ(request.function, "f.receive");
  EXPECT_EQ(request.server, "tdilc0001");
  ASSERT_EQ(request.bdeRecords.size(), 1u);
  EXPECT_EQ(request.bdeRecords[0],
            (std::map<std::string, std::string>{{"item", "A01"}, {"colour", "A,B&C"}}));
}

TEST_F(ErpLnTest, NamespaceTakesAThreeLetterCustomerCodeForTheStandardQuery) {
  transaction->getFServerStatement("receive")->fserverName = "TevStdQuery";
  const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
      {"XYZ", "TevXYZQuery"},
      {" XYZ ", "TevXYZQuery"},
      {"b999", "TevStdQuery"},
      {"XY", "TevStdQuery"},
      {std::nullopt, "TevStdQuery"}};
  for (const auto& [code, suffix] : cases) {
    SCOPED_TRACE(code.value_or("(none)"));
    writeSettings(code ? Settings{{{"skerrymantle", "customer_code"}, *code}} : Settings{});
    sim.reply(ErpSimReply::erpLnResponse("0,0,Done"));
    EXPECT_EQ(outcome([&] {
                return handler->processErplnTransaction("receive", Values{"a", "1", "b"}, true, false);
              }),
              "true");
    EXPECT_THAT(lastBody(), HasSubstr("xmlns:q0='" + bde::NAMESPACE_BASE + suffix + "'"));
  }
}

TEST_F(ErpLnTest, RowsAndNestedLines) {
  sim.reply(ErpSimReply::erpLnResponse("0,0,Done")).reply(ErpSimReply::erpLnResponse("0,0,Done"));
  EXPECT_EQ(outcome([&] {
              return handler->processErplnTransaction("line", bde::Rows{{"1", "5"}, {"2", ""}}, true, false);
            }),
            "true");
  EXPECT_EQ(sim.requests()[0].bdeRecords.size(), 2u);
  EXPECT_THAT(lastBody(),
              HasSubstr("<q0:DataArea><q0:Line><pos>1</pos><qty>5</qty></q0:Line><q0:Line><pos>2</pos>"
                        "</q0:Line></q0:DataArea>"));

  EXPECT_EQ(outcome([&] {
              return handler->processErplnTransaction("receive", Values{"a", "1", "b"}, "line",
                                                      bde::Rows{{"1", "5"}, {"2", "6"}}, true, false);
            }),
            "true");
  const sim::ErpSimRequest request = sim.requests()[1];
  ASSERT_EQ(request.bdeRecords.size(), 1u);
  EXPECT_EQ(request.bdeLines.size(), 2u);
  EXPECT_THAT(lastBody(), HasSubstr("<colour>b</colour><q0:Line><pos>1</pos>"));
  EXPECT_THAT(lastBody(), HasSubstr("<qty>6</qty></q0:Line></q0:tdilc0001>"));

  // A line statement that is not defined gives a request without lines.
  sim.reply(ErpSimReply::erpLnResponse("0,0,Done"));
  EXPECT_EQ(outcome([&] {
              return handler->processErplnTransaction("receive", Values{"a", "1", "b"}, "nope",
                                                      bde::Rows{{"1"}}, true, false);
            }),
            "true");
  EXPECT_TRUE(sim.requests()[2].bdeLines.empty());
}

TEST_F(ErpLnTest, RequestsThatCannotBeBuiltAreNotSent) {
  EXPECT_EQ(outcome([&] { return handler->processErplnTransaction("nope", Values{}, true); }),
            "DriverDown: Invalid BDE");
  EXPECT_EQ(screen.take(), "window:Error Message|BDE definition not found nope|Press Enter to continue");
  EXPECT_EQ(outcome([&] { return handler->processErplnTransaction("receive", Values{"a"}, true); }),
            "DriverDown: Invalid No.of Arguments");
  EXPECT_EQ(
      screen.take(),
      "window:Error Message|Invalid no.of arguments passed to build Driver request for BDE =tdilc0001 , "
      "Expected Length = 3 received length of Input =1|Press Enter to continue");
  EXPECT_EQ(outcome([&] {
              return handler->processErplnTransaction("line", bde::Rows{{"1", "2"}, {"1"}}, true, true);
            }),
            "DriverDown: Invalid No.of Arguments");
  EXPECT_THAT(screen.take(),
              HasSubstr("for BDE in getBDEStringWithNoHeaders =Line , Expected Length = 2 received "
                        "length of Input =1"));
  EXPECT_EQ(sim.requestCount(), 0u);
}

TEST_F(ErpLnTest, FaultsAreShownAsHostMessagesOrRouterWords) {
  sim.reply(ErpSimReply::erpLnFault({"Item blocked", "Check stock"}));
  EXPECT_EQ(outcome([&] {
              return handler->processErplnTransaction("receive", Values{"a", "1", "b"}, true);
            }),
            "FunctionServerFailed: Function call failed");
  EXPECT_EQ(screen.take(),
            "beep 2 / window:HOST MESSAGE|Item blocked|Press Enter / beep 2 / window:HOST MESSAGE|Check "
            "stock|Press "
            "Enter");
  EXPECT_EQ(transaction->fserverErrorCode, "-1");
  EXPECT_EQ(transaction->fserverMesg, "Item blocked");
  EXPECT_EQ(transaction->transactionStatus, Transaction::AFTER_PROCESSING_ERROR);

  sim.reply(ErpSimReply::erpLnFault({"Item blocked"}));
  EXPECT_EQ(outcome([&] {
              return handler->processErplnTransaction("receive", Values{"a", "1", "b"}, false);
            }),
            "FunctionServerFailed: Function call failed");
  EXPECT_EQ(screen.take(), "");

  // A router word anywhere in the reply is found before the fault is read (two beeps); one that only the
  // parsed fault text shows is reported from there, without beeps.
  sim.reply(ErpSimReply::erpLnFault({"~~BUSY"}));
  EXPECT_EQ(outcome([&] {
              return handler->processErplnTransaction("receive", Values{"a", "1", "b"}, true);
            }),
            "DriverDown: DDC Driver is down");
  EXPECT_EQ(screen.take(), "beep 2 / id:ddc_busy");
  std::string fault = ErpSimReply::erpLnFault({"BUSY"});
  fault.replace(fault.find(">BUSY<") + 1, 0, "&#126;&#126;");
  sim.reply(fault);
  EXPECT_EQ(outcome([&] {
              return handler->processErplnTransaction("receive", Values{"a", "1", "b"}, true);
            }),
            "DriverDown: DDC Driver is down");
  EXPECT_EQ(screen.take(), "id:ddc_busy");
  EXPECT_EQ(transaction->fserverErrorCode, "-1");
}

TEST_F(ErpLnTest, ResultDocumentOfA97ReplyBecomesQueryRows) {
  sim.reply(ErpSimReply::erpLnResponse("1,97,res.xml"));
  EXPECT_EQ(outcome([&] {
              return handler->processErplnTransaction("receive", Values{"a", "1", "b"}, true);
            }),
            "FunctionServerFailed: 98 message");
  EXPECT_EQ(transaction->fserverErrorCode, "97");
  EXPECT_EQ(transaction->fserverMesg, "res.xml");

  std::ofstream(sqlDir + "/res.xml") << ErpSimReply::erpLnResultDocument(
      {{{"a", "1"}, {"b", ""}}, {{"a", "Grüße & more"}, {"b", "2"}}});
  handler->parse97Message("items", transaction->fserverMesg);
  const auto* rows = std::get_if<std::vector<QryRow>>(&transaction->qryResults["items"]);
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(*rows, (std::vector<QryRow>{{{"a", "1"}, {"b", ""}}, {{"a", "Grüße & more"}, {"b", "2"}}}));

  EXPECT_THROW(handler->parse97Message("items", "missing.xml"), Error);
  EXPECT_THAT(screen.take(), HasSubstr("window:Error Message|Unable To Read SQL File :"));
  EXPECT_EQ(std::get<std::vector<QryRow>>(transaction->qryResults["items"]).size(), 2u);  // unchanged
}

}  // namespace
}  // namespace tev::testing
