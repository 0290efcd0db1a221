// Nested (pop-up) transactions and the class-wide transaction stack, run for real: a caller's field-exit
// handler opens a transaction read from its definition file, whose form-enter handler looks at the stack and
// shared variables and leaves again.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/config_test_support.h"
#include "config/vrc_parser.h"
#include "engine/tev_memory_variables.h"
#include "session/transaction_logic_test_support.h"

namespace tev {
namespace {

using testing::CleanRegistry;
using ::testing::ElementsAre;
using testing::LogicClass;

std::string definition(const std::string& id, bool withForm = true) {
  std::string forms = withForm ? "<form id=\"n1\" type=\"form\"><field id=\"qty\" type=\"single\" row=\"2\" "
                                 "col=\"1\" label=\"qty_lbl\"/></form>"
                               : "";
  return "<transaction id=\"" + id + "\">" + forms + "</transaction>";
}

// What a handler saw of the class-wide state.
struct Snapshot {
  int level = -1;
  std::vector<std::string> stack;
  std::optional<std::string> parent;
};

Snapshot snapshot(TransactionLogic& logic) {
  Snapshot s;
  s.level = TransactionLogic::currentStackLevel;
  for (const auto& t : TransactionLogic::transactionStack) s.stack.push_back(t->id);
  s.parent = logic.getParentTransactionId();
  return s;
}

std::string text(const SharedValue& value) {
  return sharedValueText(value);
}

class LogicPopupTest : public ::testing::Test {
 protected:
  LogicPopupTest() {
    tree.settings().standardEnvironment("common");
    tree.settings().standardEnvironment("prod", "common");
    settingsPath = tree.writeSettings();
    tree.writeFile("env_prod/trans/Nested.xml", definition("Nested"));
    tree.writeFile("env_prod/trans/Other.xml", definition("Other"));
    tree.writeFile("env_prod/trans/Empty.xml", definition("Empty", false));
    locator = std::make_unique<VRCParser>(settingsPath, "prod");

    session.registerClass(TransactionLogic::describe());
    session.addTransaction(
        "Caller",
        {sim::makeForm("main", {sim::input("item", "Item:", 2, 1), sim::input("qty", "Qty:", 3, 1)})});
    session.start("Caller");

    VAVInterface::vrcParser = locator.get();
    VAVInterface::emulator = &session.terminal();
    VAVInterface::tevMemory = &session.memory();
  }

  // Registers the classes, makes the caller the bottom of the stack, and runs the session.
  void run(LogicClass caller, std::vector<LogicClass> nested) {
    session.registerClass(caller.descriptor());
    for (const LogicClass& c : nested) session.registerClass(c.descriptor());
    TransactionProcessor& processor = session.prepare();
    VAVInterface::transProcessor = &processor;
    TransactionLogic::transactionStack = {session.memory().getTransaction("Caller")};
    session.run();
  }

