// Torvend <log directory> <settings file> [<service-pack id>]: the daemon that accepts the scanners'
// connections and starts one scanner process per connected device.
#include <string>
#include <vector>

#include "common/exit_hook.h"
#include "daemon/torvend.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tev::runMain([&] { return tev::Torvend::main(args); });
}
