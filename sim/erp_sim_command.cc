#include "sim/erp_sim_command.h"

#include <signal.h>

#include <charconv>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>

#include "common/log.h"
#include "config/vav_settings.h"
#include "sim/erp_sim.h"
#include "sim/erp_sim_journal.h"
#include "sim/erp_sim_rules.h"

namespace tev::sim {
namespace {

int parsePort(const std::string& text) {
  int port = -1;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535)
    throw ErpSimUsageError("--port needs a number from 0 to 65535, not \"" + text + "\"");
  return port;
}

// The port and result directory the settings file gives for the environment.
void applySettings(ErpSimCommand::Options& options, int& port, std::string& resultDir) {
  if (!std::filesystem::is_regular_file(options.settings))
    throw Error("the settings file " + options.settings + " does not exist");
  VAVSettings settings(options.settings);
  if (!options.port) port = settings.loadIntSetting({"skerrymantle", "port"}, options.environment);
  if (!options.resultDir) {
    std::optional<std::string> mounted =
        settings.getConfigParamValue(options.environment, {"sql", "baan_server", "mounted_sql_data_dir"});
    if (mounted && !mounted->empty()) resultDir = *mounted;
  }
}

}  // namespace

ErpSimCommand::Options ErpSimCommand::parseArguments(const std::vector<std::string>& args) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      continue;
    }
    bool known = arg == "--port" || arg == "--settings" || arg == "--environment" || arg == "--rules" ||
                 arg == "--result-dir" || arg == "--journal";
    if (!known) throw ErpSimUsageError("unknown argument \"" + arg + "\"");
    if (i + 1 >= args.size()) throw ErpSimUsageError(arg + " needs a value");
    const std::string& value = args[++i];
    if (arg == "--port") options.port = parsePort(value);
    if (arg == "--settings") options.settings = value;
    if (arg == "--environment") options.environment = value;
    if (arg == "--rules") options.rules = value;
    if (arg == "--result-dir") options.resultDir = value;
    if (arg == "--journal") options.journal = value;
  }
  if (!options.help && !options.port && options.settings.empty())
    throw ErpSimUsageError("give --port or --settings");
  return options;
}

int ErpSimCommand::run(const std::vector<std::string>& args) {
  log::Logger logger = log::get("tev.sim.ErpSim");
  Options options;
  try {
    options = parseArguments(args);
  } catch (const ErpSimUsageError& error) {
    std::cerr << "erp-sim: " << error.what() << "\n" << kUsage << std::endl;
    return 2;
  }
  if (options.help) {
    std::cerr << kUsage << std::endl;
    return 0;
  }

  // Block the stop signals before any thread starts, so that only sigwait below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  try {
    int port = options.port.value_or(0);
    std::string resultDir = options.resultDir.value_or(".");
    if (!options.settings.empty()) applySettings(options, port, resultDir);

    ErpSimRules rules = ErpSimRules::load(options.rules);
    rules.setResultDirectory(resultDir);
    logger->info("Rules {}, result files in {}", options.rules, resultDir);

    std::unique_ptr<ErpSimJournal> journal;
    if (options.journal) {
      journal = std::make_unique<ErpSimJournal>(*options.journal);
      logger->info("Bookings journalled in {}", *options.journal);
    }

    ErpSim::Options serverOptions;
    serverOptions.port = port;
    ErpSim sim(serverOptions);
    sim.setHandler([&rules, &journal](const ErpSimRequest& request) {
      std::optional<ErpSimAction> answer = rules.answer(request);
      if (journal) journal->record(request, answer);
      return answer;
    });
    std::cout << sim.port() << std::endl;

    int received = 0;
    sigwait(&stopSignals, &received);
    logger->info("Stopping on signal {}", ::strsignal(received));
    return 0;
  } catch (const Error& error) {
    logger->error("{}", error.what());
    std::cerr << "erp-sim: " << error.what() << std::endl;
    return 1;
  }
}

}  // namespace tev::sim
