// Standard: the login transaction every scanner session starts in. It greets the device (form "welcome"),
// asks for user name and password (form "login"), checks them against the scanner user list or, when the
// parameter active_directory_implementation is on, by a bind to a directory server, lets the operator
// choose warehouse, language and label printer, reports the user to the daemon, loads the screen texts of
// the chosen language and hands over to the menu transaction.
//
// Automatic login (parameters auto_login, device_type, auto_login_username, auto_login_password) fills and
// skips the login fields once per process: bFirstLogin is class-wide and a logout does not reset it.
//
// The password is never logged: the automatic-login line shows it masked.
#pragma once

#include <string>
#include <vector>

#include "common/log.h"
#include "engine/class_registry.h"
#include "session/transaction_logic.h"
#include "xml/xml_query_bean.h"

namespace tev::builtin {

class Standard : public TransactionLogic {
 public:
  static inline const std::string CLASS_NAME = ClassRegistry::kTransactionPackage + "Standard";
  static inline const std::string LOGGER_NAME = "tev.framework.application.FrameworkTransactionLogger";
  // The language list below the installation root.
  static inline const std::string LANGUAGE_LIST = "/config/language_list.xml";
  // Shown in the password field once the check passed.
  static inline const std::string MASKED_PASSWORD = "****";

  // True until the first automatic login of the process.
  static inline bool bFirstLogin = true;

  // Loads the language list of the installation (VAVInterface::DC).
  Standard();
  static ClassDescriptor describe();

  void welcome_form_enter();
  void welcome_form_exit();
  void login_form_enter();
  void login_form_exit();
  void login_username_field_enter();
  void login_password_field_enter();
  void login_password_field_exit();
  void login_whse_field_enter();
  void login_whse_field_exit();
  void login_language_field_exit();
  void login_language_field_popup();
  void login_label_printer_field_exit();
  void login_label_printer_field_popup();

  log::Logger currentLogger;
  XMLQueryBean xmlBean;
  std::vector<std::string> languageIds;
  std::string pm_auto_login_username;
  std::string pm_auto_login_password;
  std::string pm_device_type;
  std::string pm_provider_url;
  bool pm_input_def_whse = true;
  bool pm_input_language = true;
  bool pm_input_default_printer = false;
  bool pm_auto_login = false;
  bool pm_active_directory_implementation = false;

 private:
  bool autoLoginApplies() const;
  // Steps of the login check; each returns false after showing why.
  bool findUser(const std::string& typedName);
  bool checkPassword(const std::string& typedName, const std::string& typedPassword);
  // The provider URL of the user, else of the parameter active_directory_implementation / provider_url.
  std::string providerUrl();
  void rejectLogin();
  void offerLoginChoices();
  void fillLanguageList();
  void buildMenu();
};

}  // namespace tev::builtin
