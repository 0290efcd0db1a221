// AttachScanner <device name or IP address>: makes the device the one new watchers see (later arguments are
// ignored) and prints "Attached to scanner: " with the argument.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "daemon/admin_tool.h"

namespace tev {

class AttachScanner {
 public:
  // The program: args are its arguments (without the program name). 0 on success; see AdminTool.
  static int main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  int registryPort = AdminTool::kRegistryPort);
};

}  // namespace tev
