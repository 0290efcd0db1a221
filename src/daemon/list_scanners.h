// ListScanners (no arguments): prints one row per device of the daemon, in name order: its name, its IP
// address, its logged-in user ("None" when nobody is) and "Connected" or "Not Connected", each in a column of
// exactly 20 characters (cut or padded with blanks on the right), without separators.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "daemon/admin_tool.h"
#include "rpc/device_record.h"

namespace tev {

class ListScanners {
 public:
  static constexpr int kColumnWidth = 20;

  // The program: args are its arguments (without the program name). 0 on success; see AdminTool.
  static int main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  int registryPort = AdminTool::kRegistryPort);

  // One row, without its line end.
  static std::string formatRow(const rpc::DeviceRecord& device);
};

}  // namespace tev
