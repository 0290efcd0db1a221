#include "daemon/torvend_admin_service.h"

#include "daemon/scanner_process_handlers.h"
#include "daemon/torvend.h"
#include "rpc/torvend_admin_ops.h"
#include "rpc/torvend_admin_skeleton.h"

namespace tev {

TorvendAdminService::TorvendAdminService(int registryPort, const std::string& name, SystemLog& log,
                                         TorvendNotifier& notifier)
    : server_(std::make_unique<TorvendAdminServer>(log, notifier)),
      rpcServer_(rpc::torvend_admin_ops::kServiceName),
      registry_(registryPort) {
  rpc::exportTorvendAdmin(rpcServer_, *server_);
  rpcServer_.start();
  registry_.rebind(name, rpcServer_.endpoint());
}

TorvendAdminService::~TorvendAdminService() {
  // Whatever waits for the main thread has been refused by now (the notifier is closed at shutdown), so the
  // calls under way end at once; the wait lets their replies reach the callers.
  registry_.stop();
  rpcServer_.waitUntilIdle(kDrainTime);
  rpcServer_.stop();
}

void TorvendAdminService::start(Torvend& torvend) {
  SystemLog& log = torvend.systemLog();
  try {
    const std::string& name = torvend.torvendData().adminServerObjectName;
    auto service =
        std::make_shared<TorvendAdminService>(torvend.registryPort(), name, log, torvend.torvendNotifier());
    if (EmulatorListener* listener = torvend.emulatorListener())
      connectScannerProcessHandlers(service->server(), *listener);
    log.log(2, "Bound the administration service as " + name + " in the registry on port " +
                   std::to_string(service->registryPort()));
    torvend.keepService(std::move(service));
  } catch (const std::exception& e) {
    log.log(1, std::string("Exception in creation of the Administartion remote object: ") + e.what());
    log.logStackTrace(e);
  }
}

}  // namespace tev
