// ReintializeTorvend: makes the daemon re-read its settings and device list (any arguments are ignored),
// printing "Calling lookup" before the look-up and "Calling reinitialize" before the call.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "daemon/admin_tool.h"

namespace tev {

class ReintializeTorvend {
 public:
  // The program: args are its arguments (without the program name). 0 on success; see AdminTool.
  static int main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  int registryPort = AdminTool::kRegistryPort);
};

}  // namespace tev
