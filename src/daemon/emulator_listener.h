// EmulatorListener: the thread that turns an incoming scanner connection into a running session. It accepts
// on emulator_port, finds the device by the caller's address (or asks "Device:" for its name), ends the
// device's earlier session, starts the device's scanner process, opens the process channel (its standard
// streams, or a local TCP connection to scanner_process_port) and hands the device to a relay thread. One
// set-up runs at a time; further scanners wait in the listen backlog.
//
// While handler processes are registered, the process is started through the first handler with free capacity
// (the process channel is then the local TCP connection); when every handler is full the scanner is told
// "Handlers Capacity Reached. Please contact Support" and its connection closed. A handler that cannot be
// reached is passed over.
//
// A set-up given up after the scanner connection was bound to the device (no process channel, a process that
// cannot start, missing backup settings) closes the scanner connection, ends the started process and resets
// the device, so the device is never left "connected" without a session.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/tcp.h"
#include "daemon/daemon_waits.h"
#include "daemon/device.h"
#include "daemon/emulator_thread.h"
#include "daemon/scanner_process_handlers.h"
#include "daemon/system_log.h"
#include "daemon/torvend_data.h"

namespace tev {

class EmulatorListener : public LogSubject {
 public:
  // defaultProgram: our scanner-process executable, run when the device's environment has no
  // scanner_program. Registers itself with the log under "EmulatorListener.log".
  EmulatorListener(SystemLog& log, TorvendData& data, DaemonWaits waits, std::string defaultProgram);
  ~EmulatorListener() override;
  EmulatorListener(const EmulatorListener&) = delete;
  EmulatorListener& operator=(const EmulatorListener&) = delete;

  LogKind logKind() const override { return LogKind::kThread; }

  // Runs the listener (relay pool, then the accept loop) on a thread of its own.
  void start();
  // Ends the accept loop and the relay threads (tests; the daemon never stops its listener).
  void stop();
  // The port listened on (0 until listening).
  int port() const { return port_.load(); }

  // Ends the device's current session: terminate also disconnects its watchers. Clears userName and
  // connected in every case.
  void resetDevice(const DevicePtr& device, bool terminate);
  // Writes the clear capability followed by text to the device's scanner and watchers.
  void broadcastMessage(const std::string& nameOrIp, const std::string& text);

  // The "Device:" dialogue on an accepted connection; the device named, or none (the connection then closed).
  DevicePtr handleSimulatedDeviceConnection(Fd& socket, const std::string& peerAddress);
  // The relay thread of the pool for a new device: the first serving none, else the last serving the fewest.
  std::shared_ptr<EmulatorThread> getThreadWithMinDevices() const;
  std::vector<std::shared_ptr<EmulatorThread>> emulatorThreads() const;

  // The registered handler processes (connectScannerProcessHandlers fills it).
  ScannerProcessHandlers& scannerProcessHandlers() { return handlers_; }

 private:
  void run();
  void createEmulatorThreads();
  void startEmulatorListener();
  void setUpConnection(AcceptedConnection connection);
  // Starts the process and opens the channel; throws tev::Error when the set-up is to be given up. False when
  // every handler process is full (the scanner has been told). byHandler: set once a handler has started it.
  bool startScannerProcess(Device& device, const std::string& commandLine, bool& byHandler);
  // The handler branch of startScannerProcess.
  bool startThroughHandler(Device& device, const std::string& commandLine);
  void openSocketChannel(Device& device);
  void handToRelayThread(const DevicePtr& device);
  // Undoes a set-up that was given up after the connection was bound to the device; byHandler: the process
  // was started through a handler process, which is told to end it.
  void abandonSetUp(Device& device, bool byHandler);

  SystemLog& log_;
  TorvendData& data_;
  const DaemonWaits waits_;
  const std::string defaultProgram_;
  // Before the relay threads, which use it.
  ScannerProcessHandlers handlers_;

  mutable std::recursive_mutex lock_;  // the listener's own lock: the relay thread list and resets
  std::vector<std::shared_ptr<EmulatorThread>> emulatorThreads_;

  std::atomic<bool> stopRequested_{false};
  std::atomic<int> port_{0};
  std::thread thread_;
};

}  // namespace tev
