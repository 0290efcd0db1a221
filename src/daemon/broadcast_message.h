// BroadcastMessage <device>... <message>: shows the message (the last argument) on the screens of the
// devices named (names or IP addresses, every argument before it) and prints "Brodcasted message".
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "daemon/admin_tool.h"

namespace tev {

class BroadcastMessage {
 public:
  // The program: args are its arguments (without the program name). 0 on success; see AdminTool.
  static int main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  int registryPort = AdminTool::kRegistryPort);
};

}  // namespace tev
