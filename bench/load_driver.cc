// load_driver: N simulated scanners through the daemon against erp-sim, each booking K transfers.
//
//   load_driver [--scanners N] [--seconds S] [--bookings-per-scanner K] [--connect-interval-ms M]
//               [--welcome-seconds W] [--product-waits] [--keep]
//
// Defaults: 200 scanners, 180 s, 5 bookings each, a new scanner every 250 ms, 30 s for the first screen
// before a scanner connects again.
//
// It copies the demo installation into a temporary directory, writes a device list of N scanners (device
// "ldNNNN" at 127.0.x.y, x from 1, so 127.0.0.1 is never one of them), starts erp-sim (with --journal) and
// the daemon from the build on free ports, and runs one thread per scanner: connect from the scanner's own
// address, log in as "clerk", open Inventory / Transfer from the menu, book K transfers of ITEM-100 from
// A-01-01 to B-02-01 (booking k has the quantity k, so device and quantity name each booking), escape to the
// main menu and log out. The screens are read through the screen model, as a scanner shows them.
//
// It reports the connection set-up time (connect to the first screen of the scanner process), the round trip
// from a key to the screen that answers it (field keys; booking keys up to the success message), CPU seconds
// and peak resident memory of every scanner process, of the daemon and of erp-sim (from /proc), and compares
// the bookings confirmed on the screens with the simulator's journal. Exit status 0 only when every scanner
// finished and every confirmed booking is in the journal exactly once (and the journal holds nothing else);
// 1 otherwise, 2 for a bad command line. Everything it started is stopped and the copy removed (--keep
// keeps it) before it ends; --seconds bounds the whole run.
//
// The daemon's fixed waits (1 s before and 3 s after every connection, in its one accept loop; 20 s at
// start) are switched off through the daemon's test seam unless --product-waits is given: they are pauses,
// not work, and with them 200 scanners need more than 13 minutes only to connect.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/child_process.h"
#include "common/error.h"
#include "common/fd.h"
#include "common/line_reader.h"
#include "common/test_support.h"
#include "sim/erp_sim_request.h"
#include "sim/screen_model.h"

#ifndef TEV_DEMO_DIR
#error "TEV_DEMO_DIR must name the demo installation"
#endif

namespace tev::load {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kMaxScanners = 1000;
// The demo's stock of ITEM-100 at A-01-01: booking k moves k pieces, so k stays within it.
constexpr int kMaxBookings = 120;
const char* const kItem = "ITEM-100";
const char* const kFrom = "A-01-01";
const char* const kTo = "B-02-01";
const char* const kUser = "clerk";

struct Options {
  int scanners = 200;
  int seconds = 180;
  int bookings = 5;
  int connectIntervalMs = 250;
  int welcomeSeconds = 30;
  bool productWaits = false;
  bool keep = false;
};

int parseNumber(const std::string& option, const std::string& text, int low, int high) {
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low || value > high)
    throw Error(option + " needs a number from " + std::to_string(low) + " to " + std::to_string(high));
  return value;
}

Options parseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--product-waits") {
      options.productWaits = true;
      continue;
    }
    if (arg == "--keep") {
      options.keep = true;
      continue;
    }
    if (i + 1 >= argc) throw Error("unknown argument or missing value: " + arg);
    std::string value = argv[++i];
    if (arg == "--scanners")
      options.scanners = parseNumber(arg, value, 1, kMaxScanners);
    else if (arg == "--seconds")
      options.seconds = parseNumber(arg, value, 10, 3600);
    else if (arg == "--bookings-per-scanner")
      options.bookings = parseNumber(arg, value, 1, kMaxBookings);
    else if (arg == "--connect-interval-ms")
      options.connectIntervalMs = parseNumber(arg, value, 0, 10000);
    else if (arg == "--welcome-seconds")
      options.welcomeSeconds = parseNumber(arg, value, 1, 600);
    else
      throw Error("unknown argument: " + arg);
  }
  return options;
}

// --- the installation copy ---------------------------------------------------------------------------------

std::string deviceId(int index) {
  char name[16];
  std::snprintf(name, sizeof name, "ld%04d", index + 1);
  return name;
}

