// The readers of the ERP router's replies fed arbitrary replies: the reply-line functions of every request
// kind, the coded status line of every back-end path read by its reply policy (the router words, the status
// and error numbers, data, tolerance and error lists), the business-object and ERP LN reply documents, and
// the Syteline and RTCIM result documents.
//
// Kinds 10 and above send a real request of one kind through the request handler to a router simulator that
// answers with the reply (after its own prefix word), so the whole reading of that kind runs, connection
// included.
//
// Input: one byte choosing the kind (its value modulo 20), then the reply.
//   0 reply-line functions and query rows   1..5 status line by the policy of: business object, ERP LN, web
//   service, RTCIM, Syteline   6 ERP LN SOAP reply   7 business-object result and error documents
//   8 Syteline reply   9 RTCIM result fragment
//   10 function server   11 single-row query   12 multi-row query   13 log-in   14 business object
//   15 ERP LN   16 Syteline query   17 RTCIM   18 web service (router form)   19 function-server query
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/error.h"
#include "common/java_text.h"
#include "config/config_test_support.h"
#include "config/vav_settings.h"
#include "engine/fserver_statement.h"
#include "engine/sql_parser.h"
#include "engine/sql_statement.h"
#include "engine/tev_memory_variables.h"
#include "engine/transaction.h"
#include "engine/user_data.h"
#include "engine/vav_interface_data.h"
#include "fuzz_support.h"
#include "gateway/bde_reply_parser.h"
#include "gateway/boi_error_parser.h"
#include "gateway/boi_response_parser.h"
#include "gateway/gateway_context.h"
#include "gateway/reply_policy.h"
#include "gateway/request_handler.h"
#include "gateway/router_reply.h"
#include "sim/erp_sim.h"
#include "xml/xml_node.h"

namespace {

// The handler without a screen or a router: only its reading of replies is used.
class ReplyReader : public tev::RequestHandler {
 public:
  using RequestHandler::checkRouterWords;
  using RequestHandler::interpretStatusLine;
  using RequestHandler::RequestHandler;
  using RequestHandler::StatusLineCall;
};

struct Fixture {
  Fixture() {
    tev::fuzz::silenceLogs();
    tev::GatewayContext context;
    context.deviceId = "RF01";
    context.environment = "prod";
    context.memory = &memory;
    reader = std::make_unique<ReplyReader>(std::move(context));
  }
  tev::TevMemoryVariables memory;
  std::unique_ptr<ReplyReader> reader;
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

class NoSleep : public tev::Sleeper {
 public:
  void sleepFor(std::chrono::milliseconds) override {}
};

// A request handler connected to the router simulator, without a screen: the settings of one environment
// naming the simulator, user USER1 of company AB1, and one transaction with a function-server statement and
// two queries (one row, a result file).
struct Exchange {
  Exchange() {
    tev::Sleeper::install(&noSleep);
    sqlDir = tree.makeDir("sqldata");
    tev::testing::SettingsFileBuilder& file = tree.settings();
    file.setDefaultDcText(tree.root());
    file.standardEnvironment("common");
    file.standardEnvironment("prod", "common");
    file.param({"skerrymantle", "ip_address"}, tev::sim::ErpSim::kHost);
    file.param({"skerrymantle", "port"}, std::to_string(sim.port()));
    file.param({"skerrymantle", "retry_count"}, "1");
    file.param({"skerrymantle", "hand_shake_in_use"}, "no");
    file.param({"sql", "use_ftp"}, "no");
    file.param({"torvend", "admin_server_object_name"}, "TorvendAdmin");
    for (const char* key : {"driver_boi_name", "driver_boi_funt", "driver_boi_tagname", "field_seperator",
                            "fs_recordset_name", "fs_name_tagname", "fs_funt_tagname", "fs_prefix_tagname",
                            "organizational_entity", "output_recordset", "skerrymantle_output_type"})
      file.param({"boi", key}, std::string("boi-") + key);
    file.section({"sql", "baan_server"});
    file.param({"sql", "baan_server", "company_suffix"}, "1");
    file.param({"sql", "baan_server", "qry_fserver_data_dir"}, "/baan/qry");
    file.param({"sql", "baan_server", "mounted_sql_data_dir"}, sqlDir);
    settings = std::make_unique<tev::VAVSettings>(tree.writeSettings());
    data.initialize(*settings, "prod");
    data.initializeBaanServerInfo("1");
    user.setUserName("USER1");
    user.setParameterValue("company", "AB1");

    tev::GatewayContext context;
    context.interfaceData = &data;
    context.deviceId = "RF01";
    context.environment = "prod";
    context.user = [this]() -> const tev::UserData* { return &user; };
    context.memory = &memory;
    context.functionServerPath = [] { return std::string("/baan/qry"); };
    tev::RequestHandler::Options options;
    options.connectTimeout = std::chrono::seconds(2);
    options.retryPause = std::chrono::milliseconds(0);
    handler = std::make_unique<tev::RequestHandler>(std::move(context), options);
    handler->setStandardSqlParser(
        std::make_unique<tev::SqlParser>([](const std::string& id) -> std::optional<tev::BaanFieldDef> {
          return tev::BaanFieldDef(id, "string", "left", "none", 16);
        }));
  }

