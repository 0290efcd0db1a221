// Web-service requests: over the router (a caller's body, a coded status line, a "98" row in XML) and
// directly over HTTP to a local endpoint (the SOAP request, the address, the response's status, query rows
// and failures of the exchange).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gateway/back_end_test_support.h"
#include "gateway/http_test_server.h"

namespace tev::testing {
namespace {

using sim::ErpSimReply;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

// --- over the router
// ---------------------------------------------------------------------------------------------

class WebServiceRouterTest : public BackEndTest {};

TEST_F(WebServiceRouterTest, BodyGoesAsSqlWithTheCompany) {
  sim.reply("0,0,done");
  EXPECT_EQ(outcome([&] { return handler->processBTATransaction("<q a='1'/>", true, false); }), "true");
  EXPECT_EQ(sentLines()[0],
            "RF01" + FS + "USER1" + FS + "prod" + FS + "Receipts" + FS + " SQLAB1,<q a='1'/>");
  EXPECT_EQ(sim.requests()[0].path, sim::BackEndPath::kRoutedSql);
  EXPECT_EQ(sim.requests()[0].routedBody, "<q a='1'/>");

  sim.reply("2,17,x,y");
  EXPECT_EQ(outcome([&] { return handler->processBTATransaction("b", true, false); }),
            "FunctionServerFailed: Function call failed");
  EXPECT_EQ(screen.take(), "beep 2 / window:BTA Message|x,y|Press Enter");
  EXPECT_EQ(transaction->fserverErrorCode, "17");
  EXPECT_EQ(transaction->fserverMesg, "x,y");
}

TEST_F(WebServiceRouterTest, QueryStoresTheValuesOfADataReply) {
  std::vector<std::string> updated;
  handler->context().updateSqlSharedVariableMaps = [&](Transaction&, const std::string& name) {
    updated.push_back(name);
  };
  sim.reply(ErpSimReply::webServiceValues({{"a", "1"}, {"b", ""}}));
  EXPECT_EQ(outcome([&] { return handler->executeBTAQuery("q", "row", true, false); }), "true");
  EXPECT_EQ(std::get<QryRow>(transaction->qryResults["row"]), (QryRow{{"a", "1"}, {"b", ""}}));
  EXPECT_EQ(updated, std::vector<std::string>{"row"});

  sim.reply("0,98,<r><Values><a>1</a></Values></r>");  // status 0: a plain success, no data
  EXPECT_EQ(outcome([&] { return handler->executeBTAQuery("q", "row2", true, false); }), "false");
  sim.reply("1,98,<r><Other/></r>");
  EXPECT_EQ(outcome([&] { return handler->executeBTAQuery("q", "row3", true, false); }), "false");
  EXPECT_EQ(transaction->qryResults.count("row3"), 0u);
  sim.reply("1,17,bad");
  EXPECT_EQ(outcome([&] { return handler->executeBTAQuery("q", "row4", false, false); }),
            "FunctionServerFailed: Function call failed");
}

// --- directly over HTTP
// ------------------------------------------------------------------------------------------

std::string soapResponse(const std::string& inner) {
  return "<S:Envelope xmlns:S=\"http://schemas.xmlsoap.org/soap/envelope/\"><S:Body>"
         "<ns2:f.receiveResponse xmlns:ns2=\"urn:bta\"><return>" +
         inner + "</return></ns2:f.receiveResponse></S:Body></S:Envelope>";
}

class WebServiceHttpTest : public BackEndTest {
 protected:
  WebServiceHttpTest() {
    useSettings("yes");
    auto query = std::make_shared<FServerStatement>();
    query->id = "bta_query";
    query->fserverName = "QueryService";
    query->function = "f.receive";
    query->addArgument("queryNo", std::nullopt);
    query->addArgument("inputs", std::nullopt);
    transaction->fserverStatements["bta_query"] = query;
  }
  void useSettings(const std::string& withCompany) {
    writeSettings({{{"bta", "bta_web_service_base_url"}, server.base() + "/svc/"},
                   {{"bta", "use_company_in_url"}, withCompany},
                   {{"bta", "bta_name_space_urn"}, "urn:bta"}});
  }
  std::string send(std::vector<std::string> values = {"a<b&c", "5", ""}, bool showErrors = true,
                   bool showSuccess = true) {
    return outcome([&] { return handler->execBtaTransaction("receive", values, showErrors, showSuccess); });
  }

