// TransactionLogic: construction, binding before a handler, field values, field properties, titles and
// messages.
#include "session/transaction_logic.h"

#include <exception>
#include <typeinfo>

#include "common/java_number.h"
#include "common/java_text.h"
#include "engine/field.h"
#include "engine/form.h"
#include "engine/multiple_field.h"
#include "engine/popup_field.h"
#include "engine/transaction.h"
#include "engine/transaction_processor.h"
#include "engine/user_data.h"
#include "engine/vav_interface_data.h"
#include "labels/print_bar_code_labels.h"
#include "session/vav_interface.h"
#include "terminal/terminal_emulator.h"

namespace tev {

// --- construction and class-wide state ---------------------------------------------------------------------

TransactionLogic::TransactionLogic() {
  requestHandler = VAVInterface::requestHandler;
  barCodeLabels = VAVInterface::printLabels;
  if (VAVInterface::interfaceData != nullptr)
    labelFilesPath = VAVInterface::interfaceData->barCodeLabelsPath.value_or("");
  VAVInterface::log(10, "  labelFilesPath == " + labelFilesPath);
}

TransactionLogic::~TransactionLogic() = default;

ClassDescriptor TransactionLogic::describe() {
  return ClassDef<TransactionLogic>(ClassRegistry::kTransactionLogic, "")
      .TEV_MEMBER(TransactionLogic, supp_lot_equal_baan_lot)
      .TEV_MEMBER(TransactionLogic, lot_has_multiple_dates)
      .TEV_MEMBER(TransactionLogic, user_input_lot_date)
      .TEV_MEMBER(TransactionLogic, project_in_use)
      .done();
}

void TransactionLogic::resetClassState() {
  transactionStack.clear();
  currentStackLevel = 0;
  globalParamHash.clear();
}

log::Logger TransactionLogic::logger() {
  return log::get(LOGGER_NAME);
}

// --- helpers -----------------------------------------------------------------------------------------------

TerminalEmulator& TransactionLogic::terminal() {
  if (emulator == nullptr) throw TransactionLogicException("No terminal bound to the transaction");
  return *emulator;
}

TransactionProcessor& TransactionLogic::processor() {
  if (curProcessor == nullptr) throw TransactionLogicException("No transaction processor bound");
  return *curProcessor;
}

Transaction& TransactionLogic::transaction() {
  if (curTrans == nullptr) throw TransactionLogicException("No running transaction");
  return *curTrans;
}

Field& TransactionLogic::existingField(const std::string& fieldId) {
  Field* field = curForm != nullptr ? curForm->getField(fieldId) : nullptr;
  if (field == nullptr) throw TransactionLogicException("No field " + fieldId + " on the current form");
  return *field;
}

void TransactionLogic::failWithWindow(const std::string& message) {
  if (emulator != nullptr) emulator->displayErrorMessageWindow(ERROR_TITLE, message, ERROR_FOOTER);
  throw logicException;
}

// --- binding -----------------------------------------------------------------------------------------------

void TransactionLogic::update(TransactionProcessor& processor) {
  logger()->debug("Entering update of {}", typeid(*this).name());
  try {
    curProcessor = &processor;
    curTrans = processor.currentTransaction.get();
    if (curTrans != nullptr) {
      curForm = processor.currentForm;
      curField = processor.currentField;
    } else {
      curForm = nullptr;
      curField = nullptr;
    }
    emulator = VAVInterface::emulator != nullptr ? VAVInterface::emulator : &processor.getEmulator();
    userData = VAVInterface::userData;
    requestHandler = VAVInterface::requestHandler;
    if (curTrans == nullptr)
      throw TransactionLogicException("No running transaction to take parameters from");
    paramManager = curTrans->paramManager;
    if (barCodeLabels != nullptr) barCodeLabels->setTransactionName(curTrans->id);
  } catch (const std::exception& failure) {
    logger()->error("update failed: {}", failure.what());
  }
}

// --- field values ------------------------------------------------------------------------------------------

std::optional<std::string> TransactionLogic::getValue() {
  if (curField == nullptr) return std::nullopt;
  return curField->value;
}

std::string TransactionLogic::getValue(const std::string& fieldId) {
  if (curForm == nullptr) return "";
  return curForm->getFieldValue(fieldId);
}

std::string TransactionLogic::getValue(const std::string& fieldId, const std::string& formId) {
  logger()->debug("getValue: {}-{}", formId, fieldId);
  Form* form = curTrans != nullptr ? curTrans->getForm(formId) : nullptr;
  Field* field = form != nullptr ? form->getField(fieldId) : nullptr;
  if (field == nullptr) failWithWindow("invalid access to fieldid : " + fieldId);
  return field->value;
}

std::string TransactionLogic::getValueTrimmed() {
  std::optional<std::string> value = getValue();
  if (!value) throw TransactionLogicException("No current field");
  return trim(*value);
}

std::string TransactionLogic::getValueTrimmed(const std::string& fieldId) {
  return trim(getValue(fieldId));
}

std::string TransactionLogic::getValueTrimmed(const std::string& fieldId, const std::string& formId) {
  return trim(getValue(fieldId, formId));
}

bool TransactionLogic::getBooleanValue() {
  return equalsIgnoreCase(getValueTrimmed(), "Y");
}

bool TransactionLogic::getBooleanValue(const std::string& fieldId) {
  return equalsIgnoreCase(getValueTrimmed(fieldId), "Y");
}

bool TransactionLogic::getBooleanValue(const std::string& fieldId, const std::string& formId) {
  return equalsIgnoreCase(getValueTrimmed(fieldId, formId), "Y");
}

void TransactionLogic::setBooleanValue(const std::string& fieldId, const std::string& text) {
  setValue(fieldId, text);
}

void TransactionLogic::setBooleanValue(const std::string& fieldId, Flag flag) {
  setValue(fieldId, std::string(flag ? "Y" : "N"));
}

void TransactionLogic::setBooleanValue(Flag flag) {
  setValue(std::string(flag ? "Y" : "N"));
}

std::string TransactionLogic::getBaanEnumValue(const std::optional<std::string>& text) {
  return text && equalsIgnoreCase(trim(*text), "Y") ? "1" : "2";
}

std::string TransactionLogic::getBaanEnumValue(Flag flag) {
  return flag ? "1" : "2";
}

int TransactionLogic::getInt(const std::string& fieldId) {
  if (curForm == nullptr) return -1;
  return parseInt(curForm->getFieldValue(fieldId));
}

int TransactionLogic::getInt(const std::string& fieldId, const std::string& formId) {
  Field* field = getField(fieldId, formId);
  if (field == nullptr) throw TransactionLogicException("No field " + fieldId + " on the form " + formId);
  return parseInt(field->value);
}

double TransactionLogic::getDouble(const std::string& fieldId) {
  if (curForm == nullptr) return -1.0;
  return parseDouble(trim(curForm->getFieldValue(fieldId)));
}

void TransactionLogic::setValue(const std::string& value) {
  if (curField != nullptr) curField->value = value;
}

void TransactionLogic::setValue(const std::string& fieldId, const std::string& value) {
  if (curForm != nullptr) curForm->setFieldValue(fieldId, value);
}

void TransactionLogic::setValue(const std::string& fieldId, const std::string& formId,
                                const std::string& value) {
  try {
    Form* form = transaction().getForm(formId);
    if (form == nullptr) throw TransactionLogicException("No form " + formId + " in the running transaction");
    form->setFieldValue(fieldId, value);
  } catch (const std::exception& failure) {
    logger()->error("Exception thrown in TransactionLogic / setValue: {}", failure.what());
  }
}

void TransactionLogic::setValue(const std::string& fieldId, const std::vector<std::string>& values) {
  if (curForm != nullptr) curForm->setFieldValue(fieldId, values);
}

void TransactionLogic::setValue(const std::string& fieldId, const std::vector<std::string>& values,
                                const std::vector<std::string>& lineValues) {
  if (curForm != nullptr) curForm->setFieldValue(fieldId, values, lineValues);
}

void TransactionLogic::setValue(const std::vector<std::string>& values) {
  if (curField != nullptr) curField->values = values;
}

Field* TransactionLogic::getField(const std::string& fieldId) {
  return curForm != nullptr ? curForm->getField(fieldId) : nullptr;
}

Field* TransactionLogic::getField(const std::string& fieldId, const std::string& formId) {
  Form* form = transaction().getForm(formId);
  if (form == nullptr) throw TransactionLogicException("No form " + formId + " in the running transaction");
  return form->getField(fieldId);
}

int TransactionLogic::getSelIndex(const std::string& fieldId) {
  return curForm != nullptr ? curForm->getFieldSelIndexValue(fieldId) : -1;
}

void TransactionLogic::splitBarCode(const std::string& value, const std::string& firstFieldId,
                                    const std::string& secondFieldId) {
  std::string::size_type blank = value.find(' ');
  if (blank != std::string::npos) {
    setValue(firstFieldId, value.substr(0, blank));
    setValue(secondFieldId, value.substr(blank + 1));
  }
  refresh();
}

// --- field properties --------------------------------------------------------------------------------------

void TransactionLogic::setReadOnly(const std::optional<std::string>& fieldId, Flag flag) {
  if (!fieldId || curForm == nullptr) return;
  curForm->setReadOnly(*fieldId, flag);
}

void TransactionLogic::setReadOnly(Flag flag) {
  if (curField == nullptr || curForm == nullptr) throw TransactionLogicException("No current field");
  curForm->setReadOnly(curField->id, flag);
}

bool TransactionLogic::isReadOnly() {
  if (curField == nullptr || curForm == nullptr) return false;
  return curForm->isReadOnly(curField->id);
}

bool TransactionLogic::isReadOnly(const std::optional<std::string>& fieldId) {
  if (!fieldId || curForm == nullptr) return false;
  return curForm->isReadOnly(*fieldId);
}

void TransactionLogic::setVisible(const std::optional<std::string>& fieldId, Flag flag) {
  if (!fieldId || curForm == nullptr) return;
  curForm->setVisible(*fieldId, flag, terminal());
}

void TransactionLogic::setVisible(Flag flag) {
  if (curField == nullptr || curForm == nullptr) {
    logger()->debug("Returned from Set visible because current form is null");
    return;
  }
  curForm->setVisible(curField->id, flag, terminal());
}

bool TransactionLogic::isVisible() {
  if (curField == nullptr || curForm == nullptr) return false;
  return curForm->isVisible(curField->id);
}

bool TransactionLogic::isVisible(const std::optional<std::string>& fieldId) {
  if (!fieldId || curForm == nullptr) return false;
  return curForm->isVisible(*fieldId);
}

void TransactionLogic::setRetain(const std::string& fieldId, Flag flag) {
  if (curField == nullptr || curForm == nullptr) return;
  curForm->setRetain(fieldId, flag);
}

void TransactionLogic::setRetain(Flag flag) {
  if (curField == nullptr || curForm == nullptr) return;
  curForm->setRetain(curField->id, flag);
}

bool TransactionLogic::isRetain() {
  if (curField == nullptr || curForm == nullptr) return false;
  return curForm->isRetain(curField->id);
}

bool TransactionLogic::isRetain(const std::string& fieldId) {
  if (curField == nullptr || curForm == nullptr) return false;
  return curForm->isRetain(fieldId);
}

void TransactionLogic::setInputable(const std::optional<std::string>& fieldId, Flag flag) {
  if (!fieldId || curForm == nullptr) return;
  setInputtable(fieldId, flag);
}

void TransactionLogic::setInputtable(const std::optional<std::string>& fieldId, Flag flag) {
  setVisible(fieldId, flag);
  setReadOnly(fieldId, !flag);
}

void TransactionLogic::setDisplayable(const std::optional<std::string>& fieldId, Flag flag) {
  setVisible(fieldId, flag);
  setReadOnly(fieldId, true);
}

std::optional<std::string> TransactionLogic::getSkipBehavior() {
  if (curField == nullptr) return std::nullopt;
  return curField->skipBehavior;
}

std::string TransactionLogic::getSkipBehavior(const std::string& fieldId) {
  return existingField(fieldId).skipBehavior;
}

void TransactionLogic::setSkipBehavior(const std::string& behavior) {
  if (curField != nullptr) curField->skipBehavior = behavior;
}

void TransactionLogic::setSkipBehavior(const std::string& fieldId, const std::string& behavior) {
  existingField(fieldId).skipBehavior = behavior;
}

bool TransactionLogic::getSkipDataInput() {
  return curField != nullptr && curField->bSkipDataInput;
}

bool TransactionLogic::getSkipDataInput(const std::string& fieldId) {
  return existingField(fieldId).bSkipDataInput;
}

void TransactionLogic::setSkipDataInput(const std::string& fieldId, bool skip) {
  existingField(fieldId).bSkipDataInput = skip;
}

void TransactionLogic::setSkipDataInput(Flag flag) {
  if (curField != nullptr) curField->bSkipDataInput = flag;
}

Field& TransactionLogic::listField(const std::optional<std::string>& fieldId) {
  if (!fieldId) failWithWindow("Input field id missing");
  Field* field = curForm != nullptr ? curForm->getField(*fieldId) : nullptr;
  if (field == nullptr ||
      (dynamic_cast<PopupField*>(field) == nullptr && dynamic_cast<MultipleField*>(field) == nullptr)) {
    failWithWindow("Field Id:" + *fieldId +
                   " is neither Popup Field or Multiple Field, setting this propery is not allowed");
  }
  return *field;
}

int TransactionLogic::getLinesPerDisplay(const std::optional<std::string>& fieldId) {
  Field& field = listField(fieldId);
  try {
    return parseInt(field.linesPerDisplay);
  } catch (const NumberFormatError& failure) {
    VAVInterface::logStackTrace(failure);
    failWithWindow("Field id:" + *fieldId +
                   " has invalid linesPerDisplay property set :" + field.linesPerDisplay);
  }
}

void TransactionLogic::setLinesPerDisplay(const std::optional<std::string>& fieldId,
                                          const std::string& text) {
  listField(fieldId).linesPerDisplay = text;
}

void TransactionLogic::setLabelMessageById(const std::string& fieldId, const std::string& textId) {
  if (curForm == nullptr) throw logicException;
  std::optional<std::string> label = VAVInterface::labelList.getLabel(textId);
  if (!label) failWithWindow(textId + " Label missing");
  Field& field = existingField(fieldId);
  field.label = *label;
  if (std::optional<std::string> message = VAVInterface::messageList.getMessage(textId))
    field.message = *message;
}

void TransactionLogic::refresh() {
  if (curForm != nullptr) curForm->display(terminal());
}

void TransactionLogic::refresh(const std::string& fieldId) {
  if (curForm == nullptr) return;
  if (Field* field = curForm->getField(fieldId)) field->display(terminal());
}

// --- messages and titles -----------------------------------------------------------------------------------

void TransactionLogic::displayErrorMessage(const std::string& text) {
  terminal().displayErrorMessage(text);
}

void TransactionLogic::displayErrorMessageForId(const std::string& messageId) {
  terminal().displayErrorMessageForId(messageId);
}

void TransactionLogic::setTitle(const std::string& text) {
  if (curForm == nullptr) throw logicException;
  curForm->setTitle(text, true);
}

void TransactionLogic::setTitleById(const std::string& labelId) {
  if (curForm == nullptr) throw logicException;
  std::optional<std::string> label = VAVInterface::labelList.getLabel(labelId);
  if (!label) failWithWindow("Title Label missing");
  curForm->setTitle(*label, true);
}

}  // namespace tev
