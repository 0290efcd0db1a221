#include "engine/transaction_processor.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/log.h"
#include "engine/field.h"
#include "engine/form.h"
#include "engine/transaction.h"
#include "sim/session_harness.h"

namespace tev {
namespace {

using sim::input;
using sim::makeForm;
using sim::ScriptedTerminal;
using sim::TestClass;
using sim::TestTransaction;
using Calls = std::vector<std::string>;

const std::vector<std::string> kPickHandlers = {
    "pick_form_enter",       "pick_item_field_enter", "pick_item_field_exit", "pick_qty_field_enter",
    "pick_qty_field_exit",   "pick_form_exit",        "confirm_form_enter",   "confirm_ok_field_enter",
    "confirm_ok_field_exit", "confirm_form_exit"};

// Sets up the login ("Standard", form "welcome"), the menu ("Menu") and the transaction "Pick": form "pick"
// with the fields item and qty, then form "confirm" with the field ok. Every handler of Pick listed above
// exists and is recorded; callers replace bodies or add handlers on the class returned.
TestClass& pickSession(sim::SessionHarness& session) {
  session.addTransaction("Standard", {makeForm("welcome", {input("user", "User:", 2, 1)})});
  session.addTransaction("Menu", {makeForm("menu", {input("choice", "Choice:", 2, 1)})});
  session.addTransaction("Pick",
                         {makeForm("pick", {input("item", "Item:", 2, 1), input("qty", "Qty:", 3, 1)}),
                          makeForm("confirm", {input("ok", "OK:", 2, 1)})});
  session.defineClass("Standard");
  session.defineClass("Menu");
  TestClass& pick = session.defineClass("Pick");
  for (const std::string& handler : kPickHandlers) pick.on(handler);
  session.start("Pick");
  return pick;
}

class ProcessorTest : public ::testing::Test {
 protected:
  sim::SessionHarness session;
  TestClass& pick = pickSession(session);
};

struct NavigationCase {
  const char* name;
  std::function<void(TestClass&)> handlers;
  std::function<void(ScriptedTerminal&)> script;
  const char* position;
  Calls calls;
};

void failOn(TestTransaction& t, const std::string& field, const std::string& value) {
  if (t.value(field) == value) throw Error("refused " + value);
}

TEST(Processor, NavigationByKeysAndHandlers) {
  // clang-format off
  const NavigationCase cases[] = {
    {"enter through both fields to the next form", {},
     [](ScriptedTerminal& s) { s.scan("A").scan("1"); },
     "Pick/confirm/ok",
     {"pick_form_enter", "pick_item_field_enter", "pick_item_field_exit", "pick_qty_field_enter",
      "pick_qty_field_exit", "pick_form_exit", "confirm_form_enter", "confirm_ok_field_enter"}},
    {"up arrow goes back without the exit of the field or the enter of the previous one", {},
     [](ScriptedTerminal& s) { s.scan("A").up(); },
     "Pick/pick/item",
     {"pick_form_enter", "pick_item_field_enter", "pick_item_field_exit", "pick_qty_field_enter"}},
    {"up arrow on the first field stays there", {},
     [](ScriptedTerminal& s) { s.up(); },
     "Pick/pick/item", {"pick_form_enter", "pick_item_field_enter"}},
    {"F4 on a field without a list keeps the cursor, no enter, no exit", {},
     [](ScriptedTerminal& s) { s.functionKey(4).functionKey(6); },
     "Pick/pick/item", {"pick_form_enter", "pick_item_field_enter"}},
    {"a failing field exit keeps the cursor and does not run the enter again",
     [](TestClass& c) { c.on("pick_item_field_exit", [](TestTransaction& t) { failOn(t, "item", "BAD"); }); },
     [](ScriptedTerminal& s) { s.scan("BAD").scan("A"); },
     "Pick/pick/qty",
     {"pick_form_enter", "pick_item_field_enter", "pick_item_field_exit", "pick_item_field_exit",
      "pick_qty_field_enter"}},
    {"a failing field enter goes back to the previous field",
     [](TestClass& c) { c.on("pick_qty_field_enter", [](TestTransaction& t) { failOn(t, "item", "A"); }); },
     [](ScriptedTerminal& s) { s.scan("A"); },
     "Pick/pick/item",
     {"pick_form_enter", "pick_item_field_enter", "pick_item_field_exit", "pick_qty_field_enter",
      "pick_item_field_enter"}},
    {"a failing field enter on the first field keeps the cursor there",
     [](TestClass& c) { c.on("pick_item_field_enter", [](TestTransaction&) { throw Error("no"); }); },
     [](ScriptedTerminal& s) { s.scan("A"); },
     "Pick/pick/qty",
     {"pick_form_enter", "pick_item_field_enter", "pick_item_field_exit", "pick_qty_field_enter"}},
    {"a form enter that chooses the next form",
     [](TestClass& c) { c.on("pick_form_enter", [](TestTransaction& t) { t.setNextForm("confirm"); }); },
     [](ScriptedTerminal&) {},
     "Pick/confirm/ok", {"pick_form_enter", "confirm_form_enter", "confirm_ok_field_enter"}},
    {"the last form without a next form starts again at the first", {},
     [](ScriptedTerminal& s) { s.scan("A").scan("1").scan("Y"); },
     "Pick/pick/item",
     {"pick_form_enter", "pick_item_field_enter", "pick_item_field_exit", "pick_qty_field_enter",
      "pick_qty_field_exit", "pick_form_exit", "confirm_form_enter", "confirm_ok_field_enter",
      "confirm_ok_field_exit", "confirm_form_exit", "pick_form_enter", "pick_item_field_enter"}},
    {"escape on the first form without an escape handler goes to the menu", {},
     [](ScriptedTerminal& s) { s.escape(); },
     "Menu/menu/choice", {"pick_form_enter", "pick_item_field_enter"}},
    {"escape on the first form with an escape handler that chooses nothing goes to the menu",
     [](TestClass& c) { c.on("pick_form_escape"); },
     [](ScriptedTerminal& s) { s.escape(); },
     "Menu/menu/choice", {"pick_form_enter", "pick_item_field_enter", "pick_form_escape"}},
    {"an escape handler that chooses the next form",
     [](TestClass& c) { c.on("pick_form_escape", [](TestTransaction& t) { t.setNextForm("confirm"); }); },
     [](ScriptedTerminal& s) { s.escape(); },
     "Pick/confirm/ok",
     {"pick_form_enter", "pick_item_field_enter", "pick_form_escape", "confirm_form_enter",
      "confirm_ok_field_enter"}},
    {"a failing escape handler keeps the form",
     [](TestClass& c) { c.on("pick_form_escape", [](TestTransaction&) { throw Error("no"); }); },
     [](ScriptedTerminal& s) { s.escape(); },
     "Pick/pick/item",
     {"pick_form_enter", "pick_item_field_enter", "pick_form_escape", "pick_form_enter",
      "pick_item_field_enter"}},
    {"the form's clean operation runs before the escape handler",
     [](TestClass& c) { c.on({"pick_clean", "pick_form_escape"}); },
     [](ScriptedTerminal& s) { s.escape(); },
     "Menu/menu/choice", {"pick_form_enter", "pick_item_field_enter", "pick_clean", "pick_form_escape"}},
    {"a failing clean operation is ignored",
     [](TestClass& c) { c.on("pick_clean", [](TestTransaction&) { throw Error("no"); }); },
     [](ScriptedTerminal& s) { s.escape(); },
     "Menu/menu/choice", {"pick_form_enter", "pick_item_field_enter", "pick_clean"}},
    {"escape on the second form goes back to the first", {},
     [](ScriptedTerminal& s) { s.scan("A").scan("1").escape(); },
     "Pick/pick/item",
     {"pick_form_enter", "pick_item_field_enter", "pick_item_field_exit", "pick_qty_field_enter",
      "pick_qty_field_exit", "pick_form_exit", "confirm_form_enter", "confirm_ok_field_enter",
      "pick_form_enter", "pick_item_field_enter"}},
    {"leaving the form from a field exit skips the form exit",
     [](TestClass& c) { c.on("pick_item_field_exit", [](TestTransaction& t) { t.exitForm(); }); },
     [](ScriptedTerminal& s) { s.scan("A"); },
     "Pick/confirm/ok",
     {"pick_form_enter", "pick_item_field_enter", "pick_item_field_exit", "confirm_form_enter",
      "confirm_ok_field_enter"}},
    {"leaving the transaction at the first level goes to the menu",
     [](TestClass& c) { c.on("pick_item_field_exit", [](TestTransaction& t) { t.exitTransaction(); }); },
     [](ScriptedTerminal& s) { s.scan("A"); },
     "Menu/menu/choice", {"pick_form_enter", "pick_item_field_enter", "pick_item_field_exit"}},
    {"F2 without a form handler redraws the form and keeps the field", {},
     [](ScriptedTerminal& s) { s.scan("A").functionKey(2); },
     "Pick/pick/qty",
     {"pick_form_enter", "pick_item_field_enter", "pick_item_field_exit", "pick_qty_field_enter"}},
    {"F5 without a form handler redraws the form and keeps the field", {},
     [](ScriptedTerminal& s) { s.functionKey(5); },
     "Pick/pick/item", {"pick_form_enter", "pick_item_field_enter"}},
    {"F3 with a reset handler goes on to the next form",
     [](TestClass& c) { c.on("pick_form_reset_form"); },
     [](ScriptedTerminal& s) { s.functionKey(3); },
     "Pick/confirm/ok",
     {"pick_form_enter", "pick_item_field_enter", "pick_form_reset_form", "confirm_form_enter",
      "confirm_ok_field_enter"}},
    {"a failing F7 handler keeps the field without running its enter again",
     [](TestClass& c) { c.on("pick_form_f7key", [](TestTransaction&) { throw Error("no"); }); },
     [](ScriptedTerminal& s) { s.functionKey(7); },
     "Pick/pick/item", {"pick_form_enter", "pick_item_field_enter", "pick_form_f7key"}},
    {"a failing form exit enters the form again",
     [](TestClass& c) { c.on("pick_form_exit", [](TestTransaction& t) { failOn(t, "qty", "0"); }); },
     [](ScriptedTerminal& s) { s.scan("A").scan("0"); },
     "Pick/pick/item",
     {"pick_form_enter", "pick_item_field_enter", "pick_item_field_exit", "pick_qty_field_enter",
      "pick_qty_field_exit", "pick_form_exit", "pick_form_enter", "pick_item_field_enter"}},
    {"a failing form enter goes back to the previous form",
     [](TestClass& c) { c.on("confirm_form_enter", [](TestTransaction&) { throw Error("no"); }); },
     [](ScriptedTerminal& s) { s.scan("A").scan("1"); },
     "Pick/pick/item",
     {"pick_form_enter", "pick_item_field_enter", "pick_item_field_exit", "pick_qty_field_enter",
      "pick_qty_field_exit", "pick_form_exit", "confirm_form_enter", "pick_form_enter",
      "pick_item_field_enter"}},
    {"a form enter that fails again after a failed form exit keeps the form instead of looping",
     [](TestClass& c) {
       c.on("pick_form_exit", [](TestTransaction&) { throw Error("no"); });
       c.on("pick_form_enter", [](TestTransaction& t) { failOn(t, "qty", "0"); });
     },
     [](ScriptedTerminal& s) { s.scan("A").scan("0"); },
     "Pick/pick/item",
     {"pick_form_enter", "pick_item_field_enter", "pick_item_field_exit", "pick_qty_field_enter",
      "pick_qty_field_exit", "pick_form_exit", "pick_form_enter", "pick_item_field_enter"}},
  };
  // clang-format on
  for (const NavigationCase& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SessionHarness session;
    TestClass& pick = pickSession(session);
    if (c.handlers) c.handlers(pick);
    c.script(session.scanner());
    EXPECT_TRUE(session.run().scriptUsedUp);
    EXPECT_EQ(session.position(), c.position);
    EXPECT_EQ(session.calls(), c.calls);
  }
}

TEST_F(ProcessorTest, EscapeClimbsToTheMenuThenTheLoginThenEndsTheProcess) {
  session.scanner().escape().escape().escape().enter();
  sim::SessionHarness::RunResult result = session.run();
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(session.position(), "Standard/welcome/user");
  EXPECT_EQ(session.scanner().queued(), 1u);  // the process ended at the third escape
  EXPECT_TRUE(session.logs().contains(" in Handle Form Escape key .."));
}

TEST_F(ProcessorTest, LogsHandlerCallsMissingHandlersAndFailures) {
  pick.on("pick_item_field_exit", [](TestTransaction& t) { failOn(t, "item", "BAD"); });
  session.scanner().scan("BAD").scan("A").scan("1");
  session.run();
  for (const char* line :
       {"Firing trigger: pick_form_enter", "Calling form enter routine for form: pick",
        "Calling Displayform for form: pick", "Current field is: item",
        "Field exit of field: item failed. Keeping the cursor in the same field", "refused BAD",
        "Skipping field enter for Field: item", "Next form is null for transaction id =Pick",
        "Current form: confirm  bPerformFormInitialization = true",
        "Method : pick_qty_field_popup not present in the class :tev.transaction.Pick"})
    EXPECT_EQ(session.logs().contains(line), std::string(line).find("popup") == std::string::npos) << line;
}

// C extends B extends A extends TransactionUtils; B and A declare the form-enter handler, TransactionUtils
// declares the form-exit handler (never searched).
TEST(Processor, CallsTheHandlerDeclaredNearestTheBases) {
  sim::SessionHarness session;
  std::vector<std::string> levels;
  session.defineClass(ClassRegistry::kTransactionUtils, ClassRegistry::kTransactionLogic)
      .on("pick_form_exit", [&](TestTransaction&) { levels.push_back("Utils"); });
  session.defineClass("A").on("pick_form_enter", [&](TestTransaction&) { levels.push_back("A"); });
  session.defineClass("B", "tev.transaction.A").on("pick_form_enter", [&](TestTransaction&) {
    levels.push_back("B");
  });
  session.defineClass("C", "tev.transaction.B").on("pick_item_field_exit", [&](TestTransaction&) {
    levels.push_back("C");
  });
  session.addTransaction("C", {makeForm("pick", {input("item", "Item:", 2, 1)})});
  session.start("C");
  session.scanner().scan("A");
  session.run();
  EXPECT_EQ(levels, (std::vector<std::string>{"A", "C", "A"}));
  EXPECT_TRUE(
      session.logs().contains("Method : pick_form_enter not present in the class :tev.transaction.C"));
  EXPECT_TRUE(session.logs().contains("Class Name : tev.transaction.C  SuperClass name :tev.transaction.B"));
  EXPECT_TRUE(session.logs().contains("form exit routine does not exist for form: pick"));
}

TEST(Processor, MissingClassShowsAProgrammingErrorAndLeavesTheRun) {
  sim::SessionHarness session;
  session.addTransaction("Ghost", {makeForm("ghost", {input("a", "A:", 2, 1)})});
  session.start("Ghost");
  session.scanner().enter();
  EXPECT_THROW(session.run(), Error);
  sim::ScreenModel shown = session.screensAtInput().at(0);
  EXPECT_TRUE(shown.contains("Programming Error"));
  EXPECT_TRUE(shown.contains("Missing class for"));
}

TEST(Processor, ProcessingObjectWithoutProcessorHooksCannotRun) {
  sim::SessionHarness session;
  struct Plain : ProcessingObject {};
  ClassRegistry registry;
  registry.add(ClassDef<Plain>("tev.transaction.Plain", ClassRegistry::kTransactionUtils).done());
  session.addTransaction("Plain", {makeForm("plain", {input("a", "A:", 2, 1)})}).setClassRegistry(&registry);
  session.start("Plain");
  EXPECT_THROW(session.run(), Error);
}

TEST(Processor, ReadOnlyFormsArePassedOverGoingBack) {
  sim::SessionHarness session;
  session.addTransaction("Menu", {makeForm("menu", {input("choice", "Choice:", 2, 1)})});
  session.defineClass("Menu");
  session.addTransaction("Ro", {makeForm("first", {input("a", "A:", 2, 1)}),
                                makeForm("info", {sim::text("note", "Stock is low", 2, 1)}),
                                makeForm("last", {input("b", "B:", 2, 1)})});
  session.defineClass("Ro").on({"info_form_enter", "info_form_exit", "last_form_enter"});
  session.start("Ro");
  session.scanner().scan("1").escape();
  session.run();
  // Forward, the read-only form is entered, drawn and left without input; escape on the last form passes
  // over it back to the first.
  EXPECT_EQ(session.calls(),
            (std::vector<std::string>{"info_form_enter", "info_form_exit", "last_form_enter"}));
  EXPECT_EQ(session.position(), "Ro/first/a");

  sim::SessionHarness failing;
  failing.addTransaction("Ro", {makeForm("first", {input("a", "A:", 2, 1)}),
                                makeForm("info", {sim::text("note", "Stock is low", 2, 1)}),
                                makeForm("last", {input("b", "B:", 2, 1)})});
  failing.defineClass("Ro").on("info_form_exit", [](TestTransaction&) { throw Error("no"); });
  failing.start("Ro");
  failing.scanner().scan("1");
  failing.run();
  // A failing exit of a read-only form goes back to the form before it.
  EXPECT_EQ(failing.position(), "Ro/first/a");
}

TEST(Processor, TransactionThatWouldCycleWithoutInputIsStopped) {
  sim::SessionHarness session;
  session.addTransaction("Info", {makeForm("info", {sim::text("note", "Nothing to do", 2, 1)})});
  session.defineClass("Info");
  session.start("Info");
  EXPECT_THROW(session.run(), Error);
  EXPECT_TRUE(session.screen().contains("Nothing to do"));
}

TEST(Processor, ValidationFailureKeepsTheCursorOnTheField) {
  sim::SessionHarness session;
  session.addTransaction(
      "V", {makeForm("v", {input("item", "Item:", 2, 1).with("mandatory"), input("qty", "Qty:", 3, 1)})});
  session.defineClass("V").on({"v_item_field_enter", "v_item_field_exit"});
  session.start("V");
  session.scanner().enter().enter().scan("A");
  session.run();
  EXPECT_EQ(session.calls(),
            (std::vector<std::string>{"v_item_field_enter", "v_item_field_enter", "v_item_field_exit"}));
  EXPECT_EQ(session.position(), "V/v/qty");
  EXPECT_TRUE(session.logs().contains("validate return false for field : item"));
  EXPECT_EQ(session.screensAtInput().at(1).attributed(15, sim::kReverse), "Invalid input");
}

TEST(Processor, F4OnAPickListSetsTheValueFromTheList) {
  sim::SessionHarness session;
  session.addTransaction("P",
                         {makeForm("p", {sim::popup("loc", "Loc:", 2, 1, {"1 Dock", "2 Rack"}, {"D1", "R2"}),
                                         input("qty", "Qty:", 3, 1)})});
  session.defineClass("P").on({"p_loc_field_popup", "p_loc_field_exit"});
  session.start("P");
  session.scanner().functionKey(4).down().enter();
  session.run();
  EXPECT_EQ(session.calls(), (std::vector<std::string>{"p_loc_field_popup", "p_loc_field_exit"}));
  EXPECT_EQ(session.transaction("P").getForm("p")->getFieldValue("loc"), "R2");
  EXPECT_EQ(session.position(), "P/p/qty");
  EXPECT_TRUE(session.screen().contains("Loc:R2"));
}

TEST(Processor, EscapeInAPickListKeepsTheCursorAndRedrawsTheForm) {
  sim::SessionHarness session;
  session.addTransaction(
      "P",
      {makeForm("p", {sim::popup("loc", "Loc:", 2, 1, {"1 Dock"}, {"D1"}), input("qty", "Qty:", 3, 1)})});
  session.defineClass("P").on({"p_loc_field_exit"});
  session.start("P");
  session.scanner().functionKey(4).escape();
  session.run();
  EXPECT_TRUE(session.calls().empty());
  EXPECT_EQ(session.position(), "P/p/loc");
  EXPECT_TRUE(session.logs().contains("Field F4 does not exist for field: loc"));
  EXPECT_TRUE(
      session.logs().contains("Field Escape of field: loc failed. Keeping the cursor in the same field"));
  EXPECT_EQ(session.screen().line(3), "Qty:");
}

TEST(Processor, NestedTransactionRunsInItsOwnProcessorAndResumesTheCaller) {
  sim::SessionHarness session;
  TestClass& pick = pickSession(session);
  std::string afterPopup;
  pick.on("pick_item_field_exit", [&](TestTransaction& t) {
    t.popupTransaction("Lookup");
    afterPopup = t.transaction().id + " " + t.form().id;
  });
  session.addTransaction("Lookup", {makeForm("look", {input("code", "Code:", 2, 1)})});
  session.defineClass("Lookup").on("look_form_enter").on("look_code_field_exit", [](TestTransaction& t) {
    t.exitTransaction();
  });
  // Escape on the nested transaction's first form starts it again; leaving it resumes the caller.
  session.scanner().scan("A").escape().scan("X");
  session.run();
  EXPECT_EQ(session.calls(),
            (std::vector<std::string>{"pick_form_enter", "pick_item_field_enter", "pick_item_field_exit",
                                      "look_form_enter", "look_form_enter", "look_code_field_exit",
                                      "pick_qty_field_enter"}));
  EXPECT_EQ(afterPopup, "Pick pick");
  EXPECT_EQ(session.position(), "Pick/pick/qty");
  EXPECT_EQ(session.memory().currentTransaction->id, "Pick");
  EXPECT_EQ(session.transaction("Lookup").transactionStatus, Transaction::VERY_FIRST_TIME);
  EXPECT_TRUE(session.screen().contains("Item:A"));
}

TEST(Processor, ReflowsFormsOnAScreenOfAnotherSize) {
  for (int rows : {16, 10}) {
    SCOPED_TRACE(rows);
    sim::SessionHarness session(rows, 20);
    session.addTransaction("R", {makeForm("r", {input("a", "A:", 2, 1), input("b", "B:", 11, 1).with("fixed"),
                                                input("c", "C:", 12, 1)})});
    session.defineClass("R");
    session.start("R");
    session.run();
    sim::ScreenModel shown = session.screen();
    if (rows == 16) {
      EXPECT_EQ(shown.lines(), (std::vector<std::string>{"", "A:", "", "", "", "", "", "", "", "",
                                                         "B:", "C:", "", "", "", ""}));
    } else {
      // Laid out from the top: A on row 1, the fixed field B alone on the next row, the last field on the
      // row above the error line.
      EXPECT_EQ(shown.lines(), (std::vector<std::string>{"A:", "B:", "", "", "", "", "", "C:", "", ""}));
    }
  }
}

struct SplitCase {
  const char* name;
  std::vector<barcode::BarcodeType> layouts;
  std::string scan;
  const char* position;
  std::vector<std::string> values;  // item, lot, qty, loc
  Calls calls;
  const char* logLine;
};

// A scan into the field item of the form recv (item, lot, qty, loc), split by the form's layouts; then one
// ENTER for whatever field reads next.
TEST(Processor, ScanSplitOverSeveralFields) {
  using sim::barcodeLayout;
  using Part = sim::LayoutPart;
  const Part item{"item"}, lot{"lot"}, qty{"qty"};
  // clang-format off
  const SplitCase cases[] = {
    {"three parts joined by bars, the separator an escaped bar, the cursor staying",
     {barcodeLayout("recv", "\\|", 3, "none", {item, lot, qty})}, "A|B|C",
     "Recv/recv/qty", {"A", "B", "C", ""}, {"recv_item_field_exit", "recv_lot_field_enter"},
     "Found Matching Barcode"},
    {"a bare bar matches the empty text, so the parts differ and no layout applies",
     {barcodeLayout("recv", "|", 3, "none", {item, lot, qty})}, "A|B|C",
     "Recv/recv/qty", {"A|B|C", "", "", ""}, {"recv_item_field_exit", "recv_lot_field_enter"},
     "Split Fields not found: 6"},
    {"the first layout whose number of parts fits is taken",
     {barcodeLayout("recv", ",", 3, "none", {item, lot, qty}), barcodeLayout("recv", ",", 2, "none", {item, lot})},
     "A,B", "Recv/recv/qty", {"A", "B", "", ""}, {"recv_item_field_exit", "recv_lot_field_enter"},
     "barcodeNoOfFields: 2"},
    {"a later field with a skip behaviour other than never is not read",
     {barcodeLayout("recv", ",", 2, "none", {{"item", "field", "never"}, {"qty", "field", "always"}})}, "A,5",
     "Recv/recv/loc", {"A", "", "5", ""},
     {"recv_item_field_exit", "recv_lot_field_enter", "recv_qty_field_exit", "recv_loc_field_enter"},
     "SkipDataInput true for: qty"},
    {"a later field with the skip behaviour never is read",
     {barcodeLayout("recv", ",", 2, "none", {{"item", "field", "never"}, {"qty", "field", "never"}})}, "A,5",
     "Recv/recv/qty", {"A", "", "5", ""}, {"recv_item_field_exit", "recv_lot_field_enter"}, "Found Matching Barcode"},
    {"the cursor moves to its target without the scanned field's exit",
     {barcodeLayout("recv", "\\|", 3, "qty", {item, lot, qty})}, "A|B|C",
     "Recv/recv/loc", {"A", "B", "C", ""}, {"recv_qty_field_exit", "recv_loc_field_enter"}, "Found Matching Barcode"},
    {"the cursor target is not read when the scanned part may be skipped",
     {barcodeLayout("recv", "\\|", 3, "qty", {{"item", "field", "on_no_error"}, lot, qty})}, "A|B|C",
     "Recv/recv/item", {"A", "B", "C", ""},
     {"recv_qty_field_exit", "recv_loc_field_enter", "recv_loc_field_exit"}, "Found Matching Barcode"},
    {"without a part for the scanned field's exact id its value is cleared",
     {barcodeLayout("recv", "\\|", 3, "qty", {{" item "}, lot, {"qty", "field", "never"}})}, "A|B|C",
     "Recv/recv/item", {"", "B", "C", ""},
     {"recv_qty_field_exit", "recv_loc_field_enter", "recv_loc_field_exit"}, "Found Matching Barcode"},
    {"a layout that does not map the scanned field does not apply",
     {barcodeLayout("recv", ",", 2, "none", {lot, qty})}, "B,C",
     "Recv/recv/qty", {"B,C", "", "", ""}, {"recv_item_field_exit", "recv_lot_field_enter"}, "Found Matching Barcode"},
    {"a part mapped to a variable sets the member of the class",
     {barcodeLayout("recv", ",", 2, "none", {item, {"lotVar", "variable"}})}, "A,L7",
     "Recv/recv/qty", {"A", "", "", ""}, {"recv_item_field_exit", "recv_lot_field_enter"}, "Found Matching Barcode"},
    {"a missing cursor target keeps the cursor on the field",
     {barcodeLayout("recv", "\\|", 3, "nowhere", {item, lot, qty})}, "A|B|C",
     "Recv/recv/item", {"A|B|C", "", "", ""}, {}, "Keep the cursor in the same field"},
    {"a part mapped to a field the form lacks keeps the cursor on the field",
     {barcodeLayout("recv", "\\|", 3, "none", {item, {"ghost"}, qty})}, "A|B|C",
     "Recv/recv/item", {"A|B|C", "", "", ""}, {}, "maps a part to the field ghost"},
    {"layout entries beyond the number of parts are ignored",
     {barcodeLayout("recv", ",", 2, "none", {item, lot, qty})}, "A,B",
     "Recv/recv/qty", {"A", "B", "", ""}, {"recv_item_field_exit", "recv_lot_field_enter"},
     "lists 3 fields for 2 parts"},
    {"a separator that is no regular expression is logged and passed over",
     {barcodeLayout("recv", "(", 2, "none", {item, lot})}, "A(B",
     "Recv/recv/qty", {"A(B", "", "", ""}, {"recv_item_field_exit", "recv_lot_field_enter"},
     "cannot be used"},
    {"layouts of another form are not used",
     {barcodeLayout("other", ",", 2, "none", {item, lot})}, "A,B",
     "Recv/recv/qty", {"A,B", "", "", ""}, {"recv_item_field_exit", "recv_lot_field_enter"}, "Inside splitBarcodeFields"},
  };
  // clang-format on
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SessionHarness session;
    Transaction& recv = session.addTransaction(
        "Recv", {makeForm("recv", {input("item", "Item:", 2, 1), input("lot", "Lot:", 3, 1),
                                   input("qty", "Qty:", 4, 1), input("loc", "Loc:", 5, 1)})});
    recv.barcodeHash.emplace();
    for (const barcode::BarcodeType& layout : c.layouts)
      (*recv.barcodeHash)[*layout.getForm()].push_back(layout);
    session.defineClass("Recv")
        .on({"recv_item_field_exit", "recv_lot_field_enter", "recv_qty_field_exit", "recv_loc_field_enter",
             "recv_loc_field_exit"})
        .member("lotVar", std::string());
    session.start("Recv");
    session.scanner().scan(c.scan).enter();
    EXPECT_TRUE(session.run().scriptUsedUp);
    EXPECT_EQ(session.position(), c.position);
    Form& form = *recv.getForm("recv");
    std::vector<std::string> values;
    for (const char* id : {"item", "lot", "qty", "loc"}) values.push_back(form.getFieldValue(id));
    EXPECT_EQ(values, c.values);
    EXPECT_EQ(session.calls(), c.calls);
    EXPECT_TRUE(session.logs().contains(c.logLine));
    if (std::string(c.name).find("variable") != std::string::npos) {
      auto* object = dynamic_cast<TestTransaction*>(recv.getProcessingObject());
      ASSERT_NE(object, nullptr);
      EXPECT_EQ(object->members["lotVar"], MemberValue(std::string("L7")));
    }
  }
}

}  // namespace
}  // namespace tev