  HttpTestServer server;
};

TEST_F(WebServiceHttpTest, SoapRequestIsPostedToTheServiceAddress) {
  server.respond(200, soapResponse("<componentCallStatus>SUCCESSFUL</componentCallStatus>"));
  EXPECT_EQ(send(), "true");
  ASSERT_EQ(server.requests().size(), 1u);
  const HttpTestServer::Request request = server.requests()[0];
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.path, "/svc/AB1/tdilc0001");
  EXPECT_EQ(request.contentType, "text/xml");
  EXPECT_THAT(
      request.body,
      MatchesRegex("<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                   "xmlns:bta2=\"urn:bta\"><soapenv:Header/><soapenv:Body><bta2:f.receive><arg0><user>USER1"
                   "</user><name>RF01</name><datetime>[0-9]{6} [0-9]{2}:[0-9]{2}</datetime></arg0><arg1>"
                   "<item>a&lt;b&amp;c</item><qty>5</qty><colour></colour></arg1></bta2:f.receive>"
                   "</soapenv:Body></soapenv:Envelope>"));
  EXPECT_EQ(sim.requestCount(), 0u);  // the router is not involved

  useSettings("No");
  server.respond(200, soapResponse("<componentCallStatus>SUCCESSFUL</componentCallStatus>"));
  EXPECT_EQ(send(), "true");
  EXPECT_EQ(server.requests()[1].path, "/svc//tdilc0001");

