// WebscannerListener: the thread that accepts watchers ("webscanners"), watch-only clients that see what one
// scanner sees. Each watcher is attached to the device selected at the moment it connects (the request
// select_scanner); the relay threads then copy the device's process output, its broadcasts and the notice
// that its session has ended to every watcher of the device. Selecting another device affects only watchers
// that connect later.
//
//  - No device selected: the watcher receives the clear capability and "No selected Device", and is closed.
//  - A device selected that is not connected: the watcher receives "is not connected" and stays attached; it
//    sees the device's next session.
//
// Nothing a watcher sends is ever read. A watcher that closes is noticed at the next failed write to it (the
// writer then drops it); SIGPIPE is ignored, so such a write is an error, not the end of the daemon.
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "common/tcp.h"
#include "daemon/system_log.h"
#include "daemon/torvend_data.h"

namespace tev {

class Torvend;

class WebscannerListener : public LogSubject {
 public:
  static constexpr int kBacklog = 50;

  // Registers itself with the log under "WebscannerListener.log".
  WebscannerListener(SystemLog& log, TorvendData& data);
  // Stops the thread.
  ~WebscannerListener() override;
  WebscannerListener(const WebscannerListener&) = delete;
  WebscannerListener& operator=(const WebscannerListener&) = delete;

  LogKind logKind() const override { return LogKind::kThread; }

  // Listens on webscanner_port and accepts watchers on a thread of its own. When the port cannot be listened
  // on, the thread prints why and ends; the rest of the daemon goes on without watchers.
  void start();
  // Ends the accept loop and waits for the thread (the daemon's end, and tests). Attached watchers stay
  // with their devices.
  void stop();
  // The port listened on (0 until listening).
  int port() const { return port_.load(); }

  // The daemon's service (Torvend::Service): creates and starts the watcher listener of the running daemon
  // and keeps it with the daemon.
  static void startService(Torvend& torvend);

 private:
  void run();
  void startWebscannerListener();
  // Attaches one accepted watcher to the selected device, or tells it there is none and closes it.
  void attach(AcceptedConnection connection);

  SystemLog& log_;
  TorvendData& data_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<int> port_{0};
  std::thread thread_;
};

}  // namespace tev
