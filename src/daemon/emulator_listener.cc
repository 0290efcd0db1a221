#include "daemon/emulator_listener.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "common/child_process.h"
#include "common/clock.h"
#include "common/error.h"
#include "common/java_text.h"
#include "daemon/device_log_backup.h"
#include "daemon/scanner_command_line.h"
#include "rpc/rpc_error.h"

namespace tev {

using namespace std::chrono_literals;

namespace {

// A peer that sends this much without a carriage return is not naming a device.
constexpr std::size_t kMaxDeviceNameLength = 4096;

// Options of a connection to a character terminal: small writes go out at once, a vanished peer is noticed.
void setScannerSocketOptions(int fd) {
  setTcpNoDelay(fd);
  int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
}

bool isNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '\r';
}

}  // namespace

EmulatorListener::EmulatorListener(SystemLog& log, TorvendData& data, DaemonWaits waits,
                                   std::string defaultProgram)
    : log_(log), data_(data), waits_(waits), defaultProgram_(std::move(defaultProgram)) {
  log_.setLog(*this, "EmulatorListener.log");
}

EmulatorListener::~EmulatorListener() {
  stop();
  log_.closeLog(*this);
}

void EmulatorListener::start() {
  thread_ = std::thread([this] { run(); });
}

void EmulatorListener::stop() {
  stopRequested_ = true;
  if (thread_.joinable()) thread_.join();
  std::vector<std::shared_ptr<EmulatorThread>> threads;
  {
    std::lock_guard lock(lock_);
    threads.swap(emulatorThreads_);
  }
  threads.clear();  // each relay thread stops and is joined
}

void EmulatorListener::run() {
  log_.log(*this, 1, "Emulator thread started");
  try {
    createEmulatorThreads();
    startEmulatorListener();
  } catch (const std::exception& e) {
    log_.log(*this, 1, std::string("Emulator thread exiting due to execption. ") + e.what());
  }
}

void EmulatorListener::createEmulatorThreads() {
  int count = data_.emulatorThreadCount.load();
  std::lock_guard lock(lock_);
  for (int id = 1; id <= count; ++id) {
    auto thread = std::make_shared<EmulatorThread>(log_, data_, std::to_string(id), &handlers_);
    emulatorThreads_.push_back(thread);
    thread->start();
  }
}

void EmulatorListener::startEmulatorListener() {
  log_.log(*this, 1, "Wait size: 2");
  TcpListener listener = TcpListener::listen(data_.emulatorPortNo, false, 2);
  port_ = listener.port();
  log_.log(*this, 1, "Listening on port: " + std::to_string(listener.port()));
  while (!stopRequested_) {
    log_.log(*this, 1, "Waiting for incoming device");
    std::optional<AcceptedConnection> connection;
    while (!stopRequested_ && !(connection = listener.acceptWithPeer(200ms))) {
    }
    if (!connection) break;
    try {
      setUpConnection(std::move(*connection));
    } catch (const std::exception& e) {
      std::cerr << SystemLogImpl::describe(e) << std::endl;
      log_.log(*this, 1, std::string("Emulator thread error. ") + e.what());
      log_.logStackTrace(*this, e);
    }
  }
}

void EmulatorListener::setUpConnection(AcceptedConnection connection) {
  setScannerSocketOptions(connection.fd.get());
  const std::string& peer = connection.peerAddress;
  log_.log(*this, 1, "Connected to device IP: " + peer);

  DevicePtr device = data_.devices.byIpAddress(peer);
  log_.log(*this, 1, "Sending message. Connecting to the device.");
  try {
    writeAll(connection.fd.get(), "Connecting...\r\n");
  } catch (const Error&) {
    log_.log(*this, 1, "Error writing initial message to " + peer);
  }
  if (!device || equalsIgnoreCase(device->type, "simulated")) {
    device = handleSimulatedDeviceConnection(connection.fd, peer);
    if (!device) return;
  }

  resetDevice(device, false);
  Sleeper::current().sleepFor(waits_.setup);
  {
    std::lock_guard deviceLock(device->mutex);
    device->scannerSocket = std::move(connection.fd);
    device->connected = true;
  }
  bool byHandler = false;
  try {
    std::string commandLine = buildScannerCommandLine(data_, *device, defaultProgram_);
    backupExistingDeviceLogFiles(log_, *this, data_, device->name);
    log_.log(*this, 1, "Execing: " + commandLine);
    if (!startScannerProcess(*device, commandLine, byHandler)) {
      abandonSetUp(*device, false);
      return;
    }
    handToRelayThread(device);
  } catch (...) {
    abandonSetUp(*device, byHandler);
    throw;
  }
}

