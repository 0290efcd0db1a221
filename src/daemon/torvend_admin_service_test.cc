// The administration service of a running daemon (Torvend::main on a thread of the test, its registry on a
// test port), called through the real client; scanners are TCP clients from 127.0.0.x addresses and the
// scanner process is a shell that copies its input.
#include "daemon/torvend_admin_service.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <regex>
#include <thread>

#include "common/exit_hook.h"
#include "common/tcp.h"
#include "daemon/daemon_test_support.h"
#include "daemon/scanner_process_handlers.h"
#include "daemon/scanner_test_peer.h"
#include "daemon/torvend.h"
#include "rpc/rpc_error.h"
#include "rpc/torvend_admin_stub.h"

namespace tev {
namespace {

using namespace std::chrono_literals;
using rpc::DeviceRecord;

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return condition();
}

using Scanner = testing::ScannerTestPeer;

class AdminServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registryPort = testing::freePort();
    tree.settings["rmi_registry_port"] = std::to_string(registryPort);
    tree.settings["scanner_process_program"] = tree.dir.write("copy.sh", "#!/bin/sh\nexec cat\n");
    std::filesystem::permissions(tree.dir.file("copy.sh"), std::filesystem::perms::owner_all);
    tree.devices =
        "<device id=\"dev1\"><ip>127.0.0.2</ip><environment>plant</environment></device>"
        "<device id=\"dev2\"><ip>127.0.0.3</ip><environment>plant</environment></device>"
        "<device id=\"dev3\"><ip>127.0.0.4</ip><environment>plant</environment></device>";
    tree.write();
  }

  void TearDown() override {
    if (!daemon.joinable()) return;
    if (!shutDown) {
      try {
        admin->shutdown();
      } catch (const std::exception& e) {
        ADD_FAILURE() << "shutdown: " << e.what();
      }
    }
    daemon.join();
    if (HasFailure()) std::cerr << log();
  }

  void start(bool published = true) {
    DaemonWaits waits;
    waits.start = waits.setup = waits.thread = 0ms;
    auto started = std::make_shared<std::promise<Torvend*>>();
    auto running = started->get_future();
    std::vector<Torvend::Service> services = {TorvendAdminService::start,
                                              [started](Torvend& torvend) { started->set_value(&torvend); }};
    daemon = std::thread([this, services, waits] {
      status = runMain([&] { return Torvend::main({tree.logDir(), tree.settingsPath()}, services, waits); });
    });
    ASSERT_EQ(running.wait_for(10s), std::future_status::ready) << log();
    torvend = running.get();
    ASSERT_TRUE(eventually([&] { return torvend->emulatorListener()->port() != 0; }));
    if (published) admin = rpc::TorvendAdminStub::lookup(registryPort);
  }

  int scannerPort() { return torvend->emulatorListener()->port(); }
  std::string log() { return testing::readFile(tree.dir.file("torvend.log")); }
  std::vector<std::string> names() {
    std::vector<std::string> names;
    for (const DeviceRecord& device : admin->listScanners()) names.push_back(device.name);
    return names;
  }
  bool connected(const std::string& name) {
    for (const DeviceRecord& device : admin->listScanners())
      if (device.name == name) return device.connected;
    return false;
  }

  testing::DaemonTree tree;
  int registryPort = 0;
  std::thread daemon;
  int status = -1;
  bool shutDown = false;
  Torvend* torvend = nullptr;
  std::unique_ptr<rpc::TorvendAdminStub> admin;
};

TEST_F(AdminServiceTest, SelectionUserAndListing) {
  start();
  DevicePtr dev2 = torvend->torvendData().devices.byName("dev2");
  DevicePtr dev3 = torvend->torvendData().devices.byName("dev3");
  admin->setCurrentSelectedScanner("127.0.0.3");
  EXPECT_EQ(torvend->torvendData().currentSelectedDevice(), dev2);
  admin->setCurrentSelectedScanner("dev3");
  EXPECT_EQ(torvend->torvendData().currentSelectedDevice(), dev3);
  admin->setCurrentSelectedScanner("nobody");
  EXPECT_EQ(torvend->torvendData().currentSelectedDevice(), dev3);

  admin->setDeviceUser("ann", "dev1");
  admin->setDeviceUser("bob", "unlisted");
  std::vector<DeviceRecord> devices = admin->listScanners();
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(devices[0], (DeviceRecord{"dev1", "127.0.0.2", "Generic", "plant", "ann", 0, false}));
  EXPECT_EQ(devices[1].name, "dev2");
  EXPECT_EQ(devices[1].userName, std::nullopt);
  EXPECT_EQ(devices[2].name, "dev3");
  EXPECT_EQ(devices[2].userName, std::nullopt);
  std::string text = log();
  EXPECT_NE(text.find("Received select_scanner message. Selected scanner: 127.0.0.3"), std::string::npos);
  EXPECT_NE(text.find("Received select_scanner message. Failed to select scanner: nobody"),
            std::string::npos);
}

