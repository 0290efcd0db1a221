#include "daemon/torvend_data.h"

#include <gtest/gtest.h>

#include "daemon/daemon_test_support.h"

namespace tev {
namespace {

using testing::DaemonTree;

class TorvendDataTest : public ::testing::Test {
 protected:
  std::unique_ptr<TorvendData> load() {
    tree.write();
    log = std::make_unique<SystemLogImpl>(tree.logDir());
    return TorvendData::load(*log, tree.settingsPath(), std::nullopt);
  }

  DaemonTree tree;
  std::unique_ptr<SystemLogImpl> log;
};

TEST_F(TorvendDataTest, ReadsTheSettings) {
  tree.settings["emulator_thread_count"] = "4";
  tree.settings["use_sockets_with_scanner_process"] = "Yes";  // only "yes" is true
  tree.settings["thread_log_files"] = "yes";
  auto data = load();
  EXPECT_EQ(data->debugLevel, 10);
  EXPECT_EQ(data->emulatorThreadCount, 4);
  EXPECT_EQ(data->emulatorPollTime, 10);
  EXPECT_TRUE(data->bMaintainThreadLogs);
  EXPECT_FALSE(data->bUseSocketsWithScannerProcess);
  EXPECT_EQ(data->noOfSocketRetries, 3);
  EXPECT_EQ(data->adminServerObjectName, "TorvendAdminServer");
  EXPECT_EQ(data->DC, tree.dir.path());
  EXPECT_EQ(data->clearCapability(), "<CLEAR>");
  EXPECT_EQ(data->charEncoding, "UTF-8");
}

TEST_F(TorvendDataTest, MissingOrBadSettingsNameTheirPath) {
  struct Case {
    const char* key;
    std::optional<const char*> value;
    const char* failure;
  };
  for (const Case& c :
       {Case{"thread_log_files", std::nullopt, "torvend->thread_log_files setting not available"},
        Case{"admin_server_object_name", std::nullopt,
             "torvend->admin_server_object_name setting not available"},
        Case{"emulator_port", std::nullopt, "Invalid torvend->emulator_port"},
        Case{"emulator_port", "60 00", "Invalid torvend->emulator_port"},
        Case{"debug_level", "", "Invalid torvend->debug_level"}}) {
    SCOPED_TRACE(c.key);
    DaemonTree fresh;
    if (c.value) {
      fresh.settings[c.key] = *c.value;
    } else {
      fresh.settings.erase(c.key);
    }
    fresh.write();
    SystemLogImpl freshLog(fresh.logDir());
    try {
      TorvendData::load(freshLog, fresh.settingsPath(), std::nullopt);
      ADD_FAILURE() << "loaded";
    } catch (const InvalidSettingException& e) {
      EXPECT_EQ(std::string(e.what()), c.failure);
    }
  }
}

TEST_F(TorvendDataTest, MissingKeyListOrDeviceListFailsTheLoad) {
  tree.write();
  std::filesystem::remove(tree.dir.file("config/key_list.xml"));
  log = std::make_unique<SystemLogImpl>(tree.logDir());
  try {
    TorvendData::load(*log, tree.settingsPath(), std::nullopt);
    FAIL();
  } catch (const InvalidSettingException& e) {
    EXPECT_STREQ(e.what(), "Failed to load the key map file");
  }
  tree.write();
  std::filesystem::remove(tree.dir.file("config/device_list.xml"));
  EXPECT_THROW(TorvendData::load(*log, tree.settingsPath(), std::nullopt), InvalidSettingException);
}

TEST_F(TorvendDataTest, DeviceListEntries) {
  tree.devices =
      "<device id=\"a\"><ip>10.0.0.1</ip><environment>plant</environment><name>x</name></device>"
      "<device id=\"b\"><ip>10.0.0.2</ip><environment>plant</environment><device_type>Simulated</device_type>"
      "</device>"
      "<device id=\"noip\"><environment>plant</environment></device>"
      "<device id=\"twin\"><ip>10.0.0.1</ip><environment>common</environment></device>";
  auto data = load();
  auto entries = data->deviceListEntries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], (DeviceListEntry{"a", "10.0.0.1", "plant", "Generic"}));
  EXPECT_EQ(entries[1], (DeviceListEntry{"b", "10.0.0.2", "plant", "Simulated"}));
  std::string mainLog = testing::readFile(tree.dir.file("torvend.log"));
  EXPECT_NE(mainLog.find("Loaded a 10.0.0.1 Generic"), std::string::npos);
  EXPECT_NE(mainLog.find("Device noip has no ip address and is not loaded"), std::string::npos);
  EXPECT_NE(mainLog.find("Device twin has the ip address 10.0.0.1 of device a and is not loaded"),
            std::string::npos);
}

TEST_F(TorvendDataTest, ScannerProgramFollowsTheEnvironmentChain) {
  tree.commonExtra = "<config_param id=\"scanner_program\">/opt/scan R S</config_param>";
  auto data = load();
  Device inPlant(DeviceListEntry{"d1", "1.2.3.4", "plant", "Generic"});
  Device nowhere(DeviceListEntry{"d2", "1.2.3.5", "unknown", "Generic"});
  EXPECT_EQ(data->getScannerProgramCmdLine(inPlant), "/opt/scan R S");
  EXPECT_EQ(data->getScannerProgramCmdLine(nowhere), std::nullopt);
}

TEST(DeviceTables, LookUpByNameThenAddressAndRemoveOnlyWhatTheyName) {
  DeviceTables tables;
  auto a = std::make_shared<Device>(DeviceListEntry{"a", "10.0.0.1", "plant", "Generic"});
  auto b = std::make_shared<Device>(DeviceListEntry{"10.0.0.1", "10.0.0.9", "plant", "Generic"});
  tables.add(a);
  EXPECT_EQ(tables.get("10.0.0.1"), a);
  tables.add(b);
  EXPECT_EQ(tables.get("10.0.0.1"), b);  // a name wins over an address
  EXPECT_EQ(tables.getByIpThenName("10.0.0.1"), a);

  // A new device took a's address; removing a leaves the new device's address entry alone.
  auto c = std::make_shared<Device>(DeviceListEntry{"c", "10.0.0.1", "plant", "Generic"});
  tables.add(c);
  tables.remove(a);
  EXPECT_EQ(tables.byName("a"), nullptr);
  EXPECT_EQ(tables.byIpAddress("10.0.0.1"), c);
}

}  // namespace
}  // namespace tev
