// Menu: the menu transaction. It shows the logged-in user's menu as a selection list (form "menu", field
// "menu_list"), walks into submenus and back, starts the chosen transaction from its definition (or hands a
// Perl entry to the external program), and logs the user out on escape at the top level.
//
// The labels are numbered from 1 in the order of the entries' sequence numbers: "1. Receipts" up to 9, then
// "10.Receipts" (the number and point take three characters). The field's value after a pick is the 0-based
// position of the chosen label; menuIndexVector maps it to the entry.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/log.h"
#include "engine/class_registry.h"
#include "engine/menu.h"
#include "session/transaction_logic.h"

namespace tev::builtin {

class Menu : public TransactionLogic {
 public:
  static inline const std::string CLASS_NAME = ClassRegistry::kTransactionPackage + "Menu";
  static inline const std::string LOGGER_NAME = "tev.framework.application.FrameworkTransactionLogger";
  // Runs a Perl entry with the external program and returns when it ends: transaction id and the chosen
  // label without its number. The Perl link installs it; empty while the environment runs no program.
  using PerlRunner = std::function<void(const std::string& transactionId, const std::string& label)>;
  static inline PerlRunner perlRunner;

  Menu();
  static ClassDescriptor describe();

  void menu_form_enter();
  void menu_form_escape();
  void menu_form_exit();
  void menu_menu_list_field_exit();

  // The labels of the node's entries, sorted by sequence number; fills menuItems and menuIndexVector.
  std::vector<std::string> createMenuLabelList(const std::shared_ptr<tev::Menu>& node);
  // Tells the daemon that nobody works on this device any more (a single blank as user).
  void resetUserFromRMI();

  // The label without its "n." prefix and the blanks after it.
  static std::string labelText(const std::string& label);

  std::shared_ptr<tev::Menu> currentMenu;
  std::vector<std::string> menuLabels;
  std::vector<int> menuIndexVector;
  std::vector<std::shared_ptr<MenuItem>> menuItems;
  log::Logger currentLogger;
  bool pm_prompt_menu_exit_question = false;
  bool pm_display_company_on_menu = false;

 private:
  // The entry behind the position chosen in menu_list; throws when it is out of range.
  std::shared_ptr<MenuItem> chosenItem(int& position);
  void setMenuTitle(const std::optional<std::string>& menuLabel, bool topLevel);
  void startTransaction(const MenuItem& item, int position);
};

}  // namespace tev::builtin
