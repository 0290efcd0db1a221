#include "daemon/reintialize_torvend.h"

namespace tev {

int ReintializeTorvend::main(const std::vector<std::string>&, std::ostream& out, std::ostream& err,
                             int registryPort) {
  AdminTool tool("ReintializeTorvend", out, err, registryPort);
  return tool.run([&] {
    out << "Calling lookup" << std::endl;
    auto admin = tool.lookup();
    out << "Calling reinitialize" << std::endl;
    admin->reInitialize();
  });
}

}  // namespace tev
