// ResetScanner <device name or IP address>: ends the session of a device (later arguments are ignored) and
// prints "Resetted scanner: " with the argument.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "daemon/admin_tool.h"

namespace tev {

class ResetScanner {
 public:
  // The program: args are its arguments (without the program name). 0 on success; see AdminTool.
  static int main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  int registryPort = AdminTool::kRegistryPort);
};

}  // namespace tev
