#include "daemon/attach_scanner.h"

namespace tev {

int AttachScanner::main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                        int registryPort) {
  AdminTool tool("AttachScanner", out, err, registryPort);
  if (args.empty()) return tool.syntax(" AttachScanner scanner_name");
  return tool.run([&] {
    tool.lookup()->setCurrentSelectedScanner(args[0]);
    out << "Attached to scanner: " << args[0] << std::endl;
  });
}

}  // namespace tev
