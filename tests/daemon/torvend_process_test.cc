// The daemon as a program: Torvend started on a generated installation, scanners as TCP clients bound to
// 127.0.0.x source addresses, fake_scanner as the scanner process.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "common/child_process.h"
#include "common/fd.h"
#include "common/tcp.h"
#include "common/test_support.h"
#include "daemon/daemon_test_support.h"
#include "daemon/scanner_test_peer.h"

namespace tev {
namespace {

using namespace std::chrono_literals;
using testing::DaemonTree;
using testing::readFile;

constexpr auto kWait = 10s;

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = kWait) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return condition();
}

bool processAlive(pid_t pid) {
  return ::kill(pid, 0) == 0;
}

using testing::freePort;
// A scanner: a TCP connection from a chosen loopback address, and everything it has received.
using Scanner = testing::ScannerTestPeer;

class TorvendProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.settings["emulator_poll_time"] = "10";
    tree.settings["debug_level"] = "10";
    tree.settings["scanner_process_program"] = fake;
    tree.devices =
        "<device id=\"dev1\"><ip>127.0.0.2</ip><environment>plant</environment></device>"
        "<device id=\"dev2\"><ip>127.0.0.4</ip><environment>plant</environment>"
        "<device_type>Simulated</device_type></device>"
        "<device id=\"dev10\"><ip>127.0.0.5</ip><environment>plant</environment></device>";
    std::filesystem::copy_file(TEV_FAKE_SCANNER_EXE, fake);
  }
  void TearDown() override {
    if (daemon) daemon->kill(SIGKILL);
    if (HasFailure())
      std::cerr << log() << readFile(tree.dir.file("torvend.out")) << readFile(tree.dir.file("log/dev1.log"));
  }

  void start(std::vector<std::string> environment = {}) {
    tree.write();
    ChildProcess::Options options;
    options.argv = {TEV_TORVEND_EXE, tree.logDir(), tree.settingsPath()};
    options.extraEnvironment = {"TEV_TORVEND_TEST_WAITS=start=0,setup=0,thread=0,name=1000,retry=100"};
    for (auto& entry : environment) options.extraEnvironment.push_back(entry);
    options.stdoutSpec = StreamSpec::file(tree.dir.file("torvend.out"));
    options.stderrSpec = StreamSpec::file(tree.dir.file("torvend.out"));
    daemon = std::make_unique<ChildProcess>(ChildProcess::start(options));
    std::smatch match;
    static const std::regex listening("Listening on port: (\\d+)");
    ASSERT_TRUE(eventually([&] {
      // The listener writes to a file of its own when thread_log_files is "yes".
      mainLog = readFile(tree.dir.file("torvend.log")) + readFile(tree.dir.file("EmulatorListener.log"));
      return std::regex_search(mainLog, match, listening);
    })) << readFile(tree.dir.file("torvend.out"));
    port = std::stoi(match[1]);
  }

  std::string log() { return readFile(tree.dir.file("torvend.log")); }
  // The scanner processes started so far: pid and arguments, in order.
  std::vector<std::pair<pid_t, std::string>> started() {
    std::vector<std::pair<pid_t, std::string>> processes;
    std::ifstream in(tree.dir.file("started.txt"));
    pid_t pid;
    std::string arguments;
    while (in >> pid && std::getline(in, arguments)) processes.emplace_back(pid, arguments.substr(1));
    return processes;
  }
  std::string argsLine(const std::string& device, const std::string& type = "Generic") {
    return "args: " + tree.dir.path() + " " + tree.settingsPath() + " " + device + " plant " + type + "\r\n";
  }

  DaemonTree tree;
  std::string fake = tree.dir.file("fake_scanner");
  std::unique_ptr<ChildProcess> daemon;
  std::string mainLog;
  int port = 0;
};

TEST_F(TorvendProcessTest, ListedAddressRelaysThroughTheStandardStreams) {
  start();
  Scanner scanner("127.0.0.2", port);
  ASSERT_TRUE(scanner.waitFor(argsLine("dev1")));
  EXPECT_EQ(scanner.received(), "Connecting...\r\n" + argsLine("dev1"));  // no "Device:" prompt

  scanner.clear();
  scanner.send("ABC");  // reaches the process as ABC LF, which it echoes
  EXPECT_TRUE(scanner.waitFor("ABC\n"));
  scanner.send(std::string("X\0", 2));
  EXPECT_TRUE(scanner.waitFor("X\n"));
  scanner.send("Y\n");
  EXPECT_TRUE(scanner.waitFor("Y\n"));
  scanner.send("bytes");  // the process's output passes byte for byte
  EXPECT_TRUE(scanner.waitFor(std::string("bytes\nout\0put", 13)));
  EXPECT_EQ(scanner.received(), std::string("ABC\nX\nY\nbytes\nout\0put", 21));

  std::string text = log();
  EXPECT_NE(text.find("Connected to device IP: 127.0.0.2"), std::string::npos);
  EXPECT_NE(text.find("Execing: " + fake + " " + tree.dir.path()), std::string::npos);
  EXPECT_NE(text.find("Emulator Thread Started for Device : dev1"), std::string::npos);
}

