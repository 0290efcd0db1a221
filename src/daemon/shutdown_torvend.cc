#include "daemon/shutdown_torvend.h"

namespace tev {

int ShutdownTorvend::main(const std::vector<std::string>&, std::ostream& out, std::ostream& err,
                          int registryPort) {
  AdminTool tool("ShutdownTorvend", out, err, registryPort);
  return tool.run([&] {
    tool.lookup()->shutdown();
    out << "shutdown message sent successfully" << std::endl;
  });
}

}  // namespace tev
