#include "builtin/change_password.h"

#include <exception>
#include <optional>

#include "config/vrc_parser.h"
#include "engine/user_data.h"
#include "session/vav_interface.h"
#include "terminal/skip_exception.h"
#include "terminal/terminal_emulator.h"
#include "xml/xml_query_bean.h"

namespace tev::builtin {

ChangePassword::ChangePassword() : currentLogger(log::get(LOGGER_NAME)) {}

ClassDescriptor ChangePassword::describe() {
  return ClassDef<ChangePassword>(CLASS_NAME, ClassRegistry::kTransactionLogic)
      .TEV_HANDLER(ChangePassword, set_password_form_enter)
      .TEV_HANDLER(ChangePassword, set_password_form_escape)
      .TEV_HANDLER(ChangePassword, set_password_form_exit)
      .TEV_HANDLER(ChangePassword, set_password_old_password_field_enter)
      .TEV_HANDLER(ChangePassword, set_password_old_password_field_exit)
      .TEV_HANDLER(ChangePassword, set_password_password_field_enter)
      .TEV_HANDLER(ChangePassword, set_password_password_field_exit)
      .TEV_HANDLER(ChangePassword, set_password_confirm_password_field_enter)
      .TEV_HANDLER(ChangePassword, set_password_confirm_password_field_exit)
      .done();
}

void ChangePassword::mask(bool on) {
  terminal().setMaskInput(on);
}

void ChangePassword::set_password_form_enter() {
  setValue("username", userData ? userData->getUserName().value_or("") : std::string());
  setValue("old_password", "");
  setValue("password", "");
  setValue("confirm_password", "");
}

void ChangePassword::set_password_form_escape() {
  mask(false);
}

void ChangePassword::set_password_old_password_field_enter() {
  mask(true);
}

void ChangePassword::set_password_old_password_field_exit() {
  mask(false);
}

void ChangePassword::set_password_password_field_enter() {
  mask(true);
}

void ChangePassword::set_password_password_field_exit() {
  mask(false);
}

void ChangePassword::set_password_confirm_password_field_enter() {
  mask(true);
}

void ChangePassword::set_password_confirm_password_field_exit() {
  if (getValue("password") != getValue("confirm_password")) {
    displayErrorMessageForId("password_mismatch");
    setNextField("confirm_password");
    return;
  }
  mask(false);
}

void ChangePassword::set_password_form_exit() {
  try {
    if (!userData || !userData->getUserName()) throw Error("Nobody is logged in");
    const std::string& name = *userData->getUserName();
    if (VAVInterface::vrcParser == nullptr) throw Error("No file locator to find user_list.xml");
    std::optional<std::string> path = VAVInterface::vrcParser->getEnvironmentFilePath("user_list.xml");
    if (!path) throw Error("user_list.xml not found");
    XMLQueryBean userList;
    if (userList.loadXMLDocument(*path) == nullptr) throw Error("Cannot read " + *path);

    std::optional<std::string> stored = userList.getNodeValueByParsedExpr(PASSWORD_PATH, {name});
    if (!stored || *stored != getValue("old_password")) {
      displayErrorMessageForId("password_mismatch");
      return;
    }
    std::string newPassword = getValue("password");
    userList.setNodeValueByParsedExpr(PASSWORD_PATH, {name}, newPassword);
    if (userList.getNodeValueByParsedExpr(PASSWORD_PATH, {name}) != newPassword)
      throw Error("The password of " + name + " could not be set in " + *path);
    currentLogger->info("Renamed the original files");
    userList.saveXMLFile();
    currentLogger->info("Saved the file");
    displayErrorMessageForId("password_changed");
  } catch (const SkipException&) {
    throw;
  } catch (const std::exception& failure) {
    currentLogger->error("set_password_form_exit failed");
    currentLogger->error("{}", failure.what());
    displayErrorMessage(NOT_SAVED);
  }
}

}  // namespace tev::builtin
