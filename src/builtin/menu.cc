#include "builtin/menu.h"

#include <algorithm>
#include <exception>

#include "builtin/device_user_report.h"
#include "builtin/transaction_start.h"
#include "common/java_number.h"
#include "common/java_text.h"
#include "config/barcode_manager.h"
#include "config/vrc_parser.h"
#include "engine/transaction.h"
#include "engine/transaction_processor.h"
#include "engine/transaction_xml_parser.h"
#include "engine/user_data.h"
#include "session/vav_interface.h"
#include "terminal/skip_exception.h"
#include "terminal/terminal_emulator.h"

namespace tev::builtin {
namespace {

const std::string kMenuForm = "menu";
const std::string kMenuList = "menu_list";

}  // namespace

Menu::Menu() : currentLogger(log::get(LOGGER_NAME)) {}

ClassDescriptor Menu::describe() {
  return ClassDef<Menu>(CLASS_NAME, ClassRegistry::kTransactionLogic)
      .TEV_HANDLER(Menu, menu_form_enter)
      .TEV_HANDLER(Menu, menu_form_escape)
      .TEV_HANDLER(Menu, menu_form_exit)
      .TEV_HANDLER(Menu, menu_menu_list_field_exit)
      .TEV_MEMBER(Menu, pm_prompt_menu_exit_question)
      .TEV_MEMBER(Menu, pm_display_company_on_menu)
      .done();
}

std::string Menu::labelText(const std::string& label) {
  std::size_t point = label.find('.');
  return trim(point == std::string::npos ? label : label.substr(point + 1));
}

std::vector<std::string> Menu::createMenuLabelList(const std::shared_ptr<tev::Menu>& node) {
  menuItems = node ? node->getMenuItemsArr() : std::vector<std::shared_ptr<MenuItem>>();
  std::stable_sort(menuItems.begin(), menuItems.end(), bySequenceNo);
  currentLogger->info("menuItems size: {}", menuItems.size());
  menuLabels.clear();
  menuIndexVector.clear();
  for (std::size_t i = 0; i < menuItems.size(); ++i) {
    std::string prefix = std::to_string(i + 1) + ".";
    if (prefix.size() == 2) prefix += " ";
    const MenuItem& item = *menuItems[i];
    menuLabels.push_back(prefix + item.getLabel().value_or(item.getId().value_or("")));
    menuIndexVector.push_back(static_cast<int>(i));
  }
  return menuLabels;
}

void Menu::setMenuTitle(const std::optional<std::string>& menuLabel, bool topLevel) {
  std::string user = userData ? userData->getUserName().value_or("") : std::string();
  std::string company = userData ? userData->getParameterValue("company").value_or("") : std::string();
  std::string title = (topLevel ? std::string("Menu") : menuLabel.value_or("Menu")) + "  " + user;
  if (pm_display_company_on_menu) title += " " + company;
  setTitle(title);
}

void Menu::menu_form_enter() {
  if (!currentMenu) {
    currentLogger->info("Calling getMenuList ()");
    if (!userData) throw Error("Nobody is logged in");
    currentMenu = VAVInterface::vrcParser != nullptr
                      ? userData->getMenuList(userData->getLanguage().value_or(""), *VAVInterface::vrcParser,
                                              &VAVInterface::labelList)
                      : userData->getMenuList();
  }
  setMenuTitle(currentMenu ? currentMenu->getLabel() : std::nullopt,
               !currentMenu || !currentMenu->getParentMenu());
  setValue(kMenuList, createMenuLabelList(currentMenu));
}

std::shared_ptr<MenuItem> Menu::chosenItem(int& position) {
  position = parseInt(trim(getValue(kMenuList)));
  if (position < 0 || position >= static_cast<int>(menuIndexVector.size()))
    throw Error("No menu entry at position " + std::to_string(position));
  return menuItems.at(static_cast<std::size_t>(menuIndexVector[static_cast<std::size_t>(position)]));
}

void Menu::menu_menu_list_field_exit() {
  int position = 0;
  std::shared_ptr<MenuItem> item = chosenItem(position);
  auto submenu = std::dynamic_pointer_cast<tev::Menu>(item);
  if (!submenu) return;
  currentLogger->info("The selected menu is submenu");
  setNextField(kMenuList);
  if (submenu->getNoOfMenuItems() == 0) {
    displayErrorMessageForId("empty_menu");
    return;
  }
  currentMenu = submenu;
  setValue(kMenuList, createMenuLabelList(submenu));
  std::string company = userData ? userData->getParameterValue("company").value_or("") : std::string();
  const std::optional<std::string>& label = submenu->getLabel();
  if (label)
    setTitle(pm_display_company_on_menu ? *label + " " + company : *label);
  else
    setTitle(pm_display_company_on_menu ? "Menu  " + company : std::string("Menu"));
  refresh();
}

void Menu::menu_form_exit() {
  try {
    int position = 0;
    std::shared_ptr<MenuItem> item = chosenItem(position);
    if (std::dynamic_pointer_cast<tev::Menu>(item)) {
      setNextForm(kMenuForm);
      return;
    }
    newDefinitionReader();
    currentLogger->info("PerlTransaction: {}", item->isPerlTransaction());
    std::string id = item->getId().value_or("");
    if (item->isPerlTransaction()) {
      currentLogger->info("Processing a perl transaction: {}", id);
      if (!perlRunner) throw Error("No Perl program runs for this environment");
      perlRunner(id, labelText(menuLabels.at(static_cast<std::size_t>(position))));
      // The menu stays current: the external program ran the whole transaction.
      throw Error("The Perl transaction " + id + " has ended");
    }
    startTransaction(*item, position);
  } catch (const SkipException&) {
    throw;
  } catch (const std::exception& failure) {
    currentLogger->error("menu_form_exit failed");
    currentLogger->error("{}", failure.what());
    throw;
  }
}

void Menu::startTransaction(const MenuItem& item, int position) {
  std::string id = item.getId().value_or("");
  if (VAVInterface::vrcParser == nullptr) throw Error("No file locator to find " + id + ".xml");
  std::optional<std::string> path = VAVInterface::vrcParser->getTransXMLFilePath(id + ".xml");
  currentLogger->info("Sel Index = {}   File Path obtained from VRC Parcer for Transaction = {} id = {}",
                      position, nullText(path), id);
  if (!path) throw Error("Transaction definition not found: " + id + ".xml");
  std::shared_ptr<TransactionXmlParser> reader = VAVInterface::xmlParser;
  if (!reader->loadXML(*path)) throw Error("Cannot read " + *path);
  std::shared_ptr<Transaction> started = reader->getTransactionInfo();
  if (!started) throw Error("No transaction in " + *path);

  std::optional<std::string> layoutPath =
      VAVInterface::vrcParser->getTransXMLFilePath(id + "BarcodeList.xml");
  currentLogger->info("BarcodeList File: {}", nullText(layoutPath));
  if (layoutPath) {
    BarcodeManager local;
    BarcodeManager& layouts = VAVInterface::barcodeManager ? *VAVInterface::barcodeManager : local;
    if (layouts.initialize(*layoutPath)) started->barcodeHash = layouts.getBarcodeHash();
  }

  started->setClassRegistry(&transaction().getClassRegistry());
  try {
    started->getProcessingObject();
  } catch (const Error& missing) {
    currentLogger->error("{}", missing.what());
    terminal().displayErrorMessageWindow("Programming Error", "Missing class for transaction " + id,
                                         "Press Enter To Continue");
    setNextForm(kMenuForm);
    return;
  }
  std::string warehouse = userData ? userData->getWhse().value_or("") : std::string();
  loadTransactionParameters(*started, warehouse, true, &transaction());
  handOver(*this, processor(), started);
}

void Menu::menu_form_escape() {
  currentLogger->info("Inside menu_form_escape");
  if (currentMenu && currentMenu->getParentMenu()) {
    currentMenu = currentMenu->getParentMenu();
    setNextForm(kMenuForm);
    return;
  }
  if (pm_prompt_menu_exit_question) {
    std::string answer = terminal().displayYesNoConfirmWindowForId("attention_title", "menu_exit_message");
    if (!equalsIgnoreCase(answer, "y")) {
      setNextForm(kMenuForm);
      return;
    }
  }
  resetUserFromRMI();
  currentMenu = nullptr;
}

void Menu::resetUserFromRMI() {
  reportDeviceUser(" ", currentLogger);
}

}  // namespace tev::builtin
