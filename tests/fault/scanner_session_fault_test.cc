// Faults around a running scanner session, with the whole system on a copy of the demo: the daemon
// (Torvend) accepts scanners from 127.0.0.1 (device demo1) and 127.0.0.2 (demo3, added to the copy's device
// list), starts the real scanner process (VAVInterface) for each, and relays against a router simulator.
//
//   - the scanner process of a logged-in scanner is killed with SIGKILL: the daemon notices, ends the
//     scanner's connection and reaps the process; the same device connects and logs in again;
//   - a scanner sends a large burst of random bytes and vanishes (closes its connection, or goes silent and
//     later drops off): its session ends and its process goes, while another logged-in scanner answers
//     promptly all along, whether each device has a relay thread of its own or both share one.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "../session/scanner_process_driver.h"
#include "common/child_process.h"
#include "common/fd.h"
#include "common/test_support.h"
#include "daemon/scanner_test_peer.h"
#include "sim/erp_sim.h"
#include "sim/screen_model.h"

namespace tev::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kStep = 30s;  // the longest wait for one screen (the scanner process is slow under sanitizers)

// A process that has ended and been reaped is gone from /proc.
bool processGone(pid_t pid) {
  return !std::filesystem::exists("/proc/" + std::to_string(pid));
}

// A scanner connected to the daemon and the screen its bytes draw.
class Scanner {
 public:
  Scanner(const std::string& source, int port) : peer_(source, port) {}

  // Reads until the condition holds on the screen and on what arrived since `since` (an offset into
  // everything received); false when the time runs out.
  bool waitUntil(const std::function<bool(const sim::ScreenModel&, std::string_view)>& condition,
                 std::size_t since, std::chrono::milliseconds limit = kStep) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      peer_.drain(30ms);
      const std::string& received = peer_.received();
      if (received.size() == fed_)
        std::this_thread::sleep_for(10ms);  // nothing new (or the connection ended)
      screen_.feed(std::string_view(received).substr(fed_));
      fed_ = received.size();
      if (condition(screen_, std::string_view(received).substr(std::min(since, received.size()))))
        return true;
      if (std::chrono::steady_clock::now() >= deadline) return false;
    }
  }
  // Sends the keys in one chunk and waits until what the process draws in answer contains the text.
  bool step(const std::string& keys, const std::string& expected) {
    std::size_t since = peer_.received().size();
    if (!keys.empty()) peer_.send(keys);
    bool shown =
        waitUntil([&](const sim::ScreenModel&,
                      std::string_view answer) { return answer.find(expected) != std::string_view::npos; },
                  since);
    if (!shown) ADD_FAILURE() << "no " << expected << " on\n" << screen_.dump();
    return shown;
  }
  void send(const std::string& keys) { peer_.send(keys); }
  bool waitForEnd(std::chrono::milliseconds limit = kStep) { return peer_.waitForEnd(limit); }
  const sim::ScreenModel& screen() const { return screen_; }

  // Welcome, user and password, warehouse and language as they stand: the menu.
  bool logIn() {
    return step("", "Continue") && step("\r", "Password:") && step("demo\r", "demo") &&
           step("demo\r", "Language:") && step("\r", "W1") && step("\r", "Menu  demo");
  }
  // From the menu into the Echo transaction of the Tools menu.
  bool openEcho() { return step("3", "3 of 3") && step("\r", "1. Echo") && step("\r", "Text:"); }
  // In the Echo transaction: the text comes back in the Echoed field.
  bool echoes(const std::string& text, std::chrono::milliseconds limit = kStep) {
    peer_.send(text + "\r");
    bool shown = waitUntil(
        [&](const sim::ScreenModel& screen, std::string_view) {
          int row = screen.findRow("Echoed:");
          return row > 0 && screen.line(row).find(text) != std::string::npos;
        },
        0, limit);
    if (!shown) ADD_FAILURE() << "no echo of " << text << " on\n" << screen_.dump();
    return shown;
  }

 private:
  ScannerTestPeer peer_;
  sim::ScreenModel screen_;
  std::size_t fed_ = 0;
};

