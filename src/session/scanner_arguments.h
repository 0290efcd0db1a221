// The command line of a scanner process, as the daemon builds it: installation root, settings file, device
// id, environment and, optionally, the device type. Checking it is the first thing the process does, before
// any log is opened, so the check is a pure function: it says what to write on the standard error stream and
// whether to go on.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tev {

struct ScannerArguments {
  std::string DC;                   // installation root
  std::string vavSettingsFilePath;  // the settings file
  std::string deviceId;             // names the device log
  std::string environment;          // every settings and file lookup uses it
  std::string deviceType;           // the fifth argument, or "Generic"

  // The line start-up writes into the first device log:
  // "DC = <DC>  adcsettingsFilePath = <path>  deviceId =<id>  environment = <env>".
  std::string describe() const;
};

// What the check decided.
struct ScannerCommandLine {
  // The first line of the process on its standard error stream, written whatever the count.
  std::string startMessage;
  // The arguments when there are enough of them; nothing means "write stopMessage and exit with status 0".
  std::optional<ScannerArguments> arguments;
  // "less number of parameters ..excepted 5 and received = <count>" when arguments is nothing, else "".
  std::string stopMessage;
  int stopStatus = 0;

  // args: the arguments without the program name. Four give the device type "Generic", the fifth sets it,
  // any further ones are ignored.
  static ScannerCommandLine check(const std::vector<std::string>& args);
  // The same from main's argc/argv (argv[0], the program, is skipped).
  static ScannerCommandLine check(int argc, const char* const* argv);
};

}  // namespace tev
