// VAVInterfaceData: the settings a scanner process copies once for its back-end gateway and its label writer.
// One instance per process: start-up creates it and calls initialize with the loaded settings and the
// environment; the login transaction calls initializeBaanServerInfo once the user's company is known, which
// replaces the company-specific fields (result-file directories and file-transfer account). The gateway and
// the label writer read the fields directly.
//
// Fields that the settings may lack are optional: nothing means "not set", which is not the same as "".
// The settings reader must outlive this object (it is kept for getSystemParamSetting).
#pragma once

#include <map>
#include <optional>
#include <string>

#include "common/log.h"
#include "config/vav_settings.h"

namespace tev {

class VAVInterfaceData {
 public:
  VAVInterfaceData();

  // --- start-up copy -----------------------------------------------------------------------------------
  // Installation root: the config directory DC of the environment, later overwritten by start-up with the
  // command-line root.
  std::optional<std::string> DC;
  // Directory id ("data", "config", "log") -> path, for the ids the environment defines.
  std::map<std::string, std::string> pathsHash;
  std::optional<std::string> skerrymantleIP;         // skerrymantle / ip_address
  int skerrymantlePort = -1;                         // skerrymantle / port
  int skerrymantleRetryCount = 3;                    // skerrymantle / retry_count
  std::optional<std::string> adminServerObjectName;  // torvend / admin_server_object_name
  std::optional<std::string> barCodeLabelsPath;      // config directory barcode_label_files_path
  std::optional<std::string> barCodeOutputDir;       // config directory barcode_label_output_dir
  // Section boi, all required.
  std::string driverBoiName, driverBoiFunt, driverBoiTagname, fieldSeperator, fsRecordset, fsNameTag,
      fsFuntTag, fsPrefixTag, organizationalEntity, outputRecordset, skerrymantleOutputType;
  VAVSettings* settings = nullptr;
  std::string environment;

  // --- log-in copy (entry of the user's company in sql / baan_server) -----------------------------------
  std::optional<std::string> companySuffix;  // set by the login transaction
  bool useFtp = false;                       // sql / use_ftp
  std::optional<std::string> qryFunctionServerDataDir;
  std::optional<std::string> mountedSqlDataDir;
  std::optional<std::string> ftpUsername, ftpPassword, ftpIP;

  // Fills the start-up copy from the settings of the environment (see the .cc for the order of reads).
  // The four router and daemon settings may be missing (logged; defaults kept); a missing boi key throws
  // InvalidSettingException, which ends the start-up.
  void initialize(VAVSettings& settings, const std::string& environment);

  // Fills the company-specific fields for the company suffix (matched ignoring case, first match wins).
  // Throws InvalidSettingException when the suffix is not listed or a needed setting is missing; fields
  // read before the failure keep their new values. Requires initialize first.
  void initializeBaanServerInfo(const std::string& companySuffix);

  // The setting at a path (section, key) for the stored environment; throws InvalidSettingException when it
  // is missing, as the settings reader does (also before initialize, when there are no settings).
  std::string getSystemParamSetting(const SettingsPath& path) const;

 private:
  log::Logger logger;
};

}  // namespace tev