  CleanRegistry clean;
  ::tev::testing::ConfigTree tree;
  std::string settingsPath;
  std::unique_ptr<VRCParser> locator;
  sim::SessionHarness session;
};

TEST_F(LogicPopupTest, TwoNestedCallsInARowFromLevelZero) {
  std::vector<Snapshot> inNested;
  std::vector<Snapshot> afterReturn;
  Snapshot atParentLevel;
  LogicClass caller("Caller");
  caller.on("main_item_field_exit", [&](TransactionLogic& logic) {
    logic.popupTransaction("Nested");
    afterReturn.push_back(snapshot(logic));
    logic.popupTransaction("Other");
    afterReturn.push_back(snapshot(logic));
    atParentLevel = snapshot(logic);
  });
  auto recordAndLeave = [&](TransactionLogic& logic) {
    inNested.push_back(snapshot(logic));
    logic.exitTransaction();
  };
  LogicClass nested("Nested");
  nested.on("n1_form_enter", recordAndLeave);
  LogicClass other("Other");
  other.on("n1_form_enter", recordAndLeave);

  session.scanner().type("A1").enter();
  run(caller, {nested, other});

  ASSERT_EQ(inNested.size(), 2u);
  EXPECT_EQ(inNested[0].level, 1);
  EXPECT_THAT(inNested[0].stack, ElementsAre("Caller", "Nested"));
  EXPECT_EQ(inNested[0].parent, "Caller");
  // The second call removed the stale entry first.
  EXPECT_EQ(inNested[1].level, 1);
  EXPECT_THAT(inNested[1].stack, ElementsAre("Caller", "Other"));

  ASSERT_EQ(afterReturn.size(), 2u);
  EXPECT_EQ(afterReturn[0].level, 0);
  EXPECT_THAT(afterReturn[0].stack, ElementsAre("Caller", "Nested"));
  EXPECT_THAT(afterReturn[1].stack, ElementsAre("Caller", "Other"));
  // At level 0 there is no parent, even with a finished nested transaction in the stack.
  EXPECT_EQ(atParentLevel.parent, std::nullopt);

  // The caller is current again, in the registry, the memory and on the screen.
  EXPECT_EQ(VAVInterface::transProcessor, &session.processor());
  EXPECT_EQ(session.memory().currentTransaction->id, "Caller");
  EXPECT_EQ(session.position(), "Caller/main/qty");
  EXPECT_EQ(session.memory().getTransaction("Nested")->transactionStatus, Transaction::VERY_FIRST_TIME);
  EXPECT_NE(VAVInterface::xmlParser, nullptr);
}

TEST_F(LogicPopupTest, SharedVariablesAlongTheStack) {
  std::string seenInNested;
  std::string ownAfter, callerViaNested, callerViaFallback, unknown, topOfStack;
  LogicClass caller("Caller");
  caller.on("main_item_field_exit", [&](TransactionLogic& logic) {
    logic.setSharedVariable("whse", std::string("W1"));
    logic.popupTransaction("Nested");
    ownAfter = text(logic.getSharedVariable("openQty", std::string("Nested"), false));
    callerViaNested = text(logic.getSharedVariable("whse", std::string("Nested"), false));
    callerViaFallback = text(logic.getSharedVariable("whse", std::string("Nested"), true));
    unknown = text(logic.getSharedVariable("whse", std::string("Nowhere"), true));
    topOfStack = text(logic.getSharedVariable("openQty", std::nullopt, false));
  });
  LogicClass nested("Nested");
  nested.on("n1_form_enter", [&](TransactionLogic& logic) {
    seenInNested = logic.getSharedString("whse").value_or("none");
    logic.setSharedVariable("openQty", 7);
    logic.exitTransaction();
  });

  session.scanner().type("A1").enter();
  run(caller, {nested});

  EXPECT_EQ(seenInNested, "W1");
  EXPECT_EQ(ownAfter, "7");
  EXPECT_EQ(callerViaNested, "null");
  EXPECT_EQ(callerViaFallback, "W1");
  EXPECT_EQ(unknown, "null");
  EXPECT_EQ(topOfStack, "7");
}

TEST_F(LogicPopupTest, AFailingNestedTransactionReturnsToItsCaller) {
  std::vector<Snapshot> afterReturn;
  LogicClass caller("Caller");
  caller.on("main_item_field_exit", [&](TransactionLogic& logic) {
    logic.popupTransaction("Empty");  // no form: its processor fails
    afterReturn.push_back(snapshot(logic));
    logic.popupTransaction("Missing");  // no definition: nothing happens
    afterReturn.push_back(snapshot(logic));
  });
  LogicClass empty("Empty");

  session.scanner().type("A1").enter();
  int clearsBefore = session.screen().clears();
  run(caller, {empty});

  ASSERT_EQ(afterReturn.size(), 2u);
  EXPECT_EQ(afterReturn[0].level, 0);
  EXPECT_THAT(afterReturn[0].stack, ElementsAre("Caller", "Empty"));
  EXPECT_EQ(afterReturn[1].level, 0);
  EXPECT_THAT(afterReturn[1].stack, ElementsAre("Caller", "Empty"));
  EXPECT_TRUE(session.logs().contains("Exception thrown in TransactionLogic / popupTransaction"));
  EXPECT_TRUE(session.logs().contains("Transaction definition not found: Missing.xml"));
  EXPECT_EQ(VAVInterface::transProcessor, &session.processor());
  EXPECT_EQ(session.memory().currentTransaction->id, "Caller");
  EXPECT_EQ(session.position(), "Caller/main/qty");
  EXPECT_GT(session.screen().clears(), clearsBefore);
  EXPECT_TRUE(session.screen().contains("Item:A1"));
}

TEST_F(LogicPopupTest, SetCurrentTransactionStartsANewStack) {
  LogicClass caller("Caller");
  caller.on("main_item_field_exit", [&](TransactionLogic& logic) {
    logic.popupTransaction("Nested");
    logic.setCurrentTransaction(session.memory().getTransaction("Caller"));
  });
  LogicClass nested("Nested");
  nested.on("n1_form_enter", [](TransactionLogic& logic) { logic.exitTransaction(); });
  session.scanner().type("A1").enter();
  run(caller, {nested});
  ASSERT_EQ(TransactionLogic::transactionStack.size(), 1u);
  EXPECT_EQ(TransactionLogic::transactionStack[0]->id, "Caller");
  EXPECT_EQ(TransactionLogic::currentStackLevel, 0);
}

}  // namespace
}  // namespace tev
