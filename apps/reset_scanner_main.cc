// ResetScanner: a command-line tool of the daemon (see daemon/reset_scanner.h).
#include <iostream>
#include <string>
#include <vector>

#include "daemon/reset_scanner.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tev::ResetScanner::main(args, std::cout, std::cerr);
}
