#include "daemon/reset_scanner.h"

namespace tev {

int ResetScanner::main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                       int registryPort) {
  AdminTool tool("ResetScanner", out, err, registryPort);
  if (args.empty()) return tool.syntax(" ResetScanner scanner_name");
  return tool.run([&] {
    tool.lookup()->resetScanner(args[0]);
    out << "Resetted scanner: " << args[0] << std::endl;
  });
}

}  // namespace tev
