// The simulator's reading of the other back-end paths' request lines, and the reply texts it builds for them.
#include <gtest/gtest.h>

#include "sim/erp_sim_reply.h"
#include "sim/erp_sim_request.h"

namespace tev::sim {
namespace {

const std::string FS(1, kFs);

std::string line(const std::string& body) {
  return requestLine(RequestHeader{}, body);
}

TEST(ErpSimPaths, BusinessObjectRequest) {
  ErpSimRequest request = parseRequest(line(
      "<?xml version=\"1.0\"?><Request><ObjectName>Obj</ObjectName><ComponentName>cn=OW1,o=O</ComponentName>"
      "<MethodName>Run</MethodName><Parameters><RecordSetObj><Obj><In>A|1;&amp;</In></Obj></RecordSetObj>"
      "<RecordSetFs><Fs><Nm>srv</Nm><Fn>fun</Fn><Px>X1</Px></Fs></RecordSetFs><RecordSetOut><Out/></"
      "RecordSetOut>"
      "</Parameters></Request>"));
  EXPECT_EQ(request.kind, RequestKind::kOther);
  EXPECT_EQ(request.path, BackEndPath::kBusinessObject);
  EXPECT_EQ(request.objectName, "Obj");
  EXPECT_EQ(request.methodName, "Run");
  EXPECT_EQ(request.componentName, "cn=OW1,o=O");
  EXPECT_EQ(request.boiArguments, "A|1;&");
  EXPECT_EQ(request.server, "srv");
  EXPECT_EQ(request.function, "fun");
  EXPECT_EQ(request.customerPrefix, "X1");
}

TEST(ErpSimPaths, ErpLnRequestWithLines) {
  ErpSimRequest request = parseRequest(line(
      "SOAAB1 <?xml version=\"1.0\" encoding='ISO-8859-1' ?><soapenv:Envelope xmlns:soapenv='s' xmlns:q0='q'>"
      "<soapenv:Body><q0:postRequest><q0:DataArea><q0:Order><no>7</no><q0:Line><pos>1</pos></q0:Line>"
      "<q0:Line><pos>2</pos></q0:Line></q0:Order></q0:DataArea></q0:postRequest></soapenv:Body>"
      "</soapenv:Envelope>"));
  EXPECT_EQ(request.path, BackEndPath::kErpLn);
  EXPECT_EQ(request.company, "AB1");
  EXPECT_EQ(request.function, "post");
  EXPECT_EQ(request.server, "Order");
  ASSERT_EQ(request.bdeRecords.size(), 1u);
  EXPECT_EQ(request.bdeRecords[0], (std::map<std::string, std::string>{{"no", "7"}}));
  ASSERT_EQ(request.bdeLines.size(), 2u);
  EXPECT_EQ(request.bdeLines[1].at("pos"), "2");
}

TEST(ErpSimPaths, RoutedSqlAndSytelineBodies) {
  ErpSimRequest rtcim = parseRequest(line(" SQL100,2,getStock,A1,W2"));
  EXPECT_EQ(rtcim.path, BackEndPath::kRoutedSql);
  EXPECT_EQ(rtcim.company, "100");
  EXPECT_EQ(rtcim.function, "getStock");
  EXPECT_EQ(rtcim.values, (std::vector<std::string>{"A1", "W2"}));
  ErpSimRequest none = parseRequest(line(" SQL100,0,ping,"));
  EXPECT_TRUE(none.values.empty());
  ErpSimRequest bta = parseRequest(line(" SQL100,<q a='1'/>"));
  EXPECT_EQ(bta.routedBody, "<q a='1'/>");
  EXPECT_EQ(bta.function, "");

  ErpSimRequest syteline = parseRequest(
      line("SQLAB1,AB" + FS + "F" + FS + FS +
           " <sytelineUpdateRequest><updateName>U</updateName><inputs><fieldValueList><name>a</"
           "name><value>1</value>"
           "</fieldValueList><fieldValueList><inputs name='L'><fieldValueList><name>p</name><value>2</value>"
           "</fieldValueList></inputs></fieldValueList></inputs></sytelineUpdateRequest>"));
  EXPECT_EQ(syteline.kind, RequestKind::kSqlQuery);
  EXPECT_EQ(syteline.path, BackEndPath::kSyteline);
  EXPECT_EQ(syteline.sytelineRoot, "sytelineUpdateRequest");
  EXPECT_EQ(syteline.sytelineName, "U");
  EXPECT_EQ(syteline.sytelineInputs, (std::vector<std::pair<std::string, std::string>>{{"a", "1"}}));
  EXPECT_EQ(syteline.sytelineLineName, "L");
  EXPECT_EQ(syteline.sytelineLineInputs, (std::vector<std::pair<std::string, std::string>>{{"p", "2"}}));
  EXPECT_EQ(parseRequest(line(sqlBody("AB1", true, "select a from b"))).path, BackEndPath::kNone);
}

TEST(ErpSimPaths, BrokenBodiesAreNotedNeverThrown) {
  for (const std::string& body : {std::string("<?xml <Request>"), std::string("SOAAB1 <soapenv:Envelope>"),
                                  std::string("SOAnoblank"), std::string(" SQLnocomma")}) {
    SCOPED_TRACE(body);
    ErpSimRequest request = parseRequest(line(body));
    EXPECT_EQ(request.path, BackEndPath::kNone);
    EXPECT_FALSE(request.parseNote.empty());
  }
}

TEST(ErpSimPaths, ReplyTexts) {
  EXPECT_EQ(ErpSimReply::businessObjectComma("0,0,Done"), "OW,Obj,0,0,Done");
  EXPECT_EQ(ErpSimReply::rtcimRow({{"item", "A&1"}, {"qty", ""}}),
            "1,98,<r><query_result><item>A&amp;1</item><qty/></query_result></r>");
  EXPECT_EQ(ErpSimReply::sytelineCollection({"a", "b"}, {{"1", ""}}),
            "<LoadCollection><PropertyList><a/><b/></PropertyList><Items><Item><P>1</P><P/></Item></Items>"
            "</LoadCollection>");
  ErpSimReply::SytelineResult result;
  result.error = "E {k}";
  result.substitutors = {{"k", "v"}};
  EXPECT_EQ(ErpSimReply::sytelineResult(result),
            "<Result><error>E "
            "{k}</error><substitutors><s><key>k</key><value>v</value></s></substitutors></Result>");
  const std::string response = ErpSimReply::erpLnResponse("1,97,a<b.xml");
  EXPECT_NE(response.find("<outData>1,97,a&lt;b.xml</outData>"), std::string::npos);
  EXPECT_EQ(response.find('\n'), std::string::npos);  // one reply line
  EXPECT_NE(ErpSimReply::erpLnFault({"m1", "m2"}).find("<MessageDetails><Message><messageText>m2"),
            std::string::npos);
}

}  // namespace
}  // namespace tev::sim
