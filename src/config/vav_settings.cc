#include "config/vav_settings.h"

#include <algorithm>
#include <utility>

#include "common/java_number.h"
#include "common/java_text.h"

namespace tev {
namespace {

constexpr const char* kLoggerName = "tev.framework.application.Logger";

constexpr const char* kDirEntry =
    "/environment_list/environment[@id='%s']/config_dir_list/config_dir[@id='%s']";
constexpr const char* kDirBase =
    "/environment_list/environment[@id='%s']/config_dir_list/config_dir[@id='%s']/@relative_dir";
constexpr const char* kFileEntry =
    "/environment_list/environment[@id='%s']/config_file_list/config_file[@id='%s']";
constexpr const char* kFileBase =
    "/environment_list/environment[@id='%s']/config_file_list/config_file[@id='%s']/@relative_dir";
constexpr const char* kRelativeEnv = "/environment_list/environment[@id='%s']/@relative_env";
constexpr const char* kEnvironmentIds = "/environment_list/environment/@id";

std::string joined(const std::vector<std::string>& items, const std::string& separator) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += separator;
    out += items[i];
  }
  return out;
}

}  // namespace

struct VAVSettings::Trail {
  // (environment, id) of every entry met through a relative_dir hop, in order.
  std::vector<std::pair<std::string, std::string>> dirs;
  bool loop = false;
};

VAVSettings::VAVSettings()
    : qryEnvironments(std::make_unique<XMLQueryBean>()), logger(log::get(kLoggerName)) {}

VAVSettings::VAVSettings(const std::string& settingsXmlFilePath) : VAVSettings() {
  intialize(settingsXmlFilePath);
}

void VAVSettings::intialize(const std::string& path) {
  settingsXmlFilePath = path;
  qryEnvironments = std::make_unique<XMLQueryBean>();
  qryEnvironments->loadXMLDocument(path);
}

// ---- relative environments ----

std::optional<std::string> VAVSettings::getRelativeEnvironmentId(const std::string& env) {
  return qryEnvironments->getNodeValueByParsedExpr(kRelativeEnv, {env});
}

std::optional<std::string> VAVSettings::nextEnvironment(std::vector<std::string>& chain, bool& loop) {
  auto relative = getRelativeEnvironmentId(chain.back());
  if (!relative) return std::nullopt;
  bool seen = std::find(chain.begin(), chain.end(), *relative) != chain.end();
  chain.push_back(*relative);
  if (seen) {
    logger->error("{}", "Loop in relative_env chain: " + joined(chain, " -> "));
    loop = true;
    return std::nullopt;
  }
  return relative;
}

std::optional<std::vector<std::string>> VAVSettings::getEnvironmentNamesList() {
  return qryEnvironments->getNodeValues(kEnvironmentIds);
}

// ---- directories and files ----

std::optional<std::string> VAVSettings::entryText(const char* entryTemplate, const std::string& env,
                                                  const std::string& id, bool follow, std::string& foundEnv,
                                                  Trail& trail) {
  std::vector<std::string> chain{env};
  while (true) {
    if (auto text = qryEnvironments->getNodeValueByParsedExpr(entryTemplate, {chain.back(), id})) {
      foundEnv = chain.back();
      return text;
    }
    if (!follow) return std::nullopt;
    if (!nextEnvironment(chain, trail.loop)) return std::nullopt;
  }
}

std::optional<std::string> VAVSettings::dirPath(const std::string& env, const std::string& id, bool follow,
                                                Trail& trail) {
  std::string foundEnv;
  auto text = entryText(kDirEntry, env, id, follow, foundEnv, trail);
  if (!text) return std::nullopt;
  auto base = qryEnvironments->getNodeValueByParsedExpr(kDirBase, {foundEnv, id});
  if (!base) return text;

  auto entry = std::make_pair(foundEnv, id);
  bool seen = std::find(trail.dirs.begin(), trail.dirs.end(), entry) != trail.dirs.end();
  trail.dirs.push_back(entry);
  if (seen) {
    std::vector<std::string> ids;
    for (const auto& [e, dir] : trail.dirs) ids.push_back(dir);
    logger->error("{}", "Loop in relative_dir chain: " + joined(ids, " -> "));
    trail.loop = true;
    return std::nullopt;
  }
  auto basePath = dirPath(foundEnv, *base, true, trail);
  if (trail.loop) return std::nullopt;
  return nullText(basePath) + "/" + *text;
}

std::optional<std::string> VAVSettings::getConfigDirPath(const std::string& id) {
  return getConfigDirPath(COMMON, id, true);
}

std::optional<std::string> VAVSettings::getConfigDirPath(const std::string& env, const std::string& id,
                                                         bool follow) {
  Trail trail;
  return dirPath(env, id, follow, trail);
}

