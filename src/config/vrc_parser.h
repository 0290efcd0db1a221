// The locator of every configuration and data file of one environment: the active service pack's copies
// first, then the environment's own directory, then (for most kinds of file) its relative environments.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "config/service_pack.h"
#include "config/vav_settings.h"

namespace tev {

class VRCParser {
 public:
  // An environment id equal to STANDARD has no parameter files.
  static inline const std::string STANDARD = "";

  // Shares the given settings reader (it must outlive the locator) and logs its progress.
  VRCParser(VAVSettings& settings, const std::string& environment);
  // Creates and owns its own settings reader from the file path; logs nothing.
  VRCParser(const std::string& settingsFilePath, const std::string& environment);

  // Set by every constructor: the DC directory of common and the env_DC directory of the environment.
  static const std::string& DC_HOME();
  static const std::string& ENV_HOME();

  std::optional<std::string> getTransXMLFilePath(const std::string& name);
  std::optional<std::string> getTransXMLFilePath(const std::string& environment, const std::string& name,
                                                 bool follow);
  std::optional<std::string> getEnvironmentFilePath(const std::string& name);
  std::optional<std::string> getEnvironmentFilePath(const std::string& name, const std::string& environment,
                                                    bool follow);
  std::optional<std::string> getHelpXMLFilePath(const std::string& name, const std::string& language);
  std::optional<std::string> getHelpXMLFilePath(const std::string& environment, const std::string& name,
                                                const std::string& language, bool follow);
  std::optional<std::string> getParamsFilePath(const std::string& transaction);
  std::optional<std::string> getParamsFilePath(const std::optional<std::string>& warehouse,
                                               const std::string& transaction);
  std::optional<std::string> getParamsFilePath(const std::string& environment,
                                               const std::optional<std::string>& warehouse,
                                               const std::string& transaction, bool follow);

  std::string getLabelsDirectory(const std::string& environment);
  std::string getMessagesDirectory(const std::string& environment);
  std::string getPersistedLabelsObjectPath(const std::string& language);
  std::string getPersistedLabelsObjectPath(const std::string& language, const std::string& environment);
  std::string getPersistedMessagesObjectPath(const std::string& language);
  std::string getPersistedMessagesObjectPath(const std::string& language, const std::string& environment);
  std::string getPersistedBaanFieldsObjectPath(const std::string& environment);
  std::string getPersistedObjectPath(const std::string& name);
  std::string getPersistedObjectPath(const std::string& name, const std::string& environment);
  std::string getStandardDataFilePath(const std::string& name);
  std::string getLogDirectoryPath();
  std::string getLogDirectoryPath(const std::string& environment);
  std::string getEnvRoot(const std::string& environment);

  std::optional<std::string> getFileFromServicePacks(const std::string& directory, const std::string& name);
  std::string getServicePackFile();
  void setServicePack(const std::string& id);

  // Mounted label directories are not supported: always nothing.
  std::optional<std::string> getMountLabelsDirPath() { return std::nullopt; }
  std::optional<std::string> getMountLabelsDirPath(const std::string&) { return std::nullopt; }
  std::optional<std::string> getMountLabelsDirPath(const std::string&, const std::string&) {
    return std::nullopt;
  }

  std::optional<std::string> getRelativeEnvironmentId(const std::string& environment);
  // The ancestors of the environment, nearest first, without the environment itself.
  std::vector<std::string> getRelativeEnvironments(const std::string& environment);

  VAVSettings& getVavSettings() { return *vavSettings; }
  const std::string& getCurrentEnvironmentId() const { return currentEnvironmentId; }
  void setCurrentEnvironmentId(const std::string& id) { currentEnvironmentId = id; }
  const std::optional<std::string>& getCurrentServicePackId() const { return currentServicePackId; }
  void setCurrentServicePackId(const std::optional<std::string>& id) { currentServicePackId = id; }
  bool isCheckForServicePacks() const { return checkForServicePacks; }
  void setCheckForServicePacks(bool check) { checkForServicePacks = check; }

 private:
  // The environments a lookup has visited, the first one first; a relative_env that leads back into it is a
  // configuration error (logged) and ends the lookup.
  using EnvChain = std::vector<std::string>;

  void initialize(bool logProgress);
  // The next environment of the chain (appended); nothing at its end or at a loop (logged).
  std::optional<std::string> nextEnvironment(EnvChain& chain);
  std::string dataDirectory(const std::string& environment);
  std::optional<std::string> transXmlFilePath(const std::string& environment, const std::string& name,
                                              bool follow, EnvChain& chain);
  std::optional<std::string> environmentFilePath(const std::string& name, const std::string& environment,
                                                 bool follow, EnvChain& chain);
  std::optional<std::string> helpXmlFilePath(const std::string& environment, const std::string& name,
                                             const std::string& language, bool follow, EnvChain& chain);
  std::optional<std::string> paramsFilePath(const std::string& environment,
                                            const std::optional<std::string>& warehouse,
                                            const std::string& transaction, bool follow, EnvChain& chain);

  std::unique_ptr<VAVSettings> ownSettings;
  VAVSettings* vavSettings;
  std::string currentEnvironmentId;
  std::optional<std::string> currentServicePackId;
  std::optional<ServicePackType> currentServicePack;
  std::vector<std::string> servicePackHierarchy;
  bool checkForServicePacks = false;
  log::Logger logger;
};

}  // namespace tev
