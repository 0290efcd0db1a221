// ImportDumps [<dump archive> <installation directory>]: installs a dump of configuration files into an
// installation, after saving the files it replaces into the installation's backup directory.
#include <string>
#include <vector>

#include "common/exit_hook.h"
#include "config/import_dumps.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tev::runMain([&] { return tev::ImportDumps::main(args); });
}