// 127.0.x.y with x from 1 and y from 1 to 250: up to 1000 scanners, never 127.0.0.1.
std::string deviceAddress(int index) {
  return "127.0." + std::to_string(1 + index / 250) + "." + std::to_string(1 + index % 250);
}

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// <config_param id="key">old</config_param> becomes the new value; throws when the setting is not there.
void setSetting(std::string& settings, const std::string& key, const std::string& oldValue,
                const std::string& newValue) {
  std::string from = "<config_param id=\"" + key + "\">" + oldValue + "</config_param>";
  std::size_t at = settings.find(from);
  if (at == std::string::npos) throw Error("the demo settings have no " + from);
  settings.replace(at, from.size(), "<config_param id=\"" + key + "\">" + newValue + "</config_param>");
}

class Installation {
 public:
  Installation(const std::string& demo, int scanners) {
    std::string pattern = (std::filesystem::temp_directory_path() / "tev_load_XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) throw Error("cannot create a temporary directory");
    root_ = name.data();
    std::filesystem::copy(demo, root_, std::filesystem::copy_options::recursive);
    for (const auto& entry : std::filesystem::directory_iterator(file("log")))
      if (entry.is_regular_file()) std::filesystem::remove(entry.path());
    std::string devices = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<device_list>\n";
    for (int i = 0; i < scanners; ++i)
      devices += "  <device id=\"" + deviceId(i) + "\"><name>Load scanner " + std::to_string(i + 1) +
                 "</name><ip>" + deviceAddress(i) +
                 "</ip><environment>demo</environment><device_type>Generic</device_type></device>\n";
    devices += "</device_list>\n";
    writeText(file("config/device_list.xml"), devices);
  }
  ~Installation() {
    if (keep) return;
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  Installation(const Installation&) = delete;
  Installation& operator=(const Installation&) = delete;

  const std::string& root() const { return root_; }
  std::string file(const std::string& relative) const { return root_ + "/" + relative; }
  bool keep = false;

 private:
  std::string root_;
};

// --- /proc -------------------------------------------------------------------------------------------------

struct ProcessUsage {
  double cpuSeconds = 0;  // user + system
  long peakRssKb = 0;
};

// CPU seconds and resident memory of a process now; nothing when it is gone.
std::optional<std::pair<double, long>> readUsage(pid_t pid) {
  std::string stat = readText("/proc/" + std::to_string(pid) + "/stat");
  std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(stat.substr(close + 2));
  std::vector<std::string> f;
  for (std::string word; fields >> word;) f.push_back(word);
  if (f.size() < 13) return std::nullopt;
  // After the name: state(0) ppid(1) ... utime(11) stime(12).
  double ticks = static_cast<double>(std::stoll(f[11]) + std::stoll(f[12]));
  long rss = 0;
  std::istringstream status(readText("/proc/" + std::to_string(pid) + "/status"));
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) rss = std::stol(line.substr(6));
  return std::make_pair(ticks / static_cast<double>(::sysconf(_SC_CLK_TCK)), rss);
}

// The children of a process, with their command names.
std::vector<std::pair<pid_t, std::string>> childrenOf(pid_t parent) {
  std::vector<std::pair<pid_t, std::string>> children;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) continue;
    std::string stat = readText("/proc/" + name + "/stat");
    std::size_t open = stat.find('(');
    std::size_t close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close + 4 > stat.size()) continue;
    std::istringstream rest(stat.substr(close + 2));
    std::string state;
    pid_t ppid = 0;
    rest >> state >> ppid;
    if (ppid == parent) children.emplace_back(std::stoi(name), stat.substr(open + 1, close - open - 1));
  }
  return children;
}

// Samples the daemon, its scanner processes and erp-sim twice a second.
class Sampler {
 public:
  Sampler(pid_t daemon, pid_t router) : daemon_(daemon), router_(router) {
    thread_ = std::thread([this] {
      while (!stop_) {
        sample();
        for (int i = 0; i < 5 && !stop_; ++i) std::this_thread::sleep_for(100ms);
      }
    });
  }
  ~Sampler() { stop(); }

  void stop() {
    if (thread_.joinable()) {
      stop_ = true;
      thread_.join();
      sample();
    }
  }
  void sample() {
    std::lock_guard lock(mutex_);
    take(daemon_, daemonUsage_);
    take(router_, routerUsage_);
    for (const auto& [pid, name] : childrenOf(daemon_))
      if (name == "VAVInterface") take(pid, scanners_[pid]);
  }
  std::map<pid_t, ProcessUsage> scanners() const {
    std::lock_guard lock(mutex_);
    return scanners_;
  }
  ProcessUsage daemon() const {
    std::lock_guard lock(mutex_);
    return daemonUsage_;
  }
  ProcessUsage router() const {
    std::lock_guard lock(mutex_);
    return routerUsage_;
  }

