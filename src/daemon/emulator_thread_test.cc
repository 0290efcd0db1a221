#include "daemon/emulator_thread.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <thread>

#include "common/fd.h"
#include "daemon/daemon_test_support.h"

namespace tev {
namespace {

using namespace std::chrono_literals;

using testing::socketPair;
// Everything waiting on fd (waits briefly for the first bytes).
std::string drain(int fd, std::chrono::milliseconds wait = 200ms) {
  std::string text;
  char buffer[4096];
  for (;;) {
    ReadResult read = readSome(fd, buffer, sizeof buffer, text.empty() ? wait : 20ms);
    if (!read.data()) return text;
    text.append(buffer, read.bytes);
  }
}

// A device with a live session: the test holds the scanner's end, the process's ends and a watcher.
class RelayTest : public ::testing::Test {
 protected:
  RelayTest() : log(dir.path()) {
    data.debugLevel = 10;
    data.emulatorPollTime = 100;
    auto keyMap = std::make_shared<EmulatorSettings>();
    keyMap->CLEAR = "<CLEAR>";
    data.setEmulatorKeyMap(keyMap);
    log.initialize(&data);
    device = std::make_shared<Device>(DeviceListEntry{"dev1", "127.0.0.2", "plant", "Generic"});
    auto [scannerEnd, deviceEnd] = socketPair();
    scanner = std::move(scannerEnd);
    Pipe toProcess = makePipe();
    Pipe fromProcess = makePipe();
    processIn = std::move(toProcess.readEnd);
    processOut = std::move(fromProcess.writeEnd);
    auto [watcherEnd, watcherDeviceEnd] = socketPair();
    watcher = std::move(watcherEnd);
    device->scannerSocket = std::move(deviceEnd);
    device->pout = std::move(toProcess.writeEnd);
    device->pin = std::move(fromProcess.readEnd);
    device->webscanners.push_back(std::move(watcherDeviceEnd));
    device->connected = true;
    device->userName = "ann";
  }

