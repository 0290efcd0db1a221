// SessionHarness: runs transactions in-process on a scripted scanner, for tests that read like an
// operator's session.
//
//   sim::SessionHarness session;
//   session.defineClass("Pick")
//       .on("pick_item_field_exit", [](sim::TestTransaction& t) {
//         if (t.value("item") == "BAD") throw Error("unknown item");
//       });
//   session.addTransaction("Pick", {sim::makeForm("pick", {sim::input("item", "Item:", 2, 1),
//                                                          sim::input("qty", "Qty:", 3, 1)})});
//   session.start("Pick");
//   session.scanner().scan("BAD").scan("4711").type("5").enter();
//   session.run();
//   EXPECT_EQ(session.screen().line(2), "Item:4711");
//   EXPECT_EQ(session.calls(), (std::vector<std::string>{"pick_item_field_exit", ...}));
//
// The harness owns the scripted scanner, the terminal on it (with a FixedTerminalHost for messages and
// parameters), the session memory, a class registry of its own (so tests never touch the process's) and the
// first-level transaction processor. Test classes are TestTransaction objects whose handlers are lambdas;
// every handler call is recorded by name in calls(). run() drives the processor until the script is used up
// (then the session stops where it waits for input, without ending the process) or the process ends through
// the exit hook; other errors leaving the processor reach the test. Log lines are captured (logs()).
//
// Field values are checked by the field services the test sets up (the harness installs empty services, in
// which every value passes, and puts the previous ones back when it ends). Everything runs on the test's
// thread.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/clock.h"
#include "common/log.h"
#include "config/barcode_list_type.h"
#include "engine/class_registry.h"
#include "engine/field_services.h"
#include "engine/processor_hooks.h"
#include "engine/tev_memory_variables.h"
#include "sim/fixed_terminal_host.h"
#include "sim/scripted_terminal.h"
#include "terminal/terminal_emulator.h"

namespace tev {
class Field;
class Form;
class Transaction;
class TransactionProcessor;
}  // namespace tev

namespace tev::sim {

// --- test transaction classes ------------------------------------------------------------------------------

// The processing object of a test class: binds to the processor like the transaction base class does and
// offers the few operations handlers in tests need. Its member variables by name live in `members`.
class TestTransaction : public ProcessingObject, public ProcessorHooks {
 public:
  // --- ProcessorHooks (on the processor's current form) ---
  void update(TransactionProcessor& processor) override;
  void setValue(const std::string& fieldId, const std::string& value) override;
  void setSkipBehavior(const std::string& fieldId, const std::string& behavior) override;
  void setSkipDataInput(const std::string& fieldId, bool skip) override;
  void setNextField(const std::string& fieldId) override;
  void refresh() override;

  // --- what handlers use ---
  // The processor of the last update (the one running this object's transaction).
  TransactionProcessor& processor() const;
  Transaction& transaction() const;
  Form& form() const;
  TerminalEmulator& terminal() const;
  // A field of the current form; nullptr when it has none of that id.
  Field* field(const std::string& fieldId) const;
  // The value of a field of the current form ("" when there is no such field).
  std::string value(const std::string& fieldId) const;
  // The processor's next form becomes the transaction's form of that id.
  void setNextForm(const std::string& formId);
  // Leaving the form, the transaction or to the menu: the skips the processor interprets.
  [[noreturn]] void exitForm();
  [[noreturn]] void exitToForm(const std::string& formId);
  [[noreturn]] void exitTransaction();
  [[noreturn]] void exitToMenu();
  // Runs the transaction stored under the id in the session memory nested in this one, in a processor of
  // its own, and returns when it ends (any failure that leaves it is logged, not passed on); then the
  // caller's transaction is current again and its form is redrawn.
  void popupTransaction(const std::string& transactionId);

  // Member variables by name (see TestClass::member).
  std::map<std::string, MemberValue> members;

 private:
  TransactionProcessor* processor_ = nullptr;
};

// The description of a test class; the harness registers it before the first run.
class TestClass {
 public:
  using Body = std::function<void(TestTransaction&)>;

  TestClass(std::string name, std::string parent, std::shared_ptr<std::vector<std::string>> calls);

  // A handler the class itself declares; its call is recorded by name before the body runs.
  TestClass& on(const std::string& handlerName, Body body = {});
  // Several handlers that only record their call.
  TestClass& on(std::initializer_list<std::string> handlerNames);
  // A member variable by name, declared by this class, with its initial value (its kind is the kind of that
  // value).
  TestClass& member(const std::string& name, MemberValue initial);

  const std::string& name() const { return descriptor_.name; }
  ClassDescriptor descriptor() const { return descriptor_; }

 private:
  ClassDescriptor descriptor_;
  std::shared_ptr<std::vector<std::string>> calls_;
};

// --- forms and fields --------------------------------------------------------------------------------------

// A field of a test form; build() makes it. Every field carries a "string" dictionary entry.
struct FieldSpec {
  enum class Kind { kSingle, kPopup, kMultiple };

  std::string id;
  std::optional<std::string> label;
  int row = 1;
  int col = 1;
  Kind kind = Kind::kSingle;
  std::vector<std::string> words;
  std::string value;
  std::vector<std::string> values;
  std::vector<std::string> lineValues;
  std::string skipBehavior = "never";

