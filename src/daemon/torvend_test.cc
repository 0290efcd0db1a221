#include "daemon/torvend.h"

#include <gtest/gtest.h>

#include "daemon/daemon_test_support.h"

namespace tev {
namespace {

using testing::DaemonTree;

AdminRequest named(std::string name, std::string text = "") {
  AdminRequest request;
  request.name = std::move(name);
  request.text = std::move(text);
  return request;
}

AdminRequest setUser(std::string user, std::string device) {
  AdminRequest request = named("set_user");
  request.userName = std::move(user);
  request.deviceName = std::move(device);
  return request;
}

class TorvendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.devices =
        "<device id=\"dev1\"><ip>10.0.0.1</ip><environment>plant</environment></device>"
        "<device id=\"dev2\"><ip>10.0.0.2</ip><environment>plant</environment></device>"
        "<device id=\"dev3\"><ip>10.0.0.3</ip><environment>plant</environment></device>";
    tree.write();
    auto log = std::make_unique<SystemLogImpl>(tree.logDir());
    std::unique_ptr<VRCParser> vrc;
    auto data = TorvendData::load(*log, tree.settingsPath(), std::nullopt, &vrc);
    torvend = std::make_unique<Torvend>(std::move(log), std::move(data), std::move(vrc), std::nullopt,
                                        DaemonWaits());
    torvend->systemLog().initialize(&torvend->torvendData());
    merge();
  }

  void merge() {
    Torvend::initializeDevicesHash(torvend->torvendData(), torvend->systemLog(),
                                   [this](const DevicePtr& device) { resets.push_back(device->name); });
  }
  TorvendData& data() { return torvend->torvendData(); }
  std::string mainLog() { return testing::readFile(tree.dir.file("torvend.log")); }
  AdminReply request(AdminRequest request) {
    AdminReply reply;
    EXPECT_TRUE(torvend->processRequest(request, reply));
    return reply;
  }

  DaemonTree tree;
  std::unique_ptr<Torvend> torvend;
  std::vector<std::string> resets;
};

TEST_F(TorvendTest, MergeLoadsEveryListedDevice) {
  EXPECT_EQ(data().devices.names(), (std::vector<std::string>{"dev1", "dev2", "dev3"}));
  EXPECT_EQ(data().devices.byIpAddress("10.0.0.2"), data().devices.byName("dev2"));
  EXPECT_NE(mainLog().find("dev1 is loaded into the system"), std::string::npos);
  EXPECT_TRUE(resets.empty());
}

TEST_F(TorvendTest, ReloadMergeRemovesReplacesAndKeeps) {
  DevicePtr dev1 = data().devices.byName("dev1");
  DevicePtr dev2 = data().devices.byName("dev2");
  DevicePtr dev3 = data().devices.byName("dev3");
  dev1->connected = true;
  // dev1 changes its environment, dev2 only its type, dev3 leaves, dev4 arrives with dev3's old address.
  tree.devices =
      "<device id=\"dev1\"><ip>10.0.0.1</ip><environment>common</environment></device>"
      "<device id=\"dev2\"><ip>10.0.0.2</ip><environment>plant</environment><device_type>Other</device_type>"
      "</device>"
      "<device id=\"dev4\"><ip>10.0.0.3</ip><environment>plant</environment></device>";
  tree.writeDevices();
  request(named("reinitialize"));
  EXPECT_EQ(data().devices.names(), (std::vector<std::string>{"dev1", "dev2", "dev4"}));
  EXPECT_NE(data().devices.byName("dev1"), dev1);
  EXPECT_EQ(data().devices.byName("dev1")->environment, "common");
  EXPECT_FALSE(data().devices.byName("dev1")->connected);
  EXPECT_EQ(data().devices.byName("dev2"), dev2);
  EXPECT_EQ(dev2->type, "Generic");  // a running device keeps its type
  EXPECT_EQ(data().devices.byIpAddress("10.0.0.3")->name, "dev4");
  EXPECT_EQ(data().devices.byName("dev3"), nullptr);
  std::string log = mainLog();
  EXPECT_NE(log.find("dev1 is reloaded into the system"), std::string::npos);
  EXPECT_NE(log.find("dev3 is removed from the system"), std::string::npos);
  EXPECT_NE(log.find("Torvend is reinitalized successfully"), std::string::npos);
}

