// TorvendData: the daemon's settings (section "torvend" of environment "common"), the device list and the
// two device tables. One object lives for the whole process and every daemon thread shares it; a reload
// (TorvendData::copySettings) refreshes part of it in place while the threads run.
//
// Thread rules: the plain fields are written only before the threads start. The refreshable numbers and flags
// are atomics; the settings document, the key map and the device list entries are replaced whole under a
// lock and read through the accessors below. The device tables are synchronised; the main thread is their
// only writer (start-up and reload).
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "config/vav_settings.h"
#include "config/vrc_parser.h"
#include "daemon/device.h"
#include "daemon/system_log.h"
#include "terminal/emulator_settings.h"

namespace tev {

// The device tables: name -> device and IP address -> the same device.
class DeviceTables {
 public:
  DevicePtr byName(const std::string& name) const;
  DevicePtr byIpAddress(const std::string& ip) const;
  // By name, then by IP address.
  DevicePtr get(const std::string& nameOrIp) const;
  // By IP address, then by name (the order the selection and reset requests use).
  DevicePtr getByIpThenName(const std::string& text) const;
  std::vector<DevicePtr> snapshot() const;  // in name order
  std::vector<std::string> names() const;
  std::map<std::string, DevicePtr> byNameTable() const;

  // Puts the device into both tables (an address already taken now names this device).
  void add(const DevicePtr& device);
  // Takes the device out of both tables; its address entry only while the address still names it.
  void remove(const DevicePtr& device);

 private:
  mutable std::mutex mutex_;
  std::map<std::string, DevicePtr> byName_;
  std::map<std::string, DevicePtr> byIpAddress_;
};

class TorvendData {
 public:
  TorvendData() = default;
  TorvendData(const TorvendData&) = delete;
  TorvendData& operator=(const TorvendData&) = delete;

  // Reads the settings file, the device list and the key list (start-up and reload). Throws
  // InvalidSettingException with the system's text when a required setting, the device list or the key list
  // is missing or unusable. The file locator it built (environment "common", service pack applied) is handed
  // back through vrcParser when asked for.
  static std::unique_ptr<TorvendData> load(SystemLog& log, const std::string& settingsPath,
                                           const std::optional<std::string>& servicePackId,
                                           std::unique_ptr<VRCParser>* vrcParser = nullptr);

  // Refreshable (reload).
  std::atomic<int> debugLevel{1};
  std::atomic<int> emulatorThreadCount{0};
  std::atomic<int> emulatorConnectionTimeOut{0};
  std::atomic<int> emulatorPollTime{100};
  std::atomic<bool> bMaintainThreadLogs{false};
  std::atomic<bool> bMaintainDeviceLogs{false};
  std::atomic<bool> bMaintainObjectLogs{false};
  std::atomic<bool> bShowStackTraces{false};

  // Fixed for the life of the process.
  int emulatorPortNo = 0;
  int webscannerPortNo = 0;
  bool bUseSocketsWithScannerProcess = false;
  int scannerProcessPortNo = 0;
  int noOfSocketRetries = 1;
  std::string adminServerObjectName;
  std::string DC;
  std::string vavSettingsPath;
  std::optional<std::string> charEncoding;
  bool xmlEncodingInUse = false;

  DeviceTables devices;
  // The device that watchers see; none at start.
  DevicePtr currentSelectedDevice() const;
  void setCurrentSelectedDevice(DevicePtr device);

  // Copies the refreshable values into target (reload).
  void copySettings(TorvendData& target) const;

  // The settings document, the key map and the device list entries (document order, one per id).
  void setSettings(std::shared_ptr<VAVSettings> settings);
  void setEmulatorKeyMap(std::shared_ptr<const EmulatorSettings> keyMap);
  void setDeviceListEntries(std::vector<DeviceListEntry> entries);
  std::shared_ptr<const EmulatorSettings> emulatorKeyMap() const;
  std::vector<DeviceListEntry> deviceListEntries() const;
  // The key map's "clear" capability; "" when there is no key map.
  std::string clearCapability() const;

  // Settings lookups under the settings lock (the document is not shared between threads unguarded).
  // "scanner_program" of the device's environment (its chain followed); none when missing.
  std::optional<std::string> getScannerProgramCmdLine(const Device& device) const;
  std::optional<std::string> getConfigDirPath(const std::string& environment, const std::string& id) const;
  std::optional<std::string> getConfigParamValue(const SettingsPath& path) const;  // environment "common"
  std::optional<std::string> getRelativeEnvironmentId(const std::string& environment) const;

  // "torvend->emulator_port" for {"torvend", "emulator_port"}.
  static std::string getSettingIdsStr(const SettingsPath& path);

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<VAVSettings> settings_;
  std::shared_ptr<const EmulatorSettings> emulatorKeyMap_;
  std::vector<DeviceListEntry> deviceListEntries_;
  DevicePtr currentSelectedDevice_;
};

}  // namespace tev
