// BroadcastMessage: a command-line tool of the daemon (see daemon/broadcast_message.h).
#include <iostream>
#include <string>
#include <vector>

#include "daemon/broadcast_message.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tev::BroadcastMessage::main(args, std::cout, std::cerr);
}
