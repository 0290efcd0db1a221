#include "daemon/scanner_process_handler_impl.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <ctime>
#include <iostream>
#include <thread>

#include "common/clock.h"
#include "common/error.h"
#include "common/java_number.h"
#include "daemon/scanner_command_line.h"
#include "daemon/syntax_line.h"
#include "daemon/system_log.h"
#include "rpc/registry_client.h"
#include "rpc/rpc_error.h"
#include "rpc/scanner_process_handler_skeleton.h"
#include "rpc/torvend_admin_ops.h"
#include "rpc/torvend_admin_stub.h"

namespace tev {

using namespace std::chrono_literals;

namespace {

Fd openTruncated(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) detail::throwSystemError("cannot open " + path, errno);
  return Fd(fd);
}

// The calls of a handler to the daemon: the daemon answers at once or not at all.
rpc::CallOptions daemonCallOptions() {
  rpc::CallOptions options;
  options.connectTimeout = 2000ms;
  options.replyTimeout = 10000ms;
  return options;
}

}  // namespace

ScannerProcessHandlerImpl::ScannerProcessHandlerImpl(std::string handlerID, int maxNoOfProcesses,
                                                     int rmiRegistryPort, std::string logDirectory,
                                                     Waits waits)
    : handlerID_(std::move(handlerID)),
      maxNoOfProcesses_(maxNoOfProcesses),
      registryPort_(rpc::registryPort(rmiRegistryPort)),
      logDirectory_(std::move(logDirectory)),
      waits_(waits),
      server_("ScannerProcessHandler " + handlerID_) {
  ignoreSigpipe();
  handlerLog_ = openTruncated(logDirectory_ + "/" + handlerID_ + ".log");
  rpc::exportScannerProcessHandler(server_, *this);
  server_.start();
  write("------------------------------------");
  write("Locating RMIRegistry ....");
}

ScannerProcessHandlerImpl::~ScannerProcessHandlerImpl() {
  stop();
  server_.stop();
  std::lock_guard lock(tableMutex_);
  scannerProcessHash_.clear();  // kills and reaps every process still held
}

std::string ScannerProcessHandlerImpl::now() {
  std::time_t seconds = std::chrono::system_clock::to_time_t(Clock::current().now());
  std::tm local{};
  ::localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, "%m-%d-%Y %I:%M:%S", &local);
  return text;
}

void ScannerProcessHandlerImpl::write(const std::string& text) {
  std::lock_guard lock(logMutex_);
  try {
    writeAll(handlerLog_.get(), text + "\n");
  } catch (const Error&) {
    // A log that cannot be written (a full disk) must not stop the handler.
  }
}

void ScannerProcessHandlerImpl::log(const std::string& message) {
  write(now() + " " + message);
}

bool ScannerProcessHandlerImpl::pause(std::chrono::milliseconds limit) {
  std::unique_lock lock(stopMutex_);
  return !stopped_.wait_for(lock, limit, [this] { return stopRequested_; });
}

void ScannerProcessHandlerImpl::stop() {
  {
    std::lock_guard lock(stopMutex_);
    stopRequested_ = true;
  }
  stopped_.notify_all();
}

bool ScannerProcessHandlerImpl::bindToRmi() {
  for (;;) {
    {
      std::lock_guard lock(stopMutex_);
      if (stopRequested_) return false;
    }
    try {
      rpc::RegistryClient registry(registryPort_, daemonCallOptions());
      write("RMIRegistry Located " + now());
      write("Locating TorvendAdminServer " + now());
      rpc::Endpoint service = registry.lookup(rpc::torvend_admin_ops::kServiceName);
      rpc::TorvendAdminStub torvendAdmin(
          rpc::RpcClient(service, rpc::torvend_admin_ops::kServiceName, daemonCallOptions()));
      torvendAdmin.registerScannerProcessHandler(handlerID_, endpoint());
      torvendAdmin_ = service;
      write("Registered with TorvendAdminServer");
      return true;
    } catch (const std::exception& e) {
      write(SystemLogImpl::describe(e));
    }
    if (!pause(waits_.retry)) return false;
  }
}

void ScannerProcessHandlerImpl::ensureRegistered() {
  std::lock_guard lock(registrationMutex_);
  if (!connectedToRMI_) connectedToRMI_ = bindToRmi();
}

bool ScannerProcessHandlerImpl::registrationHolds() {
  std::optional<rpc::Endpoint> registeredWith;
  {
    std::lock_guard lock(registrationMutex_);
    registeredWith = torvendAdmin_;
  }
  try {
    rpc::Endpoint service =
        rpc::RegistryClient(registryPort_, daemonCallOptions()).lookup(rpc::torvend_admin_ops::kServiceName);
    if (registeredWith && service == *registeredWith) return true;
    log("TorvendAdminServer now serves at " + service.toString() + ": the daemon was restarted");
  } catch (const rpc::RemoteCallError& e) {
    log(std::string("TorvendAdminServer cannot be reached: ") + e.what());
  }
  return false;
}

void ScannerProcessHandlerImpl::run() {
  ensureRegistered();
  while (pause(waits_.watch)) {
    if (connectedToRMI_ && registrationHolds()) continue;
    if (connectedToRMI_.exchange(false)) log("Registration with TorvendAdminServer lost; registering again");
    ensureRegistered();
  }
}

