#include "builtin/transaction_start.h"

#include "engine/baan_field_def_list.h"
#include "engine/param_manager.h"
#include "engine/tev_memory_variables.h"
#include "engine/transaction.h"
#include "engine/transaction_processor.h"
#include "engine/transaction_xml_parser.h"
#include "session/transaction_logic.h"
#include "session/vav_interface.h"

namespace tev::builtin {

std::shared_ptr<TransactionXmlParser> newDefinitionReader() {
  FieldDictionary dictionary = [](const std::string&) { return std::optional<BaanFieldDef>(); };
  if (const BaanFieldDefList* list = VAVInterface::baanFieldDefList)
    dictionary = [list](const std::string& id) { return list->getBaanFieldDef(id); };
  auto reader = std::make_shared<TransactionXmlParser>(VAVInterface::labelList, VAVInterface::messageList,
                                                       std::move(dictionary));
  VAVInterface::xmlParser = reader;
  return reader;
}

void loadTransactionParameters(Transaction& transaction, const std::string& warehouse, bool withOrderTypes,
                               const Transaction* caller) {
  std::shared_ptr<ParamManager> params = VAVInterface::paramManager;
  if (!params && caller != nullptr) params = caller->paramManager;
  transaction.paramManager = params;
  if (!params) return;
  params->loadWhseParams(warehouse, transaction.id);
  if (!transaction.bAutoLoadParameters) return;
  ParamObject target = ParamObject::of(transaction);
  if (withOrderTypes) params->loadOrderTypes(target);
  params->loadParameters({}, target);
}

void handOver(TransactionLogic& from, TransactionProcessor& processor,
              std::shared_ptr<Transaction> transaction) {
  TevMemoryVariables& memory = VAVInterface::tevMemory ? *VAVInterface::tevMemory : processor.getTevMemory();
  memory.putTransaction(transaction->id, transaction);
  from.setCurrentTransaction(transaction);
  processor.currentTransaction = transaction;
  processor.currentForm = processor.nextForm = processor.previousForm = nullptr;
  processor.currentField = processor.nextField = processor.previousField = nullptr;
}

}  // namespace tev::builtin
