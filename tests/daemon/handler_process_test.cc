// Handler processes with the daemon as programs: ScannerProcessHandlerImpl processes register with the
// daemon and start fake_scanner for it; the process channel is the local TCP connection.
#include <gtest/gtest.h>

#include <fstream>

#include "periphery_test_support.h"

namespace tev {
namespace {

using namespace std::chrono_literals;
using testing::DaemonRun;
using testing::DaemonTree;
using testing::eventually;
using testing::Peer;
using testing::processAlive;
using testing::readFile;

// A handler program with its log in the installation's directory.
class HandlerRun {
 public:
  HandlerRun(DaemonTree& tree, const std::string& id, int capacity, int registryPort,
             const std::string& delay = "0")
      : tree_(tree), id_(id) {
    ChildProcess::Options options;
    options.argv = {TEV_HANDLER_EXE, id,   std::to_string(capacity), std::to_string(registryPort),
                    tree.logDir(),   delay};
    options.stdoutSpec = StreamSpec::file(tree.dir.file(id + ".out"));
    options.stderrSpec = StreamSpec::file(tree.dir.file(id + ".out"));
    process_ = ChildProcess::start(options);
  }
  ~HandlerRun() {
    process_.kill(SIGTERM);
    process_.waitFor(5s);
  }
  std::string log() const { return readFile(tree_.dir.file(id_ + ".log")); }
  int registrations() const {
    std::string text = log();
    int count = 0;
    for (size_t at = 0; (at = text.find("Registered with TorvendAdminServer", at)) != std::string::npos; ++at)
      ++count;
    return count;
  }
  ChildProcess& process() { return process_; }

 private:
  DaemonTree& tree_;
  std::string id_;
  ChildProcess process_;
};

class HandlerProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.settings["use_sockets_with_scanner_process"] = "yes";
    tree.settings["scanner_process_port"] = std::to_string(testing::freePort());
    tree.settings["no_of_socket_reties"] = "50";  // 100 ms apart
    tree.devices =
        "<device id=\"dev1\"><ip>127.0.0.2</ip><environment>plant</environment></device>"
        "<device id=\"dev3\"><ip>127.0.0.3</ip><environment>plant</environment></device>"
        "<device id=\"dev4\"><ip>127.0.0.4</ip><environment>plant</environment></device>";
  }
  void TearDown() override {
    if (!HasFailure()) return;
    std::cerr << daemon.log() << readFile(tree.dir.file("torvend.out"));
    // The handlers' logs and the output of the processes they started.
    for (const auto& name : tree.dir.entries())
      if (name.ends_with(".log") && name != "torvend.log")
        std::cerr << "--- " << name << "\n" << readFile(tree.dir.file(name));
  }
  // pid and device of each scanner process started so far, in order.
  std::vector<std::pair<pid_t, std::string>> started() {
    std::vector<std::pair<pid_t, std::string>> processes;
    std::ifstream in(tree.dir.file("started.txt"));
    pid_t pid;
    std::string root, settings, device, rest;
    while (in >> pid >> root >> settings >> device && std::getline(in, rest))
      processes.emplace_back(pid, device);
    return processes;
  }

  DaemonTree tree;
  DaemonRun daemon{tree};
};

TEST_F(HandlerProcessTest, FullHandlersArePassedOverUntilAllAreFull) {
  daemon.start();
  HandlerRun a(tree, "A", 1, daemon.registryPort);
  HandlerRun b(tree, "B", 1, daemon.registryPort);
  ASSERT_TRUE(eventually([&] { return a.registrations() == 1 && b.registrations() == 1; }));

  Peer dev1(daemon.port, "127.0.0.2");
  ASSERT_TRUE(dev1.waitFor(daemon.argsLine("dev1")));
  Peer dev3(daemon.port, "127.0.0.3");
  ASSERT_TRUE(dev3.waitFor(daemon.argsLine("dev3")));
  dev3.send("through B");
  EXPECT_TRUE(dev3.waitFor("through B\n"));
  std::string log = daemon.log();
  EXPECT_NE(log.find("Device : dev1 Started By Process : A"), std::string::npos);
  EXPECT_NE(log.find("Device : dev3 Started By Process : B"), std::string::npos);  // A is full
  EXPECT_EQ(log.find("Scanner Process started by Torvend"), std::string::npos);

  // Every handler full: the scanner is told and let go, no process starts.
  Peer dev4(daemon.port, "127.0.0.4");
  ASSERT_TRUE(dev4.waitForEnd());
  EXPECT_EQ(dev4.received(), "Connecting...\r\nHandlers Capacity Reached. Please contact Support\r\n");
  EXPECT_EQ(started().size(), 2u);

  // The end of dev1's session ends its process through A, which then has room again.
  dev1.close();
  ASSERT_TRUE(
      eventually([&] { return a.log().find("Device Termination: dev1 Successfully") != std::string::npos; }));
  EXPECT_TRUE(eventually([&] { return !processAlive(started()[0].first); }));
  EXPECT_NE(daemon.log().find("EmulatorThread: terminated from Processor :A"), std::string::npos);
  Peer dev4Again(daemon.port, "127.0.0.4");
  ASSERT_TRUE(dev4Again.waitFor(daemon.argsLine("dev4")));
  EXPECT_NE(daemon.log().find("Device : dev4 Started By Process : A"), std::string::npos);
}

