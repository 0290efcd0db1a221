#include "sim/session_harness.h"

#include <utility>

#include "common/error.h"
#include "common/exit_hook.h"
#include "common/log.h"
#include "config/baan_field_def.h"
#include "config/device_info.h"
#include "engine/field.h"
#include "engine/form.h"
#include "engine/multiple_field.h"
#include "engine/popup_field.h"
#include "engine/single_field.h"
#include "engine/transaction.h"
#include "engine/transaction_processor.h"
#include "terminal/skip_exception.h"

namespace tev::sim {
namespace {

MemberKind kindOf(const MemberValue& value) {
  switch (value.index()) {
    case 2:
      return MemberKind::Boolean;
    case 3:
      return MemberKind::Integer;
    case 4:
      return MemberKind::Decimal;
    case 5:
      return MemberKind::TextList;
    default:
      return MemberKind::Text;
  }
}

std::string className(const std::string& id) {
  return id.find('.') != std::string::npos ? id : ClassRegistry::kTransactionPackage + id;
}

}  // namespace

// --- TestTransaction ---------------------------------------------------------------------------------------

void TestTransaction::update(TransactionProcessor& processor) {
  processor_ = &processor;
}

TransactionProcessor& TestTransaction::processor() const {
  if (processor_ == nullptr) throw Error("The test transaction is not bound to a processor");
  return *processor_;
}

Transaction& TestTransaction::transaction() const {
  if (!processor().currentTransaction) throw Error("The processor has no current transaction");
  return *processor().currentTransaction;
}

Form& TestTransaction::form() const {
  if (processor().currentForm == nullptr) throw Error("The processor has no current form");
  return *processor().currentForm;
}

TerminalEmulator& TestTransaction::terminal() const {
  return processor().getEmulator();
}

Field* TestTransaction::field(const std::string& fieldId) const {
  return form().getField(fieldId);
}

std::string TestTransaction::value(const std::string& fieldId) const {
  return form().getFieldValue(fieldId);
}

void TestTransaction::setValue(const std::string& fieldId, const std::string& value) {
  form().setFieldValue(fieldId, value);
}

void TestTransaction::setSkipBehavior(const std::string& fieldId, const std::string& behavior) {
  if (Field* target = field(fieldId)) target->skipBehavior = behavior;
}

void TestTransaction::setSkipDataInput(const std::string& fieldId, bool skip) {
  if (Field* target = field(fieldId)) target->bSkipDataInput = skip;
}

void TestTransaction::setNextField(const std::string& fieldId) {
  processor().nextField = field(fieldId);
}

void TestTransaction::refresh() {
  form().display(terminal());
}

void TestTransaction::setNextForm(const std::string& formId) {
  processor().nextForm = transaction().getForm(formId);
}

void TestTransaction::exitForm() {
  throw SkipException("Skipping form: " + form().id, TransactionProcessor::SKIP_FORM);
}

void TestTransaction::exitToForm(const std::string& formId) {
  setNextForm(formId);
  throw SkipException("Skipping form: ", TransactionProcessor::SKIP_FORM);
}

void TestTransaction::exitTransaction() {
  throw SkipException("Exiting Transaction", TransactionProcessor::SKIP_EXIT_TRANS);
}

void TestTransaction::exitToMenu() {
  throw SkipException("Exiting Transaction", TransactionProcessor::SKIP_EXIT_MENU);
}

void TestTransaction::popupTransaction(const std::string& transactionId) {
  TransactionProcessor& caller = processor();
  TevMemoryVariables& memory = caller.getTevMemory();
  std::shared_ptr<Transaction> callerTransaction = caller.currentTransaction;
  std::shared_ptr<Transaction> nested = memory.getTransaction(transactionId);
  if (nested == nullptr) throw Error("No transaction " + transactionId + " in the session memory");
  memory.currentTransaction = nested;
  nested->transactionStatus = Transaction::VERY_FIRST_TIME;
  {
    TransactionProcessor inner(memory, caller.getSettings(), caller.getEmulator(), false);
    try {
      inner.processForm();
    } catch (const std::exception& failure) {
      log::get("tev.transaction.Logger")->info("popupTransaction: {}", failure.what());
    }
  }
  processor_ = &caller;
  caller.getEmulator().setCurrentForm(caller.currentForm);
  memory.currentTransaction = callerTransaction;
  refresh();
}

// --- TestClass ---------------------------------------------------------------------------------------------

TestClass::TestClass(std::string name, std::string parent, std::shared_ptr<std::vector<std::string>> calls)
    : calls_(std::move(calls)) {
  descriptor_.name = std::move(name);
  descriptor_.parent = std::move(parent);
  descriptor_.factory = [] { return std::unique_ptr<ProcessingObject>(new TestTransaction()); };
}

TestClass& TestClass::on(const std::string& handlerName, Body body) {
  descriptor_.handlers[handlerName] = [calls = calls_, handlerName, body](ProcessingObject& object) {
    calls->push_back(handlerName);
    if (body) body(dynamic_cast<TestTransaction&>(object));
  };
  return *this;
}

TestClass& TestClass::on(std::initializer_list<std::string> handlerNames) {
  for (const std::string& name : handlerNames) on(name);
  return *this;
}

TestClass& TestClass::member(const std::string& name, MemberValue initial) {
  std::string owner = descriptor_.name;
  descriptor_.members[name] = MemberAccess{
      kindOf(initial),
      [name, initial](const ProcessingObject& object) {
        const auto& members = dynamic_cast<const TestTransaction&>(object).members;
        auto it = members.find(name);
        return it == members.end() ? initial : it->second;
      },
      [name, initial, owner](ProcessingObject& object, const MemberValue& value) {
        if (value.index() != initial.index())
          throw Error("The member " + name + " of " + owner + " cannot take a value of another type");
        dynamic_cast<TestTransaction&>(object).members[name] = value;
      }};
  return *this;
}

// --- forms and fields --------------------------------------------------------------------------------------

FieldSpec FieldSpec::with(const std::string& word) const {
  FieldSpec copy = *this;
  copy.words.push_back(word);
  return copy;
}

FieldSpec FieldSpec::withValue(const std::string& text) const {
  FieldSpec copy = *this;
  copy.value = text;
  return copy;
}

FieldSpec FieldSpec::withSkipBehavior(const std::string& behavior) const {
  FieldSpec copy = *this;
  copy.skipBehavior = behavior;
  return copy;
}

std::unique_ptr<Field> FieldSpec::build() const {
  std::unique_ptr<Field> field;
  switch (kind) {
    case Kind::kSingle:
      field = std::make_unique<SingleField>();
      field->type = "single";
      break;
    case Kind::kPopup:
      field = std::make_unique<PopupField>();
      field->type = "popup";
      break;
    case Kind::kMultiple:
      field = std::make_unique<MultipleField>();
      field->type = "multiple";
      break;
  }
  field->id = id;
  field->label = label;
  field->row = std::to_string(row);
  field->col = std::to_string(col);
  field->fieldAttrVector = words;
  field->value = value;
  field->values = values;
  field->lineValues = lineValues;
  field->skipBehavior = skipBehavior;
  field->dataType = "string";
  field->typeInfo = BaanFieldDef("string", "string", "left", "none", 30);
  return field;
}

FieldSpec input(const std::string& id, const std::optional<std::string>& label, int row, int col) {
  FieldSpec spec;
  spec.id = id;
  spec.label = label;
  spec.row = row;
  spec.col = col;
  return spec;
}

FieldSpec text(const std::string& id, const std::string& label, int row, int col) {
  return input(id, label, row, col).readOnly();
}

FieldSpec popup(const std::string& id, const std::optional<std::string>& label, int row, int col,
                std::vector<std::string> values, std::vector<std::string> lineValues) {
  FieldSpec spec = input(id, label, row, col);
  spec.kind = FieldSpec::Kind::kPopup;
  spec.values = std::move(values);
  spec.lineValues = std::move(lineValues);
  return spec;
}

FieldSpec multiple(const std::string& id, int row, int col, std::vector<std::string> values) {
  FieldSpec spec = input(id, std::nullopt, row, col);
  spec.kind = FieldSpec::Kind::kMultiple;
  spec.values = std::move(values);
  return spec;
}

std::shared_ptr<Form> makeForm(const std::string& id, const std::vector<FieldSpec>& fields,
                               const std::string& type) {
  auto form = std::make_shared<Form>();
  form->id = id;
  form->type = type;
  for (const FieldSpec& spec : fields) form->addField(spec.build());
  return form;
}

barcode::BarcodeType barcodeLayout(const std::string& form, const std::string& separator, int noOfFields,
                                   const std::string& moveCursorToField,
                                   const std::vector<LayoutPart>& parts) {
  barcode::BarcodeType layout;
  layout.setId(form + "_layout");
  layout.setForm(form);
  layout.setFieldSeparator(separator);
  layout.setNoOfFields(noOfFields);
  layout.setMoveCursorToField(moveCursorToField);
  int n = 0;
  for (const LayoutPart& part : parts) {
    barcode::FieldType field;
    field.setId("part" + std::to_string(++n));
    field.setMapTo(part.mapTo);
    field.setMapType(part.mapType);
    field.setSkipBehavior(part.skipBehavior);
    layout.getFieldList().getField().push_back(std::move(field));
  }
  return layout;
}

// --- SessionHarness ----------------------------------------------------------------------------------------

SessionHarness::SessionHarness(int rows, int columns)
    : peer_(rows, columns),
      emulator_(peer_.terminalFd(), peer_.terminalFd()),
      calls_(std::make_shared<std::vector<std::string>>()) {
  if (rows != 16 || columns != 20) host_.deviceInfo = DeviceInfo("Test", rows, columns, "key_list.xml");
  host_.messages.setMessage("f003", "Invalid input");
  host_.messages.setMessage("continue", "Press Enter");
  host_.messages.setMessage("yesno", "Y/N ?");
  if (!emulator_.intialize(peer_.settings(), &host_)) throw Error("The test terminal cannot be initialised");
  peer_.attach(emulator_);
  peer_.onExhausted([](ScriptedTerminal& scanner) {
    if (scanner.queued() == 0) throw ScriptEnd{};
  });
  previousSleeper_ = Sleeper::install(&sleeper_);
  previousServices_ = fieldServices();
  fieldServices() = FieldServices{};
  memory_.settings = &emulator_.getSettings();
}

SessionHarness::~SessionHarness() {
  processor_.reset();
  fieldServices() = previousServices_;
  Sleeper::install(previousSleeper_);
}

TestClass& SessionHarness::defineClass(const std::string& id, const std::string& parent) {
  return classes_.emplace_back(className(id), parent, calls_);
}

Transaction& SessionHarness::addTransaction(const std::string& id, std::vector<std::shared_ptr<Form>> forms) {
  auto transaction = std::make_shared<Transaction>();
  transaction->id = id;
  transaction->formsList = std::move(forms);
  return addTransaction(std::move(transaction));
}

Transaction& SessionHarness::addTransaction(std::shared_ptr<Transaction> transaction) {
  transaction->setClassRegistry(&registry_);
  Transaction& stored = *transaction;
  memory_.putTransaction(stored.id, std::move(transaction));
  return stored;
}

Transaction& SessionHarness::transaction(const std::string& id) const {
  std::shared_ptr<Transaction> found = memory_.getTransaction(id);
  if (found == nullptr) throw Error("No transaction " + id + " in the session memory");
  return *found;
}

void SessionHarness::start(const std::string& id) {
  memory_.currentTransaction = memory_.getTransaction(id);
  if (memory_.currentTransaction == nullptr) throw Error("No transaction " + id + " in the session memory");
}

void SessionHarness::registerClass(ClassDescriptor descriptor) {
  registry_.add(std::move(descriptor));
}

void SessionHarness::registerClasses() {
  for (; registered_ < classes_.size(); ++registered_) registry_.add(classes_[registered_].descriptor());
}

TransactionProcessor& SessionHarness::processor() const {
  if (processor_ == nullptr) throw Error("The session has not run yet");
  return *processor_;
}

std::string SessionHarness::position() const {
  const TransactionProcessor& p = processor();
  return (p.currentTransaction ? p.currentTransaction->id : "-") + "/" +
         (p.currentForm ? p.currentForm->id : "-") + "/" + (p.currentField ? p.currentField->id : "-");
}

TransactionProcessor& SessionHarness::prepare() {
  registerClasses();
  if (processor_ == nullptr) {
    if (memory_.currentTransaction == nullptr) throw Error("No transaction started");
    processor_ = std::make_unique<TransactionProcessor>(memory_, emulator_.getSettings(), emulator_);
  }
  return *processor_;
}

SessionHarness::RunResult SessionHarness::run() {
  prepare();
  RunResult result;
  try {
    processor_->processForm();
  } catch (const ScriptEnd&) {
    result.scriptUsedUp = true;
  } catch (const ExitRequest& exit) {
    result.exitStatus = exit.status;
  }
  return result;
}

}  // namespace tev::sim
