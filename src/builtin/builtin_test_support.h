// Helpers for the tests of the built-in transactions: an installation tree with the demo's four built-in
// definitions, a user list, menus, printers and a language list; the service registry filled the way
// start-up fills it; and a daemon stand-in (naming registry plus a recording administration service on
// ephemeral loopback ports).
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "builtin/change_password.h"
#include "builtin/help_display.h"
#include "builtin/menu.h"
#include "builtin/screen_texts.h"
#include "builtin/standard.h"
#include "common/test_support.h"
#include "config/config_test_support.h"
#include "config/vav_settings.h"
#include "config/vrc_parser.h"
#include "engine/baan_field_def_list.h"
#include "engine/param_manager.h"
#include "engine/transaction.h"
#include "engine/transaction_processor.h"
#include "engine/transaction_xml_parser.h"
#include "engine/user_data.h"
#include "labels/printer_manager.h"
#include "rpc/registry.h"
#include "rpc/rpc_server.h"
#include "rpc/torvend_admin.h"
#include "rpc/torvend_admin_ops.h"
#include "rpc/torvend_admin_skeleton.h"
#include "session/registry_user_params.h"
#include "session/transaction_logic.h"
#include "session/transaction_logic_test_support.h"
#include "session/vav_interface.h"
#include "sim/session_harness.h"

namespace tev::builtin::testing {

// The administration service of the daemon, recording setDeviceUser.
class RecordingAdmin : public rpc::TorvendAdmin {
 public:
  void broadcastMessage(const std::vector<std::string>&, const std::string&) override {}
  std::vector<rpc::DeviceRecord> listScanners() override { return {}; }
  void reInitialize() override {}
  void registerScannerProcessHandler(const std::string&, const rpc::Endpoint&) override {}
  void resetScanner(const std::string&) override {}
  void setCurrentSelectedScanner(const std::string&) override {}
  void setDeviceUser(const std::string& userName, const std::string& deviceName) override {
    std::lock_guard lock(mutex_);
    calls_.push_back("[" + userName + "] [" + deviceName + "]");
  }
  void shutdown() override {}

  std::vector<std::string> calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> calls_;
};

// The daemon's arrangement: a naming registry and the service bound in it as "TorvendAdminServer".
class FakeDaemon {
 public:
  FakeDaemon() : registry_(0), server_(rpc::torvend_admin_ops::kServiceName) {
    rpc::exportTorvendAdmin(server_, admin);
    server_.start();
    registry_.rebind(rpc::torvend_admin_ops::kServiceName, server_.endpoint());
  }
  int registryPort() const { return registry_.port(); }

  RecordingAdmin admin;

