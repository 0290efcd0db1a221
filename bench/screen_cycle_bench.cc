// One full screen cycle of a scanner session, in-process: a scanned item goes in, the processor reads it and
// calls the field-exit handler, the handler asks the router for the item (query item_info, number 29, through
// the function-server query execute_query) and draws the answer, and the processor waits for the next scan.
// Each iteration is one such cycle of the demo's transaction InventoryInquiry.
//
// Everything is set up the way a scanner process sets itself up after log-in as the demo user "admin", on a
// copy of the demo installation (working directory, settings, screen texts, field dictionary with its checks,
// parameter store, router connection, the transaction definition and its parameters), except the terminal
// link: the terminal writes to a scripted scanner (sim/session_harness.h), and the router is the in-process
// simulator answering from the demo's rules (demo/erp_sim/). The process writes a device log in the copy at
// its usual level, as a scanner process does (argument device_log 1; 0: warnings only); the simulator's own
// log lines are kept out of it.
//
// What is measured (MeasureProcessCPUTime, deliberately without UseRealTime): the CPU column and the
// iteration count come from the CPU time of the whole benchmark process per cycle, which includes the
// simulator's connection thread and the scripted scanner's screen-reading thread besides the session itself;
// items_per_second is cycles per process-CPU second. The counters split it: scanner_thread_us is the CPU
// time of the session's own thread per cycle (the scanner process's share), cycles_per_wall_s the cycles per
// elapsed second of one session. The Time column is elapsed time per cycle.
//
// Run it on a Release build: a sanitizer build measures the sanitizers. The demo is found through the build
// (TEV_DEMO_DIR, defined by bench/CMakeLists.txt); the environment variable TEV_DEMO_DIR overrides it.
#include <benchmark/benchmark.h>
#include <spdlog/sinks/basic_file_sink.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../tests/session/scanner_process_driver.h"
#include "builtin/transaction_start.h"
#include "common/error.h"
#include "common/log.h"
#include "config/barcode_manager.h"
#include "config/vav_settings.h"
#include "config/vrc_parser.h"
#include "engine/baan_field_checks.h"
#include "engine/baan_field_def_list.h"
#include "engine/class_registry.h"
#include "engine/field_services.h"
#include "engine/param_manager.h"
#include "engine/transaction.h"
#include "engine/transaction_xml_parser.h"
#include "engine/user_data.h"
#include "engine/user_menu_xml_parser.h"
#include "engine/vav_interface_data.h"
#include "gateway/request_handler.h"
#include "session/registry_user_params.h"
#include "session/transaction_logic.h"
#include "session/vav_interface.h"
#include "session/vav_interface_startup.h"
#include "sim/erp_sim.h"
#include "sim/erp_sim_rules.h"
#include "sim/session_harness.h"
#include "terminal/terminal_emulator.h"

#ifndef TEV_DEMO_DIR
#error "TEV_DEMO_DIR must name the demo installation"
#endif

namespace {

using tev::testing::DemoCopy;

const std::string kTransaction = "InventoryInquiry";
const std::string kDevice = "BENCH1";
const std::string kEnvironment = "demo";
const std::string kUser = "admin";
// Items of the demo data, scanned in turn; each answer is drawn on the status line.
const std::vector<std::string> kItems = {"ITEM-100", "ITEM-200", "ITEM-300"};
const std::vector<std::string> kDescriptions = {"Blue widget", "Red gadget", "Steel bolt M8"};

std::string demoDirectory() {
  const char* set = std::getenv("TEV_DEMO_DIR");
  return set != nullptr && *set != '\0' ? std::string(set) : std::string(TEV_DEMO_DIR);
}

double threadCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The demo's inventory inquiry as its class runs it: the scanned item is looked up at the router and the
// answer (description and storage unit) is drawn below the form; the cursor stays on the item for the next
// scan.
class InventoryInquiry : public tev::TransactionLogic {
 public:
  static tev::ClassDescriptor describe() {
    return tev::ClassDef<InventoryInquiry>(tev::ClassRegistry::kTransactionPackage + kTransaction,
                                           tev::ClassRegistry::kTransactionLogic)
        .TEV_HANDLER(InventoryInquiry, inquiry_item_field_exit)
        .TEV_MEMBER(InventoryInquiry, pm_show_lots)
        .TEV_MEMBER(InventoryInquiry, pm_default_whse)
        .TEV_MEMBER(InventoryInquiry, pm_order_types_keys)
        .TEV_MEMBER(InventoryInquiry, pm_order_types_display)
        .done();
  }

