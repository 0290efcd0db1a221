// ShutdownTorvend: asks the daemon to end (any arguments are ignored) and prints "shutdown message sent
// successfully" once the daemon has answered.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "daemon/admin_tool.h"

namespace tev {

class ShutdownTorvend {
 public:
  // The program: args are its arguments (without the program name). 0 on success; see AdminTool.
  static int main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  int registryPort = AdminTool::kRegistryPort);
};

}  // namespace tev