 private:
  rpc::Registry registry_;
  rpc::RpcServer server_;
};

inline std::string demoFile(const std::string& relative) {
  return ::tev::testing::readFile(std::string(TEV_DEMO_DIR) + "/" + relative);
}

inline std::string userListXml() {
  return "<user_list>"
         "<user><username>ADMIN</username><password>Secret</password><whse>W1</whse>"
         "<language>english</language><param_value_list><param_value id=\"company\" value=\"101\"/>"
         "<param_value id=\"def_printer\" value=\"DOCK1\"/></param_value_list>"
         "<menu id=\"main_menu\"><menu id=\"inventory_menu\"><menu_item trans_id=\"Echo\"/></menu>"
         "<menu id=\"empty_menu\"/>"
         "<menu_item trans_id=\"ChangePassword\"/><menu_item trans_id=\"Ghost\"/>"
         "<menu_item trans_id=\"PerlCount\"/></menu></user>"
         "<user><username>nocomp</username><password>pw</password><whse>W2</whse>"
         "<language>spanish</language></user>"
         "</user_list>";
}

inline std::string menusXml() {
  return "<menu id=\"main_menu\" label=\"main_menu\" sequence_no=\"0\">"
         "<menu id=\"inventory_menu\" label=\"inventory_menu\" sequence_no=\"1\">"
         "<menu_item trans_id=\"Echo\" label=\"echo\" sequence_no=\"1\"/></menu>"
         "<menu id=\"empty_menu\" label=\"empty\" sequence_no=\"5\"/>"
         "<menu_item trans_id=\"ChangePassword\" label=\"change_password\" sequence_no=\"2\"/>"
         "<menu_item trans_id=\"Ghost\" label=\"ghost\" sequence_no=\"3\"/>"
         "<menu_item trans_id=\"PerlCount\" label=\"perl_count\" sequence_no=\"4\" perl_transaction=\"yes\"/>"
         "</menu>";
}

// A scanner session on a temporary installation (environment "prod" below "common"), with the registry
// filled as start-up fills it and the four built-in classes registered in the harness.
class BuiltinSession {
 public:
  // rmiPort: the setting torvend / rmi_registry_port; by default the fake daemon's registry port.
  explicit BuiltinSession(const std::optional<std::string>& rmiPort = std::nullopt) {
    tree.settings().standardEnvironment("common");
    tree.settings().param({"torvend", "rmi_registry_port"},
                          rmiPort.value_or(std::to_string(daemon.registryPort())));
    tree.settings().standardEnvironment("prod", "common");
    for (const char* id : {"Standard", "Menu", "ChangePassword", "HelpDisplay"})
      tree.writeFile(std::string("env_prod/trans/") + id + ".xml",
                     demoFile(std::string("common/trans/") + id + ".xml"));
    tree.writeFile("env_prod/trans/Echo.xml",
                   "<transaction id=\"Echo\"><form id=\"echo\" type=\"form\">"
                   "<field id=\"text\" type=\"single\" row=\"2\" col=\"1\"/></form></transaction>");
    tree.writeFile("env_prod/trans/Ghost.xml",
                   "<transaction id=\"Ghost\"><form id=\"ghost\" type=\"form\">"
                   "<field id=\"text\" type=\"single\" row=\"2\" col=\"1\"/></form></transaction>");
    tree.writeFile("env_prod/data/user_list.xml", userListXml());
    tree.writeFile("env_prod/data/menus.xml", menusXml());
    tree.writeFile("env_prod/data/printer_list.xml",
                   "<printer_list><printer id=\"P1\"><display_name>DOCK1</display_name>"
                   "<network_path>\\\\srv\\dock1</network_path></printer>"
                   "<printer id=\"P2\"><display_name>NOPATH</display_name></printer></printer_list>");
    tree.writeFile("config/language_list.xml",
                   "<language_list><language id=\"english\">English</language>"
                   "<language id=\"german\">Deutsch</language></language_list>");
    settings = std::make_unique<VAVSettings>(tree.writeSettings());
    locator = std::make_unique<VRCParser>(*settings, "prod");

    VAVInterface::DC = tree.root();
    VAVInterface::deviceId = "dev1";
    VAVInterface::environment = "prod";
    VAVInterface::vavSettings = settings.get();
    VAVInterface::vrcParser = locator.get();
    VAVInterface::emulator = &session.terminal();
    VAVInterface::tevMemory = &session.memory();
    for (const char* id : {"gen_string", "cwar"})
      dictionary.setBaanFieldDef(id, BaanFieldDef(id, "string", "left", "none", 20));
    VAVInterface::baanFieldDefList = &dictionary;
    params->setFileLocator(locator.get());
    params->setUserParams(registryUserParams());
    params->initialize();
    VAVInterface::paramManager = params;
    for (const char* label :
         {"main_menu", "inventory_menu", "echo", "empty", "change_password", "ghost", "perl_count"})
      VAVInterface::labelList.setlabel(label, std::string("L_") + label);

    for (const char* id : {"invalid_username_password", "processing", "empty_menu", "password_mismatch",
                           "password_changed", "attention_title", "menu_exit_message", "continue"})
      session.host().messages.setMessage(id, std::string("M_") + id);
    setScreenTextLoader([this](const std::string& language) {
      loadedLanguages.push_back(language);
      return true;
    });

    session.registerClass(TransactionLogic::describe());
    session.registerClass(Standard::describe());
    session.registerClass(Menu::describe());
    session.registerClass(ChangePassword::describe());
    session.registerClass(HelpDisplay::describe());
    session.defineClass("Echo").on({"echo_form_enter"});
    Standard::bFirstLogin = true;
    Menu::perlRunner = nullptr;
  }

  ~BuiltinSession() {
    setScreenTextLoader(nullptr);
    Menu::perlRunner = nullptr;
    Standard::bFirstLogin = true;
    PrinterManager::reset();
  }

  // The login transaction read from its definition, stored and made current; its object for the test.
  Standard& startLogin() {
    auto reader = std::make_shared<TransactionXmlParser>(VAVInterface::labelList, VAVInterface::messageList,
                                                         fieldDictionaryOf(dictionary.getBaanFieldDefs()));
    std::shared_ptr<Transaction> login = reader->loadTransaction(*locator, "Standard");
    if (!login) throw Error("Standard.xml not readable");
    session.addTransaction(login);
    Transaction& stored = session.transaction("Standard");
    stored.paramManager = params;
    session.start("Standard");
    return dynamic_cast<Standard&>(*stored.getProcessingObject());
  }

  // Keys of a login through the welcome form with the default choices (warehouse and language shown).
  void typeLogin(const std::string& name, const std::string& password) {
    session.scanner().enter().type(name).enter().type(password).enter().enter().enter();
  }

  // One run of the session; each step runs when the queued keys are used up while the session waits for
  // input (it checks where the session stands and queues the next keys). The run ends when a step queues
  // nothing or the steps are done.
  void runSteps(std::vector<std::function<void()>> steps) {
    std::size_t next = 0;
    session.scanner().onExhausted([&](sim::ScriptedTerminal&) {
      if (next < steps.size()) steps[next++]();
    });
    session.run();
    session.scanner().onExhausted(nullptr);
  }

  // The screen's rows joined without separators (texts wrapped over rows read whole).
  std::string flatScreen() {
    std::string all;
    for (const std::string& line : session.screen().lines()) all += line;
    return all;
  }

  std::string userListPath() const { return tree.path("env_prod/data/user_list.xml"); }

  ::tev::testing::CleanRegistry clean;
  FakeDaemon daemon;
  ::tev::testing::ConfigTree tree;
  std::unique_ptr<VAVSettings> settings;
  std::unique_ptr<VRCParser> locator;
  BaanFieldDefList dictionary;
  std::shared_ptr<ParamManager> params = std::make_shared<ParamManager>();
  sim::SessionHarness session;
  std::vector<std::string> loadedLanguages;
};

}  // namespace tev::builtin::testing
