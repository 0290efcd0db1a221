// ScannerProcessHandlerImpl <handler id> <capacity> <registry port> <log directory> [<start delay seconds>]:
// a handler process that starts and ends scanner processes on behalf of the daemon.
#include <string>
#include <vector>

#include "common/exit_hook.h"
#include "daemon/scanner_process_handler_impl.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tev::runMain([&] { return tev::ScannerProcessHandlerImpl::main(args); });
}