  FieldSpec with(const std::string& word) const;
  FieldSpec readOnly() const { return with("read_only"); }
  FieldSpec withValue(const std::string& text) const;
  FieldSpec withSkipBehavior(const std::string& behavior) const;
  std::unique_ptr<Field> build() const;
};

FieldSpec input(const std::string& id, const std::optional<std::string>& label, int row, int col);
// A read-only line.
FieldSpec text(const std::string& id, const std::string& label, int row, int col);
// A pick-list field: the list shows `values`, a pick sets the value of the same line of `lineValues`.
FieldSpec popup(const std::string& id, const std::optional<std::string>& label, int row, int col,
                std::vector<std::string> values, std::vector<std::string> lineValues);
FieldSpec multiple(const std::string& id, int row, int col, std::vector<std::string> values);

std::shared_ptr<Form> makeForm(const std::string& id, const std::vector<FieldSpec>& fields,
                               const std::string& type = "form");

// One bar-code layout part: map target, map type ("field" or "variable") and skip behaviour (none: not in
// the layout).
struct LayoutPart {
  LayoutPart(std::string to, std::string type = "field", std::optional<std::string> skip = std::nullopt)
      : mapTo(std::move(to)), mapType(std::move(type)), skipBehavior(std::move(skip)) {}

  std::string mapTo;
  std::string mapType;
  std::optional<std::string> skipBehavior;
};

barcode::BarcodeType barcodeLayout(const std::string& form, const std::string& separator, int noOfFields,
                                   const std::string& moveCursorToField,
                                   const std::vector<LayoutPart>& parts);

// --- the session -------------------------------------------------------------------------------------------

class SessionHarness {
 public:
  // How a run ended.
  struct RunResult {
    bool scriptUsedUp = false;      // the session waited for input after the last queued key
    std::optional<int> exitStatus;  // the process ended through the exit hook with this status
  };

  // A scanner of the given screen size (a device type of that size when it is not 16 x 20).
  explicit SessionHarness(int rows = 16, int columns = 20);
  ~SessionHarness();
  SessionHarness(const SessionHarness&) = delete;
  SessionHarness& operator=(const SessionHarness&) = delete;

  // A test class: "tev.transaction." + id (a name with a dot is taken as it stands), below the parent class.
  TestClass& defineClass(const std::string& id, const std::string& parent = ClassRegistry::kTransactionUtils);
  // A class described elsewhere (a real transaction class or one of its bases), added to the harness's
  // registry at once; a second class of the same name is an error.
  void registerClass(ClassDescriptor descriptor);
  // A transaction of these forms, stored in the session memory under its id; its processing object comes
  // from the harness's registry.
  Transaction& addTransaction(const std::string& id, std::vector<std::shared_ptr<Form>> forms);
  // A transaction built elsewhere (a definition file), stored under its id.
  Transaction& addTransaction(std::shared_ptr<Transaction> transaction);
  Transaction& transaction(const std::string& id) const;
  // Makes the stored transaction the session's current one (before the first run).
  void start(const std::string& id);

  // The operator's keys and scans, queued before (or, from onExhausted, during) a run.
  ScriptedTerminal& scanner() { return peer_; }
  // Runs the first-level processor (created on the first run) until the script is used up or the process
  // ends. Errors that leave the processor reach the caller.
  RunResult run();
  // Registers the test classes and creates the first-level processor, as the first run() does, so that a
  // test can hand the processor to other services before the session runs.
  TransactionProcessor& prepare();

  // --- what happened ---
  ScreenModel screen() { return peer_.screen(); }
  std::vector<ScreenModel> screensAtInput() const { return peer_.screensAtInput(); }
  // Every handler called so far, in order.
  const std::vector<std::string>& calls() const { return *calls_; }
  void clearCalls() { calls_->clear(); }
  TransactionProcessor& processor() const;
  // Where the session stands: transaction id + "/" + form id + "/" + field id of the processor ("-" for
  // none), e.g. "Pick/pick/qty" while it waits for the quantity.
  std::string position() const;
  TevMemoryVariables& memory() { return memory_; }
  TerminalEmulator& terminal() { return emulator_; }
  FixedTerminalHost& host() { return host_; }
  const ClassRegistry& registry() const { return registry_; }
  // Every log line written while the harness lives (nothing reaches the test's output).
  const log::Capture& logs() const { return logs_; }

 private:
  // Thrown from the scanner when the script is used up; deliberately no std::exception.
  struct ScriptEnd {};

  void registerClasses();

  log::Capture logs_;
  ScriptedTerminal peer_;
  FixedTerminalHost host_;
  TerminalEmulator emulator_;
  RecordingSleeper sleeper_;
  Sleeper* previousSleeper_ = nullptr;
  FieldServices previousServices_;
  TevMemoryVariables memory_;
  ClassRegistry registry_;
  std::deque<TestClass> classes_;
  std::size_t registered_ = 0;
  std::shared_ptr<std::vector<std::string>> calls_;
  std::unique_ptr<TransactionProcessor> processor_;
};

}  // namespace tev::sim
