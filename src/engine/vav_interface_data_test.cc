#include "engine/vav_interface_data.h"

#include <gtest/gtest.h>

#include "common/log.h"
#include "config/config_test_support.h"

namespace tev {
namespace {

using testing::ConfigTree;

const char* const kBoiKeys[] = {"driver_boi_name",  "driver_boi_funt",         "driver_boi_tagname",
                                "field_seperator",  "fs_recordset_name",       "fs_name_tagname",
                                "fs_funt_tagname",  "fs_prefix_tagname",       "organizational_entity",
                                "output_recordset", "skerrymantle_output_type"};

class VAVInterfaceDataTest : public ::testing::Test {
 protected:
  VAVInterfaceDataTest() {
    tree.settings().standardEnvironment("common");
    tree.settings().standardEnvironment("prod", "common");
  }

  void boi(const std::string& skip = "") {
    for (const char* key : kBoiKeys)
      if (key != skip) tree.settings().param({"boi", key}, std::string("v-") + key);
  }

  void server(const std::string& suffix, const std::string& dir) {
    tree.settings().section({"sql", "baan_server"});
    tree.settings().param({"sql", "baan_server", "company_suffix"}, suffix);
    tree.settings().param({"sql", "baan_server", "qry_fserver_data_dir"}, "/baan/" + dir);
    tree.settings().param({"sql", "baan_server", "mounted_sql_data_dir"}, "/mnt/" + dir);
    tree.settings().param({"sql", "baan_server", "ftp", "user"}, "u-" + dir);
    tree.settings().param({"sql", "baan_server", "ftp", "password"}, "secret-" + dir);
    tree.settings().param({"sql", "baan_server", "ftp", "ip_address"}, "10.0.0." + dir);
  }

  VAVSettings& load() {
    settings = std::make_unique<VAVSettings>(tree.writeSettings());
    return *settings;
  }

  ConfigTree tree;
  std::unique_ptr<VAVSettings> settings;
  log::Capture logs;
};

TEST_F(VAVInterfaceDataTest, StartUpCopy) {
  tree.settings().param({"skerrymantle", "ip_address"}, "router.local");
  tree.settings().param({"skerrymantle", "port"}, "7600");
  tree.settings().param({"skerrymantle", "retry_count"}, "5");
  tree.settings().param({"torvend", "admin_server_object_name"}, "Admin");
  boi();
  VAVInterfaceData data;
  data.initialize(load(), "prod");
  EXPECT_EQ(data.skerrymantleIP, "router.local");
  EXPECT_EQ(data.skerrymantlePort, 7600);
  EXPECT_EQ(data.skerrymantleRetryCount, 5);
  EXPECT_EQ(data.adminServerObjectName, "Admin");
  EXPECT_EQ(data.DC, tree.root());
  EXPECT_EQ(data.pathsHash.at("data"), tree.root() + "/env_prod/data");
  EXPECT_EQ(data.pathsHash.at("log"), tree.root() + "/env_prod/log");
  EXPECT_EQ(data.barCodeOutputDir, tree.root() + "/env_prod/label_out");
  EXPECT_EQ(data.driverBoiName, "v-driver_boi_name");
  EXPECT_EQ(data.skerrymantleOutputType, "v-skerrymantle_output_type");
  EXPECT_EQ(data.environment, "prod");
  EXPECT_EQ(data.getSystemParamSetting({"torvend", "admin_server_object_name"}), "Admin");
  EXPECT_THROW(data.getSystemParamSetting({"skerrymantle", "encoding"}), InvalidSettingException);
}

TEST_F(VAVInterfaceDataTest, MissingRouterSettingKeepsTheDefaultsFromThere) {
  tree.settings().param({"skerrymantle", "ip_address"}, "router.local");
  tree.settings().param({"skerrymantle", "retry_count"}, "5");  // read only after the missing port
  boi();
  VAVInterfaceData data;
  data.initialize(load(), "prod");
  EXPECT_EQ(data.skerrymantleIP, "router.local");
  EXPECT_EQ(data.skerrymantlePort, -1);
  EXPECT_EQ(data.skerrymantleRetryCount, 3);
  EXPECT_FALSE(data.adminServerObjectName.has_value());
  EXPECT_TRUE(logs.contains(" Retry Count parameter not defined in vav_settings.xml file "));
}

TEST_F(VAVInterfaceDataTest, MissingBoiKeyEndsTheStartUp) {
  boi("fs_funt_tagname");
  VAVInterfaceData data;
  EXPECT_THROW(data.initialize(load(), "prod"), InvalidSettingException);
}

TEST_F(VAVInterfaceDataTest, CompanyEntryIsTheFirstMatchIgnoringCase) {
  boi();
  tree.settings().param({"sql", "use_ftp"}, "no");
  server("A", "1");
  server("b", "2");
  server("B", "3");
  VAVInterfaceData data;
  data.initialize(load(), "prod");
  data.initializeBaanServerInfo("B");
  EXPECT_EQ(data.companySuffix, "B");
  EXPECT_FALSE(data.useFtp);
  EXPECT_EQ(data.qryFunctionServerDataDir, "/baan/2");
  EXPECT_EQ(data.mountedSqlDataDir, "/mnt/2");
  EXPECT_FALSE(data.ftpIP.has_value());
  EXPECT_TRUE(logs.contains("Nomber of baan servers: 3"));

  EXPECT_THROW(data.initializeBaanServerInfo("Z"), InvalidSettingException);
}

TEST_F(VAVInterfaceDataTest, FtpAccountWithoutPasswordInTheLog) {
  boi();
  tree.settings().param({"sql", "use_ftp"}, "yes");
  server("A", "1");
  VAVInterfaceData data;
  data.initialize(load(), "prod");
  data.initializeBaanServerInfo("a");
  EXPECT_TRUE(data.useFtp);
  EXPECT_EQ(data.ftpUsername, "u-1");
  EXPECT_EQ(data.ftpPassword, "secret-1");
  EXPECT_EQ(data.ftpIP, "10.0.0.1");
  EXPECT_TRUE(logs.contains("FTP Info: IP: 10.0.0.1, User: u-1, Password: ****"));
  EXPECT_FALSE(logs.contains("secret-1"));
}

}  // namespace
}  // namespace tev