  std::shared_ptr<tev::Transaction> newTransaction() {
    auto transaction = std::make_shared<tev::Transaction>();
    transaction->id = "Receipts";
    transaction->title = "Receipts";
    auto receive = std::make_shared<tev::FServerStatement>();
    receive->id = "receive";
    receive->fserverName = "tdilc0001";
    receive->function = "f.receive";
    receive->noOfParams = 2;
    receive->addArgument("item", tev::BaanFieldDef("item", "string", "left", "upper", 16));
    receive->addArgument("qty", tev::BaanFieldDef("qty", "number", "left", "none", 8));
    transaction->fserverStatements["receive"] = receive;
    auto query = std::make_shared<tev::FServerStatement>();
    query->id = "execute_query";
    query->fserverName = "tdilc0001";
    query->function = "execute_query";
    query->noOfParams = 3;
    for (const char* id : {"args", "path", "query_no"}) query->addArgument(id, std::nullopt);
    transaction->fserverStatements["execute_query"] = query;
    transaction->sqlStatements["item_info"] = sqlStatement("item_info", "single");
    transaction->sqlStatements["item_list"] = sqlStatement("item_list", "multi");
    return transaction;
  }

  static std::shared_ptr<tev::SQLStatement> sqlStatement(const std::string& id, const std::string& rowType) {
    auto statement = std::make_shared<tev::SQLStatement>();
    statement->id = id;
    statement->rowType = rowType;
    statement->queryNo = "29";
    statement->errorMessageId = "item_not_found";
    statement->sqlElements.emplace_back(
        std::string("select t.item, t.dsca ,t.qty from tcibd001 where t.item = "));
    statement->sqlElements.emplace_back(tev::BaanFieldDef("item", "string", "left", "upper", 6));
    return statement;
  }

  // Sends one request of the kind; the simulator answers it with the reply.
  void run(int kind, const std::string& reply) {
    memory.currentTransaction = newTransaction();
    sim.reply(reply);
    const std::vector<std::string> values = {"A1", "5"};
    try {
      switch (kind) {
        case 10:
          handler->callFunctionServer("receive", values, true, true);
          break;
        case 11:
          handler->execSql("item_info", "item_info", {"A1"}, true);
          break;
        case 12:
          handler->execSql("item_list", "item_list", {"A1"}, true);
          break;
        case 13:
          handler->callAuthenticationService("USER1", "secret", "AB1", "", "");
          break;
        case 14:
          handler->processOpenWorldTransaction("receive", values, true, true);
          break;
        case 15:
          handler->processErplnTransaction("receive", values, true, true);
          break;
        case 16:
          handler->execSytelineQuery("item_info", {"A1"}, true);
          break;
        case 17:
          handler->executeRtcimMessage("f.receive", "result", values, "DDC", true, true);
          break;
        case 18:
          handler->processBTATransaction("<q/>", true, true);
          break;
        default:
          handler->execFunctionServerSql("execute_query", "result", "item_info", {"A1"}, true);
          break;
      }
    } catch (const tev::Error&) {
    }
    sim.clearQueuedReplies();
    sim.clearRecords();
    memory.currentTransaction.reset();
  }

