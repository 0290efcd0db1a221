// Torvend <log directory> <settings file> [<service-pack id>]: the daemon that accepts the scanners'
// connections and starts one scanner process per connected device, administered through its
// administration service.
#include <string>
#include <vector>

#include "common/exit_hook.h"
#include "daemon/torvend.h"
#include "daemon/torvend_admin_service.h"
#include "daemon/webscanner_listener.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // The services start in this order once the scanner listener runs: the watcher listener, then the
  // administration service (which passes handler registrations on to the scanner listener).
  return tev::runMain([&] {
    return tev::Torvend::main(args, {tev::WebscannerListener::startService, tev::TorvendAdminService::start});
  });
}
