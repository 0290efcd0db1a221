// TransactionLogic: navigation between forms and fields, the exits, the class-wide transaction stack and
// nested (pop-up) transactions.
#include <exception>

#include "common/java_text.h"
#include "config/vrc_parser.h"
#include "engine/baan_field_def_list.h"
#include "engine/field.h"
#include "engine/form.h"
#include "engine/param_manager.h"
#include "engine/tev_memory_variables.h"
#include "engine/transaction.h"
#include "engine/transaction_processor.h"
#include "engine/transaction_xml_parser.h"
#include "engine/user_data.h"
#include "session/registry_user_params.h"
#include "session/transaction_logic.h"
#include "session/vav_interface.h"
#include "terminal/skip_exception.h"
#include "terminal/terminal_emulator.h"

namespace tev {
namespace {

FieldDictionary registryDictionary() {
  if (VAVInterface::baanFieldDefList != nullptr) {
    const BaanFieldDefList* list = VAVInterface::baanFieldDefList;
    return [list](const std::string& id) { return list->getBaanFieldDef(id); };
  }
  return [](const std::string&) { return std::optional<BaanFieldDef>(); };
}

// Puts the registry's processor back however the nested run ends.
class ProcessorRestore {
 public:
  explicit ProcessorRestore(TransactionProcessor* previous) : previous_(previous) {}
  ~ProcessorRestore() { VAVInterface::transProcessor = previous_; }
  ProcessorRestore(const ProcessorRestore&) = delete;
  ProcessorRestore& operator=(const ProcessorRestore&) = delete;

