// The demo's Transfer on its own definition (demo/demo/trans/Transfer.xml), run in the session harness
// against the router simulator answering from the demo's rules: one booking the back end accepts, one it
// refuses.
#include "session/transfer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "common/java_text.h"
#include "config/baan_field_parser.h"
#include "config/barcode_manager.h"
#include "config/config_test_support.h"
#include "config/label_parser.h"
#include "config/vav_settings.h"
#include "config/vrc_parser.h"
#include "engine/transaction_xml_parser.h"
#include "engine/user_data.h"
#include "engine/vav_interface_data.h"
#include "gateway/request_handler.h"
#include "session/transaction_logic_test_support.h"
#include "sim/erp_sim.h"
#include "sim/erp_sim_rules.h"

namespace tev {
namespace {

using ::testing::ElementsAre;

class TransferTest : public ::testing::Test {
 protected:
  TransferTest() {
    rules = std::make_unique<sim::ErpSimRules>(sim::ErpSimRules::load("erp_sim/rules.xml"));
    router.setHandler([this](const sim::ErpSimRequest& request) { return rules->answer(request); });

    tree.settings().standardEnvironment("common");
    tree.settings().standardEnvironment("demo", "common");
    tree.settings().param({"skerrymantle", "ip_address"}, sim::ErpSim::kHost);
    tree.settings().param({"skerrymantle", "port"}, std::to_string(router.port()));
    tree.settings().param({"skerrymantle", "retry_count"}, "1");
    tree.settings().param({"skerrymantle", "hand_shake_in_use"}, "no");
    tree.settings().param({"skerrymantle", "customer_code"}, "DEMO");
    tree.settings().param({"torvend", "admin_server_object_name"}, "TorvendAdmin");
    tree.settings().param({"sql", "use_ftp"}, "no");
    for (const char* key : {"driver_boi_name", "driver_boi_funt", "driver_boi_tagname", "field_seperator",
                            "fs_recordset_name", "fs_name_tagname", "fs_funt_tagname", "fs_prefix_tagname",
                            "organizational_entity", "output_recordset", "skerrymantle_output_type"})
      tree.settings().param({"boi", key}, key);
    tree.settings().param({"sql", "baan_server", "company_suffix"}, "0");
    tree.settings().param({"sql", "baan_server", "qry_fserver_data_dir"}, "/baan/qry");
    tree.settings().param({"sql", "baan_server", "mounted_sql_data_dir"}, tree.path("sql"));
    settings = std::make_unique<VAVSettings>(tree.writeSettings());
    data.initialize(*settings, "demo");
    data.initializeBaanServerInfo("0");

    for (const auto& [id, text] : std::map<std::string, std::string>{
             {"successful", "Booked"}, {"processing", "Processing..."}, {"continue", "Press Enter"}})
      session.host().messages.setMessage(id, text);

    user->setUserName("clerk");
    user->setWhse("W1");
    user->setParameterValue("company", "100");
    VAVInterface::userData = user;

    GatewayContext context;
    context.terminal = &session.terminal();
    context.interfaceData = &data;
    context.deviceId = "RF01";
    context.environment = "demo";
    context.user = [this]() -> const UserData* { return user.get(); };
    context.memory = &session.memory();
    handler = std::make_unique<RequestHandler>(std::move(context));
    VAVInterface::requestHandler = handler.get();

    session.registerClass(TransactionLogic::describe());
    session.registerClass(Transfer::describe());
    session.addTransaction(load()).paramManager = params;
    session.start("Transfer");
  }

  // The definition as the scanner process reads it, with the demo's English labels and field dictionary.
  std::shared_ptr<Transaction> load() {
    std::ostringstream out;
    std::ostringstream err;
    LabelParser labelBuilder(out, err);
    labelBuilder.initialize("vav_settings.xml", "demo", "english");
    LabelList labels(labelBuilder.getLabels());
    BaanFieldParser fields(out);
    fields.initialize("demo/data/baan_field_list.xml");
    VRCParser locator("vav_settings.xml", "demo");
    BarcodeManager barcodes;
    MessageList messages;
    BaanFieldTable dictionary = fields.getBaanFields();  // the parser looks entries up here
    TransactionXmlParser parser(labels, messages, fieldDictionaryOf(dictionary));
    std::shared_ptr<Transaction> transaction = parser.loadTransaction(locator, "Transfer", &barcodes);
    if (!transaction) ADD_FAILURE() << "Transfer.xml does not load: " << err.str();
    return transaction;
  }