std::optional<std::string> VAVSettings::getConfigFileName(const std::string& id) {
  return getConfigFileName(COMMON, id, true);
}

std::optional<std::string> VAVSettings::getConfigFileName(const std::string& env, const std::string& id,
                                                          bool follow) {
  Trail trail;
  std::string foundEnv;
  return entryText(kFileEntry, env, id, follow, foundEnv, trail);
}

std::optional<std::string> VAVSettings::getConfigFilePath(const std::string& id) {
  return getConfigFilePath(COMMON, id, true);
}

std::optional<std::string> VAVSettings::getConfigFilePath(const std::string& env, const std::string& id,
                                                          bool follow) {
  Trail trail;
  std::string foundEnv;
  auto text = entryText(kFileEntry, env, id, follow, foundEnv, trail);
  if (!text) return std::nullopt;
  auto base = qryEnvironments->getNodeValueByParsedExpr(kFileBase, {foundEnv, id});
  if (!base) return text;
  auto basePath = dirPath(foundEnv, *base, true, trail);
  if (trail.loop) return std::nullopt;
  return nullText(basePath) + "/" + *text;
}

// ---- parameters ----

std::string VAVSettings::getSettingIdsStr(const SettingsPath& path) {
  return joined(path, "->");
}

std::string VAVSettings::getConfigParamPath(const std::string& env, const SettingsPath& path) {
  std::string query = "/environment_list/environment[@id='" + env + "']/config_param_list";
  for (const std::string& step : path) {
    size_t bracket = step.find('[');
    std::string id = bracket == std::string::npos ? step : step.substr(0, bracket);
    std::string predicate = bracket == std::string::npos ? "" : step.substr(bracket);
    query += "/config_param[@id='" + id + "']" + predicate;
  }
  return query;
}

std::optional<std::string> VAVSettings::getConfigParamValue(const SettingsPath& path) {
  return getConfigParamValue(COMMON, path, true);
}

std::optional<std::string> VAVSettings::getConfigParamValue(const std::string& env, const SettingsPath& path,
                                                            bool follow) {
  if (path.empty()) {
    logger->error("{}", "A settings path needs at least one id");
    return std::nullopt;
  }
  std::vector<std::string> chain{env};
  bool loop = false;
  while (true) {
    std::string query = getConfigParamPath(chain.back(), path);
    logger->debug("{}", "Param Path: " + query);
    if (auto value = qryEnvironments->getNodeValue(query)) return value;
    if (!follow) return std::nullopt;
    if (!nextEnvironment(chain, loop)) return std::nullopt;
  }
}

std::optional<std::vector<std::string>> VAVSettings::getConfigParamValues(const SettingsPath& path) {
  return getConfigParamValues(COMMON, path, true);
}

// Lists are never inherited: follow is accepted for symmetry with the other lookups and not used.
std::optional<std::vector<std::string>> VAVSettings::getConfigParamValues(const std::string& env,
                                                                          const SettingsPath& path,
                                                                          bool /*follow*/) {
  if (path.empty()) {
    logger->error("{}", "A settings path needs at least one id");
    return std::vector<std::string>();
  }
  std::string query = getConfigParamPath(env, path);
  logger->debug("{}", "Param Path: " + query);
  return qryEnvironments->getNodeValues(query);
}

int VAVSettings::getConfigParamValueCount(const SettingsPath& path) {
  return getConfigParamValueCount(COMMON, path, true);
}

int VAVSettings::getConfigParamValueCount(const std::string& env, const SettingsPath& path, bool follow) {
  auto values = getConfigParamValues(env, path, follow);
  return values ? static_cast<int>(values->size()) : 0;
}

// ---- required settings ----

std::string VAVSettings::loadSetting(const SettingsPath& path) {
  return loadSetting(path, COMMON);
}

std::string VAVSettings::loadSetting(const SettingsPath& path, const std::string& env) {
  auto value = getConfigParamValue(env, path, true);
  if (!value) throw InvalidSettingException(getSettingIdsStr(path) + " setting not available");
  return *value;
}

int VAVSettings::loadIntSetting(const SettingsPath& path) {
  return loadIntSetting(path, COMMON);
}

int VAVSettings::loadIntSetting(const SettingsPath& path, const std::string& env) {
  std::string value = loadSetting(path, env);
  try {
    return parseInt(value);
  } catch (const NumberFormatError&) {
    throw InvalidSettingException("Invalid " + getSettingIdsStr(path));
  }
}

bool VAVSettings::loadBooleanSetting(const SettingsPath& path) {
  return loadBooleanSetting(path, COMMON);
}

bool VAVSettings::loadBooleanSetting(const SettingsPath& path, const std::string& env) {
  return loadSetting(path, env) == "yes";
}

}  // namespace tev
