// erp-sim: see sim/erp_sim_command.h.
#include <string>
#include <vector>

#include "common/exit_hook.h"
#include "sim/erp_sim_command.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tev::runMain([&] { return tev::sim::ErpSimCommand::run(args); });
}
