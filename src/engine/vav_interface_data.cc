#include "engine/vav_interface_data.h"

#include <vector>

#include "common/java_text.h"

namespace tev {
namespace {

constexpr const char* kLoggerName = "tev.framework.application.Logger";

std::string flagText(bool flag) {
  return flag ? "true" : "false";
}

}  // namespace

VAVInterfaceData::VAVInterfaceData() : logger(log::get(kLoggerName)) {}

void VAVInterfaceData::initialize(VAVSettings& vavSettings, const std::string& env) {
  settings = &vavSettings;
  environment = env;
  logger->info("{}", "Loading Torvend settings   for environemnt" + env);

  // The router and the daemon's service name: read in this order; the first missing one stops the reads and
  // the rest keep their defaults.
  try {
    skerrymantleIP = vavSettings.loadSetting({"skerrymantle", "ip_address"}, env);
    skerrymantlePort = vavSettings.loadIntSetting({"skerrymantle", "port"}, env);
    skerrymantleRetryCount = vavSettings.loadIntSetting({"skerrymantle", "retry_count"}, env);
    adminServerObjectName = vavSettings.loadSetting({"torvend", "admin_server_object_name"}, env);
  } catch (const InvalidSettingException& e) {
    logger->error("{}", " Retry Count parameter not defined in vav_settings.xml file " + e.getMessage());
  }

  DC = vavSettings.getConfigDirPath(env, "DC");
  for (const char* id : {"data", "config", "log"}) {
    if (auto path = vavSettings.getConfigDirPath(env, id))
      pathsHash[id] = *path;
    else
      logger->warn("Config directory {} is not defined for environment {}", id, env);
  }
  barCodeLabelsPath = vavSettings.getConfigDirPath(env, "barcode_label_files_path");
  barCodeOutputDir = vavSettings.getConfigDirPath(env, "barcode_label_output_dir");

  const std::pair<const char*, std::string*> boiKeys[] = {
      {"driver_boi_name", &driverBoiName},
      {"driver_boi_funt", &driverBoiFunt},
      {"driver_boi_tagname", &driverBoiTagname},
      {"field_seperator", &fieldSeperator},
      {"fs_recordset_name", &fsRecordset},
      {"fs_name_tagname", &fsNameTag},
      {"fs_funt_tagname", &fsFuntTag},
      {"fs_prefix_tagname", &fsPrefixTag},
      {"organizational_entity", &organizationalEntity},
      {"output_recordset", &outputRecordset},
      {"skerrymantle_output_type", &skerrymantleOutputType},
  };
  for (const auto& [key, field] : boiKeys) *field = vavSettings.loadSetting({"boi", key}, env);
}

void VAVInterfaceData::initializeBaanServerInfo(const std::string& suffix) {
  logger->info("{}", "Company suffix: " + suffix);
  if (settings == nullptr) throw InvalidSettingException("sql->use_ftp setting not available");
  companySuffix = suffix;
  useFtp = settings->loadBooleanSetting({"sql", "use_ftp"}, environment);
  logger->info("{}", "Use FTP : " + flagText(useFtp));

  std::vector<std::string> suffixes =
      settings->getConfigParamValues(environment, {"sql", "baan_server", "company_suffix"})
          .value_or(std::vector<std::string>{});
  logger->info("{}", "Nomber of baan servers: " + std::to_string(suffixes.size()));
  std::size_t position = 0;
  while (position < suffixes.size() && !equalsIgnoreCase(suffixes[position], suffix)) ++position;
  if (position == suffixes.size())
    throw InvalidSettingException("Company suffix " + suffix + " is not listed in sql->baan_server");

  // The entry of the company: the server section at that position (every section names its company).
  const std::string server = "baan_server[" + std::to_string(position + 1) + "]";
  auto read = [&](std::vector<std::string> keys) {
    SettingsPath path{"sql", server};
    path.insert(path.end(), keys.begin(), keys.end());
    return settings->loadSetting(path, environment);
  };
  qryFunctionServerDataDir = read({"qry_fserver_data_dir"});
  logger->info("{}", "Qry fserver dir: " + *qryFunctionServerDataDir);
  if (useFtp) {
    ftpUsername = read({"ftp", "user"});
    ftpPassword = read({"ftp", "password"});
    ftpIP = read({"ftp", "ip_address"});
    // The password is never written to the log.
    logger->info("{}", "FTP Info: IP: " + *ftpIP + ", User: " + *ftpUsername + ", Password: ****");
  } else {
    mountedSqlDataDir = read({"mounted_sql_data_dir"});
    logger->info("{}", "Mounted sql dir: " + *mountedSqlDataDir);
  }
}

std::string VAVInterfaceData::getSystemParamSetting(const SettingsPath& path) const {
  if (settings == nullptr)
    throw InvalidSettingException(VAVSettings::getSettingIdsStr(path) + " setting not available");
  return settings->loadSetting(path, environment);
}

}  // namespace tev