  void inquiry_item_field_exit() {
    const std::string item = getValueTrimmed("item");
    if (requestHandler == nullptr ||
        !requestHandler->execFunctionServerSql("execute_query", "item_info", "item_info", {item}, true)) {
      ++unanswered;
      displayErrorMessageForId("invalid_item");
      setNextField("item");
      return;
    }
    ++answered;
    refresh();
    terminal().displayStatusMessage(getQryValueTrimmed("item_info", "dsca") + " " +
                                    getQryValueTrimmed("item_info", "stgu"));
    setNextField("item");
  }

  // Filled from demo/data/params/InventoryInquiryTrans.xml when the transaction starts.
  bool pm_show_lots = false;
  std::string pm_default_whse;
  std::vector<std::string> pm_order_types_keys;
  std::vector<std::string> pm_order_types_display;

  int answered = 0;
  int unanswered = 0;
};

// The working directory for as long as it lives.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::string& path) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~WorkingDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
  }
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

// A logged-in session of the demo user in InventoryInquiry, on a copy of the demo, with the router simulator
// answering from the demo's rules. Fills the scanner process's service registry and empties it again.
class InquirySession {
 public:
  // With deviceLog the process logs at its usual level (info); without, only warnings and errors.
  explicit InquirySession(bool deviceLog)
      : demo_(demoDirectory()),
        rules_(tev::sim::ErpSimRules::load(demo_.file("erp_sim/rules.xml"))),
        cwd_(prepareCopy()),
        settings_("vav_settings.xml"),
        locator_(settings_, kEnvironment) {
    tev::TransactionLogic::resetClassState();
    // The device log in place of the harness's log capture.
    auto file = std::make_shared<spdlog::sinks::basic_file_sink_mt>(demo_.file("log/" + kDevice + ".log"));
    file->set_pattern(tev::log::kDefaultPattern);
    tev::log::setSinks({file});
    tev::log::setLevel(deviceLog ? spdlog::level::info : spdlog::level::warn);
    tev::log::get("tev.sim.ErpSim")->set_level(spdlog::level::warn);

    using tev::VAVInterface;
    VAVInterface::DC = ".";
    VAVInterface::vavSettingsFilePath = "vav_settings.xml";
    VAVInterface::deviceId = kDevice;
    VAVInterface::environment = kEnvironment;
    VAVInterface::vavSettings = &settings_;
    data_.initialize(settings_, kEnvironment);
    data_.DC = ".";
    VAVInterface::interfaceData = &data_;
    VAVInterface::functionServerPath = data_.qryFunctionServerDataDir.value_or("");
    VAVInterface::vrcParser = &locator_;
    if (!VAVInterface::initializeLabelsAndMessages("english"))
      throw tev::Error("no screen texts in the demo");
    session_.host().messages = VAVInterface::messageList;
    dictionary_ = tev::BaanFieldDefList::load(locator_.getPersistedBaanFieldsObjectPath(kEnvironment),
                                              VAVInterface::logger());
    if (!dictionary_) throw tev::Error("no field dictionary in the demo");
    VAVInterface::baanFieldDefList = &*dictionary_;
    VAVInterface::emulator = &session_.terminal();
    VAVInterface::tevMemory = &session_.memory();
    VAVInterface::xmlParser = std::make_shared<tev::TransactionXmlParser>(
        VAVInterface::labelList, VAVInterface::messageList, tev::registryFieldDictionary());
    params_ = std::make_shared<tev::ParamManager>();
    params_->setFileLocator(&locator_);
    params_->setUserParams(tev::registryUserParams());
    params_->initialize();
    VAVInterface::paramManager = params_;
    VAVInterface::barcodeManager = &layouts_;
    checks_ = std::make_unique<tev::BaanFieldChecks>(params_.get());
    tev::fieldServices().checks = checks_.get();
    handler_ = std::make_unique<tev::RequestHandler>(tev::sessionGatewayContext());
    // As in a scanner process, a failure here (the demo has no standard query list) leaves the session
    // running; the first request connects when this did not.
    handler_->initialize();
    VAVInterface::requestHandler = handler_.get();

    // What the log-in does for the user.
    std::optional<std::string> userList = locator_.getEnvironmentFilePath("user_list.xml");
    if (!userList) throw tev::Error("no user list in the demo");
    users_ = std::make_unique<tev::UserMenuXmlParser>(*userList);
    VAVInterface::userSettingsParser = users_.get();
    VAVInterface::userData = users_->getUserInfoByUserName(kUser);
    if (!VAVInterface::userData) throw tev::Error("no user " + kUser + " in the demo");
    const std::string suffix = VAVInterface::userData->getCompanySuffix();
    data_.companySuffix = suffix;
    data_.initializeBaanServerInfo(suffix);
    VAVInterface::functionServerPath = data_.qryFunctionServerDataDir.value_or("");

    // What the menu does when the entry is chosen.
    session_.registerClass(tev::TransactionLogic::describe());
    session_.registerClass(InventoryInquiry::describe());
    std::shared_ptr<tev::Transaction> inquiry =
        VAVInterface::xmlParser->loadTransaction(locator_, kTransaction, &layouts_);
    if (!inquiry) throw tev::Error("no definition of " + kTransaction + " in the demo");
    session_.addTransaction(inquiry);
    inquiry->getProcessingObject();
    tev::builtin::loadTransactionParameters(*inquiry, VAVInterface::userData->getWhse().value_or(""), true,
                                            nullptr);
    tev::TransactionLogic::transactionStack = {inquiry};
    session_.start(kTransaction);
    inquiry_ = dynamic_cast<InventoryInquiry*>(inquiry->getProcessingObject());
    session_.scanner().keepScreens(false);
  }