 private:
  static void take(pid_t pid, ProcessUsage& usage) {
    if (auto now = readUsage(pid)) {
      usage.cpuSeconds = std::max(usage.cpuSeconds, now->first);
      usage.peakRssKb = std::max(usage.peakRssKb, now->second);
    }
  }

  pid_t daemon_;
  pid_t router_;
  mutable std::mutex mutex_;
  std::map<pid_t, ProcessUsage> scanners_;
  ProcessUsage daemonUsage_;
  ProcessUsage routerUsage_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// True when something listens on the port (from /proc/net/tcp and tcp6, so no connection is made).
bool listening(int port) {
  char hexPort[8];
  std::snprintf(hexPort, sizeof hexPort, ":%04X", port);
  std::istringstream table(readText("/proc/net/tcp") + readText("/proc/net/tcp6"));
  for (std::string line; std::getline(table, line);) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    if (state == "0A" && local.size() > 5 && local.substr(local.size() - 5) == hexPort) return true;
  }
  return false;
}

// --- one scanner -------------------------------------------------------------------------------------------

struct ScannerResult {
  std::string device;
  bool finished = false;
  std::string failure;            // where it stopped, with the screen
  std::optional<double> setupMs;  // first connect to the first screen of the scanner process
  int reconnects = 0;             // connections the daemon never served
  std::vector<double> keyMs;      // field and menu keys
  std::vector<double> bookingMs;  // quantity key to the success message
  std::vector<int> confirmed;     // quantities of the bookings the screen confirmed
};

class Scanner {
 public:
  Scanner(int index, int port, const Options& options, Clock::time_point deadline)
      : index_(index), port_(port), options_(options), deadline_(deadline) {
    result_.device = deviceId(index);
  }

  ScannerResult run() {
    try {
      script();
      result_.finished = true;
    } catch (const Error& error) {
      result_.failure = error.what();
    }
    return result_;
  }

 private:
  using Condition = std::function<bool(const sim::ScreenModel&)>;

  void script() {
    // The daemon listens with a backlog of 2: a connection the kernel completed but the daemon's accept queue
    // had no room for is dropped on the daemon's side while this side sees it open. Like a scanner's
    // terminal, the scanner connects again when no screen comes.
    Clock::time_point start = Clock::now();
    for (;;) {
      connect();
      const Clock::time_point limit =
          std::min(deadline_, Clock::now() + std::chrono::seconds(options_.welcomeSeconds));
      // The daemon greets every connection it takes with "Connecting..."; once it did, the scanner waits.
      await("the daemon", shows("Connecting"), limit, false);
      if (screen_.contains("Connecting")) break;
      if (Clock::now() >= deadline_) fail("time ran out waiting for the daemon");
      ++result_.reconnects;
      fd_.reset();
      screen_ = sim::ScreenModel(16, 20);
    }
    await("the welcome screen", shows("Continue"));
    result_.setupMs = Ms(Clock::now() - start).count();

    key("\r", "the login form", cursorOn("User:"));
    key(std::string(kUser) + "\r", "the password", cursorOn("Password:"));
    key(std::string(kUser) + "\r", "the warehouse", cursorOn("Whse:"));
    key("\r", "the language", cursorOn("Language:"));
    key("\r", "the main menu", shows("1. Inventory"));
    // The first entry (Inventory) is the one chosen when the menu opens.
    key("\r", "the inventory menu", shows("2. Transfer"));
    key("2", "Transfer chosen", shows("2 of 2"));
    key("\r", "the transfer form", cursorOn("Item:"));

    for (int k = 1; k <= options_.bookings; ++k) {
      key(std::string(kItem) + "\r", "the from-location", cursorOn("From:"));
      key(std::string(kFrom) + "\r", "the to-location", cursorOn("To:"));
      key(std::string(kTo) + "\r", "the quantity", cursorOn("Qty:"));
      Clock::time_point sent = send(std::to_string(k) + "\r");
      await("the booking's answer", [](const sim::ScreenModel& s) {
        return s.contains("Booked") || s.contains("BAAN MESSAGE") || s.contains("Error");
      });
      if (!screen_.contains("Booked")) fail("booking " + std::to_string(k) + " refused");
      result_.bookingMs.push_back(Ms(Clock::now() - sent).count());
      result_.confirmed.push_back(k);
      await("the empty form", [](const sim::ScreenModel& s) {
        int qty = s.findRow("Qty:");
        return !s.contains("Booked") && qty > 0 && s.line(qty) == "Qty:" &&
               s.cursorRow() == s.findRow("Item:");
      });
    }

    key("\x1b", "the inventory menu again", shows("2. Transfer"));
    key("\x1b", "the main menu again", shows("1. Inventory"));
    // Escape on the main menu logs out: the login transaction's greeting comes back.
    key("\x1b", "the log-out", shows("Continue"));
    fd_.reset();
  }