  // The user's own base address wins unless it is empty.
  user.setParameterValue("bta_web_service_base_url", "");
  server.respond(200, soapResponse("<componentCallStatus>SUCCESSFUL</componentCallStatus>"));
  EXPECT_EQ(send(), "true");
  EXPECT_EQ(server.requests()[2].path, "/svc//tdilc0001");
  user.setParameterValue("bta_web_service_base_url", server.base() + "/mine");
  server.respond(200, soapResponse("<componentCallStatus>SUCCESSFUL</componentCallStatus>"));
  EXPECT_EQ(send(), "true");
  EXPECT_EQ(server.requests()[3].path, "/mine/tdilc0001");
}

struct StatusCase {
  std::string inner;
  std::string outcome;
  std::string shown;
  std::string code;
  std::string mesg;
  int status;
};

TEST_F(WebServiceHttpTest, ComponentCallStatusDecidesTheOutcome) {
  const std::vector<StatusCase> cases = {
      {"<componentCallStatus>Successful</componentCallStatus>", "true", "id:successful", "", "",
       Transaction::AFTER_SUCCESSFUL_COMPLETION},
      {"<componentCallStatus>FAILED</componentCallStatus><errorCode>E7</errorCode><errors><errorMessage>m1"
       "</errorMessage><errorMessage>m2</errorMessage></errors>",
       "false", "baan:m1 / baan:m2", "E7", "m1", Transaction::AFTER_PROCESSING_ERROR},
      {"<errorMessage>none</errorMessage>", "false", "baan:none", "", "none",
       Transaction::AFTER_PROCESSING_ERROR},
      {"<componentCallStatus>Partial</componentCallStatus>", "true", "", "", "", -1},
  };
  for (const StatusCase& c : cases) {
    SCOPED_TRACE(c.inner);
    transaction->transactionStatus = -1;
    server.respond(200, soapResponse(c.inner));
    EXPECT_EQ(send(), c.outcome);
    EXPECT_EQ(screen.take(), c.shown);
    EXPECT_EQ(transaction->fserverErrorCode, c.code);
    EXPECT_EQ(transaction->fserverMesg, c.mesg);
    EXPECT_EQ(transaction->transactionStatus, c.status);
  }
}

TEST_F(WebServiceHttpTest, FailedExchangesShowCommunicationFailure) {
  const std::string window = "window:BTA Error|Communication failure|Press Enter to continue";
  server.respond(500, "oops");
  EXPECT_THAT(send(), HasSubstr("HTTP 500"));
  EXPECT_EQ(screen.take(), window);
  server.respond(200, "<not-closed>");
  EXPECT_EQ(send(), "XmlReplyError");
  EXPECT_EQ(screen.take(), window);
  server.respond(200, "<S:Envelope xmlns:S=\"s\"><ns2:otherResponse/></S:Envelope>");
  EXPECT_EQ(send(), "XmlReplyError");
  EXPECT_EQ(screen.take(), window);
  writeSettings(
      {{{"bta", "bta_web_service_base_url"}, "http://127.0.0.1:1"}, {{"bta", "use_company_in_url"}, "no"}});
  EXPECT_THAT(send(), HasSubstr("failed"));
  EXPECT_EQ(screen.take(), window);

  writeSettings({});
  EXPECT_THROW(handler->execBtaTransaction("receive", {"a", "1", "b"}, true, true), InvalidSettingException);
  EXPECT_EQ(send({"a"}), "IndexOutOfRange");  // fewer values than arguments
  EXPECT_EQ(outcome([&] { return handler->execBtaTransaction("nope", {}, true, true); }),
            "DriverDown: Invalid Function Server");
}

TEST_F(WebServiceHttpTest, QueryRowsComeFromTheRowLists) {
  const std::string rows =
      "<componentCallStatus>SUCCESSFUL</componentCallStatus>"
      "<rowList><fieldValueList><name>t.item</name><value>A01</value></fieldValueList>"
      "<fieldValueList><name>t.dsca</name><value/></fieldValueList></rowList>"
      "<rowList><fieldValueList><name>t.item</name><value>B&amp;2</value></fieldValueList></rowList>";
  server.respond(200, soapResponse(rows));
  EXPECT_EQ(outcome([&] { return handler->execBtaQuery("bta_query", "list", "item_list", {"w<1"}, true); }),
            "true");
  EXPECT_EQ(std::get<std::vector<QryRow>>(transaction->qryResults["list"]),
            (std::vector<QryRow>{{{"t.item", "A01"}, {"t.dsca", ""}}, {{"t.item", "B&2"}}}));
  EXPECT_EQ(transaction->qryResultsIndices["list"][Transaction::SEL_ROW], 0);
  EXPECT_THAT(
      server.requests()[0].body,
      HasSubstr("<inputs><fieldValueList><name>whse</name><value>w&lt;1</value></fieldValueList></inputs>"));

  server.respond(200, soapResponse(rows));
  EXPECT_EQ(outcome([&] { return handler->execBtaQuery("bta_query", "one", "item_info", {"x"}, true); }),
            "true");
  EXPECT_EQ(std::get<QryRow>(transaction->qryResults["one"]), (QryRow{{"t.item", "A01"}, {"t.dsca", ""}}));

  server.respond(200, soapResponse("<componentCallStatus>SUCCESSFUL</componentCallStatus>"));
  EXPECT_EQ(outcome([&] { return handler->execBtaQuery("bta_query", "none", "item_list", {"w"}, true); }),
            "false");
  EXPECT_EQ(std::get<QryRow>(transaction->qryResults["none"]), QryRow{});

  EXPECT_EQ(outcome([&] { return handler->execBtaQuery("bta_query", "x", "no_query", {}, true); }), "false");
  EXPECT_EQ(server.requests().size(), 3u);
  screen.take();

  server.respond(500, "");
  EXPECT_EQ(outcome([&] { return handler->execBtaQuery("bta_query", "y", "item_list", {"w"}, true); }),
            "false");
  EXPECT_EQ(
      screen.take(),
      "window:BTA Error|Communication failure|Press Enter to continue / window:BTA Error|Unable to execute "
      "query|Press Enter to continue");
}

}  // namespace
}  // namespace tev::testing