  testing::TempDir dir;
  SystemLogImpl log;
  TorvendData data;
  DevicePtr device;
  Fd scanner, processIn, processOut, watcher;
};

TEST_F(RelayTest, ScannerInputEndsWithOneLineFeed) {
  EmulatorThread thread(log, data, "1");
  struct Case {
    std::string in, out;
  };
  for (const Case& c : {Case{"ABC", "ABC\n"}, Case{std::string("ABC\0", 4), "ABC\n"}, Case{"ABC\n", "ABC\n"},
                        Case{"A\r", "A\r\n"}}) {
    writeAll(scanner.get(), c.in);
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(thread.processScannerDevice(*device));
    EXPECT_EQ(drain(processIn.get()), c.out);
  }
  EXPECT_EQ(device->lastInputInterval, 0);
}

TEST_F(RelayTest, AFullBufferGetsItsLineFeedToo) {
  EmulatorThread thread(log, data, "1");
  std::string big(EmulatorThread::kBufferSize + 5, 'x');
  writeAll(scanner.get(), big);
  std::this_thread::sleep_for(20ms);
  thread.processScannerDevice(*device);
  thread.processScannerDevice(*device);
  EXPECT_EQ(drain(processIn.get()), std::string(EmulatorThread::kBufferSize, 'x') + "\n" + "xxxxx\n");
}

TEST_F(RelayTest, ProcessOutputReachesScannerAndWatchersUnchanged) {
  EmulatorThread thread(log, data, "1");
  std::string screen("\x1b[H\x1b[2JLogin\r\nUser:\0", 20);
  writeAll(processOut.get(), screen);
  std::this_thread::sleep_for(20ms);
  EXPECT_TRUE(thread.processScannerDevice(*device));
  EXPECT_EQ(drain(scanner.get()), screen);
  EXPECT_EQ(drain(watcher.get()), screen);

  // A watcher that went away is dropped; the scanner still gets its bytes.
  watcher.reset();
  writeAll(processOut.get(), "more");
  std::this_thread::sleep_for(20ms);
  EXPECT_TRUE(thread.processScannerDevice(*device));
  EXPECT_EQ(drain(scanner.get()), "more");
  EXPECT_TRUE(device->webscanners.empty());
}

TEST_F(RelayTest, IdleTimeOutCountsPollTimeUntilTheLimit) {
  data.emulatorConnectionTimeOut = 1;  // 1 s with a poll time of 100 ms: ten idle visits are allowed
  EmulatorThread thread(log, data, "1");
  for (int visit = 0; visit < 10; ++visit) ASSERT_TRUE(thread.processScannerDevice(*device)) << visit;
  EXPECT_EQ(device->lastInputInterval, 1000);
  EXPECT_FALSE(thread.processScannerDevice(*device));
  EXPECT_FALSE(device->connected);
  EXPECT_FALSE(device->scannerSocket.valid());
  EXPECT_EQ(device->userName, std::nullopt);
  std::string mainLog = testing::readFile(dir.file("torvend.log"));
  EXPECT_NE(mainLog.find("dev1 timed out.\n"), std::string::npos);
  EXPECT_NE(mainLog.find("dev1 timed out. Closing the scanner program"), std::string::npos);
  // The watcher stays attached and is told.
  EXPECT_EQ(drain(watcher.get()), "<CLEAR>\r\n\r\n\r\n\n\rDevice dev1[127.0.0.2]\r\n is disconnected");
  EXPECT_EQ(device->webscanners.size(), 1u);
}

TEST_F(RelayTest, NoTimeOutWhenZeroAndAnyInputResetsTheCount) {
  EmulatorThread thread(log, data, "1");
  for (int visit = 0; visit < 50; ++visit) ASSERT_TRUE(thread.processScannerDevice(*device));
  data.emulatorConnectionTimeOut = 3;
  writeAll(scanner.get(), "k");
  std::this_thread::sleep_for(20ms);
  EXPECT_TRUE(thread.processScannerDevice(*device));
  EXPECT_EQ(device->lastInputInterval, 0);
}

TEST_F(RelayTest, EndOfStreamFromTheScannerEndsTheSession) {
  EmulatorThread thread(log, data, "1");
  scanner.reset();
  EXPECT_FALSE(thread.processScannerDevice(*device));
  EXPECT_FALSE(device->connected);
  EXPECT_FALSE(device->pin.valid());
  EXPECT_FALSE(device->pout.valid());
}

TEST_F(RelayTest, EndOfStreamFromTheProcessEndsTheSession) {
  EmulatorThread thread(log, data, "1");
  processOut.reset();
  EXPECT_FALSE(thread.processScannerDevice(*device));
  EXPECT_FALSE(device->connected);
  EXPECT_EQ(drain(scanner.get()), "");  // the scanner's connection is closed: end of stream, nothing more
  EXPECT_NE(
      testing::readFile(dir.file("torvend.log")).find("The scanner program terminated for device: dev1"),
      std::string::npos);
}

TEST_F(RelayTest, PerDeviceThreadEndsWithItsSessionAndResetKeepsOrDropsWatchers) {
  data.emulatorConnectionTimeOut = 0;
  data.emulatorPollTime = 5;
  EmulatorThread thread(log, data, "dev1");
  thread.addDevice(device);
  thread.start();
  writeAll(scanner.get(), "hello");
  EXPECT_EQ(drain(processIn.get(), 2000ms), "hello\n");
  EXPECT_TRUE(thread.isProcessing(device));
  thread.terminateDevice(device);
  EXPECT_FALSE(thread.isProcessing(device));
  EXPECT_TRUE(device->webscanners.empty());
  for (int i = 0; i < 200 && !thread.finished(); ++i) std::this_thread::sleep_for(10ms);
  EXPECT_TRUE(thread.finished());
}

TEST_F(RelayTest, PoolThreadKeepsPollingWithoutDevices) {
  data.emulatorThreadCount = 2;
  data.emulatorPollTime = 5;
  EmulatorThread thread(log, data, "1");
  thread.start();
  for (int i = 0; i < 500 && thread.timeFromStart() < 20; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_GE(thread.timeFromStart(), 20);
  EXPECT_FALSE(thread.finished());
  thread.addDevice(device);
  writeAll(processOut.get(), "screen");
  EXPECT_EQ(drain(scanner.get(), 2000ms), "screen");
  thread.removeAndDisconnectDevice(device);
  EXPECT_EQ(thread.getDeviceCount(), 0u);
  EXPECT_EQ(device->webscanners.size(), 1u);  // watchers stay for the next session
}

}  // namespace
}  // namespace tev