  Condition cursorOn(std::string label) {
    return [label](const sim::ScreenModel& s) {
      int row = s.findRow(label);
      return row > 0 && s.cursorRow() == row;
    };
  }
  Condition shows(std::string text) {
    return [text](const sim::ScreenModel& s) { return s.contains(text); };
  }

  void connect() {
    fd_ = Fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd_) throw Error("socket: " + std::string(std::strerror(errno)));
    sockaddr_in from{};
    from.sin_family = AF_INET;
    ::inet_pton(AF_INET, deviceAddress(index_).c_str(), &from.sin_addr);
    if (::bind(fd_.get(), reinterpret_cast<sockaddr*>(&from), sizeof from) != 0)
      throw Error("bind " + deviceAddress(index_) + ": " + std::strerror(errno));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port_));
    ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    if (::connect(fd_.get(), reinterpret_cast<sockaddr*>(&to), sizeof to) != 0)
      throw Error("connect: " + std::string(std::strerror(errno)));
  }

  Clock::time_point send(const std::string& bytes) {
    Clock::time_point now = Clock::now();
    writeAll(fd_.get(), bytes);
    return now;
  }

  void key(const std::string& bytes, const std::string& what, const Condition& condition) {
    Clock::time_point sent = send(bytes);
    await(what, condition);
    result_.keyMs.push_back(Ms(Clock::now() - sent).count());
  }

  // Reads until the screen satisfies the condition; fails at the limit (the run's deadline unless given) or
  // when the daemon closes.
  void await(const std::string& what, const Condition& condition) { await(what, condition, deadline_, true); }
  // The same until the limit; without failOnTime it returns there.
  void await(const std::string& what, const Condition& condition, Clock::time_point limit, bool failOnTime) {
    while (!condition(screen_)) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(limit - Clock::now());
      if (left <= 0ms) {
        if (!failOnTime) return;
        fail("time ran out waiting for " + what);
      }
      ReadResult read;
      char buffer[4096];
      try {
        read = readSome(fd_.get(), buffer, sizeof buffer, std::min<std::chrono::milliseconds>(left, 500ms));
      } catch (const Error& error) {
        fail("connection failed waiting for " + what + ": " + error.what());
      }
      if (read.end()) fail("the daemon closed the connection waiting for " + what);
      if (read.data()) screen_.feed(std::string_view(buffer, read.bytes));
    }
  }

  [[noreturn]] void fail(const std::string& why) { throw Error(why + "\n" + screen_.dump()); }

  int index_;
  int port_;
  const Options& options_;
  Clock::time_point deadline_;
  Fd fd_;
  sim::ScreenModel screen_{16, 20};
  ScannerResult result_;
};

// --- the report --------------------------------------------------------------------------------------------

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  std::size_t rank = static_cast<std::size_t>(p / 100.0 * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(rank, values.size() - 1)];
}

void printTimes(const std::string& title, const std::vector<double>& values, bool withMax) {
  std::printf("%-34s n=%-6zu p50 %8.1f ms  p99 %8.1f ms", title.c_str(), values.size(),
              percentile(values, 50), percentile(values, 99));
  if (withMax)
    std::printf("  max %8.1f ms", values.empty() ? 0.0 : *std::max_element(values.begin(), values.end()));
  std::printf("\n");
}

void stopChild(ChildProcess& child, const char* name) {
  if (child.pid() == 0) return;
  if (child.tryWait()) return;
  child.kill(SIGTERM);
  if (!child.waitFor(15s)) {
    std::fprintf(stderr, "load_driver: %s did not stop on SIGTERM; killing it\n", name);
    child.kill(SIGKILL);
    child.waitFor(5s);
  }
}

