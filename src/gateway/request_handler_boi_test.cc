// Business-object requests: the switch of function-server calls by request_type, the XML request line, the
// two reply forms (comma text and error document) and requests that cannot be built.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gateway/back_end_test_support.h"
#include "gateway/boi_error_parser.h"
#include "gateway/boi_response_parser.h"

namespace tev::testing {
namespace {

using sim::ErpSimReply;

class BusinessObjectTest : public BackEndTest {
 protected:
  // The settings of the documented example: object Obj, method Run, ...
  void exampleSettings(Settings extra = {}) {
    Settings settings = {
        {{"boi", "driver_boi_name"}, "Obj"},   {{"boi", "driver_boi_funt"}, "Run"},
        {{"boi", "driver_boi_tagname"}, "In"}, {{"boi", "field_seperator"}, ";"},
        {{"boi", "fs_recordset_name"}, "Fs"},  {{"boi", "fs_name_tagname"}, "Nm"},
        {{"boi", "fs_funt_tagname"}, "Fn"},    {{"boi", "fs_prefix_tagname"}, "Px"},
        {{"boi", "output_recordset"}, "Out"},  {{"boi", "organizational_entity"}, "Org"},
        {{"boi", "xml_encoding"}, "UTF-8"},    {{"boi", "skerrymantle_output_type"}, "comma"}};
    for (const auto& [path, value] : extra) settings[path] = value;
    writeSettings(settings);
    user.setParameterValue("company", "100");
    user.setParameterValue("request_type", "OW");
    auto statement = std::make_shared<FServerStatement>();
    statement->id = "pair";
    statement->fserverName = "srv";
    statement->function = "fun";
    statement->noOfParams = 2;
    statement->addArgument("a", std::nullopt);
    statement->addArgument("b", std::nullopt);
    transaction->fserverStatements["pair"] = statement;
  }

