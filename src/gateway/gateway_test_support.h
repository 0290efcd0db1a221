// A request handler wired to the ERP router simulator and a scripted scanner, for the gateway's tests.
//
// The fixture writes a settings file (environment "prod" on "common") naming the simulator's port, fills the
// interface data from it, logs in user USER1 of company AB1 and runs transaction "Receipts" with one
// function-server statement "receive" (tdilc0001 / f.receive with the arguments item, qty, colour) and the
// queries "item_info" (one row) and "item_list" (a result file in the mounted directory). Every message id
// the handler shows has a short text; error lines and windows wait for a key, so a test queues one Enter per
// message it expects and reads the screens the operator saw at each wait (shownAt). Waits of the handler
// itself (retry pauses) are recorded, not slept.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/log.h"
#include "config/config_test_support.h"
#include "config/vav_settings.h"
#include "engine/fserver_statement.h"
#include "engine/sql_statement.h"
#include "engine/tev_memory_variables.h"
#include "engine/transaction.h"
#include "engine/user_data.h"
#include "engine/vav_interface_data.h"
#include "gateway/request_handler.h"
#include "sim/erp_sim.h"
#include "sim/erp_sim_reply.h"
#include "sim/fixed_terminal_host.h"
#include "sim/scripted_terminal.h"
#include "terminal/terminal_emulator.h"

namespace tev::testing {

inline const std::string FS(1, '\x1c');

class GatewayTest : public ::testing::Test {
 protected:
  using Settings = std::map<std::vector<std::string>, std::string>;

  GatewayTest() : emulator(peer.terminalFd(), peer.terminalFd()) {
    previousSleeper = Sleeper::install(&sleeper);
    for (const auto& [id, text] :
         std::map<std::string, std::string>{{"processing", "Processing..."},
                                            {"unable_to_establish_connection", "No connection"},
                                            {"ddc_down", "Driver is down"},
                                            {"ddc_busy", "Driver is busy"},
                                            {"ddc_error", "Driver error"},
                                            {"sql_down", "SQL is down"},
                                            {"sql_busy", "SQL is busy"},
                                            {"authentication_down", "Login down"},
                                            {"authentication_busy", "Login busy"},
                                            {"successful", "Done"},
                                            {"continue", "Press Enter"},
                                            {"item_not_found", "Unknown item"}})
      host.messages.setMessage(id, text);
    EXPECT_TRUE(emulator.intialize(peer.settings(), &host));
    peer.attach(emulator);

    sqlDir = tree.makeDir("sqldata");
    writeSettings({});

    user.setUserName("USER1");
    user.setParameterValue("company", "AB1");
    transaction = std::make_shared<Transaction>();
    transaction->id = "Receipts";
    transaction->title = "Receipts";
    auto receive = std::make_shared<FServerStatement>();
    receive->id = "receive";
    receive->fserverName = "tdilc0001";
    receive->function = "f.receive";
    receive->noOfParams = 3;
    receive->addArgument("item", BaanFieldDef("item", "string", "left", "upper", 16));
    receive->addArgument("qty", BaanFieldDef("qty", "number", "left", "none", 8));
    receive->addArgument("colour", std::nullopt);
    transaction->fserverStatements["receive"] = receive;
    auto query = std::make_shared<FServerStatement>();
    query->id = "execute_query";
    query->fserverName = "tdilc0001";
    query->function = "execute_query";
    query->noOfParams = 3;
    for (const char* id : {"args", "path", "query_no"}) query->addArgument(id, std::nullopt);
    transaction->fserverStatements["execute_query"] = query;
    transaction->sqlStatements["item_info"] =
        sqlStatement("item_info", "single", {"select t.item, t.dsca ,t.qty from tcibd001 where t.item = "},
                     BaanFieldDef("item", "string", "left", "upper", 6));
    transaction->sqlStatements["item_list"] =
        sqlStatement("item_list", "multi", {"select t.item, t.dsca from tcibd001 where t.whse = "},
                     BaanFieldDef("whse", "string", "left", "upper", 3));
    memory.currentTransaction = transaction;

    GatewayContext context;
    context.terminal = &emulator;
    context.interfaceData = &data;
    context.deviceId = "RF01";
    context.environment = "prod";
    context.user = [this]() -> const UserData* { return loggedIn ? &user : nullptr; };
    context.memory = &memory;
    context.functionServerPath = [] { return std::string("/baan/qry"); };
    handler = std::make_unique<RequestHandler>(std::move(context));
  }

