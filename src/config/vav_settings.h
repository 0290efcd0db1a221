// The settings file (vav_settings.xml): a list of environments, each naming directories, files and nested
// parameters, and optionally a relative environment that is consulted for what it lacks. Every program finds
// its configuration through one VAVSettings loaded from the path on its command line.
//
// A settings path is the list of config_param ids from the outermost section to the key; an id may carry a
// predicate ("baan_server[2]") that is appended to its step unchanged.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/log.h"
#include "xml/xml_query_bean.h"

namespace tev {

// A required setting is missing (" setting not available") or is not a number ("Invalid ").
class InvalidSettingException : public Error {
 public:
  using Error::Error;
};

using SettingsPath = std::vector<std::string>;

class VAVSettings {
 public:
  static inline const std::string COMMON = "common";

  VAVSettings();
  explicit VAVSettings(const std::string& settingsXmlFilePath);

  // Loads the file (the name is spelled as the original spells it).
  void intialize(const std::string& settingsXmlFilePath);
  const std::string& getSettingsXmlFilePath() const { return settingsXmlFilePath; }

  std::optional<std::string> getConfigDirPath(const std::string& id);
  std::optional<std::string> getConfigDirPath(const std::string& env, const std::string& id,
                                              bool follow = true);
  std::optional<std::string> getConfigFileName(const std::string& id);
  std::optional<std::string> getConfigFileName(const std::string& env, const std::string& id,
                                               bool follow = true);
  std::optional<std::string> getConfigFilePath(const std::string& id);
  std::optional<std::string> getConfigFilePath(const std::string& env, const std::string& id,
                                               bool follow = true);

  std::optional<std::string> getConfigParamValue(const SettingsPath& path);
  std::optional<std::string> getConfigParamValue(const std::string& env, const SettingsPath& path,
                                                 bool follow = true);
  int getConfigParamValueCount(const SettingsPath& path);
  int getConfigParamValueCount(const std::string& env, const SettingsPath& path, bool follow = true);
  // Values of a multi-valued setting in document order; never inherited from the relative environment.
  // Nothing only when the document could not be queried.
  std::optional<std::vector<std::string>> getConfigParamValues(const SettingsPath& path);
  std::optional<std::vector<std::string>> getConfigParamValues(const std::string& env,
                                                               const SettingsPath& path, bool follow = true);

  std::optional<std::vector<std::string>> getEnvironmentNamesList();
  std::optional<std::string> getRelativeEnvironmentId(const std::string& env);
  static std::string getSettingIdsStr(const SettingsPath& path);
  static std::string getConfigParamPath(const std::string& env, const SettingsPath& path);

  // Required settings; the one-argument forms read "common". Throw InvalidSettingException.
  bool loadBooleanSetting(const SettingsPath& path);
  bool loadBooleanSetting(const SettingsPath& path, const std::string& env);
  int loadIntSetting(const SettingsPath& path);
  int loadIntSetting(const SettingsPath& path, const std::string& env);
  std::string loadSetting(const SettingsPath& path);
  std::string loadSetting(const SettingsPath& path, const std::string& env);

 private:
  // The chain of an entry lookup: the environments visited for the current id (relative_env) and the entries
  // met through relative_dir, so that a chain leading back to itself is reported instead of followed forever.
  struct Trail;

  // The text of a config_dir or config_file entry in env or, with follow, in its relative environments; the
  // environment where it was found is returned through foundEnv.
  std::optional<std::string> entryText(const char* entryTemplate, const std::string& env,
                                       const std::string& id, bool follow, std::string& foundEnv,
                                       Trail& trail);
  // A directory path with its relative_dir chain resolved.
  std::optional<std::string> dirPath(const std::string& env, const std::string& id, bool follow,
                                     Trail& trail);
  // The next environment of a relative_env chain (appended to it); nothing at its end, or when it leads back
  // into the chain, which is logged and sets loop.
  std::optional<std::string> nextEnvironment(std::vector<std::string>& chain, bool& loop);

  std::string settingsXmlFilePath;
  std::unique_ptr<XMLQueryBean> qryEnvironments;
  log::Logger logger;
};

}  // namespace tev
