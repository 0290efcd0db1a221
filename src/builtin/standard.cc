#include "builtin/standard.h"

#include <exception>
#include <optional>

#include "builtin/active_directory_authenticator.h"
#include "builtin/device_user_report.h"
#include "builtin/screen_texts.h"
#include "builtin/transaction_start.h"
#include "common/java_text.h"
#include "config/vrc_parser.h"
#include "engine/param_manager.h"
#include "engine/transaction.h"
#include "engine/transaction_processor.h"
#include "engine/transaction_xml_parser.h"
#include "engine/user_data.h"
#include "engine/user_menu_xml_parser.h"
#include "engine/vav_interface_data.h"
#include "session/vav_interface.h"
#include "terminal/skip_exception.h"
#include "terminal/terminal_emulator.h"

namespace tev::builtin {
namespace {

const std::string kInvalidLogin = "invalid_username_password";
const std::string kUserList = "user_list.xml";
const std::string kMenuDefinition = "Menu.xml";

// The automatic-login password as the log shows it.
std::string masked(const std::string& password) {
  return password.empty() ? std::string() : std::string(Standard::MASKED_PASSWORD);
}

bool blank(const std::optional<std::string>& text) {
  return !text || trim(*text).empty();
}

}  // namespace

Standard::Standard() : currentLogger(log::get(LOGGER_NAME)) {
  xmlBean.loadXMLDocument(VAVInterface::DC + LANGUAGE_LIST);
}

ClassDescriptor Standard::describe() {
  return ClassDef<Standard>(CLASS_NAME, ClassRegistry::kTransactionLogic)
      .TEV_HANDLER(Standard, welcome_form_enter)
      .TEV_HANDLER(Standard, welcome_form_exit)
      .TEV_HANDLER(Standard, login_form_enter)
      .TEV_HANDLER(Standard, login_form_exit)
      .TEV_HANDLER(Standard, login_username_field_enter)
      .TEV_HANDLER(Standard, login_password_field_enter)
      .TEV_HANDLER(Standard, login_password_field_exit)
      .TEV_HANDLER(Standard, login_whse_field_enter)
      .TEV_HANDLER(Standard, login_whse_field_exit)
      .TEV_HANDLER(Standard, login_language_field_exit)
      .TEV_HANDLER(Standard, login_language_field_popup)
      .TEV_HANDLER(Standard, login_label_printer_field_exit)
      .TEV_HANDLER(Standard, login_label_printer_field_popup)
      .TEV_MEMBER(Standard, pm_auto_login_username)
      .TEV_MEMBER(Standard, pm_auto_login_password)
      .TEV_MEMBER(Standard, pm_device_type)
      .TEV_MEMBER(Standard, pm_provider_url)
      .TEV_MEMBER(Standard, pm_input_def_whse)
      .TEV_MEMBER(Standard, pm_input_language)
      .TEV_MEMBER(Standard, pm_input_default_printer)
      .TEV_MEMBER(Standard, pm_auto_login)
      .TEV_MEMBER(Standard, pm_active_directory_implementation)
      .done();
}

bool Standard::autoLoginApplies() const {
  return pm_auto_login && bFirstLogin &&
         (equalsIgnoreCase(VAVInterface::deviceType, pm_device_type) ||
          equalsIgnoreCase(pm_device_type, "ALL"));
}

// --- welcome
// -------------------------------------------------------------------------------------------------

void Standard::welcome_form_enter() {
  setValue("standard_device", VAVInterface::deviceId);
  setValue("standard_environment", VAVInterface::environment);
  loadParams();
  currentLogger->info("Auto Login:{},DeviceType:{},Username: {}, Password: {}", pm_auto_login, pm_device_type,
                      pm_auto_login_username, masked(pm_auto_login_password));
  if (autoLoginApplies()) setSkipDataInput("continue", true);
}

void Standard::welcome_form_exit() {
  currentLogger->info("welcome_form_exit");
}

// --- login
// ---------------------------------------------------------------------------------------------------

void Standard::login_form_enter() {
  setValue("username", "");
  setValue("password", "");
  setInputable(std::string("whse"), pm_input_def_whse);
  setInputable(std::string("language"), pm_input_language);
  setInputable(std::string("label_printer"), pm_input_default_printer);
  if (!autoLoginApplies()) return;
  setValue("username", pm_auto_login_username);
  setValue("password", pm_auto_login_password);
  for (const char* id : {"username", "password", "whse", "language", "label_printer"})
    setSkipDataInput(id, true);
  bFirstLogin = false;
}

void Standard::login_username_field_enter() {
  terminal().setMaskInput(false);
}

void Standard::login_password_field_enter() {
  terminal().setMaskInput(true);
}

void Standard::rejectLogin() {
  displayErrorMessageForId(kInvalidLogin);
  setNextField("username");
}

bool Standard::findUser(const std::string& typedName) {
  if (VAVInterface::vrcParser == nullptr) throw Error("No file locator to find " + kUserList);
  std::optional<std::string> path = VAVInterface::vrcParser->getEnvironmentFilePath(kUserList);
  if (!path) throw Error(kUserList + " not found");
  if (VAVInterface::userSettingsParser == nullptr)
    VAVInterface::userSettingsParser = VAVInterface::own(std::make_unique<UserMenuXmlParser>(*path));
  else
    VAVInterface::userSettingsParser->loadXML(*path);

  std::shared_ptr<UserData> user =
      VAVInterface::userSettingsParser->getUserInfoByUserName(toLowerCase(typedName));
  if (!user) user = VAVInterface::userSettingsParser->getUserInfoByUserName(toUpperCase(typedName));
  if (!user) {
    currentLogger->error("Failed to create User Data Object");
    rejectLogin();
    return false;
  }
  VAVInterface::userData = user;
  userData = user;
  return true;
}

std::string Standard::providerUrl() {
  std::optional<std::string> url = userData->getParameterValue("provider_url");
  if (blank(url) && paramManager)
    url = paramManager->getParamValue({"active_directory_implementation", "provider_url"});
  return blank(url) ? std::string() : *url;
}

bool Standard::checkPassword(const std::string& typedName, const std::string& typedPassword) {
  if (!pm_active_directory_implementation)
    return userData->getPassword() && equalsIgnoreCase(*userData->getPassword(), typedPassword);

  std::string url = providerUrl();
  if (url.empty()) {
    terminal().displayErrorMessageWindow("Error Message", "Provider URL parameter is not setup",
                                         "Press Enter to continue");
    exitTransaction();
  }
  ActiveDirectoryAuthenticator authenticator(url);
  if (!authenticator.authenticate(typedName, typedPassword)) return false;
  std::int64_t days = authenticator.getLoginExpirationDays();
  if (days < 30 && days != 0)
    terminal().displayErrorMessageWindow(
        "Information", "Password Expires in " + std::to_string(days) + " day(s)", "Press Enter To Continue");
  return true;
}

void Standard::login_password_field_exit() {
  try {
    std::string typedName = getValue("username");
    std::string typedPassword = getValue("password");
    if (!findUser(typedName)) return;
    loadScreenTexts(userData->getLanguage().value_or(""));
    if (!checkPassword(typedName, typedPassword)) {
      currentLogger->error("{} failed to authenticate", typedName);
      rejectLogin();
      return;
    }
    currentLogger->info("{} authenticated successfully", typedName);
    reportDeviceUser(typedName, currentLogger);
    terminal().setMaskInput(false);
    setValue("password", MASKED_PASSWORD);
    offerLoginChoices();
    refresh();
    fillLanguageList();
  } catch (const SkipException&) {
    throw;
  } catch (const std::exception& failure) {
    currentLogger->error("login_password_field_exit failed.");
    currentLogger->error("{}", failure.what());
    rejectLogin();
  }
}

void Standard::offerLoginChoices() {
  setInputable(std::string("whse"), pm_input_def_whse);
  if (pm_input_def_whse) setValue("whse", userData->getWhse().value_or(""));
  setInputable(std::string("language"), pm_input_language);
  if (pm_input_language) setValue("language", userData->getLanguage().value_or(""));
  setInputable(std::string("label_printer"), pm_input_default_printer);
  if (pm_input_default_printer)
    setValue("label_printer", userData->getParameterValue("def_printer").value_or(""));
}

void Standard::fillLanguageList() {
  languageIds.clear();
  std::vector<std::string> names;
  std::optional<std::vector<std::string>> ids;
  if (xmlBean.getXMLDocument() != nullptr) ids = xmlBean.getNodeValues("/language_list/language/@id");
  if (!ids || ids->empty()) {
    currentLogger->error("Problem with language list file .");
    languageIds = {"english", "spanish"};
    names = languageIds;
  } else {
    for (const std::string& id : *ids) {
      std::optional<std::string> name =
          xmlBean.getNodeValueByParsedExpr("/language_list/language[@id='%s']", {id});
      languageIds.push_back(id);
      names.push_back(name.value_or(id));
    }
  }
  setValue("language", names, languageIds);
}

void Standard::login_whse_field_enter() {
  currentLogger->info("login_whse_field_enter");
}

void Standard::login_whse_field_exit() {
  if (userData) userData->setWhse(getValue("whse"));
}

void Standard::login_language_field_exit() {
  if (userData) userData->setLanguage(getValue("language"));
}

void Standard::login_language_field_popup() {
  currentLogger->info("login_language_field_popup");
}

void Standard::login_label_printer_field_popup() {
  std::optional<std::vector<std::string>> names = getPrinterDisplayNames();
  if (names) setValue("label_printer", *names, *names);
}

void Standard::login_label_printer_field_exit() {
  std::string printer = getValue("label_printer");
  if (getPrinterNetworkPath(printer)) {
    if (userData) userData->setParameterValue("def_printer", printer);
    return;
  }
  displayErrorMessage("Invalid Printer..");
  setNextField("label_printer");
}

// --- hand-over to the menu
// -------------------------------------------------------------------------------------

void Standard::login_form_exit() {
  try {
    terminal().displayStatusMessageForId("processing");
    terminal().setMaskInput(false);
    if (!userData) throw Error("Nobody is logged in");
    std::optional<std::string> company = userData->getParameterValue("company");
    if (blank(company)) {
      displayErrorMessage("Invalid Company =" + nullText(company) + " Please contact Administrator");
      setNextForm("login");
      return;
    }
    std::string language =
        trim(getValue("language")).empty() ? userData->getLanguage().value_or("") : getValue("language");
    loadScreenTexts(language);
    currentLogger->info("Labels and Messages are persisted for changed Language :{}", language);
    buildMenu();
    terminal().clearLine(16, 1);
  } catch (const SkipException&) {
    throw;
  } catch (const std::exception& failure) {
    currentLogger->error("login_form_exit failed");
    currentLogger->error("{}", failure.what());
    throw;
  }
}

void Standard::buildMenu() {
  std::shared_ptr<TransactionXmlParser> reader = newDefinitionReader();
  if (VAVInterface::interfaceData != nullptr) {
    std::string suffix = userData->getCompanySuffix();
    VAVInterface::interfaceData->companySuffix = suffix;
    VAVInterface::interfaceData->initializeBaanServerInfo(suffix);
    VAVInterface::functionServerPath = VAVInterface::interfaceData->qryFunctionServerDataDir.value_or("");
  }
  if (VAVInterface::vrcParser == nullptr) throw Error("No file locator to find " + kMenuDefinition);
  std::optional<std::string> path = VAVInterface::vrcParser->getTransXMLFilePath(kMenuDefinition);
  if (!path) throw Error(kMenuDefinition + " not found");
  currentLogger->info("Creating Menu Params: {}", *path);
  if (!reader->loadXML(*path)) throw Error("Cannot read " + *path);
  std::shared_ptr<Transaction> menu = reader->getTransactionInfo();
  if (!menu) throw Error("No transaction in " + *path);
  menu->setClassRegistry(&transaction().getClassRegistry());
  menu->getProcessingObject();
  loadTransactionParameters(*menu, "", false, &transaction());
  handOver(*this, processor(), menu);
}

}  // namespace tev::builtin