int ScannerProcessHandlerImpl::getCurrentNoOfProcesses() {
  std::lock_guard lock(tableMutex_);
  return static_cast<int>(scannerProcessHash_.size());
}

bool ScannerProcessHandlerImpl::isDeviceProcessPresent(const std::string& device) {
  std::lock_guard lock(tableMutex_);
  return scannerProcessHash_.count(device) > 0;
}

bool ScannerProcessHandlerImpl::startScannerProcess(const std::string& device,
                                                    const std::string& commandLine) {
  ensureRegistered();
  std::lock_guard operations(operationsMutex_);
  try {
    log(" Max No of Processes : " + std::to_string(maxNoOfProcesses_) +
        " Connected So Far :" + std::to_string(getCurrentNoOfProcesses()));
    log("Request for Device Connection : " + device + " cmdLine :" + commandLine);
    std::string line = copyScannerProgram(commandLine, device);
    if (isDeviceProcessPresent(device)) terminateLocked(device);

    ChildProcess::Options options;
    options.argv = splitCommandLine(line);
    if (options.argv.empty()) throw Error("Empty scanner program command line");
    options.stdinSpec = StreamSpec::pipe();
    options.stdoutSpec = StreamSpec::file(logDirectory_ + "/" + device + "_process.log");
    options.stderrSpec = options.stdoutSpec;
    auto process = std::make_unique<ChildProcess>(ChildProcess::start(options));
    try {
      writeAll(process->stdinPipe().get(), "\r\n");
    } catch (const Error& e) {
      log(std::string("Cannot write to the scanner process: ") + e.what());  // it has ended at once
    }
    {
      std::lock_guard lock(tableMutex_);
      scannerProcessHash_[device] = std::move(process);
    }
    log(" Device : " + device + " connected successfully");
    return true;
  } catch (const std::exception& e) {
    write(SystemLogImpl::describe(e));
    return false;
  }
}

bool ScannerProcessHandlerImpl::terminateScannerProcess(const std::string& device) {
  ensureRegistered();
  std::lock_guard operations(operationsMutex_);
  try {
    return terminateLocked(device);
  } catch (const std::exception& e) {
    write(SystemLogImpl::describe(e));
    return false;
  }
}

bool ScannerProcessHandlerImpl::terminateLocked(const std::string& device) {
  log("Request for Device Termination: " + device);
  std::unique_ptr<ChildProcess> process;
  {
    std::lock_guard lock(tableMutex_);
    auto held = scannerProcessHash_.find(device);
    if (held == scannerProcessHash_.end()) return false;
    process = std::move(held->second);
    scannerProcessHash_.erase(held);
  }
  write("Terminating Scanner process for device: " + device);
  if (process->kill(SIGTERM)) process->waitFor(200ms);
  process.reset();  // kills a process that is still running, and reaps it
  log("Device Termination: " + device + " Successfully");
  return true;
}

namespace {

// Waits for one of the signals of set, at most limit (kNoTimeout: without a limit); true when one came.
bool waitForSignal(const sigset_t& set, std::chrono::milliseconds limit) {
  for (;;) {
    int signal = 0;
    if (limit < 0ms) {
      if (::sigwait(&set, &signal) == 0) return true;
      continue;
    }
    timespec wait{static_cast<time_t>(limit.count() / 1000),
                  static_cast<long>(limit.count() % 1000) * 1000000};
    if (::sigtimedwait(&set, nullptr, &wait) >= 0) return true;
    if (errno == EAGAIN) return false;
    // EINTR: another signal; the time left is not tracked closely, a start delay only needs to be long
    // enough.
  }
}

}  // namespace

int ScannerProcessHandlerImpl::main(const std::vector<std::string>& args) {
  if (args.size() < 4) {
    std::cout
        << "Usuage " << kStartCommand
        << " tev.framework.torvend.ScannerProcessHandlerImpl <Name of Handler> <No of Devices> <Rmi Port> "
           "<log file Directory>"
        << std::endl;
    return 0;
  }
  int capacity = 0;
  int port = 0;
  std::chrono::milliseconds delay{30000};
  try {
    capacity = parseInt(args[1]);
    port = parseInt(args[2]);
    if (args.size() > 4) delay = std::chrono::seconds(std::max(0, parseInt(args[4])));
  } catch (const NumberFormatError& e) {
    std::cout << "Invalid number: " << e.what() << std::endl;
    return 0;
  }

  // The signals that end the handler are taken by the main thread alone: every thread started from here on
  // inherits the mask (the scanner processes do not: they start with an empty one).
  sigset_t endSignals;
  sigemptyset(&endSignals);
  sigaddset(&endSignals, SIGTERM);
  sigaddset(&endSignals, SIGINT);
  sigaddset(&endSignals, SIGHUP);
  ::pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
  if (waitForSignal(endSignals, delay)) return 0;

  std::unique_ptr<ScannerProcessHandlerImpl> handler;
  try {
    handler = std::make_unique<ScannerProcessHandlerImpl>(args[0], capacity, port, args[3]);
  } catch (const std::exception& e) {
    std::cout << SystemLogImpl::describe(e) << std::endl;
    return 0;
  }
  ::dup2(handler->logFd(), STDERR_FILENO);
  std::thread registration([&handler] { handler->run(); });
  waitForSignal(endSignals, kNoTimeout);
  handler->log("Ending: every scanner process held is ended");
  handler->stop();
  registration.join();
  handler.reset();
  return 0;
}

}  // namespace tev