 private:
  TransactionProcessor* previous_;
};

}  // namespace

void TransactionLogic::setNextForm(const std::string& formId) {
  processor().nextForm = transaction().getForm(formId);
}

void TransactionLogic::setNextForm(Form* form) {
  processor().nextForm = form;
}

void TransactionLogic::setPreviousForm(Form* form) {
  processor().previousForm = form;
}

void TransactionLogic::setNextField(const std::string& fieldId) {
  processor().nextField = curForm != nullptr ? curForm->getField(fieldId) : nullptr;
}

void TransactionLogic::setCurrentField(const std::string& fieldId) {
  processor().currentField = curForm != nullptr ? curForm->getField(fieldId) : nullptr;
}

void TransactionLogic::setCurrentForm(Form* form) {
  processor().currentForm = form;
}

void TransactionLogic::setCurrentTransaction(std::shared_ptr<Transaction> transaction) {
  transactionStack.clear();
  transactionStack.push_back(transaction);
  currentStackLevel = 0;
  TransactionProcessor* running = VAVInterface::transProcessor ? VAVInterface::transProcessor : curProcessor;
  if (running != nullptr) running->currentTransaction = transaction;
  TevMemoryVariables* memory =
      VAVInterface::tevMemory ? VAVInterface::tevMemory : (running ? &running->getTevMemory() : nullptr);
  if (memory != nullptr) memory->currentTransaction = transaction;
}

void TransactionLogic::exitForm() {
  throw SkipException("Skipping form: " + (curForm != nullptr ? curForm->id : std::string("null")),
                      TransactionProcessor::SKIP_FORM);
}

void TransactionLogic::exitToForm(const std::string& formId) {
  setNextForm(formId);
  throw SkipException("Skipping form: ", TransactionProcessor::SKIP_FORM);
}

void TransactionLogic::exitTransaction() {
  throw SkipException("Exiting Transaction", TransactionProcessor::SKIP_EXIT_TRANS);
}

void TransactionLogic::exitToMenu() {
  logger()->info("Exit to Menu Called");
  throw SkipException("Exiting Transaction", TransactionProcessor::SKIP_EXIT_MENU);
}

bool TransactionLogic::isFormExitCompleted() {
  TransactionProcessor* running = VAVInterface::transProcessor ? VAVInterface::transProcessor : curProcessor;
  if (running == nullptr) throw TransactionLogicException("No transaction processor running");
  return running->isFormExitCompleted();
}

std::shared_ptr<Transaction> TransactionLogic::getParentTransaction() {
  if (currentStackLevel == 0 || transactionStack.size() < 2) return nullptr;
  return transactionStack[transactionStack.size() - 2];
}

std::optional<std::string> TransactionLogic::getParentTransactionId() {
  std::shared_ptr<Transaction> parent = getParentTransaction();
  if (parent == nullptr) return std::nullopt;
  return parent->id;
}

void TransactionLogic::popupTransaction(const std::string& transactionId,
                                        const std::optional<std::vector<std::string>>& baseParamIds) {
  std::shared_ptr<Transaction> nested;
  TevMemoryVariables* memory = nullptr;
  TransactionProcessor* caller = nullptr;
  try {
    // The definition, through a new reader that becomes the registry's reader.
    if (VAVInterface::vrcParser == nullptr)
      throw TransactionLogicException("No file locator to find " + transactionId);
    auto reader = std::make_shared<TransactionXmlParser>(VAVInterface::labelList, VAVInterface::messageList,
                                                         registryDictionary());
    VAVInterface::xmlParser = reader;
    std::optional<std::string> path = VAVInterface::vrcParser->getTransXMLFilePath(transactionId + ".xml");
    logger()->debug(" File Path obtained from VRC Parcer for Transaction = {} id = {}", nullText(path),
                    transactionId);
    if (!path) throw TransactionLogicException("Transaction definition not found: " + transactionId + ".xml");
    if (!reader->loadXML(*path))
      throw TransactionLogicException("Transaction definition not readable: " + *path);
    nested = reader->getTransactionInfo();
    if (nested == nullptr) throw TransactionLogicException("No transaction in the definition " + *path);
    // A nested transaction's class comes from the same registry as its caller's.
    if (curTrans != nullptr) nested->setClassRegistry(&curTrans->getClassRegistry());
    nested->getProcessingObject();

    // Its own parameter store.
    auto params = std::make_shared<ParamManager>();
    params->setFileLocator(VAVInterface::vrcParser);
    params->setUserParams(registryUserParams());
    std::string warehouse = userData ? userData->getWhse().value_or("") : std::string();
    if (!baseParamIds) {
      params->loadWhseParams(warehouse, transactionId);
      params->initialize();
    } else {
      params->initialize(*baseParamIds);
      params->loadWhseParams(warehouse,
                             paramManager ? paramManager->getCurrentTransactionId() : std::string());
    }
    nested->paramManager = params;
    if (nested->bAutoLoadParameters) {
      ParamObject target = ParamObject::of(*nested);
      params->loadOrderTypes(target);
      params->loadParameters({}, target);
    }

    caller = VAVInterface::transProcessor ? VAVInterface::transProcessor : curProcessor;
    if (caller == nullptr) throw TransactionLogicException("No transaction processor running");
    memory = VAVInterface::tevMemory ? VAVInterface::tevMemory : &caller->getTevMemory();
  } catch (const std::exception& failure) {
    logger()->error("Exception thrown in TransactionLogic / popupTransaction: {}", failure.what());
    return;
  }

  // The stack: finished entries above the current level go, the nested transaction goes on top.
  std::shared_ptr<Transaction> callerTransaction = memory->currentTransaction;
  if (transactionStack.empty() && caller->currentTransaction != nullptr)
    transactionStack.push_back(caller->currentTransaction);
  while (static_cast<int>(transactionStack.size()) > currentStackLevel + 1) transactionStack.pop_back();
  transactionStack.push_back(nested);
  ++currentStackLevel;

  memory->putTransaction(nested->id, nested);
  memory->currentTransaction = nested;
  nested->transactionStatus = Transaction::VERY_FIRST_TIME;

  {
    ProcessorRestore restore(VAVInterface::transProcessor);
    TransactionProcessor inner(*memory, caller->getSettings(), caller->getEmulator(), false);
    VAVInterface::transProcessor = &inner;
    logger()->debug("Before ProcessForm Current Stack Level: {}", currentStackLevel);
    logger()->debug("Stack Size: {}", transactionStack.size());
    try {
      inner.processForm();
    } catch (const std::exception& failure) {
      logger()->error("Exception thrown in TransactionLogic / popupTransaction: {}", failure.what());
    }
  }

  caller->getEmulator().setCurrentForm(caller->currentForm);
  --currentStackLevel;
  memory->currentTransaction = callerTransaction;
  logger()->debug("After ProcessForm Current Stack Level: {}", currentStackLevel);
  logger()->debug("Popup transaction returned. Resuming cur trans");
  refresh();
}

}  // namespace tev
