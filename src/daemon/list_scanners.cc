#include "daemon/list_scanners.h"

#include "util/string_util.h"

namespace tev {

int ListScanners::main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                       int registryPort) {
  AdminTool tool("ListScanners", out, err, registryPort);
  if (!args.empty()) return tool.syntax(" ListScanners");
  return tool.run([&] {
    std::string rows;
    for (const rpc::DeviceRecord& device : tool.lookup()->listScanners()) rows += formatRow(device) + "\n";
    out << rows << std::flush;
  });
}

std::string ListScanners::formatRow(const rpc::DeviceRecord& device) {
  return StringUtil::rpad(device.name, kColumnWidth) + StringUtil::rpad(device.ipAddress, kColumnWidth) +
         StringUtil::rpad(device.userName.value_or("None"), kColumnWidth) +
         StringUtil::rpad(device.connected ? "Connected" : "Not Connected", kColumnWidth);
}

}  // namespace tev
