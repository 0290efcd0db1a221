// ShutdownTorvend: a command-line tool of the daemon (see daemon/shutdown_torvend.h).
#include <iostream>
#include <string>
#include <vector>

#include "daemon/shutdown_torvend.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tev::ShutdownTorvend::main(args, std::cout, std::cerr);
}
