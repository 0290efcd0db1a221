// ErpSimCommand: the router simulator as a program (erp-sim), for the demo and for tests that want a
// separate process.
//
//   erp-sim [--port N] [--settings FILE] [--environment ENV] [--rules FILE] [--result-dir DIR]
//           [--journal FILE]
//
//   --port N          port to listen on (loopback only); 0 picks a free one. Without it: the setting
//                     skerrymantle/port of the environment in the settings file.
//   --settings FILE   the installation's settings file (vav_settings.xml).
//   --environment ENV environment of the settings file; "demo" unless given.
//   --rules FILE      rules file; "erp_sim/rules.xml" unless given (run from demo/). The data file is named
//                     in the rules file.
//   --result-dir DIR  where result files of multi-row queries are written. Without it: the setting
//                     sql/baan_server/mounted_sql_data_dir of the environment, else the current directory.
//   --journal FILE    appends every function-server call the rules accept (a booking) to FILE, one request
//                     line each, written before the reply is sent (ErpSimJournal).
//
// The first line on standard output is the port listened on; nothing else is written there. Log lines go
// to standard error. The program runs until SIGINT or SIGTERM and then exits with 0; a usage error exits
// with 2, a settings or rules file or a journal that cannot be used with 1.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/error.h"

namespace tev::sim {

class ErpSimUsageError : public Error {
 public:
  using Error::Error;
};

class ErpSimCommand {
 public:
  static inline const std::string kUsage =
      "usage: erp-sim [--port N] [--settings FILE] [--environment ENV] [--rules FILE] [--result-dir DIR] "
      "[--journal FILE]";

  struct Options {
    std::optional<int> port;
    std::string settings;
    std::string environment = "demo";
    std::string rules = "erp_sim/rules.xml";
    std::optional<std::string> resultDir;
    std::optional<std::string> journal;
    bool help = false;
  };

  // Throws ErpSimUsageError (an unknown option, a missing value, a port that is no number in 0..65535).
  static Options parseArguments(const std::vector<std::string>& args);

  // Parses, serves until SIGINT or SIGTERM, returns the exit status.
  static int run(const std::vector<std::string>& args);
};

}  // namespace tev::sim