TEST_F(AdminServiceTest, BroadcastOfFortyFiveCharactersToTwoScanners) {
  start();
  Scanner first("127.0.0.2", scannerPort());
  Scanner second("127.0.0.3", scannerPort());
  ASSERT_TRUE(eventually([&] { return connected("dev1") && connected("dev2"); })) << log();
  EXPECT_EQ(first.drain(), "Connecting...\r\n");
  EXPECT_EQ(second.drain(), "Connecting...\r\n");
  first.clear();
  second.clear();

  const std::string message = "0123456789abcdefghijKLMNOPQRSTUVWXYZ!?@#$%&*+";
  ASSERT_EQ(message.size(), 45u);
  admin->broadcastMessage({"dev1", "127.0.0.3", "dev3", "nobody"}, message);
  const std::string expected =
      "<CLEAR>\r\n\r\nBROADCAST MESSAGE\r\n\r\n0123456789abcdefghij\r\nKLMNOPQRSTUVWXYZ!?@#\r\n$%&*+";
  EXPECT_EQ(first.drain(), expected);
  EXPECT_EQ(second.drain(), expected);
  for (const char* target : {"dev1", "127.0.0.3", "dev3", "nobody"})
    EXPECT_NE(log().find(std::string("Broadcasting message to: ") + target), std::string::npos) << target;
}

TEST_F(AdminServiceTest, ConcurrentClientsAreServedOneAfterTheOther) {
  start();
  std::vector<std::thread> clients;
  std::atomic<int> failures{0};
  for (int client = 0; client < 3; ++client) {
    clients.emplace_back([&, client] {
      auto own = rpc::TorvendAdminStub::lookup(registryPort);
      std::string device = "dev" + std::to_string(client + 1);
      for (int round = 0; round < 10; ++round) {
        std::string user = "user" + std::to_string(client) + "_" + std::to_string(round);
        own->setDeviceUser(user, device);
        for (const DeviceRecord& record : own->listScanners())
          if (record.name == device && record.userName != user) ++failures;
      }
    });
  }
  for (std::thread& client : clients) client.join();
  EXPECT_EQ(failures, 0);

  // Every request was answered before the next one was handed over.
  std::string text = log();
  static const std::regex handOver("Sending Request: |Received Reply");
  std::string previous = "Received Reply";
  int requests = 0;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), handOver); it != std::sregex_iterator();
       ++it) {
    ASSERT_NE(it->str(), previous) << "at request " << requests;
    previous = it->str();
    if (previous != "Received Reply") ++requests;
  }
  EXPECT_EQ(requests, 60);
}

TEST_F(AdminServiceTest, ReloadMergesTheChangedDeviceList) {
  start();
  tree.devices =
      "<device id=\"dev1\"><ip>127.0.0.2</ip><environment>common</environment></device>"
      "<device id=\"dev2\"><ip>127.0.0.3</ip><environment>plant</environment></device>"
      "<device id=\"dev4\"><ip>127.0.0.5</ip><environment>plant</environment></device>";
  tree.writeDevices();
  admin->reInitialize();
  std::vector<DeviceRecord> devices = admin->listScanners();
  ASSERT_EQ(names(), (std::vector<std::string>{"dev1", "dev2", "dev4"}));
  EXPECT_EQ(devices[0].environment, "common");
  EXPECT_EQ(devices[2].ipAddress, "127.0.0.5");
  EXPECT_NE(log().find("Torvend is reinitalized successfully"), std::string::npos);
}

