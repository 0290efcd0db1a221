// ChangePassword: the operator changes the own password in the scanner user list (form "set_password":
// username, old_password, password, confirm_password). The old password must match the stored one exactly
// (letter case counts, unlike the login check). The list is written through a temporary file renamed over
// the old one; "password_changed" is shown only once that write succeeded. The session's user record keeps
// the old password until the next login reads the list again.
#pragma once

#include <string>

#include "common/log.h"
#include "engine/class_registry.h"
#include "session/transaction_logic.h"

namespace tev::builtin {

class ChangePassword : public TransactionLogic {
 public:
  static inline const std::string CLASS_NAME = ClassRegistry::kTransactionPackage + "ChangePassword";
  static inline const std::string LOGGER_NAME = "tev.framework.application.FrameworkTransactionLogger";
  // The stored password of a user, "%s" standing for the user name.
  static inline const std::string PASSWORD_PATH = "/user_list/user[username='%s']/password";
  // Shown when the user list could not be written (the list is then unchanged).
  static inline const std::string NOT_SAVED = "Password not saved";

  ChangePassword();
  static ClassDescriptor describe();

  void set_password_form_enter();
  void set_password_form_escape();
  void set_password_form_exit();
  void set_password_old_password_field_enter();
  void set_password_old_password_field_exit();
  void set_password_password_field_enter();
  void set_password_password_field_exit();
  void set_password_confirm_password_field_enter();
  void set_password_confirm_password_field_exit();

  log::Logger currentLogger;

 private:
  void mask(bool on);
};

}  // namespace tev::builtin