TEST_F(TorvendProcessTest, UnlistedAddressIsAskedForItsName) {
  start();
  Scanner named("127.0.0.3", port);
  ASSERT_TRUE(named.waitFor("Connecting...\r\nDevice:"));
  named.send("dev-2\r");
  EXPECT_TRUE(named.waitFor("Device:dev-2\r" + argsLine("dev2", "Simulated")));

  Scanner unknown("127.0.0.6", port);
  ASSERT_TRUE(unknown.waitFor("Device:"));
  unknown.send("nobody\r");
  EXPECT_TRUE(unknown.waitForEnd());
  EXPECT_EQ(unknown.received(),
            "Connecting...\r\nDevice:nobody\rDevice Not Registered.\r\nRequest From : 127.0.0.6\r\n");

  Scanner silent("127.0.0.7", port);  // the name time-out is 1 s in these tests
  EXPECT_TRUE(silent.waitForEnd());
  EXPECT_EQ(silent.received(),
            "Connecting...\r\nDevice:Device Not Registered.\r\nRequest From : 127.0.0.7\r\n");
  EXPECT_EQ(started().size(), 1u);
}

TEST_F(TorvendProcessTest, SecondConnectionEndsTheFirstSession) {
  start();
  Scanner first("127.0.0.2", port);
  ASSERT_TRUE(first.waitFor(argsLine("dev1")));
  Scanner second("127.0.0.2", port);
  ASSERT_TRUE(second.waitFor(argsLine("dev1")));
  EXPECT_TRUE(first.waitForEnd());
  auto processes = started();
  ASSERT_EQ(processes.size(), 2u);
  EXPECT_TRUE(eventually([&] { return !processAlive(processes[0].first); }));
  second.send("still here");
  EXPECT_TRUE(second.waitFor("still here\n"));
}

TEST_F(TorvendProcessTest, SessionEndsWithTheScannerOrTheProcess) {
  start();
  {
    Scanner scanner("127.0.0.2", port);
    ASSERT_TRUE(scanner.waitFor(argsLine("dev1")));
    scanner.close();
  }
  ASSERT_EQ(started().size(), 1u);
  EXPECT_TRUE(eventually([&] { return !processAlive(started()[0].first); }));
  EXPECT_NE(log().find("Terminating the connection to device: dev1"), std::string::npos);

  Scanner scanner("127.0.0.2", port);
  ASSERT_TRUE(scanner.waitFor(argsLine("dev1")));
  scanner.send("exit");
  EXPECT_TRUE(scanner.waitForEnd());
  EXPECT_TRUE(eventually(
      [&] { return log().find("The scanner program terminated for device: dev1") != std::string::npos; }));
}

TEST_F(TorvendProcessTest, IdleTimeOutClosesTheSession) {
  tree.settings["emulator_conn_time_out"] = "3";
  tree.settings["emulator_thread_count"] = "2";
  start();
  Scanner scanner("127.0.0.2", port);
  scanner.send("x");  // input (waiting in the process's input until it runs) resets the idle count
  ASSERT_TRUE(scanner.waitFor(argsLine("dev1") + "x\n"));
  auto begin = std::chrono::steady_clock::now();
  scanner.send("y");  // the count starts again from here
  EXPECT_TRUE(scanner.waitForEnd(10s));
  EXPECT_GE(std::chrono::steady_clock::now() - begin, 2700ms);
  EXPECT_NE(log().find("dev1 timed out. Closing the scanner program"), std::string::npos);
  EXPECT_TRUE(eventually([&] { return !processAlive(started()[0].first); }));
}

TEST_F(TorvendProcessTest, SocketChannelToTheScannerProcess) {
  tree.settings["use_sockets_with_scanner_process"] = "yes";
  tree.settings["scanner_process_port"] = std::to_string(freePort());
  tree.settings["no_of_socket_reties"] = "50";  // 100 ms apart
  start();
  Scanner scanner("127.0.0.2", port);
  ASSERT_TRUE(scanner.waitFor(argsLine("dev1")));
  scanner.send("ABC");
  EXPECT_TRUE(scanner.waitFor("ABC\n"));
  EXPECT_NE(log().find("Communication established: dev1"), std::string::npos);

  // The next session of the same device: the earlier process has ended and freed the port.
  Scanner again("127.0.0.2", port);
  ASSERT_TRUE(again.waitFor(argsLine("dev1")));
  EXPECT_TRUE(scanner.waitForEnd());
}

