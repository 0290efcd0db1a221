// Reading reply lines and building request lines: the text rules alone, without a connection.
#include "gateway/router_reply.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gateway/request_line.h"

namespace tev::router {
namespace {

using ::testing::ElementsAre;

TEST(RouterReplyTest, NormalisingAndPayload) {
  EXPECT_EQ(normalizeReply("  SKM 1,98,a\nb \t"), "SKM 1,98,a b");
  EXPECT_EQ(payloadOf("SKM,x,y 0,0,ok"), "0,0,ok");  // commas before the blank do not count
  EXPECT_EQ(payloadOf("0,0,ok"), "0,0,ok");
}

TEST(RouterReplyTest, CodedReplies) {
  CodedReply data = parseCodedReply("SKM 1,98,Blue, large~10");
  EXPECT_EQ(data.kind, CodedReply::Kind::kCoded);
  EXPECT_EQ(data.status, 1);
  EXPECT_EQ(data.errorNoText, "98");
  EXPECT_EQ(data.message, "Blue, large~10");

  EXPECT_EQ(parseCodedReply("SKM ~~DOWN").kind, CodedReply::Kind::kCondition);
  EXPECT_EQ(parseCodedReply("SKM 1,98").kind, CodedReply::Kind::kMalformed);
  EXPECT_EQ(parseCodedReply("SKM 1, 98,x").kind, CodedReply::Kind::kMalformed);  // numbers are not trimmed
  EXPECT_EQ(parseCodedReply("SKM x,98,x").kind, CodedReply::Kind::kMalformed);
  EXPECT_EQ(parseCodedReply("SKM 1,99999999999,x").kind, CodedReply::Kind::kMalformed);
}

TEST(RouterReplyTest, ConditionsComparedWholeExceptTimeout) {
  EXPECT_EQ(classifyCondition("~~DOWN"), Condition::kDown);
  EXPECT_EQ(classifyCondition("~~DOWN now"), Condition::kOther);
  EXPECT_EQ(classifyCondition("~~BUSY"), Condition::kBusy);
  EXPECT_EQ(classifyCondition("~~NOTFOUND"), Condition::kNotFound);
  EXPECT_EQ(classifyCondition("~~INVALID"), Condition::kInvalid);
  EXPECT_EQ(classifyCondition("after 30s ~~TIMEOUT"), Condition::kTimeout);
  EXPECT_EQ(findConditionInLine("SKM x~~BUSY~~TIMEOUT"), Condition::kBusy);
  EXPECT_EQ(findConditionInLine("SKM 0\x1c"
                                "0\x1cok"),
            std::nullopt);
}

TEST(RouterReplyTest, ErrorEntries) {
  EXPECT_THAT(errorMessages("1,5,Item not found\x1c\x1c"
                            "0,7,Location, blocked\x1cplain"),
              ElementsAre("Item not found", "Location, blocked", "plain"));
}

TEST(RouterReplyTest, SqlReplies) {
  SqlReply row = parseSqlReply("SKM 0~~A01~Blue~~");
  EXPECT_EQ(row.kind, SqlReply::Kind::kData);
  EXPECT_EQ(row.status, "0");
  EXPECT_EQ(row.data, "A01~Blue~~");
  EXPECT_EQ(parseSqlReply("SKM 1~~").status, "1");
  EXPECT_EQ(parseSqlReply("SKM 0~oops").error, "oops");
  for (const char* condition : {"SKM ~~DOWN", "SKM ~~BUSY", "SKM ~~TIMEOUT", "SKM no tilde"})
    EXPECT_EQ(parseSqlReply(condition).kind, SqlReply::Kind::kCondition) << condition;
}

TEST(RouterReplyTest, LoginReplies) {
  LoginReply ok = parseLoginReply(
      "SKM 0\x1c"
      "12\x1cWelcome, user");
  EXPECT_TRUE(ok.hasSeparator);
  EXPECT_EQ(ok.statusText, "0");
  EXPECT_EQ(ok.code, "12");
  EXPECT_EQ(ok.message, "Welcome, user");
  EXPECT_FALSE(parseLoginReply("SKM refused").hasSeparator);
}

TEST(RouterReplyTest, RowsBecomeRecordsOfTheShorterLength) {
  EXPECT_EQ(makeRecord({"a", "b", "c"}, "A01~Blue~~"), (QryRow{{"a", "A01"}, {"b", "Blue"}, {"c", ""}}));
  EXPECT_EQ(makeRecord({"a", "b", "c"}, "A01"), (QryRow{{"a", "A01"}}));
  EXPECT_EQ(makeRecord({"a"}, ""), (QryRow{{"a", ""}}));
  EXPECT_THAT(splitKeepEmpty("~x~", '~'), ElementsAre("", "x", ""));
}

TEST(RouterReplyTest, ColumnNamesFromTheSelectList) {
  EXPECT_THAT(getFromFields("select t.item, t.qty ,dsca from tdilc001"),
              ElementsAre("t.item", "t.qty", "dsca"));
  EXPECT_THAT(getFromFields("select  a ,b,  c  from x where y = 'from'"), ElementsAre("a", "b", "c"));
  EXPECT_THAT(getFromFields("SELECT a FROM x"), ElementsAre());
  EXPECT_THAT(getFromFields("select a"), ElementsAre());
}

TEST(RequestLineTest, HeaderFieldsAreMadeLineSafe) {
  log::Logger logger = log::get("test");
  RequestHeader header{"RF01",
                       "US\x1c"
                       "ER",
                       "prod", "Title\r\n"};
  EXPECT_EQ(buildRequestLine(header, " DDCbody\x1cx", logger),
            "RF01\x1cUS ER\x1cprod\x1cTitle  \x1c DDCbody\x1cx");
  EXPECT_EQ(lineSafe("plain", "value", logger), "plain");
}

}  // namespace
}  // namespace tev::router