class ScannerSessionFaultTest : public ::testing::Test {
 protected:
  ScannerSessionFaultTest() {
    demo.setSetting("port", "7600", std::to_string(router.port()));
    demo.setSetting("emulator_port", "6000", std::to_string(scannerPort));
    demo.setSetting("webscanner_port", "6001", std::to_string(freePort()));
    demo.setSetting("rmi_registry_port", "1099", std::to_string(freePort()));
    demo.replace("config/device_list.xml", "</device_list>",
                 "<device id=\"demo3\"><ip>127.0.0.2</ip><environment>demo</environment>"
                 "<device_type>Generic</device_type></device></device_list>");
  }
  ~ScannerSessionFaultTest() override {
    if (daemon) {
      daemon->kill(SIGTERM);
      if (!daemon->waitFor(10s)) daemon->kill(SIGKILL);
    }
    // Scanner processes the daemon left behind (checked to be still ours: a scanner process in this copy).
    for (pid_t pid : seen) {
      const std::string proc = "/proc/" + std::to_string(pid);
      std::error_code error;
      if (readFile(proc + "/cmdline").find("VAVInterface") != std::string::npos &&
          std::filesystem::read_symlink(proc + "/cwd", error) == demo.root())
        ::kill(pid, SIGKILL);
    }
  }
  void TearDown() override {
    if (HasFailure()) std::cerr << demo.read("log/torvend.log") << demo.read("torvend.out");
  }

  void start() {
    ChildProcess::Options options;
    options.argv = {TEV_TORVEND_EXE, "log", "vav_settings.xml"};
    options.workingDirectory = demo.root();
    options.extraEnvironment = {"TEV_TORVEND_TEST_WAITS=start=0,setup=0,thread=0,name=1000,retry=100"};
    options.stdoutSpec = StreamSpec::file(demo.file("torvend.out"));
    options.stderrSpec = StreamSpec::file(demo.file("torvend.out"));
    daemon = std::make_unique<ChildProcess>(ChildProcess::start(options));
  }

  std::unique_ptr<Scanner> connect(const std::string& source) {
    std::unique_ptr<Scanner> scanner;
    eventually(
        [&] {
          try {
            scanner = std::make_unique<Scanner>(source, scannerPort);
            return true;
          } catch (const Error&) {
            return false;
          }
        },
        20s);
    return scanner;
  }

  // The scanner process the daemon started for the device: its child whose arguments name the device.
  std::optional<pid_t> scannerProcessOf(const std::string& device) {
    std::optional<pid_t> found;
    eventually(
        [&] {
          for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            std::string stat = readFile(entry.path().string() + "/stat");
            std::size_t close = stat.rfind(')');
            if (close == std::string::npos) continue;
            std::istringstream fields(stat.substr(close + 2));
            char state = 0;
            pid_t parent = 0;
            fields >> state >> parent;
            if (parent != daemon->pid() || state == 'Z') continue;
            std::string cmdline = readFile(entry.path().string() + "/cmdline");
            std::vector<std::string> args;
            std::istringstream parts(cmdline);
            for (std::string arg; std::getline(parts, arg, '\0');) args.push_back(arg);
            if (std::find(args.begin(), args.end(), device) != args.end()) {
              found = std::stoi(name);
              seen.push_back(*found);
              return true;
            }
          }
          return false;
        },
        20s);
    return found;
  }

  std::string daemonLog() const { return demo.read("log/torvend.log"); }
  bool logged(const std::string& text, std::chrono::milliseconds limit = kStep) const {
    return eventually([&] { return daemonLog().find(text) != std::string::npos; }, limit);
  }

  sim::ErpSim router;
  DemoCopy demo{TEV_DEMO_DIR};
  const int scannerPort = freePort();
  std::unique_ptr<ChildProcess> daemon;
  std::vector<pid_t> seen;
};

TEST_F(ScannerSessionFaultTest, KilledScannerProcessEndsTheConnectionAndTheDeviceLogsInAgain) {
  start();
  std::unique_ptr<Scanner> scanner = connect("127.0.0.1");
  ASSERT_TRUE(scanner);
  ASSERT_TRUE(scanner->logIn());
  std::optional<pid_t> process = scannerProcessOf("demo1");
  ASSERT_TRUE(process);

  ASSERT_EQ(::kill(*process, SIGKILL), 0);
  EXPECT_TRUE(scanner->waitForEnd()) << "the daemon kept the scanner's connection";
  EXPECT_TRUE(logged("The scanner program terminated for device: demo1"));
  EXPECT_TRUE(logged("Terminating the connection to device: demo1"));
  EXPECT_TRUE(eventually([&] { return processGone(*process); }, 10s)) << "not reaped";

  scanner = connect("127.0.0.1");
  ASSERT_TRUE(scanner);
  ASSERT_TRUE(scanner->logIn());
  std::optional<pid_t> again = scannerProcessOf("demo1");
  ASSERT_TRUE(again);
  EXPECT_NE(*again, *process);
  ASSERT_TRUE(scanner->openEcho());
  EXPECT_TRUE(scanner->echoes("again"));
}

