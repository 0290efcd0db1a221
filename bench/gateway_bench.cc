// The back-end gateway: one request's round trip through the request handler against the router simulator
// (a function-server call answered with one data record, an SQL request answered with one row), and the
// reading of replies per line: a coded reply with its data values, an error list, a result-file line made
// into a record.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "common/log.h"
#include "engine/fserver_statement.h"
#include "engine/sql_statement.h"
#include "engine/tev_memory_variables.h"
#include "engine/transaction.h"
#include "engine/user_data.h"
#include "engine/vav_interface_data.h"
#include "gateway/request_handler.h"
#include "gateway/router_reply.h"
#include "sim/erp_sim.h"
#include "sim/erp_sim_reply.h"

namespace tev {
namespace {

void quiet() {
  log::setLevel(spdlog::level::warn);
}

// Every request gets this payload (through the handler: the default reply logs each use).
void answerAlways(sim::ErpSim& sim, const std::string& payload) {
  sim.setHandler(
      [payload](const sim::ErpSimRequest&) -> std::optional<sim::ErpSimAction> { return payload; });
}

// A handler without a screen, connected to the simulator, running transaction "Receipts".
struct Session {
  explicit Session(sim::ErpSim& sim) {
    data.skerrymantleIP = sim::ErpSim::kHost;
    data.skerrymantlePort = sim.port();
    data.skerrymantleRetryCount = 1;
    user.setUserName("USER1");
    user.setParameterValue("company", "AB1");

    transaction = std::make_shared<Transaction>();
    transaction->title = "Receipts";
    auto receive = std::make_shared<FServerStatement>();
    receive->fserverName = "tdilc0001";
    receive->function = "f.receive";
    receive->noOfParams = 3;
    receive->addArgument("item", BaanFieldDef("item", "string", "left", "upper", 16));
    receive->addArgument("qty", BaanFieldDef("qty", "number", "left", "none", 8));
    receive->addArgument("colour", std::nullopt);
    transaction->fserverStatements["receive"] = receive;
    auto info = std::make_shared<SQLStatement>();
    info->rowType = "single";
    info->sqlElements = {std::string("select t.item, t.dsca, t.qty from tcibd001 where t.item = "),
                         BaanFieldDef("item", "string", "left", "upper", 16)};
    transaction->sqlStatements["item_info"] = info;
    memory.currentTransaction = transaction;

    GatewayContext context;
    context.interfaceData = &data;
    context.deviceId = "RF01";
    context.environment = "prod";
    context.user = [this]() -> const UserData* { return &user; };
    context.memory = &memory;
    handler = std::make_unique<RequestHandler>(std::move(context));
  }

  VAVInterfaceData data;
  UserData user;
  std::shared_ptr<Transaction> transaction;
  TevMemoryVariables memory;
  std::unique_ptr<RequestHandler> handler;
};

void BM_FunctionServerRoundTrip(benchmark::State& state) {
  quiet();
  sim::ErpSim sim;
  answerAlways(sim, sim::ErpSimReply::record({"A01", "Blue", "5"}));
  Session session(sim);
  const std::vector<std::string> values = {"a01", "5", "red"};
  for (auto _ : state) {
    try {
      session.handler->callFunctionServer("receive", values, true, false);
    } catch (const FunctionServerFailedException&) {
      benchmark::DoNotOptimize(session.transaction->fserverMesgFields.data());
    }
  }
}
BENCHMARK(BM_FunctionServerRoundTrip);

void BM_SqlRoundTrip(benchmark::State& state) {
  quiet();
  sim::ErpSim sim;
  answerAlways(sim, sim::ErpSimReply::sqlRow({"A01", "Blue", "5"}));
  Session session(sim);
  const std::vector<std::string> values = {"a01"};
  for (auto _ : state) benchmark::DoNotOptimize(session.handler->execSql("info", "item_info", values, true));
}
BENCHMARK(BM_SqlRoundTrip);

void BM_ParseDataReply(benchmark::State& state) {
  const std::string line = "SKM 1,98,A01~Blue sweater, large~5.000~pcs~W01~L-01-02~~2024-01-31";
  for (auto _ : state) {
    router::CodedReply reply = router::parseCodedReply(router::normalizeReply(line));
    benchmark::DoNotOptimize(splitKeepEmpty(reply.message, router::TILDE));
  }
}
BENCHMARK(BM_ParseDataReply);

void BM_ParseErrorList(benchmark::State& state) {
  const std::string line =
      "SKM " + sim::ErpSimReply::errorList(
                   {{5, "Item not found"}, {7, "Location blocked"}, {9, "Quantity exceeds the order"}});
  for (auto _ : state) {
    router::CodedReply reply = router::parseCodedReply(router::normalizeReply(line));
    benchmark::DoNotOptimize(router::errorMessages(reply.payload));
  }
}
BENCHMARK(BM_ParseErrorList);

void BM_ResultFileLineToRecord(benchmark::State& state) {
  const std::vector<std::string> names =
      router::getFromFields("select t.item, t.dsca, t.qty, t.unit, t.whse, t.loca, t.lot, t.date from x");
  const std::string line = "A01~Blue sweater, large~5.000~pcs~W01~L-01-02~~2024-01-31";
  for (auto _ : state) benchmark::DoNotOptimize(router::makeRecord(names, line));
}
BENCHMARK(BM_ResultFileLineToRecord);

}  // namespace
}  // namespace tev
