#include "engine/transaction_processor.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "common/exit_hook.h"
#include "common/java_text.h"
#include "engine/field.h"
#include "engine/form.h"
#include "engine/multiple_field.h"
#include "engine/popup_field.h"
#include "engine/processor_hooks.h"
#include "engine/tev_memory_variables.h"
#include "engine/transaction.h"
#include "terminal/emulator_settings.h"
#include "terminal/skip_exception.h"
#include "terminal/terminal_emulator.h"

namespace tev {
namespace {

const std::string kEscapeMessage = "Escape the current form";
const std::string kExitingMessage = "Exiting current Transaction";
const std::string kNever = "never";
const std::string kAlways = "always";
// A handler that raises a skip while the processor handles another one is handled in turn; a chain this
// long means handlers that keep skipping each other, and the skip is let out of processForm.
constexpr int kMaxChainedSkips = 32;

std::string idOf(const Form* form) {
  return form != nullptr ? form->id : "null";
}

std::string idOf(const Field* field) {
  return field != nullptr ? field->id : "null";
}

std::string partsText(const std::vector<std::string>& parts) {
  std::string text = "[";
  for (std::size_t i = 0; i < parts.size(); ++i) text += (i == 0 ? "" : ", ") + parts[i];
  return text + "]";
}

int indexOfIdentity(const Form& form, const Field* field) {
  for (std::size_t i = 0; i < form.fieldsVector.size(); ++i)
    if (form.fieldsVector[i].get() == field) return static_cast<int>(i);
  return -1;
}

}  // namespace

TransactionProcessor::TransactionProcessor(TevMemoryVariables& tevMemory, const EmulatorSettings& settings,
                                           TerminalEmulator& emulator)
    : TransactionProcessor(tevMemory, settings, emulator, true) {
  currentForm = tevMemory.currentForm;
  nextForm = tevMemory.nextForm;
  previousForm = tevMemory.previousForm;
  currentField = tevMemory.currentField;
  nextField = tevMemory.nextField;
  previousField = tevMemory.previousField;
}

TransactionProcessor::TransactionProcessor(TevMemoryVariables& tevMemory, const EmulatorSettings& settings,
                                           TerminalEmulator& emulator, bool firstLevel)
    : currentTransaction(tevMemory.currentTransaction),
      tevMemory(tevMemory),
      settings(settings),
      emulator(emulator),
      logger(log::get(LOGGER_NAME)),
      processLogger(log::get("tev.framework.application.Logger")),
      bFirstLevel(firstLevel) {}

TransactionProcessor::~TransactionProcessor() = default;

// --- helpers -----------------------------------------------------------------------------------------------

bool TransactionProcessor::isKey(const std::string& key, const std::string& code) {
  return !code.empty() && key == code;
}

std::string TransactionProcessor::currentFormId() const {
  return idOf(currentForm);
}

std::string TransactionProcessor::currentFieldId() const {
  return idOf(currentField);
}

Field* TransactionProcessor::ownField(Field* field) const {
  if (field == nullptr || currentForm == nullptr) return nullptr;
  return indexOfIdentity(*currentForm, field) >= 0 ? field : nullptr;
}

void TransactionProcessor::clearFormAndFieldState() {
  currentForm = nextForm = previousForm = nullptr;
  currentField = nextField = previousField = nullptr;
}

ProcessorHooks& TransactionProcessor::hooks() {
  auto* object = dynamic_cast<ProcessorHooks*>(clsObj);
  if (object == nullptr)
    throw Error("The processing object of " + cls + " cannot be bound to the transaction processor");
  return *object;
}

void TransactionProcessor::takeProcessingObject() {
  std::string transactionId = currentTransaction->id;
  try {
    clsObj = currentTransaction->getProcessingObject();
  } catch (const Error& error) {
    logger->error("Missing class for transaction {}: {}", transactionId, error.what());
    emulator.displayErrorMessageWindow("Programming Error", "Missing class for transaction " + transactionId,
                                       "Press Enter To Continue");
    throw;
  }
  if (clsObj == nullptr) {
    emulator.displayErrorMessageWindow("Programming Error", "Missing class for transaction " + transactionId,
                                       "Press Enter To Continue");
    throw Error("Class Missing");
  }
  cls = currentTransaction->cls;
}

void TransactionProcessor::switchTransaction(const std::string& transactionId) {
  std::shared_ptr<Transaction> next = tevMemory.getTransaction(transactionId);
  if (next == nullptr) {
    logger->error("No transaction {} in the session memory; starting {} again", transactionId,
                  currentTransaction->id);
    return;
  }
  currentTransaction = std::move(next);
}

void TransactionProcessor::drawCurrentForm(Field* cursorField) {
  const std::optional<DeviceInfo>& device = emulator.getDeviceInfo();
  const DeviceInfo* info = device ? &*device : nullptr;
  bool reflow = info != nullptr && info->getDisplayRows() > 0 && info->getDisplayColumns() > 0 &&
                (info->getDisplayRows() != 16 || info->getDisplayColumns() != 20);
  currentForm->display(emulator, reflow, info, cursorField);
}

// --- handler look-up and call ------------------------------------------------------------------------------

void TransactionProcessor::executeloadTransParamsMethod() {
  logger->info("Calling update method");
  hooks().update(*this);
}

bool TransactionProcessor::executeMethod(const std::string& name) {
  mainMethod = FoundHandler{};
  executeloadTransParamsMethod();
  mainMethod = currentTransaction->getClassRegistry().findHandler(cls, name, logger);
  if (!mainMethod) throw NoSuchHandler("No handler " + name + " in the class " + cls);
  (*mainMethod.handler)(*clsObj);
  return true;
}

TransactionProcessor::Outcome TransactionProcessor::fire(const std::string& name, const std::string& failure,
                                                         bool catchSkip, const std::string& skipFailure) {
  logger->info("Firing trigger: {}", name);
  try {
    executeMethod(name);
    inputSinceFirstForm = true;
    return Outcome::kCalled;
  } catch (const NoSuchHandler&) {
    return Outcome::kMissing;
  } catch (const SkipException& skip) {
    if (!catchSkip) throw;
    logger->error("{}", skipFailure.empty() ? failure : skipFailure);
    logger->error("{}", skip.what());
    return Outcome::kFailed;
  } catch (const std::exception& error) {
    logger->error("{}", failure);
    logger->error("{}", error.what());
    return Outcome::kFailed;
  }
}

// --- the form loop -----------------------------------------------------------------------------------------

void TransactionProcessor::processForm() {
  for (;;) {
    if (currentTransaction == nullptr) throw Error("No current transaction to process");

    if (nextForm != nullptr) {
      logger->info("Next form: {}", nextForm->id);
      previousForm = currentForm;
      currentForm = std::exchange(nextForm, nullptr);
    } else {
      logger->info("Next form is null for transaction id ={}", currentTransaction->id);
      previousForm = currentForm;
      currentForm = currentTransaction->getNextForm(currentForm);
      if (currentForm == nullptr) {
        clearFormAndFieldState();
        bSkipFormExit = true;
        currentForm = currentTransaction->getNextForm(nullptr);
        if (currentForm == nullptr) throw Error("The transaction " + currentTransaction->id + " has no form");
        // A whole round through the forms that neither read a field nor called a handler would repeat
        // itself for ever.
        if (!inputSinceFirstForm)
          throw Error("The transaction " + currentTransaction->id + " has no input field and no handler");
        inputSinceFirstForm = false;
      }
    }

    emulator.setCurrentForm(currentForm);
    logger->info("Current form: {}  bPerformFormInitialization = {}", currentForm->id,
                 bPerformFormInitialization);
    if (bPerformFormInitialization)
      currentForm->initialize(currentTransaction->transactionStatus);
    else
      bPerformFormInitialization = true;

    std::optional<std::string> skipKey;
    try {
      takeProcessingObject();
      executeloadTransParamsMethod();

      if (!bSkipFormEnter) {
        logger->info("Calling form enter routine for form: {}", currentForm->id);
        handleFormEnter();
      } else {
        bSkipFormEnter = false;
        logger->info("Skipping form enter routine for form: {}", currentForm->id);
      }
      if (nextForm != nullptr) continue;

      Field* errorField = currentForm->getFieldPosForError(*currentTransaction);
      Field* cursorField = nextField != nullptr    ? nextField
                           : errorField != nullptr ? errorField
                                                   : currentForm->getNextField(ownField(currentField));
      logger->info("Calling Displayform for form: {}", currentForm->id);
      drawCurrentForm(cursorField);
      logger->info("Called Displayform for form: {}", currentForm->id);
      if (errorField != nullptr) nextField = errorField;

      logger->info("Calling processCurrentFormInput");
      bSkipFormExit = false;
      processCurrentFormInput();
      logger->info("processCurrentFormInput returned");

      if (!bSkipFormExit) {
        logger->info("Calling form exit routine for form: {}", currentForm->id);
        handleFormExit();
      } else {
        logger->info("Skipping form exit routine for form: {}", currentForm->id);
        bSkipFormExit = false;
      }
    } catch (const SkipException& skip) {
      logger->info("Skip exception detected for form: {} Skip Key :{}", currentFormId(), skip.getSkipKey());
      skipKey = skip.getSkipKey();
    }

    for (int chained = 0; skipKey; ++chained) {
      std::string key = *std::exchange(skipKey, std::nullopt);
      try {
        handleFormControlChar(key);
      } catch (const SkipException& skip) {
        if (leavingNested || chained >= kMaxChainedSkips) throw;
        logger->info("Skip exception detected for form: {} Skip Key :{}", currentFormId(), skip.getSkipKey());
        skipKey = skip.getSkipKey();
      }
    }
  }
}

// --- the field loop ----------------------------------------------------------------------------------------

void TransactionProcessor::processCurrentFormInput() {
  for (;;) {
    previousField = currentField;
    if (nextField != nullptr) {
      currentField = std::exchange(nextField, nullptr);
    } else {
      logger->info("Calling getNextField");
      currentField = currentForm->getNextField(ownField(currentField));
      if (currentField == nullptr) {
        logger->info("Current field is null");
        return;
      }
    }
    currentForm->setCurrentField(currentField);
    logger->info("Current field is: {}", currentField->id);

    try {
      if (!bSkipFieldEnter) {
        logger->info("Calling field enter for Field: {}", currentField->id);
        handleFieldEnter();
      } else {
        logger->info("Skipping field enter for Field: {}", currentField->id);
        bSkipFieldEnter = false;
      }
      if (nextField != nullptr) continue;

      logger->info("Calling readInput for Field: {}", currentField->id);
      std::string key;
      bool splitSetNextField = false;
      splitKeepsCursor = false;
      if (currentField->bSkipDataInput) {
        currentField->bSkipDataInput = false;
        key = settings.ENTER;
        currentField->selIndex = -1;
      } else {
        key = currentField->readInput(emulator, *currentForm);
        inputSinceFirstForm = true;
        if (currentTransaction->barcodeHash) {
          splitBarcodeFields();
          splitSetNextField = nextField != nullptr;
        }
      }

      processControlCharacter(key);
      if (splitSetNextField) {
        bSkipFieldExit = true;
        if (splitKeepsCursor) bSkipFieldEnter = true;
      }

      logger->info("processCurrentFormInput returned. value of bSkipFieldExit: {}", bSkipFieldExit);
      if (!bSkipFieldExit) {
        logger->info("Calling field exit for Field: {}", currentField->id);
        if (!currentField->validate(emulator)) {
          logger->info("validate return false for field : {}", currentField->id);
          nextField = currentField;
        } else {
          currentField->transform();
          currentField->display(emulator);
          handleFieldExit();
        }
      } else {
        logger->info("Skipping field exit for Field: {}", currentField->id);
      }
    } catch (const SkipException&) {
      logger->info("Escaping from the field: {}", currentFieldId());
      throw;
    }
  }
}

// --- keys --------------------------------------------------------------------------------------------------

void TransactionProcessor::processControlCharacter(const std::string& key) {
  logger->info("Request Came for Process Control Character Function 2.4 ");
  bSkipFieldEnter = false;
  bSkipFieldExit = false;

  if (isKey(key, settings.KCUU1)) {
    if (currentFormId() != "set_password") emulator.setMaskInput(false);
    logger->info("Detected up arrow");
    bSkipFieldEnter = true;
    bSkipFieldExit = true;
    logger->info("Querying for the previous field of field: {}", currentFieldId());
    Field* previous = currentForm->getPreviousField(currentField);
    if (previous != nullptr) {
      nextField = previous;
      logger->info("Previous field is :{}", previous->id);
    } else {
      nextField = currentField;
      logger->info("Previous field is null");
    }
    return;
  }

  if (isKey(key, settings.ESC)) {
    std::string name = currentFormId() + "_" + "clean";
    logger->info("Calling getDeclaredMethod to get a reference to call method: {}", name);
    try {
      FoundHandler clean = currentTransaction->getClassRegistry().findOwnHandler(cls, name);
      if (clean) (*clean.handler)(*clsObj);
    } catch (const std::exception& error) {
      logger->info("{} failed: {}", name, error.what());
    }
    logger->info("Firing SkipException in field: {}", currentFieldId());
    throw SkipException(kEscapeMessage, settings.ESC);
  }

  if (isKey(key, settings.KF4) || isKey(key, settings.KF41)) {
    logger->info("Firing F4 exception: {}", currentFieldId());
    if (dynamic_cast<PopupField*>(currentField) != nullptr) {
      handleFieldF4Key();
    } else {
      keepCursorOnField();
    }
  }
  if (isKey(key, settings.KF6)) {
    logger->info(" Request came for F6 Key {}", currentFieldId());
    if (dynamic_cast<PopupField*>(currentField) != nullptr) {
      handleFieldF6Key();
    } else {
      keepCursorOnField();
    }
  }
  if (isKey(key, settings.KF2)) {
    if (dynamic_cast<MultipleField*>(currentField) != nullptr) {
      handleFieldF2Key();
    } else {
      logger->info("Firing SkipException in field: {}", currentFieldId());
      throw SkipException(kEscapeMessage, settings.KF2);
    }
  }
  for (const std::string* code : {&settings.KF3, &settings.KF5, &settings.KF7, &settings.KF8, &settings.KF9,
                                  &settings.KF10, &settings.KF11}) {
    if (isKey(key, *code)) {
      logger->info("Firing SkipException in field: {}", currentFieldId());
      throw SkipException(kEscapeMessage, *code);
    }
  }
  logger->info("Field Exit key: {}", bSkipFieldExit);
}

void TransactionProcessor::keepCursorOnField() {
  bSkipFieldEnter = true;
  bSkipFieldExit = true;
  nextField = currentField;
}

void TransactionProcessor::handleFormControlChar(const std::string& skipKey) {
  logger->info("Received Ctrl key: {}", skipKey);
  bSkipFormEnter = false;
  bSkipFormExit = false;
  logger->info("Current form id: {}  {}", currentFormId(), trim(skipKey));

  if (isKey(skipKey, settings.ESC)) {
    processLogger->info(" in Handle Form Escape key ..");
    processLogger->info("Current form id: {}", currentFormId());
    if (currentFormId() == "welcome" || currentFormId() == "change_password") exitProcess(0);
    handleFormEscape();
    bSkipFormEnter = false;
    bSkipFormExit = true;
    if (nextForm != nullptr) {
      logger->info(" Next Form Obtained for Processing = {}", nextForm->id);
      currentField = nextField = previousField = nullptr;
    } else {
      if (currentTransaction->id == TevMemoryVariables::MENU) {
        switchTransaction(TevMemoryVariables::STANDARD);
      } else if (bFirstLevel) {
        switchTransaction(TevMemoryVariables::MENU);
      }
      logger->info("Current transaction is: {}", currentTransaction->id);
      clearFormAndFieldState();
      bSkipFormExit = true;
    }
  }
  if (skipKey == SKIP_FORM) bSkipFormExit = true;
  if (isKey(skipKey, settings.KF3)) handleFormF3();
  if (isKey(skipKey, settings.KF2)) handleFormF2();
  if (isKey(skipKey, settings.KF5)) handleFormFunctionKey("f5");
  const std::pair<const std::string*, const char*> functionKeys[] = {{&settings.KF7, "f7"},
                                                                     {&settings.KF8, "f8"},
                                                                     {&settings.KF9, "f9"},
                                                                     {&settings.KF10, "f10"},
                                                                     {&settings.KF11, "f11"}};
  for (const auto& [code, text] : functionKeys)
    if (isKey(skipKey, *code)) handleFormFunctionKey(text);
  if (skipKey == SKIP_EXIT_TRANS || skipKey == SKIP_EXIT_MENU) {
    if (!bFirstLevel) {
      leavingNested = true;
      throw SkipException(kExitingMessage, skipKey);
    }
    switchTransaction(TevMemoryVariables::MENU);
    if (skipKey == SKIP_EXIT_MENU) logger->info("Current transaction is: {}", currentTransaction->id);
    clearFormAndFieldState();
    bSkipFormExit = true;
  }
}

// --- handler wrappers --------------------------------------------------------------------------------------

void TransactionProcessor::handleFieldEnter() {
  bSkipFieldEnter = false;
  bSkipFieldExit = false;
  std::string id = currentFieldId();
  switch (fire(currentFormId() + "_" + id + "_" + "field_enter",
               "Field enter of field: " + id + " failed. Going to previous field: " + idOf(previousField))) {
    case Outcome::kCalled:
      break;
    case Outcome::kMissing:
      logger->info("Field enter does not exist for Field: {}", id);
      break;
    case Outcome::kFailed:
      // A previous field of another form (the first field of a form) keeps the cursor here.
      nextField = ownField(previousField);
      bSkipFieldExit = true;
      resetSkipInput(currentField, false);
      break;
  }
}

void TransactionProcessor::handleFieldExit() {
  bSkipFieldEnter = false;
  bSkipFieldExit = false;
  std::string id = currentFieldId();
  switch (fire(currentFormId() + "_" + id + "_" + "field_exit",
               "Field exit of field: " + id + " failed. Keeping the cursor in the same field")) {
    case Outcome::kCalled:
      break;
    case Outcome::kMissing:
      logger->info("Field Exit does not exist for field: {}", id);
      break;
    case Outcome::kFailed:
      bSkipFieldEnter = true;
      nextField = currentField;
      resetSkipInput(currentField, false);
      break;
  }
}

void TransactionProcessor::handleFieldF2Key() {
  bSkipFieldEnter = false;
  bSkipFieldExit = false;
  std::string id = currentFieldId();
  switch (fire(currentFormId() + "_" + id + "_" + "field_reset_form",
               "Field exit of field: " + id + " failed. Keeping the cursor in the same field")) {
    case Outcome::kCalled:
      break;
    case Outcome::kMissing:
      logger->info("Field F2 does not exist for field: {}", id);
      break;
    case Outcome::kFailed:
      keepCursorOnField();
      break;
  }
}

void TransactionProcessor::handleFieldF4Key() {
  handlePickList("field_popup", "F4");
}

void TransactionProcessor::handleFieldF6Key() {
  handlePickList("field_f6", "F6");
}

void TransactionProcessor::handlePickList(const std::string& handlerSuffix, const std::string& keyName) {
  std::string id = currentFieldId();
  Outcome outcome = fire(currentFormId() + "_" + id + "_" + handlerSuffix,
                         "Field exit of field: " + id + " failed. Keeping the cursor in the same field", true,
                         "Field Escape of field instance of SkipException: " + id +
                             " failed. Keeping the cursor in the same field");
  if (outcome == Outcome::kFailed) {
    keepCursorOnField();
    return;
  }
  if (outcome == Outcome::kMissing) logger->info("Field {} does not exist for field: {}", keyName, id);
  try {
    std::string returned = currentField->showList(emulator, *currentForm);
    logger->info("{} key returned the following value = {}", keyName, returned);
  } catch (const SkipException&) {
    logger->info("Field Escape of field: {} failed. Keeping the cursor in the same field", id);
    keepCursorOnField();
    drawCurrentForm(currentField);
  }
}

void TransactionProcessor::handleFormEnter() {
  resetSkipInput(currentField, false);
  switch (fire(currentFormId() + "_form_enter", "Error in form_enter. Switching back to the previous form")) {
    case Outcome::kCalled:
      break;
    case Outcome::kMissing:
      logger->info("form enter routine does not exist for form: {}", currentFormId());
      break;
    case Outcome::kFailed:
      // Back to the previous form. A previous form that is this form again (re-entered after a failure), or
      // one without input field, would lead straight back here without any input: the form then stays.
      if (previousForm != currentForm && (previousForm == nullptr || !previousForm->isReadOnly()))
        nextForm = previousForm;
      break;
  }
}

void TransactionProcessor::handleFormEscape() {
  switch (
      fire(currentFormId() + "_form_escape", "Error in form_escape. Keeping the cursor in the same form.")) {
    case Outcome::kCalled:
      break;
    case Outcome::kMissing:
      logger->info("form escape routine does not exist for form: {}", currentFormId());
      nextForm = currentTransaction->getPreviousForm(currentForm);
      break;
    case Outcome::kFailed:
      nextForm = currentForm;
      return;
  }
  if (nextForm != nullptr && nextForm->isReadOnly()) nextForm = currentTransaction->getPreviousForm(nextForm);
}

void TransactionProcessor::handleFormExit() {
  switch (fire(currentFormId() + "_form_exit", "FormExit failed. Not changing the current form")) {
    case Outcome::kCalled:
      formExitComplete = true;
      break;
    case Outcome::kMissing:
      logger->info("form exit routine does not exist for form: {}", currentFormId());
      break;
    case Outcome::kFailed:
      nextForm = currentForm;
      formExitComplete = false;
      if (currentForm->isReadOnly()) nextForm = currentTransaction->getPreviousForm(currentForm);
      break;
  }
}

void TransactionProcessor::reenterForm(bool allSkipFlags, bool keepFormState) {
  nextForm = currentForm;
  formExitComplete = false;
  bSkipFormEnter = true;
  bSkipFieldEnter = true;
  if (allSkipFlags) {
    bSkipFormExit = true;
    bSkipFieldExit = true;
  }
  nextField = ownField(currentField);
  if (keepFormState) bPerformFormInitialization = false;
}

void TransactionProcessor::handleFormF2() {
  switch (fire(currentFormId() + "_form_f2key", "FormF2 ... failed. Not changing the current form", true)) {
    case Outcome::kCalled:
      formExitComplete = true;
      break;
    case Outcome::kMissing:
      logger->info("form _form_f2key does not exist for form: {}", currentFormId());
      reenterForm(true, true);
      break;
    case Outcome::kFailed:
      break;
  }
}

void TransactionProcessor::handleFormF3() {
  switch (fire(currentFormId() + "_form_reset_form", "FormF3 ... failed. Not changing the current form")) {
    case Outcome::kCalled:
      formExitComplete = true;
      break;
    case Outcome::kMissing:
      logger->info("form reset_form does not exist for form: {}", currentFormId());
      reenterForm(true, true);
      break;
    case Outcome::kFailed:
      reenterForm(false, true);
      break;
  }
}

void TransactionProcessor::handleFormFunctionKey(const std::string& keyText) {
  switch (fire(currentFormId() + "_form_" + keyText + "key",
               "FormF" + keyText + " ... failed. Not changing the current form")) {
    case Outcome::kCalled:
      formExitComplete = true;
      break;
    case Outcome::kMissing:
      logger->info("FormF{} does not exist for form: {}", keyText, currentFormId());
      reenterForm(true, true);
      break;
    case Outcome::kFailed:
      reenterForm(false, false);
      break;
  }
}

// --- skip input and the scan split -------------------------------------------------------------------------

void TransactionProcessor::resetSkipInput(Field* start, bool all) {
  if (currentForm == nullptr) return;
  Field* field = ownField(start);
  for (std::size_t steps = currentForm->fieldsVector.size(); steps > 0; --steps) {
    Field* next = currentForm->getNextField(field, true);
    if (next == nullptr || next == field) break;
    field = next;
    if (all) {
      hooks().setSkipDataInput(field->id, false);
      continue;
    }
    logger->info("Skip behavior:{}", field->skipBehavior);
    if (field->skipBehavior != kAlways) {
      hooks().setSkipDataInput(field->id, false);
      logger->info("Reset skip input: {}", field->id);
    }
  }
}

void TransactionProcessor::splitBarcodeFields() {
  logger->info("Inside splitBarcodeFields");
  if (!currentTransaction->barcodeHash || currentForm == nullptr || currentField == nullptr) return;
  auto entry = currentTransaction->barcodeHash->find(currentForm->id);
  if (entry == currentTransaction->barcodeHash->end()) return;
  const std::vector<barcode::BarcodeType>& layouts = entry->second;
  logger->info("Size: {}", layouts.size());

  const std::string value = currentField->value;
  const barcode::BarcodeType* layout = nullptr;
  std::vector<std::string> parts;
  for (const barcode::BarcodeType& candidate : layouts) {
    if (!candidate.getFieldSeparator()) {
      logger->error("The bar-code layout {} has no field separator", nullText(candidate.getId()));
      continue;
    }
    const std::string& separator = *candidate.getFieldSeparator();
    try {
      parts = split(value, separator, -1);
    } catch (const Error& error) {
      logger->error("The field separator of the bar-code layout {} cannot be used: {}",
                    nullText(candidate.getId()), error.what());
      parts.clear();
      continue;
    }
    logger->info("Value: {}", value);
    logger->info("barcodeFieldSeparator: {}", separator);
    logger->info("barcodeNoOfFields: {}", candidate.getNoOfFields());
    logger->info("Split Fields: {}", partsText(parts));
    if (candidate.getNoOfFields() == static_cast<int>(parts.size())) {
      logger->info("Found Matching Barcode");
      layout = &candidate;
      break;
    }
  }
  if (layout == nullptr) {
    logger->info("Split Fields not found: {}", parts.size());
    return;
  }

  const std::vector<barcode::FieldType>& all = layout->getFieldList().getField();
  auto mapType = [](const barcode::FieldType& field) { return trim(field.getMapType().value_or("")); };
  std::string scannedId = trim(currentField->id);
  bool applies = std::any_of(all.begin(), all.end(), [&](const barcode::FieldType& field) {
    return mapType(field) == "field" && trim(field.getMapTo().value_or("")) == scannedId;
  });
  if (!applies) return;

  // A layout that does not fit the form keeps the cursor on the scanned field: nothing is applied.
  auto keepCursor = [this] {
    splitKeepsCursor = true;
    nextField = currentField;
  };
  const std::string& moveTo = layout->getMoveCursorToField().value_or("");
  Field* target = moveTo == "none" ? currentField : currentForm->getField(moveTo);
  if (target == nullptr) {
    logger->error("Keep the cursor in the same field");
    logger->error("The bar-code layout {} moves the cursor to the field {}, which the form {} does not have",
                  nullText(layout->getId()), nullText(layout->getMoveCursorToField()), currentForm->id);
    keepCursor();
    return;
  }
  std::size_t count = all.size();
  if (count > parts.size()) {
    logger->error("The bar-code layout {} lists {} fields for {} parts; the fields beyond are ignored",
                  nullText(layout->getId()), all.size(), parts.size());
    count = parts.size();
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (mapType(all[i]) == "field" &&
        currentForm->getField(trim(all[i].getMapTo().value_or(""))) == nullptr) {
      logger->error("The bar-code layout {} maps a part to the field {}, which the form {} does not have",
                    nullText(layout->getId()), nullText(all[i].getMapTo()), currentForm->id);
      keepCursor();
      return;
    }
  }

  int targetIndex = indexOfIdentity(*currentForm, target);
  const barcode::FieldType* scannedPart = nullptr;
  for (std::size_t i = 0; i < count; ++i) {
    const barcode::FieldType& part = all[i];
    std::string mapTo = part.getMapTo().value_or("");
    std::string skipBehavior = part.getSkipBehavior().value_or(kNever);
    if (mapType(part) == "field") {
      if (mapTo == currentField->id && scannedPart == nullptr) scannedPart = &part;
      hooks().setValue(mapTo, parts[i]);
      hooks().setSkipBehavior(mapTo, skipBehavior);
      if (skipBehavior != kNever &&
          indexOfIdentity(*currentForm, currentForm->getField(mapTo)) > targetIndex) {
        hooks().setSkipDataInput(mapTo, true);
        logger->info("SkipDataInput true for: {}", mapTo);
      }
    } else if (mapType(part) == "variable") {
      const MemberAccess* member = currentTransaction->getClassRegistry().findMember(cls, mapTo, true);
      if (member == nullptr) {
        logger->error(
            "The bar-code layout {} maps a part to the variable {}, which the class {} does not have",
            nullText(layout->getId()), mapTo, cls);
        continue;
      }
      try {
        member->set(*clsObj, MemberValue(parts[i]));
      } catch (const Error& error) {
        logger->error("{}", error.what());
      }
    }
  }

  if (target == currentField) {
    hooks().refresh();
    return;
  }
  if (scannedPart != nullptr) {
    if (scannedPart->getSkipBehavior().value_or(kNever) != kNever) hooks().setSkipDataInput(target->id, true);
  } else {
    hooks().setValue(currentField->id, "");
    hooks().setSkipDataInput(target->id, true);
  }
  hooks().setNextField(target->id);
  hooks().refresh();
}

}  // namespace tev
