#include "session/daemon_link.h"

#include <string>

#include "common/error.h"
#include "common/exit_hook.h"
#include "common/java_text.h"
#include "common/log.h"
#include "common/tcp.h"
#include "session/device_log.h"
#include "session/vav_interface.h"

namespace tev {

DaemonLink DaemonLink::connect(VAVSettings& settings) {
  return connect(settings, Options{});
}

DaemonLink DaemonLink::connect(VAVSettings& settings, const Options& options) {
  log::Logger logger = log::get(DeviceLog::LOGGER_NAME);
  std::optional<std::string> useSockets =
      settings.getConfigParamValue(VAVSettings::COMMON, {"torvend", "use_sockets_with_scanner_process"});
  if (!useSockets || !equalsIgnoreCase(*useSockets, "yes")) {
    logger->info("{}", "Using input & output streams for communicating with Torvend");
    return DaemonLink(Fd(), options.standardInputFd, options.standardOutputFd);
  }

  try {
    int port = settings.loadIntSetting({"torvend", "scanner_process_port"}, VAVSettings::COMMON);
    const std::string notice =
        "Using sockets for communicating with Torvend, port number = " + std::to_string(port);
    try {
      writeAll(options.standardOutputFd, notice + "\n");
    } catch (const Error&) {
      // Nobody reads the standard output: the notice is in the log all the same.
    }
    logger->info("{}", notice);

    TcpListener listener = TcpListener::listen(port, /*loopbackOnly=*/true, /*backlog=*/1);
    logger->info("{}", "torvendServerSocket socket created ");
    std::optional<Fd> connection = listener.accept(options.acceptTimeout);
    if (!connection) throw Error("Accept timed out");
    logger->info("{}", "torvendServerSocket socket accepted ");
    listener.close();
    logger->info("{}", "torvendServerSocket socket closed ");
    int fd = connection->get();
    return DaemonLink(std::move(*connection), fd, fd);
  } catch (const std::exception& e) {
    logger->error("{}", std::string("Exception occured in Torvend socket creation ") + e.what());
    VAVInterface::logStackTrace(e);
  }
  exitProcess(0);
}

}  // namespace tev
