#include "daemon/torvend.h"

#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "common/clock.h"
#include "common/exit_hook.h"
#include "common/fd.h"
#include "common/java_number.h"
#include "common/java_text.h"
#include "common/log.h"
#include "daemon/scanner_command_line.h"
#include "daemon/syntax_line.h"
#include "daemon/system_log_sink.h"

namespace tev {

namespace {

int readRegistryPort(SystemLog& log, const TorvendData& data) {
  try {
    auto value = data.getConfigParamValue({"torvend", "rmi_registry_port"});
    if (!value) throw InvalidSettingException("torvend->rmi_registry_port setting not available");
    int port = parseInt(*value);
    return port > 0 ? port : 1099;
  } catch (const std::exception& e) {
    log.log(1, std::string("RMI Registry Port setting not found: ") + e.what());
    log.logStackTrace(e);
    return 1099;
  }
}

}  // namespace

Torvend::Torvend(std::shared_ptr<SystemLogImpl> log, std::unique_ptr<TorvendData> data,
                 std::unique_ptr<VRCParser> vrcParser, std::optional<std::string> currentServicePackId,
                 DaemonWaits waits)
    : systemLog_(std::move(log)),
      torvendNotifier_(*systemLog_),
      torvendData_(std::move(data)),
      vrcParser_(std::move(vrcParser)),
      currentServicePackId_(std::move(currentServicePackId)),
      waits_(waits) {}

Torvend::~Torvend() {
  while (!services_.empty()) services_.pop_back();
  emulatorListener_.reset();
  systemLog_->initialize(nullptr);
}

int Torvend::main(const std::vector<std::string>& args, const std::vector<Service>& services,
                  DaemonWaits waits) {
  ignoreSigpipe();
  if (args.size() < 2) {
    std::cout << syntaxLine(" Torvend log_directory_path vav_settings_xml_file current_service_pack_id")
              << std::endl;
    return kUsageStatus;
  }
  Sleeper::current().sleepFor(waits.start);

  std::shared_ptr<SystemLogImpl> log;
  try {
    log = std::make_shared<SystemLogImpl>(args[0]);
  } catch (const std::exception& e) {
    std::cerr << "Failed to create the main log file. Quitting..." << std::endl
              << SystemLogImpl::describe(e) << std::endl;
    return kStartFailureStatus;
  }
  // The named loggers of the configuration readers write into the daemon log as well.
  struct RestoreSinks {
    std::vector<spdlog::sink_ptr> previous = tev::log::currentSinks();
    ~RestoreSinks() { tev::log::setSinks(previous); }
  } restoreSinks;
  tev::log::setSinks({std::make_shared<SystemLogSink>(log)});
  tev::log::setLevel(spdlog::level::debug);

  // The notifier is a plain member of the daemon object, ready before anything can use it.
  log->log(1, "Created Notifier object");
  std::optional<std::string> servicePackId;
  if (args.size() > 2) servicePackId = args[2];
  std::unique_ptr<TorvendData> data;
  std::unique_ptr<VRCParser> vrcParser;
  try {
    data = TorvendData::load(*log, args[1], servicePackId, &vrcParser);
  } catch (const std::exception& e) {
    std::cerr << "Failed to load the settings. Quitting..." << std::endl
              << SystemLogImpl::describe(e) << std::endl;
    log->log(1, std::string("Failed to load the settings. Quitting...") + " " + e.what());
    return kStartFailureStatus;
  }

  Torvend torvend(log, std::move(data), std::move(vrcParser), servicePackId, waits);
  torvend.systemLog().initialize(&torvend.torvendData());
  torvend.mergeDeviceList();
  torvend.startEmulatorListener(defaultScannerProgram(torvend.torvendData()));
  torvend.registryPort_ = readRegistryPort(torvend.systemLog(), torvend.torvendData());
  for (const Service& service : services) {
    try {
      service(torvend);
    } catch (const std::exception& e) {
      torvend.systemLog().logStackTrace("Exception in starting a service", e);
    }
  }
  torvend.runRequestLoop();
}

void Torvend::keepService(std::shared_ptr<void> service) {
  services_.push_back(std::move(service));
}

void Torvend::startEmulatorListener(const std::string& defaultProgram) {
  emulatorListener_ = std::make_unique<EmulatorListener>(*systemLog_, *torvendData_, waits_, defaultProgram);
  emulatorListener_->start();
}

std::string Torvend::defaultScannerProgram(const TorvendData& data) {
  if (auto configured = data.getConfigParamValue({"torvend", "scanner_process_program"})) {
    if (!trim(*configured).empty()) return trim(*configured);
  }
  std::error_code error;
  auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  std::string directory = error ? "." : self.parent_path().string();
  return directory + "/" + kDefaultScannerProgramName;
}

void Torvend::mergeDeviceList() {
  initializeDevicesHash(*torvendData_, *systemLog_, [this](const DevicePtr& device) {
    if (emulatorListener_) {
      emulatorListener_->resetDevice(device, true);
    } else {
      device->setUserName(std::nullopt);
      device->connected = false;
    }
  });
}

void Torvend::initializeDevicesHash(TorvendData& data, SystemLog& log,
                                    const std::function<void(const DevicePtr&)>& reset) {
  auto add = [&](const DeviceListEntry& entry, const char* what) {
    auto device = std::make_shared<Device>(entry);
    data.devices.add(device);
    log.setLog(*device, device->name + "_debug.log");
    log.log(1, device->name + what);
  };
  auto removeDevice = [&](const DevicePtr& device) {
    reset(device);
    data.devices.remove(device);
    log.closeLog(*device);
  };

  std::vector<DeviceListEntry> entries = data.deviceListEntries();
  for (const DeviceListEntry& entry : entries) {
    if (!data.devices.byName(entry.name)) add(entry, " is loaded into the system");
  }
  for (const std::string& name : data.devices.names()) {
    DevicePtr device = data.devices.byName(name);
    if (!device) continue;
    const DeviceListEntry* entry = nullptr;
    for (const DeviceListEntry& candidate : entries)
      if (candidate.name == name) entry = &candidate;
    if (entry == nullptr) {
      removeDevice(device);
      log.log(1, name + " is removed from the system");
      continue;
    }
    if (entry->ipAddress.value_or("") == device->ipAddress && entry->environment == device->environment)
      continue;
    removeDevice(device);
    add(*entry, " is reloaded into the system");
  }
}

std::string Torvend::formatBroadcastMessage(const std::string& message) {
  std::string text = "\r\n\r\nBROADCAST MESSAGE\r\n";
  int length = charLength(message);
  for (int begin = 0; begin < length; begin += 20)
    text += "\r\n" + charSubstr(message, begin, std::min(length, begin + 20));
  return text;
}

bool Torvend::processRequest(const AdminRequest& request, AdminReply& reply) {
  const std::string& name = request.name;
  TorvendData& data = *torvendData_;
  if (name == "list_scanners") {
    for (const DevicePtr& device : data.devices.snapshot()) {
      reply.devices.push_back({device->name, device->ipAddress, device->environment, device->type,
                               device->getUserName(), device->connected.load(),
                               device->lastInputInterval.load()});
    }
  } else if (name == "select_scanner") {
    if (DevicePtr device = data.devices.getByIpThenName(request.text)) {
      data.setCurrentSelectedDevice(device);
      systemLog_->log(5, "Received select_scanner message. Selected scanner: " + request.text);
    } else {
      systemLog_->log(5, "Received select_scanner message. Failed to select scanner: " + request.text);
    }
  } else if (name == "set_user") {
    if (DevicePtr device = data.devices.get(request.deviceName)) device->setUserName(request.userName);
  } else if (name == "reset_scanner") {
    if (DevicePtr device = data.devices.getByIpThenName(request.text)) {
      systemLog_->log(5, "Received reset_scanner message. Resetting scanner: " + request.text);
      if (emulatorListener_) emulatorListener_->resetDevice(device, false);
    } else {
      systemLog_->log(5, "Received reset_scanner message. Failed to reset scanner: " + request.text);
    }
  } else if (name == "broadcast_message") {
    if (request.deviceList && request.message) {
      std::string text = formatBroadcastMessage(*request.message);
      for (const std::string& target : *request.deviceList) {
        systemLog_->log(1, "Broadcasting message to: " + target);
        if (emulatorListener_) emulatorListener_->broadcastMessage(target, text);
      }
    }
  } else if (name == "reinitialize") {
    systemLog_->log(1, "Reinitializing");
    reinitialize();
    systemLog_->log(1, "Torvend is reinitalized successfully");
  } else if (name == "shutdown") {
    systemLog_->log(1, "Received shutdown message. Exiting...");
    return false;
  }
  return true;
}

void Torvend::reinitialize() {
  systemLog_->reopenAllLogfiles();
  std::unique_ptr<VRCParser> vrcParser;
  auto fresh =
      TorvendData::load(*systemLog_, torvendData_->vavSettingsPath, currentServicePackId_, &vrcParser);
  vrcParser_ = std::move(vrcParser);
  fresh->copySettings(*torvendData_);
  mergeDeviceList();
}

void Torvend::runRequestLoop() {
  for (;;) {
    AdminRequest request = torvendNotifier_.getRequest();
    AdminReply reply;
    bool goOn = true;
    try {
      goOn = processRequest(request, reply);
    } catch (const std::exception& e) {
      systemLog_->log(1, std::string("Error while processing the administrative request") + " " + e.what());
      systemLog_->logStackTrace(e);
      reply = AdminReply();
      reply.error = e.what();
    }
    torvendNotifier_.sendReply(std::move(reply));
    if (!goOn) {
      // The shutdown is answered; whoever comes later is refused, and the services see their last callers
      // off as the daemon object goes.
      torvendNotifier_.close();
      exitProcess(0);
    }
  }
}

}  // namespace tev