TEST_F(TorvendProcessTest, UnreachableProcessGivesTheSetUpUp) {
  tree.settings["use_sockets_with_scanner_process"] = "yes";
  tree.settings["scanner_process_port"] = std::to_string(freePort());
  tree.settings["no_of_socket_reties"] = "2";
  start({"FAKE_SCANNER_NO_LISTEN=1"});
  Scanner scanner("127.0.0.2", port);
  EXPECT_TRUE(scanner.waitForEnd());
  EXPECT_EQ(scanner.received(), "Connecting...\r\n");
  // The connection closes before the failure is logged.
  ASSERT_TRUE(eventually([&] { return log().find("Emulator thread error. ") != std::string::npos; }));
  std::string text = log();
  std::smatch pid;
  ASSERT_TRUE(std::regex_search(text, pid, std::regex("Scanner Process started by Torvend (\\d+)")));
  EXPECT_TRUE(eventually([&] { return !processAlive(std::stoi(pid[1])); }));
  size_t attempts = 0;
  for (size_t at = 0; (at = text.find("Failed to establish socket connection with scanner process. ", at)) !=
                      std::string::npos;
       ++at)
    ++attempts;
  EXPECT_EQ(attempts, 2u);
}

TEST_F(TorvendProcessTest, ConfiguredProgramRunsAsACopyPerDevice) {
  tree.plantExtra = "<config_param id=\"scanner_program\">" + fake + " " + tree.dir.path() + " " +
                    tree.settingsPath() + "</config_param>";
  start();
  Scanner scanner("127.0.0.2", port);
  ASSERT_TRUE(scanner.waitFor("args: "));
  EXPECT_TRUE(scanner.waitFor(argsLine("dev1")));
  EXPECT_TRUE(std::filesystem::exists(fake + "_dev1"));
  EXPECT_NE(log().find("Execing: " + fake + "_dev1  " + tree.dir.path()), std::string::npos);
}

TEST_F(TorvendProcessTest, LogLevelsAndFilesFollowTheSettings) {
  tree.settings["debug_level"] = "1";
  tree.settings["thread_log_files"] = "yes";
  tree.settings["device_log_files"] = "yes";
  start();
  Scanner scanner("127.0.0.2", port);
  ASSERT_TRUE(scanner.waitFor(argsLine("dev1")));
  scanner.send("x");
  ASSERT_TRUE(scanner.waitFor("x\n"));
  std::string listener = readFile(tree.dir.file("EmulatorListener.log"));
  EXPECT_NE(listener.find("| Connected to device IP: 127.0.0.2\n"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(tree.dir.file("dev1_debug.log")));
  EXPECT_NE(readFile(tree.dir.file("EmulatorThreaddev1.log")).find("EmulatorThread dev1 Started"),
            std::string::npos);
  std::string text = log();
  EXPECT_EQ(text.find("Connected to device IP"), std::string::npos);  // a thread's lines are in its own file
  EXPECT_EQ(text.find("Read "), std::string::npos);                   // level 10 traces are filtered out
  EXPECT_TRUE(std::regex_search(
      text,
      std::regex(R"(^\d\d-\d\d-\d\d \d\d:\d\d:\d\d\| Created Notifier object$)", std::regex::multiline)));
}

TEST_F(TorvendProcessTest, DeviceLogsAreBackedUpBeforeANewProcess) {
  tree.keepLogFiles = "yes";
  tree.write();
  tree.dir.write("log/dev1.log", "old session");
  tree.dir.write("log/dev1_debug.log", "old debug");
  tree.dir.write("log/dev10_debug.log", "another device");
  start();
  Scanner scanner("127.0.0.2", port);
  ASSERT_TRUE(scanner.waitFor(argsLine("dev1")));
  std::vector<std::string> backups;
  for (const auto& entry : std::filesystem::directory_iterator(tree.dir.file("backup")))
    backups.push_back(entry.path().filename());
  std::sort(backups.begin(), backups.end());
  ASSERT_EQ(backups.size(), 2u);
  EXPECT_TRUE(std::regex_match(backups[0], std::regex(R"(dev1-\d{8}-\d{6}\.log)"))) << backups[0];
  EXPECT_TRUE(std::regex_match(backups[1], std::regex(R"(dev1_debug-\d{8}-\d{6}\.log)"))) << backups[1];
  EXPECT_EQ(readFile(tree.dir.file("log/dev10_debug.log")), "another device");
  EXPECT_NE(log().find("Backup of Device :dev1 completed"), std::string::npos);
}

TEST(TorvendProgram, StartFailuresExitNonZero) {
  DaemonTree tree;
  tree.settings.erase("webscanner_port");
  tree.write();
  for (const auto& [args, status] : std::vector<std::pair<std::vector<std::string>, int>>{
           {{TEV_TORVEND_EXE, tree.logDir()}, 2},
           {{TEV_TORVEND_EXE, tree.logDir(), tree.settingsPath()}, 1},
           {{TEV_TORVEND_EXE, "/nonexistent", tree.settingsPath()}, 1}}) {
    ChildProcess::Options options;
    options.argv = args;
    options.extraEnvironment = {"TEV_TORVEND_TEST_WAITS=start=0"};
    options.stdoutSpec = StreamSpec::null();
    options.stderrSpec = StreamSpec::null();
    ChildProcess process = ChildProcess::start(options);
    auto exit = process.waitFor(10s);
    ASSERT_TRUE(exit.has_value());
    EXPECT_EQ(exit->code, status);
  }
  EXPECT_NE(readFile(tree.dir.file("torvend.log")).find("torvend->webscanner_port"), std::string::npos);
}

}  // namespace
}  // namespace tev
