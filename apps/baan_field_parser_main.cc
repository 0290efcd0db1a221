// BaanFieldParser: see src/config/baan_field_parser.h.
#include <string>
#include <vector>

#include "common/exit_hook.h"
#include "config/baan_field_parser.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tev::runMain([&] { return tev::BaanFieldParser::run(args); });
}
