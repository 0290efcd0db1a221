// LabelParser: see src/config/label_parser.h.
#include <string>
#include <vector>

#include "common/exit_hook.h"
#include "config/label_parser.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tev::runMain([&] { return tev::LabelParser::run(args); });
}