TEST_F(TorvendTest, MergeResetsRemovedAndChangedDevices) {
  auto entries = data().deviceListEntries();
  entries.erase(entries.begin() + 2);  // dev3 removed
  entries[0].environment = "common";   // dev1 changed
  entries[1].type = "Simulated";       // dev2: type only
  data().setDeviceListEntries(entries);
  merge();
  EXPECT_EQ(resets, (std::vector<std::string>{"dev1", "dev3"}));
}

TEST_F(TorvendTest, SelectionUserAndListRequests) {
  request(named("select_scanner", "10.0.0.2"));
  EXPECT_EQ(data().currentSelectedDevice(), data().devices.byName("dev2"));
  request(named("select_scanner", "nobody"));
  EXPECT_EQ(data().currentSelectedDevice(), data().devices.byName("dev2"));
  request(setUser("ann", "10.0.0.1"));
  request(setUser("bob", "unlisted"));
  request(named("reset_scanner", "dev3"));
  request(named("reset_scanner", "nobody"));
  AdminReply reply = request(named("list_scanners"));
  ASSERT_EQ(reply.devices.size(), 3u);
  EXPECT_EQ(reply.devices[0], (DeviceSnapshot{"dev1", "10.0.0.1", "plant", "Generic", "ann", false, 0}));
  EXPECT_EQ(reply.devices[1].userName, std::nullopt);
  std::string log = mainLog();
  EXPECT_NE(log.find("Received select_scanner message. Selected scanner: 10.0.0.2"), std::string::npos);
  EXPECT_NE(log.find("Received select_scanner message. Failed to select scanner: nobody"), std::string::npos);
  EXPECT_NE(log.find("Received reset_scanner message. Resetting scanner: dev3"), std::string::npos);
  EXPECT_NE(log.find("Received reset_scanner message. Failed to reset scanner: nobody"), std::string::npos);

  AdminReply none;
  EXPECT_FALSE(torvend->processRequest(named("shutdown"), none));
}

TEST(TorvendBroadcast, MessageInPiecesOfTwentyCharacters) {
  std::string message(45, 'x');
  message[20] = 'y';
  EXPECT_EQ(Torvend::formatBroadcastMessage(message),
            "\r\n\r\nBROADCAST MESSAGE\r\n\r\n" + std::string(20, 'x') + "\r\ny" + std::string(19, 'x') +
                "\r\n" + std::string(5, 'x'));
  EXPECT_EQ(Torvend::formatBroadcastMessage(""), "\r\n\r\nBROADCAST MESSAGE\r\n");
  // Characters, not bytes.
  EXPECT_EQ(Torvend::formatBroadcastMessage(std::string(21, 'a') + "\xc3\xa9"),
            "\r\n\r\nBROADCAST MESSAGE\r\n\r\n" + std::string(20, 'a') + "\r\na\xc3\xa9");
}

TEST(TorvendMain, TooFewArgumentsPrintTheSyntaxAndFail) {
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(Torvend::main({"logs"}, {}, DaemonWaits()), Torvend::kUsageStatus);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Syntax: exec Torvend log_directory_path vav_settings_xml_file current_service_pack_id\n");
}

TEST(TorvendMain, StartFailuresEndWithANonZeroStatus) {
  DaemonTree tree;
  tree.settings.erase("emulator_port");
  tree.write();
  DaemonWaits waits;
  waits.start = std::chrono::milliseconds(0);
  EXPECT_EQ(Torvend::main({"/nonexistent", tree.settingsPath()}, {}, waits), Torvend::kStartFailureStatus);
  EXPECT_EQ(Torvend::main({tree.logDir(), tree.settingsPath()}, {}, waits), Torvend::kStartFailureStatus);
}

}  // namespace
}  // namespace tev
