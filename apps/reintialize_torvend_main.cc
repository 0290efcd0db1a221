// ReintializeTorvend: a command-line tool of the daemon (see daemon/reintialize_torvend.h).
#include <iostream>
#include <string>
#include <vector>

#include "daemon/reintialize_torvend.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tev::ReintializeTorvend::main(args, std::cout, std::cerr);
}