  std::string header() const { return "RF01" + FS + "USER1" + FS + "prod" + FS + "Receipts" + FS; }
};

TEST_F(BusinessObjectTest, RequestLineIsTheHeaderAndTheXmlRequest) {
  exampleSettings();
  sim.reply(ErpSimReply::businessObjectComma("0,0,Done"));
  EXPECT_EQ(outcome([&] { return handler->callFunctionServer("pair", {"A,1", ""}, true, false); }), "true");
  ASSERT_EQ(sentLines().size(), 1u);
  EXPECT_EQ(
      sentLines()[0],
      header() +
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Request><ObjectName>Obj</ObjectName><ComponentName>cn="
          "OW100,o=Org</ComponentName><MethodName>Run</MethodName><Parameters><RecordSetObj><Obj><In>A|1;</"
          "In>"
          "</Obj></RecordSetObj><RecordSetFs><Fs><Nm>srv</Nm><Fn>fun</Fn><Px>1</Px></Fs></RecordSetFs>"
          "<RecordSetOut><Out/></RecordSetOut></Parameters></Request>");
  const sim::ErpSimRequest request = sim.requests()[0];
  EXPECT_EQ(request.path, sim::BackEndPath::kBusinessObject);
  EXPECT_EQ(request.objectName, "Obj");
  EXPECT_EQ(request.methodName, "Run");
  EXPECT_EQ(request.componentName, "cn=OW100,o=Org");
  EXPECT_EQ(request.boiArguments, "A|1;");
  EXPECT_EQ(request.server, "srv");
  EXPECT_EQ(request.function, "fun");
  EXPECT_EQ(request.customerPrefix, "1");
}

TEST_F(BusinessObjectTest, ValuesAreEscapedAndTheCustomerCodeKeepsItsBlanks) {
  exampleSettings({{{"skerrymantle", "customer_code"}, "X1 "}});
  sim.reply(ErpSimReply::businessObjectComma("0,0,Done"));
  EXPECT_EQ(outcome([&] {
              return handler->callFunctionServer("pair", {"A,B&C", "<x>"}, true, false);
            }),
            "true");
  EXPECT_EQ(sim.requests()[0].boiArguments, "A|B&C;<x>");  // as the router reads the XML back
  EXPECT_THAT(sentLines()[0], ::testing::HasSubstr("<In>A|B&amp;C;&lt;x&gt;</In>"));
  EXPECT_THAT(sentLines()[0], ::testing::HasSubstr("<Px>X1 </Px>"));
}

TEST_F(BusinessObjectTest, RequestTypeDecidesThePathOfEveryFunctionServerCall) {
  exampleSettings();
  const std::vector<std::pair<std::optional<std::string>, sim::BackEndPath>> cases = {
      {"OW", sim::BackEndPath::kBusinessObject}, {"ow", sim::BackEndPath::kBusinessObject},
      {"Ow", sim::BackEndPath::kBusinessObject}, {"DDC", sim::BackEndPath::kNone},
      {"OWX", sim::BackEndPath::kNone},          {std::nullopt, sim::BackEndPath::kNone}};
  for (const auto& [type, path] : cases) {
    SCOPED_TRACE(type.value_or("(none)"));
    UserData fresh;
    fresh.setUserName("USER1");
    fresh.setParameterValue("company", "100");
    if (type) fresh.setParameterValue("request_type", *type);
    handler->context().user = [&fresh]() -> const UserData* { return &fresh; };
    sim.clearRecords();
    sim.reply(path == sim::BackEndPath::kNone ? ErpSimReply::success()
                                              : ErpSimReply::businessObjectComma("0,0,Done"));
    EXPECT_EQ(outcome([&] { return handler->callFunctionServer("pair", {"a", "b"}, true, false); }), "true");
    ASSERT_EQ(sim.requests().size(), 1u);
    EXPECT_EQ(sim.requests()[0].path, path);
    if (path == sim::BackEndPath::kNone) {
      EXPECT_EQ(sim.requests()[0].kind, sim::RequestKind::kFunctionServer);
    }
  }
}

TEST_F(BusinessObjectTest, ErrorDocumentCarriesTheStatusLine) {
  exampleSettings({{{"boi", "skerrymantle_output_type"}, "xml"}});
  sim.reply(ErpSimReply::businessObjectDocument("  1,4,Input details not found "));
  EXPECT_EQ(outcome([&] {
              return handler->callFunctionServer("pair", {"a", "b"}, true, false);
            }),
            "FunctionServerFailed: Function call failed");
  EXPECT_EQ(transaction->fserverErrorCode, "4");
  EXPECT_EQ(transaction->fserverMesgFields, std::vector<std::string>{"Input details not found"});
  EXPECT_EQ(screen.take(), "beep 2 / baan:Input details not found");

  sim.reply(ErpSimReply::businessObjectDocument("1,98,A~B~"));
  EXPECT_EQ(outcome([&] {
              return handler->callFunctionServer("pair", {"a", "b"}, true, false);
            }),
            "FunctionServerFailed: 98 message");
  EXPECT_EQ(transaction->fserverMesgFields, (std::vector<std::string>{"A", "B", ""}));

  // A reply that is no XML reaches the caller; one without an error document ends as a driver failure.
  sim.reply("<Errors><error>");
  EXPECT_EQ(outcome([&] {
              return handler->callFunctionServer("pair", {"a", "b"}, true, false);
            }),
            "XmlReplyError");
  sim.reply("<Other/>");
  EXPECT_EQ(outcome([&] {
              return handler->callFunctionServer("pair", {"a", "b"}, true, false);
            }),
            "DriverDown: DDC Driver is down");
}

TEST_F(BusinessObjectTest, CommaRepliesKeepTheirStatusTextAfterTheSecondComma) {
  exampleSettings();
  sim.reply(ErpSimReply::businessObjectComma("0,98,x"));  // status 0 is tested before the data codes
  EXPECT_EQ(outcome([&] { return handler->callFunctionServer("pair", {"a", "b"}, true, true); }), "true");
  EXPECT_EQ(screen.take(), "id:successful");
}

TEST_F(BusinessObjectTest, StatementsThatCannotBeSentAreStoppedBeforeSending) {
  exampleSettings();
  EXPECT_EQ(outcome([&] { return handler->callFunctionServer("nope", {"a"}, true, false); }),
            "DriverDown: Invalid Function Server");
  EXPECT_EQ(screen.take(),
            "window:Error Message|Function Server definition not found|Press Enter to continue");
  EXPECT_EQ(outcome([&] { return handler->callFunctionServer("pair", {"a"}, true, false); }),
            "DriverDown: Invalid No.of Arguments");
  EXPECT_THAT(screen.take(), ::testing::HasSubstr("XML File FServer Fields Count:2 Input Values Count:1"));
  EXPECT_EQ(sim.requestCount(), 0u);
}

TEST_F(BusinessObjectTest, BodyFormPutsTheHeaderInFront) {
  exampleSettings();
  sim.reply(ErpSimReply::businessObjectComma("0,0,Done"));
  EXPECT_EQ(outcome([&] {
              return handler->processOpenWorldTransaction(std::string("<?xml version=\"1.0\"?><R/>"), true,
                                                          false);
            }),
            "true");
  EXPECT_EQ(sentLines()[0], header() + "<?xml version=\"1.0\"?><R/>");
}

TEST(BoiParsers, ErrorAndResultDocuments) {
  BoiErrorParser errors;
  std::optional<BoiError> error = errors.getErrorInformation(
      "<BaanErrorDoc><e><ErrorDescription>1,5,a</ErrorDescription><errorText>b<i/>c</errorText></e>"
      "</BaanErrorDoc>");
  ASSERT_TRUE(error);
  EXPECT_EQ(error->errorDesc,
            "1,5,ab\x1c"
            "c\x1c");
  EXPECT_FALSE(errors.getErrorInformation("<none/>"));

  std::optional<std::vector<BoiResponse>> results = BoiResponseParser().getResultInformation(
      "<x><RecordSetB50cGenResultDoc><r><resultstatus>1</resultstatus><resultdescription>d</"
      "resultdescription>"
      "</r><r/></RecordSetB50cGenResultDoc></x>");
  ASSERT_TRUE(results);
  ASSERT_EQ(results->size(), 2u);
  EXPECT_EQ((*results)[0].toString(), " Result Status = 1  resultCode = 0  resultDesc = d");
  EXPECT_EQ((*results)[1].resultStatus, "0");
  EXPECT_FALSE(BoiResponseParser().getResultInformation("<x/>"));
}

}  // namespace
}  // namespace tev::testing
