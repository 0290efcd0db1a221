#include "daemon/broadcast_message.h"

namespace tev {

int BroadcastMessage::main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                           int registryPort) {
  AdminTool tool("BroadcastMessage", out, err, registryPort);
  if (args.size() < 2) return tool.syntax(" BroadcastMessage scanner_names...  message");
  return tool.run([&] {
    std::vector<std::string> devices(args.begin(), args.end() - 1);
    tool.lookup()->broadcastMessage(devices, args.back());
    out << "Brodcasted message" << std::endl;
  });
}

}  // namespace tev