DevicePtr EmulatorListener::handleSimulatedDeviceConnection(Fd& socket, const std::string& peerAddress) {
  int fd = socket.get();
  try {
    writeAll(fd, "Device:");
    std::string name;
    bool first = true;
    char buffer[512];
    for (;;) {
      ReadResult read = readSome(fd, buffer, sizeof buffer, waits_.name);
      if (read.timedOut()) throw Error("Read timed out");
      if (read.end()) {
        socket.reset();
        if (!first) log_.log(*this, 1, "Failed to read device name");
        return nullptr;
      }
      first = false;
      std::string cleaned;
      for (std::size_t i = 0; i < read.bytes; ++i)
        if (isNameCharacter(buffer[i])) cleaned.push_back(buffer[i]);
      if (!cleaned.empty()) writeAll(fd, std::string_view(buffer, read.bytes));
      std::size_t cr = cleaned.find('\r');
      name += cleaned.substr(0, cr);
      if (cr != std::string::npos) break;
      if (name.size() > kMaxDeviceNameLength) throw Error("Device name too long");
    }
    if (DevicePtr device = data_.devices.byName(name)) return device;
  } catch (const std::exception& e) {
    log_.log(*this, 1, std::string("Error in handling emulated device. ") + e.what());
  }
  log_.log(*this, 1,
           "Device Not Registered.Terminating the connection. Request From IP Address: " + peerAddress);
  try {
    writeAll(fd, "Device Not Registered.\r\n");
    writeAll(fd, "Request From : " + peerAddress + "\r\n");
  } catch (const Error&) {
    // The scanner has gone; the connection is closed below either way.
  }
  socket.reset();
  return nullptr;
}

bool EmulatorListener::startScannerProcess(Device& device, const std::string& commandLine, bool& byHandler) {
  if (!handlers_.empty()) {
    byHandler = true;  // also when the start call fails: the handler may have started it all the same
    if (!startThroughHandler(device, commandLine)) return false;
    if (!data_.bUseSocketsWithScannerProcess)
      throw Error("The process of device " + device.name +
                  " runs in a handler process: its standard streams cannot be the process channel");
    openSocketChannel(device);
    return true;
  }
  std::string logDirectory = deviceLogDirectory(data_);
  std::error_code ignored;
  std::filesystem::create_directories(logDirectory, ignored);
  std::string processLog = logDirectory + "/" + device.name + ".log";

  ChildProcess::Options options;
  options.argv = splitCommandLine(commandLine);
  if (options.argv.empty()) throw Error("Empty scanner program command line");
  bool sockets = data_.bUseSocketsWithScannerProcess;
  // The process's standard streams that are not the channel go to its log, never to a pipe nobody reads.
  options.stdinSpec = sockets ? StreamSpec::null() : StreamSpec::pipe();
  options.stdoutSpec = sockets ? StreamSpec::file(processLog) : StreamSpec::pipe();
  options.stderrSpec = StreamSpec::file(processLog);
  auto process = std::make_unique<ChildProcess>(ChildProcess::start(options));
  log_.log(*this, 1, "Scanner Process started by Torvend " + std::to_string(process->pid()));
  {
    std::lock_guard deviceLock(device.mutex);
    if (!sockets) {
      device.pin = std::move(process->stdoutPipe());
      device.pout = std::move(process->stdinPipe());
    }
    device.scannerProcess = std::move(process);
  }
  if (sockets) openSocketChannel(device);
  return true;
}

bool EmulatorListener::startThroughHandler(Device& device, const std::string& commandLine) {
  for (const auto& [handlerId, handler] : handlers_.snapshot()) {
    try {
      if (handler->getCurrentNoOfProcesses() >= handler->getMaxNoOfProcesses()) continue;
      log_.log(*this, 1, "Device : " + device.name + " Started By Process : " + handler->getHandlerID());
    } catch (const rpc::RemoteCallError& e) {
      log_.logStackTrace(*this, "Scanner process handler " + handlerId + " passed over", e);
      continue;
    }
    // Its result is not looked at: a process that did not start shows as a channel that cannot be opened.
    handler->startScannerProcess(device.name, commandLine);
    return true;
  }
  const std::string refusal = "Handlers Capacity Reached. Please contact Support";
  log_.log(*this, 1, refusal);
  std::lock_guard deviceLock(device.mutex);
  try {
    if (device.scannerSocket) writeAll(device.scannerSocket.get(), refusal + "\r\n");
  } catch (const Error&) {
    // The scanner has gone; its connection is closed either way.
  }
  return false;
}