  ~InquirySession() {
    tev::VAVInterface::reset();
    tev::TransactionLogic::resetClassState();
  }

  InquirySession(const InquirySession&) = delete;
  InquirySession& operator=(const InquirySession&) = delete;

  tev::sim::SessionHarness& harness() { return session_; }
  const InventoryInquiry& inquiry() const { return *inquiry_; }
  // Requests the router has answered (handshakes included).
  long requests() const { return requests_.load(); }
  void forgetRequests() { router_.clearRecords(); }

 private:
  // The router port of the copy points at the simulator; its result files go to the copy's directory.
  std::string prepareCopy() {
    demo_.setSetting("port", "7600", std::to_string(router_.port()));
    rules_.setResultDirectory(demo_.file("demo/sql_data"));
    router_.setHandler([this](const tev::sim::ErpSimRequest& request) {
      ++requests_;
      return rules_.answer(request);
    });
    return demo_.root();
  }

  DemoCopy demo_;
  tev::sim::ErpSimRules rules_;
  std::atomic<long> requests_{0};
  tev::sim::ErpSim router_;
  WorkingDirectory cwd_;
  tev::VAVSettings settings_;
  tev::VRCParser locator_;
  tev::VAVInterfaceData data_;
  std::optional<tev::BaanFieldDefList> dictionary_;
  tev::BarcodeManager layouts_;
  std::shared_ptr<tev::ParamManager> params_;
  std::unique_ptr<tev::BaanFieldChecks> checks_;
  std::unique_ptr<tev::RequestHandler> handler_;
  std::unique_ptr<tev::UserMenuXmlParser> users_;
  // Declared last: its log capture and field services are put back before the rest goes.
  tev::sim::SessionHarness session_;
  InventoryInquiry* inquiry_ = nullptr;
};