  ~GatewayTest() override { Sleeper::install(previousSleeper); }

  // Rewrites the settings file with these router settings added (or replacing the defaults: encoding absent,
  // no handshake, no customer code) and fills the interface data again.
  void writeSettings(const Settings& extra) {
    SettingsFileBuilder& file = tree.settings();
    file = SettingsFileBuilder();
    file.setDefaultDcText(tree.root());
    file.standardEnvironment("common");
    file.standardEnvironment("prod", "common");
    Settings params = {{{"skerrymantle", "ip_address"}, sim::ErpSim::kHost},
                       {{"skerrymantle", "port"}, std::to_string(sim.port())},
                       {{"skerrymantle", "retry_count"}, "2"},
                       {{"skerrymantle", "hand_shake_in_use"}, "no"},
                       {{"torvend", "admin_server_object_name"}, "TorvendAdmin"},
                       {{"sql", "use_ftp"}, "no"}};
    for (const char* key : {"driver_boi_name", "driver_boi_funt", "driver_boi_tagname", "field_seperator",
                            "fs_recordset_name", "fs_name_tagname", "fs_funt_tagname", "fs_prefix_tagname",
                            "organizational_entity", "output_recordset", "skerrymantle_output_type"})
      params[{"boi", key}] = std::string("boi-") + key;
    for (const auto& [path, value] : extra) params[path] = value;
    for (const auto& [path, value] : params) file.param(path, value);
    file.section({"sql", "baan_server"});
    file.param({"sql", "baan_server", "company_suffix"}, "1");
    file.param({"sql", "baan_server", "qry_fserver_data_dir"}, "/baan/qry");
    file.param({"sql", "baan_server", "mounted_sql_data_dir"}, sqlDir);
    settings = std::make_unique<VAVSettings>(tree.writeSettings());
    data = VAVInterfaceData();
    data.initialize(*settings, "prod");
    data.initializeBaanServerInfo("1");
  }

  static std::shared_ptr<SQLStatement> sqlStatement(const std::string& id, const std::string& rowType,
                                                    const std::vector<std::string>& texts,
                                                    const BaanFieldDef& field) {
    auto statement = std::make_shared<SQLStatement>();
    statement->id = id;
    statement->rowType = rowType;
    statement->errorMessageId = "item_not_found";
    statement->errorMessage = "Unknown item";
    for (const std::string& text : texts) statement->sqlElements.emplace_back(text);
    statement->sqlElements.emplace_back(field);
    return statement;
  }

  // The request lines the simulator received, handshakes left out.
  std::vector<std::string> sentLines() const {
    std::vector<std::string> lines;
    for (const sim::ErpSimRequest& request : sim.requests())
      if (request.kind != sim::RequestKind::kHandshake) lines.push_back(request.raw);
    return lines;
  }

  // The screen when the terminal waited for its n-th key (0: the first wait).
  sim::ScreenModel shownAt(std::size_t wait) {
    std::vector<sim::ScreenModel> screens = peer.screensAtInput();
    if (wait >= screens.size()) {
      ADD_FAILURE() << "the terminal waited only " << screens.size() << " times";
      return sim::ScreenModel();
    }
    return screens[wait];
  }
  // The two error-line rows of a screen, their reverse-video text joined.
  static std::string errorLine(const sim::ScreenModel& screen) {
    return screen.attributed(15, sim::kReverse) + screen.attributed(16, sim::kReverse);
  }

  log::Capture logs;
  sim::ErpSim sim;
  ConfigTree tree;
  std::string sqlDir;
  sim::ScriptedTerminal peer;
  sim::FixedTerminalHost host;
  TerminalEmulator emulator;
  RecordingSleeper sleeper;
  Sleeper* previousSleeper = nullptr;
  std::unique_ptr<VAVSettings> settings;
  VAVInterfaceData data;
  UserData user;
  bool loggedIn = true;
  std::shared_ptr<Transaction> transaction;
  TevMemoryVariables memory;
  std::unique_ptr<RequestHandler> handler;
};

}  // namespace tev::testing
