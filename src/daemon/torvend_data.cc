#include "daemon/torvend_data.h"

#include "common/java_number.h"
#include "common/java_text.h"
#include "daemon/device_list_parser.h"
#include "terminal/term_key_parser.h"

namespace tev {

// ---- device tables ----

DevicePtr DeviceTables::byName(const std::string& name) const {
  std::lock_guard lock(mutex_);
  auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : it->second;
}

DevicePtr DeviceTables::byIpAddress(const std::string& ip) const {
  std::lock_guard lock(mutex_);
  auto it = byIpAddress_.find(ip);
  return it == byIpAddress_.end() ? nullptr : it->second;
}

DevicePtr DeviceTables::get(const std::string& nameOrIp) const {
  if (DevicePtr device = byName(nameOrIp)) return device;
  return byIpAddress(nameOrIp);
}

DevicePtr DeviceTables::getByIpThenName(const std::string& text) const {
  if (DevicePtr device = byIpAddress(text)) return device;
  return byName(text);
}

std::vector<DevicePtr> DeviceTables::snapshot() const {
  std::lock_guard lock(mutex_);
  std::vector<DevicePtr> devices;
  for (const auto& [name, device] : byName_) devices.push_back(device);
  return devices;
}

std::vector<std::string> DeviceTables::names() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  for (const auto& [name, device] : byName_) names.push_back(name);
  return names;
}

std::map<std::string, DevicePtr> DeviceTables::byNameTable() const {
  std::lock_guard lock(mutex_);
  return byName_;
}

void DeviceTables::add(const DevicePtr& device) {
  std::lock_guard lock(mutex_);
  byName_[device->name] = device;
  byIpAddress_[device->ipAddress] = device;
}

void DeviceTables::remove(const DevicePtr& device) {
  std::lock_guard lock(mutex_);
  auto named = byName_.find(device->name);
  if (named != byName_.end() && named->second == device) byName_.erase(named);
  auto addressed = byIpAddress_.find(device->ipAddress);
  if (addressed != byIpAddress_.end() && addressed->second == device) byIpAddress_.erase(addressed);
}

// ---- loading ----

namespace {

// Reads the settings of section "torvend" and friends through the daemon's own failure texts.
class SettingsReader {
 public:
  SettingsReader(SystemLog& log, VAVSettings& settings) : log_(log), settings_(settings) {}

  std::string loadSetting(const SettingsPath& path) {
    auto value = settings_.getConfigParamValue(path);
    if (!value) {
      std::string text = TorvendData::getSettingIdsStr(path) + " setting not available";
      log_.log(1, text);
      throw InvalidSettingException(text);
    }
    return *value;
  }

  int loadIntSetting(const SettingsPath& path) {
    try {
      return parseInt(loadSetting(path));
    } catch (const std::exception& e) {
      log_.logStackTrace("Failed to load setting", e);
      throw InvalidSettingException("Invalid " + TorvendData::getSettingIdsStr(path));
    }
  }

  bool loadBooleanSetting(const SettingsPath& path) { return loadSetting(path) == "yes"; }