int run(const Options& options) {
  const Clock::time_point begin = Clock::now();
  const Clock::time_point deadline = begin + std::chrono::seconds(options.seconds);
  Installation installation(TEV_DEMO_DIR, options.scanners);
  installation.keep = options.keep;

  // The router simulator first: its port goes into the settings.
  const std::string journal = installation.file("journal.txt");
  ChildProcess::Options simOptions;
  simOptions.argv = {TEV_ERP_SIM_EXE, "--port",        "0",         "--rules", "erp_sim/rules.xml",
                     "--result-dir",  "demo/sql_data", "--journal", journal};
  simOptions.workingDirectory = installation.root();
  simOptions.stdinSpec = StreamSpec::null();
  simOptions.stdoutSpec = StreamSpec::pipe();
  simOptions.stderrSpec = StreamSpec::file(installation.file("erp_sim.log"));
  ChildProcess router = ChildProcess::start(simOptions);
  LineReader routerOut(router.stdoutPipe().get());
  LineResult portLine = routerOut.readLine(20s);
  if (!portLine.isLine())
    throw Error("erp-sim reported no port: " + readText(installation.file("erp_sim.log")));

  std::string settings = readText(installation.file("vav_settings.xml"));
  const int scannerPort = tev::testing::freePort();
  setSetting(settings, "port", "7600", portLine.line);
  setSetting(settings, "emulator_port", "6000", std::to_string(scannerPort));
  setSetting(settings, "webscanner_port", "6001", std::to_string(tev::testing::freePort()));
  setSetting(settings, "rmi_registry_port", "1099", std::to_string(tev::testing::freePort()));
  setSetting(settings, "scanner_process_port", "6100", std::to_string(tev::testing::freePort()));
  writeText(installation.file("vav_settings.xml"), settings);

  ChildProcess::Options daemonOptions;
  daemonOptions.argv = {TEV_TORVEND_EXE, "log", "vav_settings.xml"};
  daemonOptions.workingDirectory = installation.root();
  if (!options.productWaits)
    daemonOptions.extraEnvironment = {"TEV_TORVEND_TEST_WAITS=start=0,setup=0,thread=0,name=1000,retry=100"};
  daemonOptions.stdinSpec = StreamSpec::null();
  daemonOptions.stdoutSpec = StreamSpec::file(installation.file("torvend.out"));
  daemonOptions.stderrSpec = StreamSpec::file(installation.file("torvend.out"));
  ChildProcess daemon = ChildProcess::start(daemonOptions);

  int status = 1;
  {
    Sampler sampler(daemon.pid(), router.pid());
    while (!listening(scannerPort) && Clock::now() < deadline && !daemon.tryWait())
      std::this_thread::sleep_for(50ms);
    std::vector<ScannerResult> results(static_cast<std::size_t>(options.scanners));
    const Clock::time_point started = Clock::now();
    if (listening(scannerPort)) {
      std::vector<std::thread> threads;
      for (int i = 0; i < options.scanners; ++i) {
        threads.emplace_back([&, i] {
          results[static_cast<std::size_t>(i)] = Scanner(i, scannerPort, options, deadline).run();
        });
        if (options.connectIntervalMs > 0)
          std::this_thread::sleep_for(std::chrono::milliseconds(options.connectIntervalMs));
      }
      for (std::thread& thread : threads) thread.join();
    } else {
      std::fprintf(stderr, "load_driver: the daemon never listened on %d:\n%s\n", scannerPort,
                   readText(installation.file("torvend.out")).c_str());
      for (int i = 0; i < options.scanners; ++i) {
        results[static_cast<std::size_t>(i)].device = deviceId(i);
        results[static_cast<std::size_t>(i)].failure = "the daemon never listened";
      }
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    // Logged-out processes end on their own; give them a moment so their last CPU is counted.
    std::this_thread::sleep_for(1s);
    sampler.stop();

    // Screens against the journal.
    std::map<std::string, int> journalled;
    int journalLines = 0;
    std::istringstream lines(readText(journal));
    for (std::string line; std::getline(lines, line);) {
      ++journalLines;
      sim::ErpSimRequest request = sim::parseRequest(line);
      std::string qty = request.values.size() > 9 ? request.values[9] : "?";
      ++journalled[request.deviceId + "/" + qty];
    }
    std::vector<double> setup, keys, bookings;
    int finished = 0, confirmedCount = 0, missing = 0, doubled = 0, reconnects = 0;
    std::set<std::string> confirmedKeys;
    for (const ScannerResult& r : results) {
      if (r.finished) ++finished;
      reconnects += r.reconnects;
      if (r.setupMs) setup.push_back(*r.setupMs);
      keys.insert(keys.end(), r.keyMs.begin(), r.keyMs.end());
      bookings.insert(bookings.end(), r.bookingMs.begin(), r.bookingMs.end());
      for (int k : r.confirmed) {
        ++confirmedCount;
        std::string id = r.device + "/" + std::to_string(k);
        confirmedKeys.insert(id);
        auto it = journalled.find(id);
        if (it == journalled.end()) {
          ++missing;
          std::fprintf(stderr, "missing in the journal: %s\n", id.c_str());
        } else if (it->second > 1) {
          ++doubled;
          std::fprintf(stderr, "journalled %d times: %s\n", it->second, id.c_str());
        }
      }
    }
    int unconfirmed = 0;
    for (const auto& [id, count] : journalled)
      if (!confirmedKeys.count(id)) {
        unconfirmed += count;
        std::fprintf(stderr, "journalled but never confirmed on a screen: %s (%d)\n", id.c_str(), count);
      }
    int shown = 0;
    for (const ScannerResult& r : results)
      if (!r.finished && shown++ < 5)
        std::fprintf(stderr, "scanner %s did not finish: %s\n", r.device.c_str(), r.failure.c_str());

    std::map<pid_t, ProcessUsage> processes = sampler.scanners();
    double cpuSum = 0, cpuMax = 0;
    double rssSum = 0, rssMax = 0;
    for (const auto& [pid, usage] : processes) {
      cpuSum += usage.cpuSeconds;
      cpuMax = std::max(cpuMax, usage.cpuSeconds);
      rssSum += static_cast<double>(usage.peakRssKb);
      rssMax = std::max(rssMax, static_cast<double>(usage.peakRssKb));
    }
    const double n = processes.empty() ? 1.0 : static_cast<double>(processes.size());

    std::printf("load_driver: %d scanners, %d bookings each, connect interval %d ms, %s daemon waits\n",
                options.scanners, options.bookings, options.connectIntervalMs,
                options.productWaits ? "product" : "no");
    std::printf("scanners finished                  %d of %d in %.1f s\n", finished, options.scanners,
                elapsed);
    printTimes("connection set-up (to 1st screen)", setup, true);
    std::printf("connections never served (again)   %d\n", reconnects);
    printTimes("key round trip (field/menu keys)", keys, true);
    printTimes("booking key to success message", bookings, true);
    std::printf("scanner processes seen             %zu\n", processes.size());
    std::printf("scanner process CPU                mean %.3f s  max %.3f s\n", cpuSum / n, cpuMax);
    std::printf("scanner process peak RSS           mean %.1f MiB  max %.1f MiB\n", rssSum / n / 1024.0,
                rssMax / 1024.0);
    std::printf("daemon CPU / peak RSS              %.3f s / %.1f MiB\n", sampler.daemon().cpuSeconds,
                static_cast<double>(sampler.daemon().peakRssKb) / 1024.0);
    std::printf("erp-sim CPU / peak RSS             %.3f s / %.1f MiB\n", sampler.router().cpuSeconds,
                static_cast<double>(sampler.router().peakRssKb) / 1024.0);
    std::printf("bookings confirmed on screens      %d\n", confirmedCount);
    std::printf("journal lines                      %d\n", journalLines);
    std::printf("missing / doubled / unconfirmed    %d / %d / %d\n", missing, doubled, unconfirmed);
    if (options.keep) std::printf("installation kept in %s\n", installation.root().c_str());
    status = (finished == options.scanners && missing == 0 && doubled == 0 && unconfirmed == 0) ? 0 : 1;
    std::printf("result                             %s\n", status == 0 ? "PASS" : "FAIL");
  }

  // Stop the daemon (it ends its scanner processes), then any scanner process it left, then the router.
  std::vector<std::pair<pid_t, std::string>> left = childrenOf(daemon.pid());
  stopChild(daemon, "the daemon");
  for (const auto& [pid, name] : left)
    if (name == "VAVInterface" && ::kill(pid, 0) == 0) ::kill(pid, SIGKILL);
  stopChild(router, "erp-sim");
  return status;
}

}  // namespace
}  // namespace tev::load

int main(int argc, char** argv) {
  ::signal(SIGPIPE, SIG_IGN);
  tev::load::Options options;
  try {
    options = tev::load::parseOptions(argc, argv);
  } catch (const tev::Error& error) {
    std::fprintf(
        stderr,
        "load_driver: %s\nusage: load_driver [--scanners N] [--seconds S] [--bookings-per-scanner K] "
        "[--connect-interval-ms M] [--welcome-seconds W] [--product-waits] [--keep]\n",
        error.what());
    return 2;
  }
  try {
    return tev::load::run(options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "load_driver: %s\n", error.what());
    return 1;
  }
}
