// Mail through the mail parameters, against a real SMTP server: TransactionLogic::sendMail and
// sendMailWithAttachment, and the request handler's mail to the configured sender.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "common/test_support.h"
#include "gateway/gateway_context.h"
#include "gateway/request_handler.h"
#include "session/transaction_logic_test_support.h"
#include "util/smtp_sink_test_support.h"

namespace tev {
namespace {

using json = nlohmann::json;
using testing::BoundLogic;
using testing::SmtpSink;

constexpr const char* kUser = "scanner";
constexpr const char* kPassword = "s3cret";
constexpr const char* kFrom = "dock@warehouse.test";
constexpr const char* kTo = "buyer@supplier.test";

class LogicMailTest : public ::testing::Test {
 protected:
  LogicMailTest() : sink(std::filesystem::path(tmp.path()) / "server", kUser, kPassword) {
    bound.params->values = {{"email/self", "yes"},         {"email/smtp_host", sink.host()},
                            {"email/pop3_host", "unused"}, {"email/username", kUser},
                            {"email/password", kPassword}, {"email/from_address", kFrom}};
    logic = &bound.bind("order");
  }

  std::string file(const std::string& name, const std::string& content) {
    std::filesystem::path p = std::filesystem::path(tmp.path()) / "files" / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
  }

  testing::TempDir tmp;
  SmtpSink sink;
  BoundLogic bound{{sim::makeForm("order", {sim::input("item", "Item:", 2, 1)})}};
  TransactionLogic* logic = nullptr;
};

TEST_F(LogicMailTest, PlainMailWithABlindCopyToTheSender) {
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(logic->sendMail("Cycle Count Request", "Please Cycle Count for Item : A1", kTo));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");

  std::vector<SmtpSink::Received> all = sink.messages();
  ASSERT_EQ(all.size(), 1u);
  const SmtpSink::Received& m = all[0];
  EXPECT_EQ(m.summary["mail_from"], kFrom);
  EXPECT_EQ(m.summary["rcpt_tos"], json::array({kTo, kFrom}));
  EXPECT_EQ(m.summary["auth_user"], kUser);
  EXPECT_EQ(m.header("From"), kFrom);
  EXPECT_EQ(m.header("To"), kTo);
  EXPECT_EQ(m.header("Subject"), "Cycle Count Request");
  EXPECT_FALSE(m.summary["multipart"]);
  EXPECT_TRUE(bound.session.logs().contains(" Into SendMessage Function in SendMail "));
}

TEST_F(LogicMailTest, NothingIsSent) {
  struct Case {
    std::string what;
    std::map<std::string, std::string> params;
    std::string recipient;
    std::string logged;  // "" : nothing in particular
  };
  std::vector<Case> cases = {
      {"two recipients", {}, "a@x.test, b@x.test", "Illegal address"},
      {"mail switched off", {{"email/self", "no"}}, kTo, ""},
      {"switch neither yes nor no", {{"email/self", "maybe"}}, kTo, "/email/self has value: maybe"},
      {"two senders", {{"email/from_address", "a@x.test, b@x.test"}}, kTo, "Illegal address"},
      {"wrong password", {{"email/password", "wrong"}}, kTo, " **** SendMail Failed ***"},
  };
  std::map<std::string, std::string> base = bound.params->values;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bound.params->values = base;
    for (const auto& [key, value] : c.params) bound.params->values[key] = value;
    log::Capture capture;
    EXPECT_FALSE(logic->sendMail("Subject", "Body", c.recipient));
    EXPECT_FALSE(logic->sendMailWithAttachment("Subject", "Body", c.recipient, file("a.txt", "A")));
    if (!c.logged.empty()) {
      EXPECT_TRUE(capture.contains(c.logged));
    }
  }
  EXPECT_TRUE(sink.messages().empty());
}

TEST_F(LogicMailTest, AttachmentsInTheirThreeForms) {
  std::string a = file("a.txt", "first");
  std::string b = file("sub/b.csv", "second");
  EXPECT_TRUE(logic->sendMailWithAttachment("One", "Body", kTo, a));
  EXPECT_TRUE(logic->sendMailWithAttachment("Files", "Body", kTo, std::vector<std::filesystem::path>{a, b}));
  EXPECT_TRUE(logic->sendMailWithAttachment("Paths", "Body", kTo, std::vector<std::string>{b}));

  std::vector<SmtpSink::Received> all = sink.messages();
  ASSERT_EQ(all.size(), 3u);
  for (const SmtpSink::Received& m : all) {
    EXPECT_TRUE(m.summary["multipart"]);
    EXPECT_EQ(m.summary["rcpt_tos"], json::array({kTo, kFrom}));
  }
  ASSERT_EQ(all[0].parts().size(), 2u);
  EXPECT_EQ(all[0].parts()[1]["filename"], a);
  ASSERT_EQ(all[1].parts().size(), 3u);
  EXPECT_EQ(all[1].parts()[1]["filename"], "a.txt");
  EXPECT_EQ(all[1].parts()[2]["filename"], "b.csv");
  ASSERT_EQ(all[2].parts().size(), 2u);
  EXPECT_EQ(all[2].parts()[1]["filename"], b);
}

TEST_F(LogicMailTest, TheRequestHandlerMailsTheConfiguredSender) {
  GatewayContext context;
  context.paramManager = bound.params.get();
  RequestHandler handler(std::move(context));
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(handler.sendMail("Result file not fetched", "q12.txt"));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");

  std::vector<SmtpSink::Received> all = sink.messages();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].summary["mail_from"], kFrom);
  EXPECT_EQ(all[0].header("To"), kFrom);
  EXPECT_EQ(all[0].header("Subject"), "Result file not fetched");
  EXPECT_EQ(all[0].summary["auth_user"], kUser);

  bound.params->values["email/password"] = "wrong";
  log::Capture capture;
  EXPECT_FALSE(handler.sendMail("Again", "text"));
  EXPECT_TRUE(capture.contains(" **** SendMail Failed ***"));
  bound.params->values["email/self"] = "no";
  EXPECT_FALSE(handler.sendMail("Off", "text"));
  EXPECT_EQ(sink.messages().size(), 1u);
}

}  // namespace
}  // namespace tev