TEST_F(HandlerProcessTest, SecondConnectionOfADeviceReplacesItsProcess) {
  daemon.start();
  HandlerRun a(tree, "A", 1, daemon.registryPort);
  ASSERT_TRUE(eventually([&] { return a.registrations() == 1; }));
  Peer first(daemon.port, "127.0.0.2");
  ASSERT_TRUE(first.waitFor(daemon.argsLine("dev1")));
  // A handler of capacity 1 takes the device again: its old process is ended before the new one starts.
  Peer second(daemon.port, "127.0.0.2");
  ASSERT_TRUE(second.waitFor(daemon.argsLine("dev1")));
  EXPECT_TRUE(first.waitForEnd());
  auto processes = started();
  ASSERT_EQ(processes.size(), 2u);
  EXPECT_TRUE(eventually([&] { return !processAlive(processes[0].first); }));
  EXPECT_TRUE(processAlive(processes[1].first));
  second.send("still here");
  EXPECT_TRUE(second.waitFor("still here\n"));
}

TEST_F(HandlerProcessTest, HandlerRegistersAgainWithARestartedDaemon) {
  daemon.start();
  HandlerRun a(tree, "A", 2, daemon.registryPort);
  ASSERT_TRUE(eventually([&] { return a.registrations() == 1; }));
  daemon.stop();
  daemon.start();  // same registry port, a fresh daemon that knows no handler
  ASSERT_TRUE(eventually([&] { return a.registrations() == 2; }, 15s)) << a.log();
  Peer scanner(daemon.port, "127.0.0.2");
  ASSERT_TRUE(scanner.waitFor(daemon.argsLine("dev1")));
  EXPECT_NE(daemon.log().find("Device : dev1 Started By Process : A"), std::string::npos);
}

TEST(HandlerProgram, ArgumentsAndStartDelay) {
  DaemonTree tree;
  {
    ChildProcess::Options options;
    options.argv = {TEV_HANDLER_EXE, "A", "2", "1099"};
    options.stdoutSpec = StreamSpec::file(tree.dir.file("usage.out"));
    ChildProcess usage = ChildProcess::start(options);
    auto status = usage.waitFor(10s);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->code, 0);
    EXPECT_EQ(readFile(tree.dir.file("usage.out")),
              "Usuage exec tev.framework.torvend.ScannerProcessHandlerImpl <Name of Handler> <No of Devices> "
              "<Rmi Port> <log file Directory>\n");
  }
  // With a start delay of 1 s the log opens (and registration begins) after that second; the handler keeps
  // trying while no daemon answers, and SIGTERM ends it with status 0.
  auto begin = std::chrono::steady_clock::now();
  HandlerRun late(tree, "late", 1, testing::freePort(), "1");
  ASSERT_TRUE(eventually([&] { return late.log().find("Locating RMIRegistry ....") != std::string::npos; }));
  EXPECT_GE(std::chrono::steady_clock::now() - begin, 900ms);
  ASSERT_TRUE(eventually([&] { return late.log().find("RegistryUnreachable") != std::string::npos; }));
  late.process().kill(SIGTERM);
  auto status = late.process().waitFor(10s);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->code, 0);
  EXPECT_FALSE(status->signaled());
}

}  // namespace
}  // namespace tev
