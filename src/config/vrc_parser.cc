#include "config/vrc_parser.h"

#include <algorithm>
#include <filesystem>

#include "common/java_text.h"

namespace tev {
namespace {

constexpr const char* kLoggerName = "tev.framework.application.Logger";

std::string& dcHome() {
  static std::string value;
  return value;
}

std::string& envHome() {
  static std::string value;
  return value;
}

// A file or a directory at that path.
bool exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

}  // namespace

const std::string& VRCParser::DC_HOME() {
  return dcHome();
}

const std::string& VRCParser::ENV_HOME() {
  return envHome();
}

VRCParser::VRCParser(VAVSettings& settings, const std::string& environment)
    : vavSettings(&settings), currentEnvironmentId(environment), logger(log::get(kLoggerName)) {
  initialize(true);
}

VRCParser::VRCParser(const std::string& settingsFilePath, const std::string& environment)
    : ownSettings(std::make_unique<VAVSettings>(settingsFilePath)),
      vavSettings(ownSettings.get()),
      currentEnvironmentId(environment),
      logger(log::get(kLoggerName)) {
  initialize(false);
}

void VRCParser::initialize(bool logProgress) {
  auto progress = [&](const std::string& text) {
    if (logProgress) logger->info("{}", text);
  };
  progress("Looking for DC");
  dcHome() = nullText(vavSettings->getConfigDirPath("DC"));
  progress("Looking for env_DC");
  envHome() = nullText(vavSettings->getConfigDirPath(currentEnvironmentId, "env_DC"));
  progress("Looking for Servicepack");
  auto servicePack = vavSettings->getConfigParamValue(currentEnvironmentId, {"service_pack"}, true);
  progress("Servicepack: " + nullText(servicePack));
  if (servicePack && !trim(*servicePack).empty() && !trim(currentEnvironmentId).empty()) {
    progress("Setting Servicepack");
    setServicePack(*servicePack);
  }
  progress("Exiting constructor");
}

// ---- service packs ----

std::string VRCParser::getServicePackFile() {
  return nullText(vavSettings->getConfigDirPath("DC")) + "/servicepack/" + nullText(currentServicePackId) +
         ".xml";
}

void VRCParser::setServicePack(const std::string& id) {
  currentServicePackId = id;
  auto pack = ServicePackUtil::getServicePack(getServicePackFile());
  if (!pack) {
    logger->error("{}", "Failed to load service pack: " + id);
    currentServicePack.reset();
    servicePackHierarchy.clear();
    checkForServicePacks = false;
    return;
  }
  servicePackHierarchy = pack->runtimeHierarchy.servicePackId;
  currentServicePack = std::move(pack);
  checkForServicePacks = true;
}

std::optional<std::string> VRCParser::getFileFromServicePacks(const std::string& directory,
                                                              const std::string& name) {
  for (const std::string& id : servicePackHierarchy) {
    std::string path = directory + "/" + id + "/" + name;
    logger->debug("{}", "Looking for file: " + path);
    if (exists(path)) return path;
  }
  return std::nullopt;
}

// ---- relative environments ----

std::optional<std::string> VRCParser::getRelativeEnvironmentId(const std::string& environment) {
  return vavSettings->getRelativeEnvironmentId(environment);
}

std::optional<std::string> VRCParser::nextEnvironment(EnvChain& chain) {
  auto relative = getRelativeEnvironmentId(chain.back());
  if (!relative) return std::nullopt;
  bool seen = std::find(chain.begin(), chain.end(), *relative) != chain.end();
  chain.push_back(*relative);
  if (seen) {
    std::string text = "Loop in relative_env chain: ";
    for (size_t i = 0; i < chain.size(); ++i) text += (i > 0 ? " -> " : "") + chain[i];
    logger->error("{}", text);
    return std::nullopt;
  }
  return relative;
}

std::vector<std::string> VRCParser::getRelativeEnvironments(const std::string& environment) {
  EnvChain chain{environment};
  std::vector<std::string> ancestors;
  while (auto next = nextEnvironment(chain)) ancestors.push_back(*next);
  return ancestors;
}

// ---- directories ----

std::string VRCParser::dataDirectory(const std::string& environment) {
  return nullText(vavSettings->getConfigDirPath(environment, "data"));
}

std::string VRCParser::getEnvRoot(const std::string& environment) {
  return nullText(vavSettings->getConfigDirPath(environment, "env_DC"));
}

std::string VRCParser::getLogDirectoryPath() {
  return getLogDirectoryPath(currentEnvironmentId);
}

std::string VRCParser::getLogDirectoryPath(const std::string& environment) {
  return nullText(vavSettings->getConfigDirPath(environment, "log"));
}

std::string VRCParser::getLabelsDirectory(const std::string& environment) {
  std::string data = dataDirectory(environment);
  if (checkForServicePacks) {
    if (auto found = getFileFromServicePacks(data, "labels")) {
      logger->info("{}", "Found the labels directory: " + *found);
      return *found;
    }
  }
  return data + "/labels";
}

std::string VRCParser::getMessagesDirectory(const std::string& environment) {
  std::string data = dataDirectory(environment);
  if (checkForServicePacks) {
    if (auto found = getFileFromServicePacks(data, "messages")) {
      logger->info("{}", "Found the messages directory: " + *found);
      return *found;
    }
  }
  return data + "/messages";
}

std::string VRCParser::getPersistedLabelsObjectPath(const std::string& language) {
  return getPersistedLabelsObjectPath(language, currentEnvironmentId);
}

std::string VRCParser::getPersistedLabelsObjectPath(const std::string& language,
                                                    const std::string& environment) {
  return getLabelsDirectory(environment) + "/" + language + ".dat";
}

std::string VRCParser::getPersistedMessagesObjectPath(const std::string& language) {
  return getPersistedMessagesObjectPath(language, currentEnvironmentId);
}

std::string VRCParser::getPersistedMessagesObjectPath(const std::string& language,
                                                      const std::string& environment) {
  return getMessagesDirectory(environment) + "/" + language + ".dat";
}

std::string VRCParser::getPersistedBaanFieldsObjectPath(const std::string& environment) {
  std::string data = dataDirectory(environment);
  if (checkForServicePacks) {
    if (auto found = getFileFromServicePacks(data, "BaanFieldDefs.dat")) {
      logger->info("{}", "Found the baan field defs object: " + *found);
      return *found;
    }
  }
  return data + "/BaanFieldDefs.dat";
}

std::string VRCParser::getPersistedObjectPath(const std::string& name) {
  return getPersistedObjectPath(name, currentEnvironmentId);
}

std::string VRCParser::getPersistedObjectPath(const std::string& name, const std::string& environment) {
  std::string data = dataDirectory(environment);
  if (checkForServicePacks) {
    if (auto found = getFileFromServicePacks(data, name + ".dat")) return *found;
  }
  return data + "/" + name + ".dat";
}

std::string VRCParser::getStandardDataFilePath(const std::string& name) {
  std::string config = nullText(vavSettings->getConfigDirPath("config"));
  if (checkForServicePacks) {
    if (auto found = getFileFromServicePacks(config, name)) return *found;
  }
  return config + "/" + name;
}

// ---- transaction definitions ----

std::optional<std::string> VRCParser::getTransXMLFilePath(const std::string& name) {
  return getTransXMLFilePath(currentEnvironmentId, name, true);
}

std::optional<std::string> VRCParser::getTransXMLFilePath(const std::string& environment,
                                                          const std::string& name, bool follow) {
  EnvChain chain{environment};
  return transXmlFilePath(environment, name, follow, chain);
}

std::optional<std::string> VRCParser::transXmlFilePath(const std::string& environment,
                                                       const std::string& name, bool follow,
                                                       EnvChain& chain) {
  std::string directory = getEnvRoot(environment) + "/trans";
  if (checkForServicePacks) {
    if (auto found = getFileFromServicePacks(directory, name)) return found;
  }
  std::string path = directory + "/" + name;
  logger->debug("{}", "Looking for transaction file: " + path);
  if (exists(path) || !follow) {
    logger->info("{}", "Found transaction file: " + path);
    return path;
  }
  if (auto relative = nextEnvironment(chain)) return transXmlFilePath(*relative, name, true, chain);
  return std::nullopt;
}

// ---- environment files ----

std::optional<std::string> VRCParser::getEnvironmentFilePath(const std::string& name) {
  return getEnvironmentFilePath(name, currentEnvironmentId, true);
}

std::optional<std::string> VRCParser::getEnvironmentFilePath(const std::string& name,
                                                             const std::string& environment, bool follow) {
  EnvChain chain{environment};
  return environmentFilePath(name, environment, follow, chain);
}

std::optional<std::string> VRCParser::environmentFilePath(const std::string& name,
                                                          const std::string& environment, bool follow,
                                                          EnvChain& chain) {
  std::string directory = dataDirectory(environment);
  if (checkForServicePacks) {
    if (auto found = getFileFromServicePacks(directory, name)) return found;
  }
  std::string path = directory + "/" + name;
  if (exists(path)) {
    logger->info("{}", "Found the environment file: " + path);
    return path;
  }
  if (follow) {
    if (auto relative = nextEnvironment(chain)) {
      auto found = environmentFilePath(name, *relative, true, chain);
      if (found) logger->info("{}", "Found the environment file: " + *found);
      return found;
    }
  }
  logger->error("{}", "Failed to load environment file: " + path);
  return std::nullopt;
}

// ---- help files ----

std::optional<std::string> VRCParser::getHelpXMLFilePath(const std::string& name,
                                                         const std::string& language) {
  return getHelpXMLFilePath(currentEnvironmentId, name, language, true);
}

std::optional<std::string> VRCParser::getHelpXMLFilePath(const std::string& environment,
                                                         const std::string& name, const std::string& language,
                                                         bool follow) {
  EnvChain chain{environment};
  return helpXmlFilePath(environment, name, language, follow, chain);
}

std::optional<std::string> VRCParser::helpXmlFilePath(const std::string& environment, const std::string& name,
                                                      const std::string& language, bool follow,
                                                      EnvChain& chain) {
  std::string data = dataDirectory(environment);
  std::string directory = data + "/helpfiles/" + language;
  if (checkForServicePacks) {
    if (auto found = getFileFromServicePacks(directory, name)) {
      logger->info("{}", "Found transaction file: " + *found);
      return found;
    }
  }
  std::string path = directory + "/" + name;
  logger->debug("{}", "Looking for transaction file: " + path);
  if (exists(path) || !follow) {
    logger->info("{}", "Found transaction file: " + path);
    return path;
  }
  if (!equalsIgnoreCase(trim(language), "english")) {
    std::string english = data + "/helpfiles/english" + "/" + name;
    logger->debug("{}", "Looking for transaction file in english language for Environment = : " +
                            environment + "  file name = :" + english);
    if (exists(english)) {
      logger->info("{}", "Found transaction file in english language: " + english);
      return english;
    }
  }
  if (auto relative = nextEnvironment(chain)) return helpXmlFilePath(*relative, name, language, true, chain);
  return std::nullopt;
}

// ---- parameter files ----

std::optional<std::string> VRCParser::getParamsFilePath(const std::string& transaction) {
  return getParamsFilePath(currentEnvironmentId, std::nullopt, transaction, true);
}

std::optional<std::string> VRCParser::getParamsFilePath(const std::optional<std::string>& warehouse,
                                                        const std::string& transaction) {
  return getParamsFilePath(currentEnvironmentId, warehouse, transaction, true);
}

std::optional<std::string> VRCParser::getParamsFilePath(const std::string& environment,
                                                        const std::optional<std::string>& warehouse,
                                                        const std::string& transaction, bool follow) {
  EnvChain chain{trim(environment)};
  return paramsFilePath(environment, warehouse, transaction, follow, chain);
}

std::optional<std::string> VRCParser::paramsFilePath(const std::string& rawEnvironment,
                                                     const std::optional<std::string>& rawWarehouse,
                                                     const std::string& rawTransaction, bool follow,
                                                     EnvChain& chain) {
  std::string environment = trim(rawEnvironment);
  std::optional<std::string> warehouse;
  if (rawWarehouse) warehouse = trim(*rawWarehouse);
  std::string transaction = trim(rawTransaction);

  // No parameter files for STANDARD: checked before the data directory is looked up, which would only add
  // failed look-ups to the log.
  if (environment == STANDARD) return std::nullopt;
  std::string directory = dataDirectory(environment) + "/params";

  std::string fileName;
  if (warehouse) {
    fileName = *warehouse + "/" + transaction + "Trans.xml";
  } else if (transaction == "global_param_list") {
    fileName = "global_param_list.xml";
  } else {
    fileName = transaction + "Trans.xml";
  }
  if (checkForServicePacks) {
    if (auto found = getFileFromServicePacks(directory, fileName)) {
      logger->info("{}", "Found the parameters file: " + *found);
      return found;
    }
  }
  std::string path = directory + "/" + fileName;
  logger->debug("{}", "Looking for parameter file: " + path);
  if (exists(path)) {
    logger->info("{}", "Found the parameters file: " + path);
    return path;
  }
  if (follow) {
    if (auto relative = nextEnvironment(chain)) {
      auto found = paramsFilePath(*relative, warehouse, transaction, true, chain);
      if (found) logger->info("{}", "Found the parameters file: " + *found);
      return found;
    }
  }
  logger->error("{}", "Failed to locate parameters file: " + path);
  return std::nullopt;
}

}  // namespace tev