void BM_InventoryInquiryScanQueryRedraw(benchmark::State& state) {
  tev::log::setLevel(spdlog::level::warn);
  std::optional<InquirySession> session;
  try {
    session.emplace(state.range(0) != 0);
  } catch (const std::exception& failure) {
    state.SkipWithError(failure.what());
    return;
  }
  tev::sim::SessionHarness& harness = session->harness();
  tev::sim::ScriptedTerminal& scanner = harness.scanner();

  // Outside the timing: the warehouse, then one inquiry that opens the router connection.
  scanner.scan("W1").scan(kItems[0]);
  bool checkedWarmUp = false;
  bool timing = false;  // the warm-up inquiry was answered and drawn: the timed cycles run
  std::size_t next = 1;
  double threadStart = 0;
  double threadEnd = 0;
  std::chrono::steady_clock::time_point wallStart;
  std::chrono::steady_clock::time_point wallEnd;
  // Called each time the session waits for the next scan: the end of one cycle and the start of the next.
  scanner.onExhausted([&](tev::sim::ScriptedTerminal& peer) {
    if (!checkedWarmUp) {
      checkedWarmUp = true;
      if (session->inquiry().answered != 1 ||
          peer.screen().line(15).find(kDescriptions[0]) == std::string::npos)
        return;  // nothing queued: the session ends and the check below reports it
      timing = true;
      threadStart = threadCpuSeconds();
      wallStart = std::chrono::steady_clock::now();
    }
    if (!state.KeepRunning()) {
      threadEnd = threadCpuSeconds();
      wallEnd = std::chrono::steady_clock::now();
      return;
    }
    if ((next & 4095) == 0) session->forgetRequests();  // the simulator keeps a record of every request
    peer.scan(kItems[next++ % kItems.size()]);
  });

  tev::sim::SessionHarness::RunResult result;
  try {
    result = harness.run();
  } catch (const std::exception& failure) {
    state.SkipWithError((std::string("the session failed: ") + failure.what()).c_str());
    return;
  }

  const long cycles = static_cast<long>(state.iterations());
  const InventoryInquiry& inquiry = session->inquiry();
  const std::size_t last = (next - 1) % kItems.size();
  if (!timing) {
    state.SkipWithError("the warm-up inquiry was not answered and drawn");
  } else if (threadEnd == 0) {
    state.SkipWithError("the session ended before the timed cycles were done");
  } else if (inquiry.unanswered != 0 || inquiry.answered != cycles + 1 || session->requests() != cycles + 1) {
    state.SkipWithError("not every scan was answered by the router exactly once");
  } else if (harness.screen().line(15).find(kDescriptions[last]) == std::string::npos) {
    state.SkipWithError("the last answer is not on the screen");
  } else if (!result.exitStatus) {
    state.SkipWithError("the session did not end at the end of the script");
  }
  state.SetItemsProcessed(cycles);
  if (cycles > 0) {
    state.counters["scanner_thread_us"] = (threadEnd - threadStart) * 1e6 / static_cast<double>(cycles);
    state.counters["cycles_per_wall_s"] =
        static_cast<double>(cycles) / std::chrono::duration<double>(wallEnd - wallStart).count();
  }
}
// device_log:1 writes the device log as a scanner process does (about 30 lines a cycle); device_log:0 shows
// what the cycle costs without it.
BENCHMARK(BM_InventoryInquiryScanQueryRedraw)
    ->ArgName("device_log")
    ->Arg(1)
    ->Arg(0)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
