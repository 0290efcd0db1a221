// The router requests of an external Perl program: the body, the customer code, the request line with the
// Perl transaction's title, the reply, and the failures that reach the caller without touching the screen.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gateway/gateway_test_support.h"

namespace tev::testing {
namespace {

using sim::ErpSimAction;
using ::testing::ElementsAre;

const std::string kHeader = "RF01" + FS + "USER1" + FS + "prod" + FS + "Perl Receipt" + FS + " ";

class PerlRequestTest : public GatewayTest {};

TEST_F(PerlRequestTest, BodyAndCustomerCode) {
  struct Case {
    const char* name;
    std::optional<std::string> customerCode;
    std::string request;
    std::string body;
  };
  const std::vector<Case> cases = {
      {"body after the first blank, trimmed", std::nullopt, "SKM  DDCAB1,2,tdilc0001,f.x,A \r",
       "DDCAB1,2,tdilc0001,f.x,A"},
      {"no blank: the whole request", std::nullopt, "DDCAB1,1,tdilc0001,f.x", "DDCAB1,1,tdilc0001,f.x"},
      {"customer code after the server name", "X1", " DDCAB1,2,tdilc0001,f.x,A",
       "DDCAB1,2,tdilc0001X1,f.x,A"},
      {"blank customer code: unchanged", " ", " DDCAB1,2,tdilc0001,f.x,A", "DDCAB1,2,tdilc0001,f.x,A"},
      {"not a DDC body: no customer code", "X1", " SQLAB1,select", "SQLAB1,select"},
      {"server name too short: unchanged", "X1", " DDCAB1,2,tdi", "DDCAB1,2,tdi"},
      {"line feeds removed", std::nullopt, " DDC1,1,a\nb", "DDC1,1,ab"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeSettings(c.customerCode ? Settings{{{"skerrymantle", "customer_code"}, *c.customerCode}}
                                 : Settings{});
    sim.clearRecords();
    sim.reply(ErpSimAction::raw("SKM 0,0, done\n"));
    EXPECT_EQ(handler->processPerlProcessRequest(c.request, "Perl Receipt"), "SKM 0,0, done");
    EXPECT_THAT(sentLines(), ElementsAre(kHeader + c.body));
  }
  EXPECT_TRUE(logs.contains("Sending request\n" + kHeader + "DDCAB1,1,tdilc0001,f.x"));
}

TEST_F(PerlRequestTest, ReplyIsTrimmed) {
  sim.reply(ErpSimAction::raw("  SKM 98,0,a~b\n"));
  EXPECT_EQ(handler->processPerlProcessRequest(" DDC1,1,tdilc0001,f.x", "T"), "SKM 98,0,a~b");
}

TEST_F(PerlRequestTest, RouterDownFailsWithoutShowingAnything) {
  sim.refuseConnections();
  try {
    handler->processPerlProcessRequest(" DDC1,1,tdilc0001,f.x", "T");
    FAIL() << "no failure";
  } catch (const DriverDownException& failure) {
    EXPECT_EQ(failure.getMessage(), "Skerrymantle is Down");
  }
  EXPECT_EQ(peer.inputWaits(), 0);  // no error line waited for a key
  EXPECT_EQ(peer.screen().attributed(15, sim::kReverse), "");
}

TEST_F(PerlRequestTest, BrokenExchangeIsSentOnceMore) {
  sim.reply(ErpSimAction::closeWithoutReply()).reply(ErpSimAction::raw("SKM 0,0, ok\n"));
  EXPECT_EQ(handler->processPerlProcessRequest(" DDC1,1,tdilc0001,f.x", "T"), "SKM 0,0, ok");
  EXPECT_EQ(sentLines().size(), 2u);
  EXPECT_TRUE(logs.contains(" Re-established connection with Skerrymantle and sending data = "));
}

}  // namespace
}  // namespace tev::testing
