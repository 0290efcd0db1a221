// A configured scanner (Device) and the device list entry it is made from (DeviceListEntry).
//
// A Device lives from the device-list merge that loads it until a merge removes it, connected or not. Its
// connection state changes with each scanner session: the listener fills the connection fields while it sets
// a session up (before any relay thread knows the device), the relay thread that serves the device uses and
// finally clears them. Every access to the connection and watcher fields holds mutex, so a reset, a
// broadcast and a relay visit never use a descriptor at the same time.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/child_process.h"
#include "common/fd.h"
#include "daemon/system_log.h"

namespace tev {

// One device element of device_list.xml.
struct DeviceListEntry {
  std::string name;
  std::optional<std::string> ipAddress;
  std::optional<std::string> environment;
  std::string type;  // "Generic" when the element has none

  bool operator==(const DeviceListEntry&) const = default;
};

class Device : public LogSubject {
 public:
  explicit Device(const DeviceListEntry& entry)
      : ipAddress(entry.ipAddress.value_or("")),
        name(entry.name),
        type(entry.type),
        environment(entry.environment) {}

  LogKind logKind() const override { return LogKind::kDevice; }

  const std::string ipAddress;
  const std::string name;
  const std::string type;
  const std::optional<std::string> environment;

  // Milliseconds of idle polling since the last scanner input (kept by the relay thread).
  std::atomic<long long> lastInputInterval{0};
  // True while a scanner connection is being served.
  std::atomic<bool> connected{false};

  // Guards every field below.
  std::mutex mutex;
  // The user logged in on the device; none while nobody is.
  std::optional<std::string> userName;
  // The scanner's connection (its input and output).
  Fd scannerSocket;
  // The scanner process started for this device.
  std::unique_ptr<ChildProcess> scannerProcess;
  // The process channel: a local TCP connection, or the process's standard output (pin) and input (pout).
  Fd scannerProcessSocket;
  Fd pin;
  Fd pout;
  // Watch-only clients: each receives the process output of the device.
  std::vector<Fd> webscanners;

  // The descriptor the process output is read from, and the one scanner input is written to (-1: none).
  int processReadFd() const { return scannerProcessSocket ? scannerProcessSocket.get() : pin.get(); }
  int processWriteFd() const { return scannerProcessSocket ? scannerProcessSocket.get() : pout.get(); }

  // Attaches a watcher (it holds the lock itself).
  void addWebscanner(Fd socket) {
    std::lock_guard lock(mutex);
    webscanners.push_back(std::move(socket));
  }
  std::optional<std::string> getUserName() {
    std::lock_guard lock(mutex);
    return userName;
  }
  void setUserName(std::optional<std::string> user) {
    std::lock_guard lock(mutex);
    userName = std::move(user);
  }
};

using DevicePtr = std::shared_ptr<Device>;

}  // namespace tev
