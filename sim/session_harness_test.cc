#include "sim/session_harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/error.h"
#include "common/exit_hook.h"
#include "engine/form.h"
#include "engine/transaction.h"
#include "engine/transaction_processor.h"

namespace tev::sim {
namespace {

class SessionHarnessTest : public ::testing::Test {
 protected:
  SessionHarnessTest() {
    session.addTransaction("Count",
                           {makeForm("count", {text("head", "Cycle count", 1, 1), input("loc", "Loc:", 2, 1),
                                               input("qty", "Qty:", 3, 1)})});
  }

  SessionHarness session;
};

TEST_F(SessionHarnessTest, ReadsLikeAnOperatorsSession) {
  session.defineClass("Count")
      .on("count_loc_field_exit", [](TestTransaction& t) { t.setValue("qty", "7"); })
      .on("count_qty_field_enter");
  session.start("Count");
  session.scanner().scan("A-01");
  SessionHarness::RunResult result = session.run();
  EXPECT_TRUE(result.scriptUsedUp);
  EXPECT_FALSE(result.exitStatus);
  EXPECT_EQ(session.position(), "Count/count/qty");
  EXPECT_EQ(session.calls(), (std::vector<std::string>{"count_loc_field_exit", "count_qty_field_enter"}));
  EXPECT_EQ(session.screen().line(1), "Cycle count");
  EXPECT_EQ(session.screen().line(2), "Loc:A-01");
  EXPECT_EQ(session.screensAtInput().at(0).line(2), "Loc:");
  EXPECT_EQ(session.transaction("Count").getForm("count")->getFieldValue("qty"), "7");
}

TEST_F(SessionHarnessTest, AnExitOfTheProcessEndsTheRunWithItsStatus) {
  session.defineClass("Count").on("count_loc_field_exit", [](TestTransaction&) { exitProcess(3); });
  session.start("Count");
  session.scanner().scan("A-01").scan("left over");
  SessionHarness::RunResult result = session.run();
  EXPECT_EQ(result.exitStatus, 3);
  EXPECT_FALSE(result.scriptUsedUp);
  EXPECT_EQ(session.scanner().queued(), 1u);
}

TEST_F(SessionHarnessTest, MembersByNameKeepTheirKind) {
  session.defineClass("Count").member("pm_use_lots", false).member("lastLoc", std::string("none"));
  session.start("Count");
  session.run();
  const ClassDescriptor* cls = session.registry().find("tev.transaction.Count");
  ASSERT_NE(cls, nullptr);
  ProcessingObject& object = *session.transaction("Count").getProcessingObject();
  const MemberAccess& lastLoc = cls->members.at("lastLoc");
  EXPECT_EQ(lastLoc.get(object), MemberValue(std::string("none")));
  lastLoc.set(object, std::string("A-01"));
  EXPECT_EQ(lastLoc.get(object), MemberValue(std::string("A-01")));
  EXPECT_EQ(cls->members.at("pm_use_lots").kind, MemberKind::Boolean);
  EXPECT_THROW(lastLoc.set(object, 5), Error);
}

TEST_F(SessionHarnessTest, MisuseIsReportedNotCrashed) {
  EXPECT_THROW(session.run(), Error);  // nothing started
  EXPECT_THROW(session.start("Nothing"), Error);
  EXPECT_THROW(session.transaction("Nothing"), Error);
  EXPECT_THROW(session.processor(), Error);
}

TEST(SessionHarness, ScreenOfAnotherSizeIsADeviceTypeOfThatSize) {
  SessionHarness small(8, 16);
  ASSERT_TRUE(small.terminal().getDeviceInfo());
  EXPECT_EQ(small.terminal().getRows(), 8);
  EXPECT_EQ(small.screen().rows(), 8);
  SessionHarness standard;
  EXPECT_FALSE(standard.terminal().getDeviceInfo());
}

}  // namespace
}  // namespace tev::sim
