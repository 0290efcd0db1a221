// Torvend: the daemon. main() starts it from its command line (log directory, settings file, optional
// service-pack id), and then the main thread serves administrative requests, one at a time, handed over by
// other threads through the TorvendNotifier (the request loop). The main thread is the only writer of the
// settings and of the device tables' membership (start-up and reload).
//
// Start-up failures end the process with a non-zero status (a service manager must see a failed start); the
// shutdown request ends it with 0 after it has been answered. A request that fails is answered with its
// error and the daemon goes on with what it had.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/vrc_parser.h"
#include "daemon/daemon_waits.h"
#include "daemon/emulator_listener.h"
#include "daemon/system_log.h"
#include "daemon/torvend_data.h"
#include "daemon/torvend_notifier.h"

namespace tev {

class Torvend {
 public:
  // Services started after the scanner listener (the watcher listener, the administration service), in
  // order; each gets the running daemon and hands what it leaves running to keepService. A service that
  // throws is logged and start-up goes on.
  using Service = std::function<void(Torvend&)>;

  // Exit statuses of a failed start.
  static constexpr int kUsageStatus = 2;
  static constexpr int kStartFailureStatus = 1;

  // The whole program: start-up, then the request loop until a shutdown request (which ends the process
  // through exitProcess). Returns only when start-up fails, with the status to exit with.
  static int main(const std::vector<std::string>& args, const std::vector<Service>& services = {},
                  DaemonWaits waits = DaemonWaits::fromEnvironment());

  Torvend(std::shared_ptr<SystemLogImpl> log, std::unique_ptr<TorvendData> data,
          std::unique_ptr<VRCParser> vrcParser, std::optional<std::string> currentServicePackId,
          DaemonWaits waits);
  ~Torvend();

  SystemLogImpl& systemLog() { return *systemLog_; }
  TorvendData& torvendData() { return *torvendData_; }
  TorvendNotifier& torvendNotifier() { return torvendNotifier_; }
  EmulatorListener* emulatorListener() { return emulatorListener_.get(); }
  // rmi_registry_port of section torvend; 1099 when missing or not a number.
  int registryPort() const { return registryPort_; }

  // Keeps an object a service leaves running (a server, a thread) until the daemon ends. Kept objects are
  // destroyed in the reverse order, before the scanner listener stops.
  void keepService(std::shared_ptr<void> service);

  // Starts the scanner listener thread.
  void startEmulatorListener(const std::string& defaultProgram);

  // Applies one administrative request; false for shutdown. Throws when the request fails (the loop then
  // answers with the error).
  bool processRequest(const AdminRequest& request, AdminReply& reply);
  // Serves requests until shutdown, which is answered, refuses every later request and ends the process
  // with status 0 (through exitProcess).
  [[noreturn]] void runRequestLoop();
  // Re-reads the settings and the device list and merges it (request reinitialize).
  void reinitialize();

  // Merges the device list entries of data into its device tables: new entries become devices, devices
  // without an entry are removed, devices whose address or environment changed are replaced. reset ends a
  // removed device's session (with its watchers).
  static void initializeDevicesHash(TorvendData& data, SystemLog& log,
                                    const std::function<void(const DevicePtr&)>& reset);

  // "\r\n\r\nBROADCAST MESSAGE\r\n" and the message in pieces of 20 characters, each after "\r\n".
  static std::string formatBroadcastMessage(const std::string& message);

  // Our scanner-process executable: the optional setting torvend->scanner_process_program, else VAVInterface
  // next to the running daemon executable.
  static std::string defaultScannerProgram(const TorvendData& data);

 private:
  void mergeDeviceList();

  std::shared_ptr<SystemLogImpl> systemLog_;
  TorvendNotifier torvendNotifier_;
  std::unique_ptr<TorvendData> torvendData_;
  std::unique_ptr<VRCParser> vrcParser_;
  std::optional<std::string> currentServicePackId_;
  DaemonWaits waits_;
  std::unique_ptr<EmulatorListener> emulatorListener_;
  std::vector<std::shared_ptr<void>> services_;
  int registryPort_ = 1099;
};

}  // namespace tev
