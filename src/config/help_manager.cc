#include "config/help_manager.h"

#include <algorithm>
#include <vector>

#include "common/error.h"
#include "common/java_text.h"
#include "xml/xml_query.h"
#include "xml/xml_save_error.h"

namespace tev {
namespace {

constexpr const char* kLoggerName = "tev.framework.parser.Logger";

}  // namespace

HelpManager::HelpManager() : logger(log::get(kLoggerName)) {}

HelpManager::~HelpManager() = default;

bool HelpManager::load(const std::string& path) {
  try {
    helpType = help::readHelpDisplay(path);
    return true;
  } catch (const Error& e) {
    helpType.reset();
    logger->error("{}", e.getMessage());
    return false;
  }
}

bool HelpManager::initialize(const std::string& path) {
  return load(path);
}

help::HelpDisplayType* HelpManager::getHelpDisplayType(const std::string& path) {
  return load(path) ? &*helpType : nullptr;
}

void HelpManager::createHelpDisplayType(const std::string& path) {
  if (!load(path)) helpType = help::ObjectFactory().createHelpDisplayType();
}

void HelpManager::write(const std::string& path) {
  if (!helpType) {
    logger->error("{}", "No help document to save to " + path);
    throw XmlSaveError("No help document to save to " + path);
  }
  std::string text;
  try {
    text = help::toXml(*helpType);
  } catch (const Error& e) {
    logger->error("{}", e.getMessage());
    throw XmlSaveError(e.getMessage());
  }
  XMLQuery query;
  if (query.loadXMLString(text) == nullptr) {
    logger->error("{}", "Failed to build the help document for " + path);
    throw XmlSaveError("Failed to build the help document for " + path);
  }
  query.setXmlFilePath(path);
  query.saveXMLFile();
}

void HelpManager::saveFile(const std::string& path) {
  logger->info("{}", " In Save function of Help Manager class .. HelpType = " +
                         (helpType ? helpType->toString() : std::string("null")));
  write(path);
  logger->info("{}", "xml is written ..");
}

bool HelpManager::addFormHelp(const std::string& transactionId, const std::string& formId,
                              const std::string& helpText, const std::string& path) {
  if (!load(path)) return false;
  if (getTransaction() == nullptr) addTransactionEntry(transactionId);
  help::TransactionType& transaction = *getTransaction();
  logger->info("{}", " transaction Type = " + transaction.toString());

  std::vector<help::FormType>& forms = transaction.getForm();
  auto found = std::find_if(forms.begin(), forms.end(),
                            [&](const help::FormType& form) { return form.getId() == formId; });
  const bool existing = found != forms.end();
  if (existing) {
    found->setMainHelp(helpText);
  } else {
    help::FormType form = help::ObjectFactory().createFormType();
    form.setId(formId);
    form.setMainHelp(helpText);
    forms.push_back(std::move(form));
  }
  try {
    write(path);
  } catch (const XmlSaveError&) {
    return false;  // logged by the save
  }
  if (existing) {
    logger->info("{}", " Help Added to the same form = " + formId);
  } else {
    logger->info("{}", "  file name = " + path + " Help added for form id = " + formId);
  }
  return true;
}

bool HelpManager::addTransactionEntry(const std::string& transactionId) {
  if (!helpType) return false;
  help::TransactionType transaction = help::ObjectFactory().createTransactionType();
  transaction.setId(transactionId);
  helpType->setTransaction(std::move(transaction));
  return true;
}

help::FormType* HelpManager::getFormHelp(const std::string& formId, const std::string& /*transactionId*/) {
  help::TransactionType* transaction = getTransaction();
  if (transaction == nullptr) return nullptr;
  for (help::FormType& form : transaction->getForm()) {
    logger->info("{}", " Form Id = " + formId + "  getId of form type = " + nullText(form.getId()));
    if (form.getId() == formId) return &form;
  }
  return nullptr;
}

help::TransactionType* HelpManager::getTransaction() {
  return helpType ? helpType->getTransaction() : nullptr;
}

std::optional<std::string> HelpManager::getTransactionId() {
  help::TransactionType* transaction = getTransaction();
  if (transaction == nullptr) return std::nullopt;
  return transaction->getId();
}

}  // namespace tev
