// ListScanners: a command-line tool of the daemon (see daemon/list_scanners.h).
#include <iostream>
#include <string>
#include <vector>

#include "daemon/list_scanners.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tev::ListScanners::main(args, std::cout, std::cerr);
}
