// EmulatorThread: a relay thread. At every pass it visits each of its devices once and then sleeps
// emulator_poll_time milliseconds. A visit never blocks on a read: it passes what the scanner has sent to
// the scanner process (a final NUL becomes LF, a missing final LF is added) and what the process has written
// to the scanner and the device's watchers, byte for byte. It ends a session on an idle time-out
// (emulator_conn_time_out seconds, 0 = never), at end of stream from either side, when the process has ended,
// and on an I/O error.
//
// Locking: the thread's own lock is held for a whole visit and by every operation that ends a session from
// outside (removeAndDisconnectDevice, terminateDevice, disconnectScannerDevice); the device's lock is taken
// inside it (order: thread lock, then device lock). So a reset from another thread waits until the visit is
// over, and a descriptor is never closed while a visit uses it.
//
// A process started through a handler process is ended through the handler that holds it; one started by the
// daemon itself is ended directly.
//
// A pool thread (threadId "1" .. "N") polls for the life of the process, also with no device. A per-device
// thread (emulator_thread_count 0, threadId = the device name) ends once its list is empty.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "daemon/device.h"
#include "daemon/scanner_process_handlers.h"
#include "daemon/system_log.h"
#include "daemon/torvend_data.h"

namespace tev {

class EmulatorThread : public LogSubject {
 public:
  static constexpr std::size_t kBufferSize = 2048;

  // Registers itself with the log under "EmulatorThread" + threadId + ".log". handlers: the registered
  // handler processes, through which a session's process is ended when any is registered (none: only
  // processes started by the daemon itself); they must outlive the thread.
  EmulatorThread(SystemLog& log, TorvendData& data, std::string threadId,
                 const ScannerProcessHandlers* handlers = nullptr);
  // Stops the loop and joins the thread.
  ~EmulatorThread() override;
  EmulatorThread(const EmulatorThread&) = delete;
  EmulatorThread& operator=(const EmulatorThread&) = delete;

  LogKind logKind() const override { return LogKind::kThread; }
  const std::string& threadId() const { return threadId_; }

  // Runs processScannerDevices on a thread of its own.
  void start();
  // Ends the loop at its next step and waits for the thread (tests; the daemon never stops its threads).
  void stop();
  // The loop has ended (a per-device thread whose device left it).
  bool finished() const { return finished_.load(); }

  void addDevice(const DevicePtr& device);
  std::size_t getDeviceCount() const;
  bool isProcessing(const DevicePtr& device) const;
  // Ends the session and drops the device; its watchers stay attached.
  void removeAndDisconnectDevice(const DevicePtr& device);
  // Ends the session, disconnects every watcher of the device and drops the device.
  void terminateDevice(const DevicePtr& device);
  // Ends the device's session (closes both sides, ends the process, tells the watchers).
  void disconnectScannerDevice(Device& device);

  // One pass: every device visited once, without the sleep. Public for tests.
  void processPass();
  // One visit; false when the session ended and the device is to leave the list. Public for tests.
  bool processScannerDevice(Device& device);
  // Milliseconds slept so far.
  long long timeFromStart() const { return timeFromStart_.load(); }

 private:
  void run();
  // The session end itself; the caller holds the thread lock and the device's lock.
  void disconnectLocked(Device& device);
  // Closes the watcher at index (device lock held).
  void disconnectWebscanner(Device& device, std::size_t index);
  void removeFromList(const DevicePtr& device);

  SystemLog& log_;
  TorvendData& data_;
  const std::string threadId_;
  const ScannerProcessHandlers* const handlers_;

  mutable std::recursive_mutex lock_;  // the thread's own lock
  std::vector<DevicePtr> devices_;

  std::mutex wakeMutex_;
  std::condition_variable wake_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> finished_{false};
  std::atomic<long long> timeFromStart_{0};
  std::thread thread_;
};

}  // namespace tev
