#include "daemon/emulator_thread.h"

#include <poll.h>

#include <csignal>

#include "common/error.h"

namespace tev {

using namespace std::chrono_literals;

namespace {

// Whether the descriptor can take a chunk now (poll without waiting): a pipe with a free page, a socket with
// room in its send buffer.
bool writableNow(int fd) {
  pollfd ready{fd, POLLOUT, 0};
  return ::poll(&ready, 1, 0) > 0 && (ready.revents & POLLOUT) != 0;
}

// Whether something (bytes, the end of the stream or an error) is waiting to be read.
bool readableNow(int fd) {
  pollfd ready{fd, POLLIN, 0};
  return ::poll(&ready, 1, 0) > 0;
}

}  // namespace

EmulatorThread::EmulatorThread(SystemLog& log, TorvendData& data, std::string threadId,
                               const ScannerProcessHandlers* handlers)
    : log_(log), data_(data), threadId_(std::move(threadId)), handlers_(handlers) {
  log_.setLog(*this, "EmulatorThread" + threadId_ + ".log");
}

EmulatorThread::~EmulatorThread() {
  stop();
  log_.closeLog(*this);
}

void EmulatorThread::start() {
  thread_ = std::thread([this] { run(); });
}

void EmulatorThread::stop() {
  {
    std::lock_guard lock(wakeMutex_);
    stopRequested_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void EmulatorThread::addDevice(const DevicePtr& device) {
  std::lock_guard lock(lock_);
  log_.log(*this, 1, device->name + " added to thread " + threadId_);
  devices_.push_back(device);
}

std::size_t EmulatorThread::getDeviceCount() const {
  std::lock_guard lock(lock_);
  return devices_.size();
}

bool EmulatorThread::isProcessing(const DevicePtr& device) const {
  std::lock_guard lock(lock_);
  for (const DevicePtr& d : devices_)
    if (d == device) return true;
  return false;
}

void EmulatorThread::removeFromList(const DevicePtr& device) {
  for (auto it = devices_.begin(); it != devices_.end(); ++it) {
    if (*it == device) {
      devices_.erase(it);
      break;
    }
  }
  log_.log(*this, 1, device->name + " removed from thread " + threadId_);
}

void EmulatorThread::removeAndDisconnectDevice(const DevicePtr& device) {
  std::lock_guard lock(lock_);
  disconnectScannerDevice(*device);
  removeFromList(device);
}

void EmulatorThread::terminateDevice(const DevicePtr& device) {
  std::lock_guard lock(lock_);
  disconnectScannerDevice(*device);
  {
    std::lock_guard deviceLock(device->mutex);
    device->webscanners.clear();  // closes each watcher connection
  }
  removeFromList(device);
}

void EmulatorThread::disconnectScannerDevice(Device& device) {
  std::lock_guard lock(lock_);
  std::lock_guard deviceLock(device.mutex);
  disconnectLocked(device);
}

void EmulatorThread::disconnectWebscanner(Device& device, std::size_t index) {
  if (index < device.webscanners.size()) device.webscanners.erase(device.webscanners.begin() + index);
}

void EmulatorThread::disconnectLocked(Device& device) {
  log_.log(*this, 1, "Terminating the connection to device: " + device.name);
  // Each descriptor is closed on its own; closing cannot fail in a way that stops the sequence.
  device.scannerSocket.reset();
  device.pout.reset();
  device.pin.reset();
  device.scannerProcessSocket.reset();
  if (handlers_ != nullptr && !handlers_->empty()) {
    auto holder =
        handlers_->terminateScannerProcess(device.name, [this](const std::string&, const std::exception& e) {
          log_.logStackTrace(*this, "Error in terminating scanner process", e);
        });
    if (holder) log_.log(*this, 1, "EmulatorThread: terminated from Processor :" + *holder);
  }
  if (device.scannerProcess) {
    try {
      device.scannerProcess->kill(SIGTERM);
      device.scannerProcess->waitFor(200ms);
    } catch (const std::exception& e) {
      log_.logStackTrace(*this, "Error in terminating the process", e);
    }
    device.scannerProcess.reset();  // kills a process that is still running and reaps it
  }
  log_.log(*this, 1, "EmulatorThread: terminated from Processor");
  device.userName.reset();
  device.lastInputInterval = 0;
  device.connected = false;

  log_.log(*this, 1, "Writing to webscanners");
  std::string notice = data_.clearCapability() + "\r\n\r\n\r\n\n\rDevice " + device.name + "[" +
                       device.ipAddress + "]\r\n is disconnected";
  for (std::size_t i = 0; i < device.webscanners.size();) {
    try {
      writeAll(device.webscanners[i].get(), notice);
      ++i;
    } catch (const Error& e) {
      log_.logStackTrace(*this, "Error in writing to webscanners", e);
      disconnectWebscanner(device, i);
    }
  }
  log_.log(*this, 1, "termination complete");
}

bool EmulatorThread::processScannerDevice(Device& device) {
  std::lock_guard deviceLock(device.mutex);
  if (!device.scannerSocket) return false;  // the session has already ended
  char buffer[kBufferSize];
  try {
    // Scanner to process. The relay never waits on a write, or every other device of the thread would wait
    // too: while the process has not taken in what it was sent (busy, or pausing on a message), the
    // scanner's bytes stay in its connection, and the scanner does not count as idle.
    const bool inputHeldBack =
        !writableNow(device.processWriteFd()) && readableNow(device.scannerSocket.get());
    ReadResult read =
        inputHeldBack ? ReadResult{} : readSome(device.scannerSocket.get(), buffer, kBufferSize, 0ms);
    if (read.end()) {
      log_.log(*this, 1, "Device closed the connection: " + device.name);
      disconnectLocked(device);
      return false;
    }
    if (read.data()) {
      std::string chunk(buffer, read.bytes);
      // The process reads line by line: every chunk ends with LF. A full buffer gets its LF as well.
      if (chunk.back() == '\0') {
        chunk.back() = '\n';
      } else if (chunk.back() != '\n') {
        chunk.push_back('\n');
      }
      log_.log(*this, 10, "Read " + std::to_string(read.bytes) + " bytes from device: " + device.name);
      writeAll(device.processWriteFd(), chunk);
      device.lastInputInterval = 0;
    } else if (!inputHeldBack) {
      long long timeOut = data_.emulatorConnectionTimeOut.load();
      if (timeOut != 0 && device.lastInputInterval.load() >= timeOut * 1000) {
        log_.log(*this, 1, device.name + " timed out.");
        log_.log(*this, 1, device.name + " timed out. Closing the scanner program");
        disconnectLocked(device);
        return false;
      }
      device.lastInputInterval += data_.emulatorPollTime.load();
    }

    // Process to scanner and watchers, as much as the scanner's connection takes now: a scanner that stops
    // reading holds back its own process, not the thread (and is let go by the idle time-out).
    read = writableNow(device.scannerSocket.get())
               ? readSome(device.processReadFd(), buffer, kBufferSize, 0ms)
               : ReadResult{};
    if (read.data()) {
      std::string_view chunk(buffer, read.bytes);
      log_.log(
          *this, 10,
          "Read " + std::to_string(read.bytes) + " bytes from the scanner program of device: " + device.name);
      writeAll(device.scannerSocket.get(), chunk);
      for (std::size_t i = 0; i < device.webscanners.size();) {
        try {
          writeAll(device.webscanners[i].get(), chunk);
          ++i;
        } catch (const Error&) {
          disconnectWebscanner(device, i);
        }
      }
      return true;
    }
    bool ended = read.end();
    if (!ended && device.scannerProcess) ended = device.scannerProcess->tryWait().has_value();
    if (ended) {
      log_.log(*this, 1, "The scanner program terminated for device: " + device.name);
      disconnectLocked(device);
      return false;
    }
    return true;
  } catch (const Error& e) {
    log_.logStackTrace(*this, "IO Exception for device: " + device.name, e);
    disconnectLocked(device);
    return false;
  }
}

void EmulatorThread::processPass() {
  for (std::size_t i = 0;;) {
    std::lock_guard lock(lock_);
    if (i >= devices_.size()) break;
    DevicePtr device = devices_[i];
    bool keep = true;
    try {
      keep = processScannerDevice(*device);
    } catch (const std::exception& e) {
      // An unexpected failure of one visit is logged; the other devices are still served.
      log_.logStackTrace(*this, "Error in processing device: " + device->name, e);
    }
    if (keep) {
      ++i;
    } else {
      devices_.erase(devices_.begin() + i);
      log_.log(*this, 1, device->name + " removed from thread " + threadId_);
    }
  }
}

void EmulatorThread::run() {
  log_.log(*this, 1, "EmulatorThread " + threadId_ + " Started");
  while (!stopRequested_) {
    {
      std::lock_guard lock(lock_);
      if (devices_.empty() && data_.emulatorThreadCount.load() == 0) break;
    }
    processPass();
    int pollTime = std::max(0, data_.emulatorPollTime.load());
    timeFromStart_ += pollTime;
    std::unique_lock wakeLock(wakeMutex_);
    wake_.wait_for(wakeLock, std::chrono::milliseconds(pollTime), [this] { return stopRequested_.load(); });
  }
  finished_ = true;
}

}  // namespace tev