// A scanner that sends a burst of bytes from a socket bound to the source address and then vanishes: it
// closes its connection, or it goes silent (a device out of range: the connection stays open, nothing more
// is sent and nothing is read, with a small receive buffer so what the daemon writes to it soon stops being
// taken). The burst is written on a thread of its own, cut short from outside (shutdown) when the daemon
// stops reading.
class BurstSender {
 public:
  BurstSender(const std::string& source, int port, bool silent)
      : fd_(testing::connectFromSource(source, port, silent ? 4096 : 0)), silent_(silent) {}
  ~BurstSender() {
    if (fd_ && done_.valid()) {
      ::shutdown(fd_.get(), SHUT_RDWR);
      done_.wait();
    }
  }
  // Waits until the scanner process has drawn something (its first screen).
  bool waitForFirstScreen(std::chrono::milliseconds limit) {
    char buffer[4096];
    ReadResult read = readSome(fd_.get(), buffer, sizeof buffer, limit);
    return read.data();
  }
  // The device drops off for good: the connection is reset.
  void drop() {
    ::shutdown(fd_.get(), SHUT_RDWR);
    if (done_.valid()) done_.wait();
    linger reset{1, 0};
    ::setsockopt(fd_.get(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    fd_.reset();
  }
  void start(std::string bytes) {
    done_ = std::async(std::launch::async, [this, bytes = std::move(bytes)] {
      try {
        writeAll(fd_.get(), bytes);
      } catch (const Error&) {
        return false;  // reset by the daemon: it has ended the session already
      }
      if (!silent_) ::shutdown(fd_.get(), SHUT_RDWR);
      return true;
    });
  }

 private:
  Fd fd_;
  bool silent_;
  std::future<bool> done_;
};

// Relay threads ("0": one per device, "1": one shared by both devices) and how the bursting scanner vanishes.
class RandomBurstTest : public ScannerSessionFaultTest,
                        public ::testing::WithParamInterface<std::tuple<const char*, bool>> {};

TEST_P(RandomBurstTest, BurstingScannerVanishesWhileAnotherKeepsWorking) {
  const auto [threads, silent] = GetParam();
  demo.setSetting("emulator_thread_count", "0", threads);
  demo.setSetting("emulator_poll_time", "100", "10");
  start();
  std::unique_ptr<Scanner> steady = connect("127.0.0.1");
  ASSERT_TRUE(steady);
  ASSERT_TRUE(steady->logIn());
  ASSERT_TRUE(steady->openEcho());
  ASSERT_TRUE(steady->echoes("before"));

  BurstSender burst("127.0.0.2", scannerPort, silent);
  ASSERT_TRUE(burst.waitForFirstScreen(kStep));
  std::optional<pid_t> process = scannerProcessOf("demo3");
  ASSERT_TRUE(process);
  std::string bytes(1 << 20, '\0');
  std::mt19937 random(20261210);
  for (char& byte : bytes) byte = static_cast<char>(random() & 0xff);
  burst.start(std::move(bytes));

  // The other session answers promptly all along (its keys would wait behind the burst if its relay thread
  // waited on the bursting device), until the bursting scanner's session has ended. A silent device is
  // given 20 s and then drops off for good (its connection reset): its process cannot take a megabyte of
  // garbage in that time (each chunk is answered with a paused message), so only then can the session end.
  int tick = 0;
  auto answersPromptly = [&] {
    auto sent = std::chrono::steady_clock::now();
    bool echoed = steady->echoes("tick " + std::to_string(tick++), 5s);
    if (!echoed)
      ADD_FAILURE() << "the other scanner waited "
                    << std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - sent)
                           .count()
                    << " ms";
    std::this_thread::sleep_for(300ms);
    return echoed;
  };
  if (silent) {
    auto until = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < until && answersPromptly()) {
    }
    burst.drop();
  }
  auto deadline = std::chrono::steady_clock::now() + 120s;
  bool ended = false;
  while (!ended && std::chrono::steady_clock::now() < deadline && answersPromptly())
    ended = daemonLog().find("Terminating the connection to device: demo3") != std::string::npos;
  EXPECT_TRUE(ended) << "the bursting scanner's session did not end";
  EXPECT_TRUE(eventually([&] { return processGone(*process); }, 30s))
      << "the bursting scanner's process is still there";
  EXPECT_TRUE(steady->echoes("after"));
  EXPECT_EQ(daemonLog().find("Terminating the connection to device: demo1"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(RelayThreads, RandomBurstTest,
                         ::testing::Combine(::testing::Values("0", "1"), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<const char*, bool>>& info) {
                           return std::string(std::string(std::get<0>(info.param)) == "0"
                                                  ? "ThreadPerDevice"
                                                  : "OneSharedThread") +
                                  (std::get<1>(info.param) ? "_GoesSilent" : "_Closes");
                         });

}  // namespace
}  // namespace tev::testing
