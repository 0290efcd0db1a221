// MoskuMonitor <monitor settings file>: the resource monitor; loads its settings.
#include <string>
#include <vector>

#include "common/exit_hook.h"
#include "daemon/mosku_monitor.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tev::runMain([&] { return tev::MoskuMonitor::main(args); });
}