void EmulatorListener::openSocketChannel(Device& device) {
  int port = data_.scannerProcessPortNo;
  int attempts = std::max(1, data_.noOfSocketRetries);
  for (int attempt = 0; attempt < attempts; ++attempt) {
    if (attempt > 0) Sleeper::current().sleepFor(waits_.retry);
    {
      std::lock_guard deviceLock(device.mutex);
      if (device.scannerProcess && device.scannerProcess->tryWait()) break;  // it will never listen
    }
    log_.log(*this, 1,
             "Waiting to establish socket connection with scanner process.: " + std::to_string(port));
    try {
      Fd socket = tcpConnect("localhost", port, 5000ms);
      setTcpNoDelay(socket.get());
      log_.log(*this, 1, "Communication established: " + device.name);
      std::lock_guard deviceLock(device.mutex);
      device.scannerProcessSocket = std::move(socket);
      return;
    } catch (const Error& e) {
      std::cerr << "Failed to establish socket connection with scanner process. " << e.what() << std::endl;
      log_.log(*this, 1,
               std::string("Failed to establish socket connection with scanner process. ") + e.what());
    }
  }
  throw Error("No connection with the scanner process of device " + device.name);
}

void EmulatorListener::abandonSetUp(Device& device, bool byHandler) {
  if (byHandler) {
    handlers_.terminateScannerProcess(device.name, [this](const std::string&, const std::exception& e) {
      log_.logStackTrace(*this, "Error in terminating scanner process", e);
    });
  }
  std::lock_guard deviceLock(device.mutex);
  device.scannerSocket.reset();
  device.scannerProcessSocket.reset();
  device.pin.reset();
  device.pout.reset();
  device.scannerProcess.reset();  // kills and reaps a started process
  device.userName.reset();
  device.connected = false;
}

void EmulatorListener::handToRelayThread(const DevicePtr& device) {
  if (data_.emulatorThreadCount.load() > 0) {
    std::lock_guard lock(lock_);
    if (auto thread = getThreadWithMinDevices()) {
      thread->addDevice(device);
      return;
    }
    // No pool (the count was 0 at start and was raised by a reload): a thread of its own, as below.
  }
  {
    std::lock_guard lock(lock_);
    // Per-device threads whose device has left them have ended; forget them.
    std::erase_if(emulatorThreads_, [](const auto& thread) { return thread->finished(); });
    auto thread = std::make_shared<EmulatorThread>(log_, data_, device->name, &handlers_);
    thread->addDevice(device);
    thread->start();
    emulatorThreads_.push_back(thread);
    log_.log(*this, 1, "Emulator Thread Started for Device : " + device->name);
  }
  Sleeper::current().sleepFor(waits_.thread);
}

std::shared_ptr<EmulatorThread> EmulatorListener::getThreadWithMinDevices() const {
  std::lock_guard lock(lock_);
  std::shared_ptr<EmulatorThread> chosen;
  std::size_t fewest = 0;
  for (const auto& thread : emulatorThreads_) {
    std::size_t count = thread->getDeviceCount();
    if (count == 0) return thread;
    if (!chosen || count <= fewest) {
      chosen = thread;
      fewest = count;
    }
  }
  return chosen;
}

std::vector<std::shared_ptr<EmulatorThread>> EmulatorListener::emulatorThreads() const {
  std::lock_guard lock(lock_);
  return emulatorThreads_;
}

void EmulatorListener::resetDevice(const DevicePtr& device, bool terminate) {
  std::shared_ptr<EmulatorThread> ended;
  {
    std::lock_guard lock(lock_);
    for (auto it = emulatorThreads_.begin(); it != emulatorThreads_.end(); ++it) {
      auto thread = *it;
      if (!thread->isProcessing(device)) continue;
      if (terminate) {
        thread->terminateDevice(device);
      } else {
        thread->removeAndDisconnectDevice(device);
      }
      if (data_.emulatorThreadCount.load() == 0) {
        ended = thread;
        emulatorThreads_.erase(it);
        break;
      }
    }
  }
  ended.reset();  // a per-device thread ends with its device; this joins it
  device->setUserName(std::nullopt);
  device->connected = false;
}

void EmulatorListener::broadcastMessage(const std::string& nameOrIp, const std::string& text) {
  DevicePtr device = data_.devices.get(nameOrIp);
  if (!device) return;
  std::string bytes = data_.clearCapability() + text;
  std::lock_guard deviceLock(device->mutex);
  try {
    if (device->scannerSocket) writeAll(device->scannerSocket.get(), bytes);
    for (const Fd& watcher : device->webscanners) writeAll(watcher.get(), bytes);
  } catch (const std::exception& e) {
    log_.logStackTrace(*this, "Exception while broadcasting the message", e);
  }
}

}  // namespace tev
