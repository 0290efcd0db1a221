#include "session/scanner_arguments.h"

namespace tev {
namespace {

constexpr const char* kGenericDeviceType = "Generic";

}  // namespace

std::string ScannerArguments::describe() const {
  return "DC = " + DC + "  adcsettingsFilePath = " + vavSettingsFilePath + "  deviceId =" + deviceId +
         "  environment = " + environment;
}

ScannerCommandLine ScannerCommandLine::check(const std::vector<std::string>& args) {
  ScannerCommandLine result;
  const std::string count = std::to_string(args.size());
  result.startMessage = "In main method .. starting execution .. no of parameters = " + count;
  if (args.size() < 4) {
    result.stopMessage = "less number of parameters ..excepted 5 and received = " + count;
    return result;
  }
  result.arguments = ScannerArguments{args[0], args[1], args[2], args[3],
                                      args.size() > 4 ? args[4] : std::string(kGenericDeviceType)};
  return result;
}

ScannerCommandLine ScannerCommandLine::check(int argc, const char* const* argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] != nullptr ? argv[i] : "");
  return check(args);
}

}  // namespace tev