  NoSleep noSleep;
  tev::sim::ErpSim sim;
  tev::testing::ConfigTree tree;
  std::string sqlDir;
  std::unique_ptr<tev::VAVSettings> settings;
  tev::VAVInterfaceData data;
  tev::UserData user;
  tev::TevMemoryVariables memory;
  std::unique_ptr<tev::RequestHandler> handler;
};

template <typename Body>
void tolerate(Body body) {
  try {
    body();
  } catch (const tev::Error&) {
  }
}

void replyLine(const std::string& reply) {
  namespace router = tev::router;
  const std::string line = router::normalizeReply(reply);
  const std::string_view payload = router::payloadOf(line);
  (void)router::classifyCondition(payload);
  (void)router::findConditionInLine(line);
  (void)router::parseCodedReply(line);
  (void)router::errorMessages(payload);
  const router::SqlReply sql = router::parseSqlReply(line);
  (void)router::parseLoginReply(line);
  const std::vector<std::string> names = router::getFromFields(reply);
  (void)router::makeRecord(names, sql.data);
  (void)router::makeRecord({"a", "b", "c"}, payload);
}

// The rows of a query reply's data, as the handler stores them.
void queryRows(Fixture& f, const std::string& data) {
  tolerate([&] { (void)f.reader->handleSingleRowReply({"item", "dsca", "qty"}, data); });
  tolerate([&] { f.reader->parseFunctionServerSql("result", {"item", "dsca"}, data, 1); });
  tolerate([&] { (void)f.reader->getFromFields(data); });
}

void statusLine(Fixture& f, const tev::ReplyPolicy& policy, const std::string& reply,
                tev::Transaction& transaction) {
  tolerate([&] { (void)tev::StatusLine::read(reply, policy); });
  tolerate([&] { f.reader->checkRouterWords(policy, reply, &transaction, "AB1"); });
  for (bool show : {true, false}) {
    ReplyReader::StatusLineCall call;
    call.showErrors = show;
    call.showSuccess = !show;
    call.company = "AB1";
    if (show) call.errorMessageId = "item_not_found";
    call.onData = [](const std::string&) {};
    tolerate([&] { (void)f.reader->interpretStatusLine(policy, reply, transaction, call); });
  }
}

void soapReply(const std::string& reply) {
  tev::BDEReplyParser parser;
  tolerate([&] { parser.parseReply(reply); });
  if (parser.getError()) (void)parser.getError()->toString();
  if (parser.getResponse()) (void)parser.getResponse()->toString();
}

void businessObjectReply(const std::string& reply) {
  tolerate([&] { (void)tev::BoiResponseParser().getResultInformation(reply); });
  tolerate([&] { (void)tev::BoiErrorParser().getErrorInformation(reply); });
}

void sytelineReply(Fixture& f, const std::string& reply) {
  tev::XmlDocPtr doc = f.reader->parseXml(tev::trim(tev::router::payloadOf(reply)));
  if (!doc) return;
  xmlNodePtr root = xmlDocGetRootElement(doc.get());
  if (root == nullptr) return;
  tev::QryRow table;
  f.reader->populateHashTable(tev::XmlNode(root), table);
  for (const tev::XmlNode& child : tev::XmlNode(root).elementChildren()) {
    for (const tev::XmlNode& item : child.elementChildren()) f.reader->populateSytelineHashTable(table, item);
  }
}

Exchange& exchange() {
  static Exchange e;
  return e;
}

}  // namespace

// Both fixtures are made before the first input, so no input is charged with their memory.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fixture();
  exchange();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fixture& f = fixture();
  tev::fuzz::Input in(data, size);
  const std::uint8_t kind = in.byte();
  const std::string reply(in.rest());
  if (kind % 20 >= 10) {
    exchange().run(kind % 20, reply);
    return 0;
  }

  auto transaction = std::make_shared<tev::Transaction>();
  transaction->id = "Receipts";
  f.memory.currentTransaction = transaction;
  switch (kind % 10) {
    case 0:
      replyLine(reply);
      queryRows(f, reply);
      break;
    case 1:
      statusLine(f, tev::ReplyPolicy::openWorld(), reply, *transaction);
      break;
    case 2:
      statusLine(f, tev::ReplyPolicy::erpLn(), reply, *transaction);
      tolerate([&] { (void)tev::ReplyPolicy::erpLnFault().find(reply); });
      break;
    case 3:
      statusLine(f, tev::ReplyPolicy::webService(), reply, *transaction);
      break;
    case 4:
      statusLine(f, tev::ReplyPolicy::rtcim(), reply, *transaction);
      break;
    case 5:
      statusLine(f, tev::ReplyPolicy::syteline(), reply, *transaction);
      break;
    case 6:
      soapReply(reply);
      break;
    case 7:
      businessObjectReply(reply);
      break;
    case 8:
      sytelineReply(f, reply);
      break;
    default:
      tolerate([&] { f.reader->parseRtcimQueryResults("result", reply); });
      break;
  }
  f.memory.currentTransaction.reset();
  return 0;
}
