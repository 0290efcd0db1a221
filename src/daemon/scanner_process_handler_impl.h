// ScannerProcessHandlerImpl: a handler process, a program of its own that starts and ends scanner processes
// on behalf of the daemon, so that the processes of one daemon can be spread over several handlers with a
// capacity each. It serves the six ScannerProcessHandler operations on a loopback port and registers that
// endpoint with the daemon's administration service (registerScannerProcessHandler) under its id.
//
// Registration is retried every 2 s until the daemon answers. Once registered, the handler looks the service
// up again every 5 s: when the daemon is gone, or its service now serves elsewhere (the daemon was
// restarted and knows nothing of this handler), the registration is taken as lost and made again.
//
// The capacity is not enforced here: the daemon compares getCurrentNoOfProcesses with getMaxNoOfProcesses
// before it picks a handler. A process stays counted until terminateScannerProcess ends it (the daemon does
// so at the end of every session), also when it has ended by itself.
//
// A started process's standard input is a pipe that receives "\r\n" at start and is kept open; its standard
// output and error are appended to <log directory>/<device>_process.log, never left in a pipe nobody reads.
// Everything the handler itself has to say goes to <log directory>/<handler id>.log.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/child_process.h"
#include "common/fd.h"
#include "rpc/endpoint.h"
#include "rpc/rpc_server.h"
#include "rpc/scanner_process_handler.h"

namespace tev {

// The waits of a handler process's registration.
struct HandlerWaits {
  // Between two attempts to register.
  std::chrono::milliseconds retry{2000};
  // Between two checks that the registration still holds.
  std::chrono::milliseconds watch{5000};
};

class ScannerProcessHandlerImpl : public rpc::ScannerProcessHandler {
 public:
  using Waits = HandlerWaits;

  // The program: handler id, capacity, the daemon's registry port (0 or less: 1099), log directory and an
  // optional start delay in seconds (30 when not given). With fewer than four arguments it prints its usage
  // line. It waits the delay, opens its log (its standard error goes there too), registers and serves until
  // it receives SIGTERM, SIGINT or SIGHUP, when it ends the processes it holds. Exit status 0 in every case;
  // what went wrong is told on the console or in the log.
  static int main(const std::vector<std::string>& args);

  // rmiRegistryPort: the daemon's registry port (-1 or any value not above 0: 1099). Opens (empties)
  // <logDirectory>/<handlerID>.log and writes its first lines, and serves the operations on an ephemeral
  // loopback port. Nothing is registered yet (bindToRmi, run). Throws tev::Error when the log cannot be
  // opened or the operations cannot be served.
  ScannerProcessHandlerImpl(std::string handlerID, int maxNoOfProcesses, int rmiRegistryPort,
                            std::string logDirectory, Waits waits = {});
  // Stops serving and ends every process still held.
  ~ScannerProcessHandlerImpl() override;
  ScannerProcessHandlerImpl(const ScannerProcessHandlerImpl&) = delete;
  ScannerProcessHandlerImpl& operator=(const ScannerProcessHandlerImpl&) = delete;

  int getCurrentNoOfProcesses() override;
  std::string getHandlerID() override { return handlerID_; }
  int getMaxNoOfProcesses() override { return maxNoOfProcesses_; }
  bool isDeviceProcessPresent(const std::string& device) override;
  // Runs the command line (its program replaced by a per-device copy) as a process for the device, after
  // ending the process the device still has here. False when it cannot be started.
  bool startScannerProcess(const std::string& device, const std::string& commandLine) override;
  // Ends the device's process; false when none is held.
  bool terminateScannerProcess(const std::string& device) override;

  // Registers with the daemon, retrying every Waits::retry until it succeeds; false only when stop() ended
  // the attempts.
  bool bindToRmi();
  // Registers (bindToRmi), then keeps the registration: every Waits::watch it checks that the daemon still
  // serves its service where it was registered, and registers again when not. Returns after stop().
  void run();
  // Ends run() and a registration under way.
  void stop();

  bool connectedToRMI() const { return connectedToRMI_.load(); }
  // Where the operations are served (the reference registered with the daemon).
  rpc::Endpoint endpoint() const { return server_.endpoint(); }
  int registryPort() const { return registryPort_; }
  // The handler's log output (the program sends its standard error there too).
  int logFd() const { return handlerLog_.get(); }

  // Writes the current time as "MM-dd-yyyy hh:mm:ss", a blank and the message as one line to the log.
  void log(const std::string& message);

 private:
  // Writes text as one line to the log, as it is.
  void write(const std::string& text);
  // The current time as "MM-dd-yyyy hh:mm:ss".
  static std::string now();
  // bindToRmi when not registered.
  void ensureRegistered();
  // Whether the daemon still serves its service where this handler registered.
  bool registrationHolds();
  // Waits up to limit or until stop(); false when stopped.
  bool pause(std::chrono::milliseconds limit);
  bool terminateLocked(const std::string& device);

  const std::string handlerID_;
  const int maxNoOfProcesses_;
  const int registryPort_;
  const std::string logDirectory_;
  const Waits waits_;
  Fd handlerLog_;
  std::mutex logMutex_;

  // Starts and terminations one at a time; the table has a lock of its own so the counts answer at once.
  std::mutex operationsMutex_;
  mutable std::mutex tableMutex_;
  std::map<std::string, std::unique_ptr<ChildProcess>> scannerProcessHash_;

  std::mutex registrationMutex_;
  std::atomic<bool> connectedToRMI_{false};
  std::optional<rpc::Endpoint> torvendAdmin_;  // where the service was when this handler registered

  std::mutex stopMutex_;
  std::condition_variable stopped_;
  bool stopRequested_ = false;

  rpc::RpcServer server_;
};

}  // namespace tev
