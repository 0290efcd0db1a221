#include "daemon/emulator_listener.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <thread>

#include "daemon/daemon_test_support.h"

namespace tev {
namespace {

using namespace std::chrono_literals;

using testing::socketPair;
std::string readAll(int fd) {
  return testing::readAll(fd, 500ms);
}

class ListenerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.devices =
        "<device id=\"dev7\"><ip>10.0.0.7</ip><environment>plant</environment>"
        "<device_type>sImUlAtEd</device_type></device>"
        "<device id=\"dev8\"><ip>10.0.0.8</ip><environment>plant</environment></device>";
    tree.settings["emulator_thread_count"] = "2";
    tree.write();
    log = std::make_unique<SystemLogImpl>(tree.logDir());
    data = TorvendData::load(*log, tree.settingsPath(), std::nullopt);
    log->initialize(data.get());
    for (const DeviceListEntry& entry : data->deviceListEntries())
      data->devices.add(std::make_shared<Device>(entry));
    waits.name = 300ms;
    listener = std::make_unique<EmulatorListener>(*log, *data, waits, "/bin/false");
  }

  // The dialogue on a socket pair: the scanner's end gets the given chunks, one after another.
  DevicePtr dialogue(const std::vector<std::string>& chunks, std::string& received, bool close = false) {
    auto [scanner, daemonEnd] = socketPair();
    std::thread peer([&, fd = scanner.get()] {
      for (const std::string& chunk : chunks) {
        std::this_thread::sleep_for(30ms);
        writeAll(fd, chunk);
      }
      if (close) ::shutdown(fd, SHUT_WR);
    });
    DevicePtr device = listener->handleSimulatedDeviceConnection(daemonEnd, "10.9.9.9");
    peer.join();
    if (!device) {
      EXPECT_FALSE(daemonEnd.valid());
    }
    received = readAll(scanner.get());
    return device;
  }

  testing::DaemonTree tree;
  std::unique_ptr<SystemLogImpl> log;
  std::unique_ptr<TorvendData> data;
  DaemonWaits waits;
  std::unique_ptr<EmulatorListener> listener;
};

TEST_F(ListenerTest, DeviceDialogueCleansAndEchoesTheName) {
  std::string received;
  DevicePtr device = dialogue({"de", "v-7\r\n"}, received);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->name, "dev7");
  EXPECT_EQ(received, "Device:dev-7\r\n");

  // Only bytes that leave something after cleaning are echoed; the name is looked up by name alone.
  device = dialogue({"--", "dev8\r"}, received);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->name, "dev8");
  EXPECT_EQ(received, "Device:dev8\r");
}

TEST_F(ListenerTest, UnknownSilentOrVanishingScanners) {
  const std::string refused = "Device Not Registered.\r\nRequest From : 10.9.9.9\r\n";
  std::string received;
  EXPECT_EQ(dialogue({"nobody\r"}, received), nullptr);
  EXPECT_EQ(received, "Device:nobody\r" + refused);
  EXPECT_EQ(dialogue({}, received), nullptr);  // never answers: time-out
  EXPECT_EQ(received, "Device:" + refused);
  EXPECT_EQ(dialogue({}, received, true), nullptr);  // end of stream at once: closed without a word
  EXPECT_EQ(received, "Device:");
  EXPECT_EQ(dialogue({"dev"}, received, true), nullptr);
  EXPECT_EQ(received, "Device:dev");
  std::string mainLog = testing::readFile(tree.dir.file("torvend.log"));
  EXPECT_NE(
      mainLog.find("Device Not Registered.Terminating the connection. Request From IP Address: 10.9.9.9"),
      std::string::npos);
  EXPECT_NE(mainLog.find("Failed to read device name"), std::string::npos);
}

TEST_F(ListenerTest, PoolThreadWithFewestDevicesTakesTheNextOne) {
  listener->start();
  for (int i = 0; i < 200 && listener->emulatorThreads().size() < 2; ++i) std::this_thread::sleep_for(10ms);
  auto threads = listener->emulatorThreads();
  ASSERT_EQ(threads.size(), 2u);
  EXPECT_EQ(listener->getThreadWithMinDevices(), threads[0]);

  // Live sessions (the test keeps the other ends) so that the threads keep their devices.
  std::vector<Fd> keep;
  auto live = [&](const std::string& name) {
    auto device = std::make_shared<Device>(DeviceListEntry{name, "10.1.1.1", "plant", "Generic"});
    auto [scanner, daemonEnd] = socketPair();
    auto [process, processEnd] = socketPair();
    device->scannerSocket = std::move(daemonEnd);
    device->scannerProcessSocket = std::move(processEnd);
    keep.push_back(std::move(scanner));
    keep.push_back(std::move(process));
    return device;
  };
  threads[0]->addDevice(live("a"));
  EXPECT_EQ(listener->getThreadWithMinDevices(), threads[1]);
  threads[0]->addDevice(live("b"));
  threads[0]->addDevice(live("c"));
  threads[1]->addDevice(live("d"));
  EXPECT_EQ(listener->getThreadWithMinDevices(), threads[1]);
  listener->stop();
}

TEST_F(ListenerTest, BroadcastReachesScannerAndWatchers) {
  DevicePtr device = data->devices.byName("dev8");
  auto [scanner, daemonEnd] = socketPair();
  auto [watcher, watcherEnd] = socketPair();
  device->scannerSocket = std::move(daemonEnd);
  device->addWebscanner(std::move(watcherEnd));
  listener->broadcastMessage("10.0.0.8", "hello");
  listener->broadcastMessage("nobody", "ignored");
  EXPECT_EQ(readAll(scanner.get()), "<CLEAR>hello");
  EXPECT_EQ(readAll(watcher.get()), "<CLEAR>hello");
}

}  // namespace
}  // namespace tev
