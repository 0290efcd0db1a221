// The router simulator: one request's round trip over loopback (scripted default reply, and answered by
// rules from a data set), and the pieces of one answer: parsing the request line, building a reply line,
// answering from the rules.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "common/log.h"
#include "sim/erp_sim.h"
#include "sim/erp_sim_client.h"
#include "sim/erp_sim_reply.h"
#include "sim/erp_sim_rules.h"

namespace tev::sim {
namespace {

const char* kRules = R"(<erp_sim_rules>
  <query no="29">
    <rows table="items" code="98" not_found="1,20,Item {arg:0} not found">
      <key column="item" equals="{arg:0}"/>
      <column name="item"/><column name="dsca"/><column name="stgu"/><column name="kltc"/>
    </rows>
  </query>
  <function name="transfer_inventory">
    <check table="items" error="1,20,Item {value:1} not found"><key column="item" equals="{value:1}"/></check>
    <reply>0,0,Transfer booked</reply>
  </function>
</erp_sim_rules>)";

// 200 items, the one asked for last.
std::string data() {
  std::string xml = "<erp_sim_data><table id=\"items\">";
  for (int i = 0; i < 200; ++i)
    xml += "<row item=\"ITEM-" + std::to_string(i) + "\" dsca=\"Item number " + std::to_string(i) +
           "\" stgu=\"pcs\" kltc=\"2\"/>";
  return xml + "</table></erp_sim_data>";
}

const std::string kQueryLine =
    requestLine({}, queryBody("100", "tdilc0001", "execute_query", {"ITEM-199"}, "/qry", "29"));

void quiet() {
  log::setLevel(spdlog::level::warn);
}

void BM_RoundTripScripted(benchmark::State& state) {
  quiet();
  ErpSim sim;
  sim.setDefaultReply(ErpSimReply::success("Done"));
  ErpSimClient client(ErpSim::kHost, sim.port());
  for (auto _ : state) benchmark::DoNotOptimize(client.exchange(kQueryLine));
}
BENCHMARK(BM_RoundTripScripted);

void BM_RoundTripRules(benchmark::State& state) {
  quiet();
  ErpSimRules rules = ErpSimRules::parse(kRules, data());
  ErpSim sim;
  sim.setHandler([&rules](const ErpSimRequest& request) { return rules.answer(request); });
  ErpSimClient client(ErpSim::kHost, sim.port());
  for (auto _ : state) benchmark::DoNotOptimize(client.exchange(kQueryLine));
}
BENCHMARK(BM_RoundTripRules);

void BM_ParseRequest(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(parseRequest(kQueryLine));
}
BENCHMARK(BM_ParseRequest);

void BM_BuildReplyLine(benchmark::State& state) {
  std::vector<std::string> values{"ITEM-100", "Blue widget", "1", "pcs", "pcs",    "W1",
                                  "2",        "2",           "",  "",    "",       "",
                                  "",         "ITEM-100",    "",  "STD", "WIDGET", ""};
  for (auto _ : state) {
    ErpSimAction reply(ErpSimReply::record(values));
    benchmark::DoNotOptimize(reply.bytes(ErpSimReply::kDefaultPrefix));
  }
}
BENCHMARK(BM_BuildReplyLine);

void BM_AnswerFromRules(benchmark::State& state) {
  ErpSimRules rules = ErpSimRules::parse(kRules, data());
  ErpSimRequest request = parseRequest(kQueryLine);
  for (auto _ : state) benchmark::DoNotOptimize(rules.answer(request));
}
BENCHMARK(BM_AnswerFromRules);

}  // namespace
}  // namespace tev::sim