  // The transfer_inventory lines the router received.
  std::vector<sim::ErpSimRequest> bookings() const {
    std::vector<sim::ErpSimRequest> out;
    for (const sim::ErpSimRequest& request : router.requests())
      if (request.function == Transfer::FUNCTION) out.push_back(request);
    return out;
  }

  static std::string errorLine(const sim::ScreenModel& screen) {
    return screen.attributed(15, sim::kReverse) + screen.attributed(16, sim::kReverse);
  }

  testing::InDemoDirectory inDemo;
  testing::CleanRegistry clean;
  std::unique_ptr<sim::ErpSimRules> rules;
  sim::ErpSim router;
  testing::ConfigTree tree;
  std::unique_ptr<VAVSettings> settings;
  VAVInterfaceData data;
  std::shared_ptr<UserData> user = std::make_shared<UserData>();
  std::shared_ptr<testing::FixedParams> params = std::make_shared<testing::FixedParams>();
  sim::SessionHarness session;
  std::unique_ptr<RequestHandler> handler;
};

TEST_F(TransferTest, ABookedTransferShowsTheMessageAndEmptiesTheFormForTheNext) {
  // The message line waits for a key; then the form is empty again.
  session.scanner().scan("ITEM-100").scan("A-01-01").scan("B-02-01").type("5").enter().enter();
  session.run();

  std::vector<sim::ErpSimRequest> sent = bookings();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].server, "tdilc9101DEMO");
  EXPECT_EQ(sent[0].company, "100");
  EXPECT_EQ(sent[0].deviceId, "RF01");
  EXPECT_EQ(sent[0].title, "Transfer");
  EXPECT_EQ(sent[0].values.size(), 16u);
  EXPECT_EQ(trim(sent[0].values[1]), "ITEM-100");
  EXPECT_THAT(std::vector<std::string>(sent[0].values.begin() + 3, sent[0].values.end()),
              ElementsAre("W1", "W1", "A-01-01", "", "", "B-02-01", "5", "clerk", "0", "", "0", "", ""));

  std::vector<sim::ScreenModel> waits = session.screensAtInput();
  ASSERT_GE(waits.size(), 2u);
  EXPECT_EQ(errorLine(waits[waits.size() - 2]), "Booked");
  EXPECT_EQ(session.position(), "Transfer/transfer/item");
  sim::ScreenModel now = session.screen();
  EXPECT_EQ(errorLine(now), "");
  for (const char* label : {"Item:", "From:", "To:", "Qty:"}) {
    int row = now.findRow(label);
    ASSERT_GT(row, 0) << label << "\n" << now.dump();
    EXPECT_EQ(now.line(row), label) << now.dump();
  }
}

TEST_F(TransferTest, ARefusedTransferShowsTheBackEndsMessageAndKeepsTheQuantity) {
  // More than the 120 on hand; the message window waits for Enter.
  session.scanner().scan("ITEM-100").scan("A-01-01").scan("B-02-01").type("500").enter().enter();
  session.run();

  ASSERT_EQ(bookings().size(), 1u);
  EXPECT_EQ(bookings()[0].values[9], "500");
  std::vector<sim::ScreenModel> waits = session.screensAtInput();
  ASSERT_GE(waits.size(), 2u);
  EXPECT_TRUE(waits[waits.size() - 2].contains("Not enough stock")) << waits[waits.size() - 2].dump();
  EXPECT_EQ(session.position(), "Transfer/transfer/qty");
  EXPECT_TRUE(session.screen().contains("500")) << session.screen().dump();
  EXPECT_TRUE(session.screen().contains("B-02-01")) << session.screen().dump();
}

}  // namespace
}  // namespace tev