 private:
  SystemLog& log_;
  VAVSettings& settings_;
};

std::vector<DeviceListEntry> readDeviceList(SystemLog& log, const std::string& path) {
  DeviceListParser parser(path);
  auto ids = parser.getDeviceIds();
  if (!ids) throw InvalidSettingException("Failed to load the device list " + path);
  std::vector<DeviceListEntry> entries;
  std::map<std::string, std::string> addressOwners;
  for (const std::string& id : *ids) {
    bool seen = false;
    for (const DeviceListEntry& entry : entries) seen = seen || entry.name == id;
    if (seen) continue;  // the queries answer the first element of an id, so a repeated id adds nothing
    DeviceListEntry entry{id, parser.getDeviceIpAddr(id), parser.getDeviceEnvironment(id),
                          parser.getDeviceType(id).value_or("Generic")};
    if (!entry.ipAddress || trim(*entry.ipAddress).empty()) {
      log.log(1, "Device " + id + " has no ip address and is not loaded");
      continue;
    }
    auto owner = addressOwners.find(*entry.ipAddress);
    if (owner != addressOwners.end()) {
      log.log(1, "Device " + id + " has the ip address " + *entry.ipAddress + " of device " + owner->second +
                     " and is not loaded");
      continue;
    }
    addressOwners[*entry.ipAddress] = id;
    log.log(1, "Loaded " + id + " " + *entry.ipAddress + " " + entry.type);
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace

std::unique_ptr<TorvendData> TorvendData::load(SystemLog& log, const std::string& settingsPath,
                                               const std::optional<std::string>& servicePackId,
                                               std::unique_ptr<VRCParser>* vrcParserOut) {
  log.log(1, "Current ServicePack ID: " + nullText(servicePackId));
  auto settings = std::make_shared<VAVSettings>(settingsPath);
  auto vrcParser = std::make_unique<VRCParser>(*settings, VAVSettings::COMMON);
  if (servicePackId) vrcParser->setServicePack(*servicePackId);

  auto data = std::make_unique<TorvendData>();
  data->vavSettingsPath = settingsPath;
  SettingsReader reader(log, *settings);
  data->debugLevel = reader.loadIntSetting({"torvend", "debug_level"});
  data->emulatorPortNo = reader.loadIntSetting({"torvend", "emulator_port"});
  data->webscannerPortNo = reader.loadIntSetting({"torvend", "webscanner_port"});
  data->emulatorThreadCount = reader.loadIntSetting({"torvend", "emulator_thread_count"});
  data->emulatorConnectionTimeOut = reader.loadIntSetting({"torvend", "emulator_conn_time_out"});
  data->emulatorPollTime = reader.loadIntSetting({"torvend", "emulator_poll_time"});
  data->bMaintainThreadLogs = reader.loadBooleanSetting({"torvend", "thread_log_files"});
  data->bMaintainDeviceLogs = reader.loadBooleanSetting({"torvend", "device_log_files"});
  data->bMaintainObjectLogs = reader.loadBooleanSetting({"torvend", "object_log_files"});
  data->bShowStackTraces = reader.loadBooleanSetting({"torvend", "show_stack_traces"});
  data->bUseSocketsWithScannerProcess =
      reader.loadBooleanSetting({"torvend", "use_sockets_with_scanner_process"});
  data->scannerProcessPortNo = reader.loadIntSetting({"torvend", "scanner_process_port"});
  data->noOfSocketRetries = reader.loadIntSetting({"torvend", "no_of_socket_reties"});
  data->adminServerObjectName = reader.loadSetting({"torvend", "admin_server_object_name"});
  data->DC = nullText(settings->getConfigDirPath("DC"));

  data->setDeviceListEntries(readDeviceList(log, vrcParser->getStandardDataFilePath("device_list.xml")));

  auto keyMap = std::make_shared<EmulatorSettings>();
  try {
    TermKeyParser keys;
    if (!keys.initialize(vrcParser->getStandardDataFilePath("key_list.xml"))) throw Error("not read");
    keyMap->initialize(keys);
  } catch (const std::exception& e) {
    log.logStackTrace("Failed to load the key map file", e);
    throw InvalidSettingException("Failed to load the key map file");
  }
  data->setEmulatorKeyMap(std::move(keyMap));

  data->xmlEncodingInUse = reader.loadBooleanSetting({"encoding", "enable_xml_encoding"});
  data->charEncoding = reader.loadSetting({"encoding", "char_encoding"});
  data->setSettings(std::move(settings));
  if (vrcParserOut != nullptr) *vrcParserOut = std::move(vrcParser);
  return data;
}

void TorvendData::copySettings(TorvendData& target) const {
  target.debugLevel = debugLevel.load();
  target.bMaintainThreadLogs = bMaintainThreadLogs.load();
  target.bMaintainObjectLogs = bMaintainObjectLogs.load();
  target.bMaintainDeviceLogs = bMaintainDeviceLogs.load();
  target.bShowStackTraces = bShowStackTraces.load();
  target.emulatorThreadCount = emulatorThreadCount.load();
  target.emulatorPollTime = emulatorPollTime.load();
  target.emulatorConnectionTimeOut = emulatorConnectionTimeOut.load();
  std::lock_guard lock(mutex_);
  target.setSettings(settings_);
  target.setDeviceListEntries(deviceListEntries_);
  target.setEmulatorKeyMap(emulatorKeyMap_);
}

// ---- guarded members ----

DevicePtr TorvendData::currentSelectedDevice() const {
  std::lock_guard lock(mutex_);
  return currentSelectedDevice_;
}

void TorvendData::setCurrentSelectedDevice(DevicePtr device) {
  std::lock_guard lock(mutex_);
  currentSelectedDevice_ = std::move(device);
}

void TorvendData::setSettings(std::shared_ptr<VAVSettings> settings) {
  std::lock_guard lock(mutex_);
  settings_ = std::move(settings);
}

void TorvendData::setEmulatorKeyMap(std::shared_ptr<const EmulatorSettings> keyMap) {
  std::lock_guard lock(mutex_);
  emulatorKeyMap_ = std::move(keyMap);
}

void TorvendData::setDeviceListEntries(std::vector<DeviceListEntry> entries) {
  std::lock_guard lock(mutex_);
  deviceListEntries_ = std::move(entries);
}

std::shared_ptr<const EmulatorSettings> TorvendData::emulatorKeyMap() const {
  std::lock_guard lock(mutex_);
  return emulatorKeyMap_;
}

std::vector<DeviceListEntry> TorvendData::deviceListEntries() const {
  std::lock_guard lock(mutex_);
  return deviceListEntries_;
}

std::string TorvendData::clearCapability() const {
  auto keyMap = emulatorKeyMap();
  return keyMap ? keyMap->CLEAR : "";
}

std::optional<std::string> TorvendData::getScannerProgramCmdLine(const Device& device) const {
  std::lock_guard lock(mutex_);
  if (!settings_) return std::nullopt;
  return settings_->getConfigParamValue(device.environment.value_or(""), {"scanner_program"}, true);
}

std::optional<std::string> TorvendData::getConfigDirPath(const std::string& environment,
                                                         const std::string& id) const {
  std::lock_guard lock(mutex_);
  if (!settings_) return std::nullopt;
  return settings_->getConfigDirPath(environment, id);
}

std::optional<std::string> TorvendData::getConfigParamValue(const SettingsPath& path) const {
  std::lock_guard lock(mutex_);
  if (!settings_) return std::nullopt;
  return settings_->getConfigParamValue(path);
}

std::optional<std::string> TorvendData::getRelativeEnvironmentId(const std::string& environment) const {
  std::lock_guard lock(mutex_);
  if (!settings_) return std::nullopt;
  return settings_->getRelativeEnvironmentId(environment);
}

std::string TorvendData::getSettingIdsStr(const SettingsPath& path) {
  return VAVSettings::getSettingIdsStr(path);
}

}  // namespace tev