TEST_F(AdminServiceTest, FailedReloadIsRefusedAndTheDaemonGoesOn) {
  start();
  Scanner scanner("127.0.0.2", scannerPort());
  ASSERT_TRUE(eventually([&] { return connected("dev1"); }));
  tree.devices = "<device id=\"dev9\"><ip>127.0.0.9</ip><environment>plant</environment></device>";
  tree.writeDevices();  // would replace every device, were the settings whole

  // A settings file that cannot be read, and one without a required setting.
  struct Case {
    std::function<void()> breakSettings;
    std::string error;
  };
  for (const Case& broken : std::vector<Case>{
           {[&] { tree.dir.write("vav_settings.xml", "<environment_list><environment id=\"common\">"); },
            "Invalid torvend->debug_level"},
           {[&] {
              tree.settings.erase("thread_log_files");
              tree.write();
            },
            "torvend->thread_log_files setting not available"}}) {
    broken.breakSettings();
    try {
      admin->reInitialize();
      ADD_FAILURE() << "reload accepted; expected " << broken.error;
    } catch (const rpc::RemoteError& e) {
      EXPECT_EQ(std::string(e.what()), broken.error);
    }
  }
  // The running configuration stays and the session goes on.
  EXPECT_EQ(names(), (std::vector<std::string>{"dev1", "dev2", "dev3"}));
  EXPECT_TRUE(connected("dev1"));
  EXPECT_EQ(torvend->torvendData().debugLevel, 10);
  EXPECT_NE(log().find("Error while processing the administrative request Invalid torvend->debug_level"),
            std::string::npos);

  tree.settings["thread_log_files"] = "no";
  tree.write();
  admin->reInitialize();
  EXPECT_EQ(names(), (std::vector<std::string>{"dev9"}));
}

TEST_F(AdminServiceTest, ShutdownIsAnsweredBeforeTheDaemonEnds) {
  start();
  ::testing::internal::CaptureStdout();
  admin->shutdown();
  shutDown = true;
  daemon.join();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Inside shutdown in TorvendAdminServer\n");
  EXPECT_EQ(status, 0);
  EXPECT_NE(log().find("Received shutdown message. Exiting..."), std::string::npos);
  EXPECT_THROW(rpc::TorvendAdminStub::lookup(registryPort), rpc::RegistryUnreachable);
}

TEST_F(AdminServiceTest, HandlerRegistrationReachesTheScannerListener) {
  start();
  admin->registerScannerProcessHandler("handler1", {"127.0.0.1", 4001});
  auto handlers = torvend->emulatorListener()->scannerProcessHandlers().snapshot();
  ASSERT_EQ(handlers.size(), 1u);
  EXPECT_EQ(handlers[0].first, "handler1");
}

TEST_F(AdminServiceTest, TakenRegistryPortLeavesTheDaemonWithoutTheService) {
  TcpListener taken = TcpListener::listen(registryPort, true);
  start(/*published=*/false);
  EXPECT_NE(log().find("Exception in creation of the Administartion remote object: "), std::string::npos);
  // Nothing can reach the request loop now; the test ends the daemon through its notifier.
  AdminRequest shutdown;
  shutdown.name = "shutdown";
  torvend->torvendNotifier().sendRequest(shutdown);
  shutDown = true;
}

TEST(TorvendAdminServerTest, HandlerRegistrationsStayInTheTable) {
  testing::DaemonTree tree;
  SystemLogImpl log(tree.logDir());
  TorvendNotifier notifier(log);
  TorvendAdminServer server(log, notifier);
  std::vector<std::string> observed;
  server.setRegistrationObserver([&](const std::string& id, const rpc::Endpoint& handler) {
    observed.push_back(id + ":" + handler.toString());
  });
  server.registerScannerProcessHandler("h1", {"127.0.0.1", 4001});
  server.registerScannerProcessHandler("h2", {"127.0.0.1", 4002});
  server.registerScannerProcessHandler("h1", {"127.0.0.1", 4003});  // replaces the earlier one
  EXPECT_EQ(server.scannerProcessHandlers(),
            (std::map<std::string, rpc::Endpoint>{{"h1", {"127.0.0.1", 4003}}, {"h2", {"127.0.0.1", 4002}}}));
  EXPECT_EQ(server.scannerProcessHandler("h2"), (rpc::Endpoint{"127.0.0.1", 4002}));
  EXPECT_EQ(server.scannerProcessHandler("h3"), std::nullopt);
  EXPECT_EQ(observed.size(), 3u);
}

}  // namespace
}  // namespace tev
