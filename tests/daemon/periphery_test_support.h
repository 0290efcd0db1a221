// Helpers of the multi-process tests of watchers, handler processes and the resource monitor: TCP peers that
// record what they receive, and the daemon (Torvend) started on a generated installation.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>

#include <chrono>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "common/child_process.h"
#include "common/error.h"
#include "common/fd.h"
#include "common/tcp.h"
#include "common/test_support.h"
#include "daemon/daemon_test_support.h"
#include "daemon/scanner_test_peer.h"

namespace tev::testing {

using namespace std::chrono_literals;

inline constexpr auto kWait = 10s;

inline bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = kWait) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return condition();
}

inline bool processAlive(pid_t pid) {
  return ::kill(pid, 0) == 0;
}

// A TCP client of the daemon (a scanner from a chosen loopback source address, or a watcher), and
// everything it has received.
class Peer : public testing::ScannerTestPeer {
 public:
  explicit Peer(int port, const std::string& source = "127.0.0.1") : ScannerTestPeer(source, port) {}
};

// The daemon on a DaemonTree: fake_scanner as its scanner program, its registry and watcher port on free
// ports, the waits shortened.
class DaemonRun {
 public:
  explicit DaemonRun(DaemonTree& tree) : tree_(tree) {
    fake = tree.dir.file("fake_scanner");
    std::filesystem::copy_file(TEV_FAKE_SCANNER_EXE, fake);
    tree.settings["scanner_process_program"] = fake;
    tree.settings["rmi_registry_port"] = std::to_string(registryPort);
    tree.settings["webscanner_port"] = std::to_string(webscannerPort);
  }
  ~DaemonRun() { stop(); }

  // Starts the daemon and waits until its scanner listener and its administration service are there.
  void start() {
    tree_.write();
    std::filesystem::remove(tree_.dir.file("torvend.log"));  // a log of an earlier run says nothing
    ChildProcess::Options options;
    options.argv = {TEV_TORVEND_EXE, tree_.logDir(), tree_.settingsPath()};
    options.extraEnvironment = {"TEV_TORVEND_TEST_WAITS=start=0,setup=0,thread=0,name=1000,retry=100"};
    options.stdoutSpec = StreamSpec::file(tree_.dir.file("torvend.out"));
    options.stderrSpec = StreamSpec::file(tree_.dir.file("torvend.out"));
    process_ = std::make_unique<ChildProcess>(ChildProcess::start(options));
    std::smatch match;
    static const std::regex listening("Listening on port: (\\d+)");
    static const std::regex bound("Bound the administration service");
    std::string text;
    if (!eventually([&] {
          text = log();
          return std::regex_search(text, bound) && std::regex_search(text, match, listening);
        }))
      throw Error("the daemon did not start: " + text + readFile(tree_.dir.file("torvend.out")));
    port = std::stoi(match[1]);
  }
  void stop() {
    if (process_) process_->kill(SIGKILL);
    process_.reset();
  }

  std::string log() const { return readFile(tree_.dir.file("torvend.log")); }
  std::string argsLine(const std::string& device, const std::string& type = "Generic") const {
    return "args: " + tree_.dir.path() + " " + tree_.settingsPath() + " " + device + " plant " + type +
           "\r\n";
  }

  std::string fake;
  int registryPort = freePort();
  int webscannerPort = freePort();
  int port = 0;  // where scanners connect

 private:
  DaemonTree& tree_;
  std::unique_ptr<ChildProcess> process_;
};

}  // namespace tev::testing
