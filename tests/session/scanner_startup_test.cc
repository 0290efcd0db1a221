// The scanner process as a program: its command line, where its device log goes and what becomes of the
// previous one, the two links to the daemon, and the start-ups that must end early. Each test runs the
// program on its own copy of the demo installation, with a router simulator of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "common/tcp.h"
#include "common/test_support.h"
#include "scanner_process_driver.h"
#include "sim/erp_sim.h"

namespace tev {
namespace {

using testing::contains;
using testing::DemoCopy;
using testing::eventually;
using testing::readFile;
using testing::ScannerProcess;
using testing::ScannerScreen;

constexpr const char* kDevice = "SCN7";

// The files of a directory whose names match the pattern.
std::vector<std::string> filesMatching(const std::string& dir, const std::string& pattern) {
  std::vector<std::string> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
    std::string name = entry.path().filename().string();
    if (std::regex_match(name, std::regex(pattern))) found.push_back(entry.path().string());
  }
  return found;
}

class ScannerStartupTest : public ::testing::Test {
 protected:
  void SetUp() override { demo.setSetting("port", "7600", std::to_string(router.port())); }

  std::unique_ptr<ScannerProcess> start(const std::vector<std::string>& args) {
    return std::make_unique<ScannerProcess>(TEV_VAV_INTERFACE_EXE, demo.root(), args, earlyPath());
  }
  std::unique_ptr<ScannerProcess> startDevice(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {".", "vav_settings.xml", kDevice, "demo"};
    args.insert(args.end(), extra.begin(), extra.end());
    return start(args);
  }
  std::string earlyPath() const { return demo.file("early_stderr.txt"); }
  std::string early() const { return readFile(earlyPath()); }
  std::string firstLog() const { return demo.read(std::string("log/") + kDevice + ".log"); }

  // Runs a session up to the drawn welcome screen, then ends it the way a daemon does (end of input).
  void runToWelcomeAndHangUp(ScannerProcess& process, int rows = 16, int columns = 20) {
    ScannerScreen screen(process.stdoutFd(), process.stdinFd(), rows, columns);
    ASSERT_TRUE(screen.waitFor("Continue")) << screen.dump() << firstLog();
    process.closeStdin();
    std::optional<ExitStatus> status = process.waitFor();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->shellStatus(), 0);
  }

  sim::ErpSim router;
  DemoCopy demo{TEV_DEMO_DIR};
};

TEST_F(ScannerStartupTest, ArgumentCountDecidesTheStartAndTheDeviceType) {
  struct Case {
    std::vector<std::string> extra;  // after installation root and settings file
    std::optional<std::string> deviceType;
    int rows, columns;
  };
  const Case cases[] = {
      {{kDevice}, std::nullopt, 16, 20},                            // three arguments: no start
      {{kDevice, "demo"}, "Generic", 16, 20},                       // four: the generic device type
      {{kDevice, "demo", "VehicleMount"}, "VehicleMount", 24, 40},  // five: the type given
      {{kDevice, "demo", "VehicleMount", "extra"}, "VehicleMount", 24, 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.extra.size() + 2);
    std::filesystem::remove(demo.file(std::string("log/") + kDevice + ".log"));
    std::filesystem::remove(earlyPath());
    std::vector<std::string> args = {".", "vav_settings.xml"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    auto process = start(args);
    const std::string count = std::to_string(args.size());
    if (!c.deviceType) {
      std::optional<ExitStatus> status = process->waitFor();
      ASSERT_TRUE(status);
      EXPECT_EQ(status->shellStatus(), 0);
      EXPECT_EQ(early(), "In main method .. starting execution .. no of parameters = " + count +
                             "\nless number of parameters ..excepted 5 and received = " + count + "\n");
      EXPECT_FALSE(std::filesystem::exists(demo.file(std::string("log/") + kDevice + ".log")));
      continue;
    }
    runToWelcomeAndHangUp(*process, c.rows, c.columns);
    EXPECT_EQ(early(), "In main method .. starting execution .. no of parameters = " + count + "\n");
    std::string log = firstLog();
    EXPECT_TRUE(contains(log, "  Device Type obtained from Torvend = " + *c.deviceType)) << log;
    EXPECT_TRUE(contains(log, "  device Info = " + *c.deviceType + " " + std::to_string(c.rows) + " " +
                                  std::to_string(c.columns) + " key_list.xml"))
        << log;
    EXPECT_TRUE(contains(log, "Using input & output streams for communicating with Torvend")) << log;
  }
}

TEST_F(ScannerStartupTest, LogDirectorySettingLogKeepsTheFirstLog) {
  demo.write(std::string("log/") + kDevice + ".log", "a previous run\n");
  auto process = startDevice();
  runToWelcomeAndHangUp(*process);
  std::string log = firstLog();
  EXPECT_EQ(
      log.rfind("DC = .  adcsettingsFilePath = vav_settings.xml  deviceId =SCN7  environment = demo\n", 0),
      0u)
      << log;
  EXPECT_TRUE(contains(log, "Device Id: SCN7")) << log;
  EXPECT_FALSE(contains(log, "a previous run"));
  // The first log is the log: nothing is dated, so the demo's "no" deletes nothing but says so.
  EXPECT_TRUE(filesMatching(demo.file("log"), "SCN7-.*").empty());
  EXPECT_TRUE(contains(log, "Deleted the old log file")) << log;
}

TEST_F(ScannerStartupTest, AnotherLogDirectoryDatesThePreviousLogAndTheBackupModeDecidesItsFate) {
  struct Case {
    std::string name;
    std::optional<std::string> keepLogFiles;  // nothing: the setting is absent
  };
  const Case cases[] = {{"absent", std::nullopt}, {"no", "no"}, {"TRUE", "TRUE"}};
  const std::string original = demo.read("vav_settings.xml");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string logDir = demo.file("logs_" + c.name);
    const std::string backupDir = demo.file("backup_" + c.name);
    std::filesystem::create_directories(logDir);
    demo.write("logs_" + c.name + "/SCN7.log", "a previous run\n");
    demo.write("vav_settings.xml", original);
    demo.replace("vav_settings.xml", "<config_dir id=\"log\">log</config_dir>",
                 "<config_dir id=\"log\">" + logDir + "</config_dir>");
    demo.setSetting("backup_dir", "log/backup", backupDir);
    if (c.keepLogFiles)
      demo.setSetting("keep_log_files", "no", *c.keepLogFiles);
    else
      demo.replace("vav_settings.xml", "<config_param id=\"keep_log_files\">no</config_param>", "");

    auto process = startDevice();
    runToWelcomeAndHangUp(*process);

    // The first log holds only what was written before the settings were read.
    std::string first = firstLog();
    EXPECT_EQ(first.rfind("DC = .", 0), 0u) << first;
    EXPECT_FALSE(contains(first, "Device Id:")) << first;
    std::string log = readFile(logDir + "/SCN7.log");
    EXPECT_TRUE(contains(log, "Device Id: SCN7")) << log;
    EXPECT_FALSE(contains(log, "a previous run"));

    std::vector<std::string> datedHere = filesMatching(logDir, R"(SCN7-\d{8}-\d{6}\.log)");
    std::vector<std::string> datedInBackup = filesMatching(backupDir, R"(SCN7-\d{8}-\d{6}\.log)");
    if (!c.keepLogFiles) {
      ASSERT_EQ(datedHere.size(), 1u);
      EXPECT_EQ(readFile(datedHere[0]), "a previous run\n");
    } else if (*c.keepLogFiles == "no") {
      EXPECT_TRUE(datedHere.empty());
      EXPECT_TRUE(contains(log, "Deleted the old log file")) << log;
    } else {
      EXPECT_TRUE(datedHere.empty());
      ASSERT_EQ(datedInBackup.size(), 1u);
      EXPECT_EQ(readFile(datedInBackup[0]), "a previous run\n");
      EXPECT_TRUE(contains(log, "Saved the old log file as: " + backupDir + "/" +
                                    std::filesystem::path(datedInBackup[0]).filename().string()))
          << log;
    }
  }
}

TEST_F(ScannerStartupTest, StartUpFailuresEndTheProcessWithoutASession) {
  struct Case {
    std::string name;
    std::function<void(DemoCopy&)> breakIt;
    std::string settingsFile;
    std::string where;  // "early": the standard error the process was started with; "log": the first log
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"no log directory",
       [](DemoCopy& d) { std::filesystem::remove_all(d.file("log")); },
       "vav_settings.xml",
       "early",
       {"cannot open the device log ./log/SCN7.log"}},
      {"log setting names no directory",
       [](DemoCopy& d) {
         d.replace("vav_settings.xml", "<config_dir id=\"log\">log</config_dir>",
                   "<config_dir id=\"log\">" + d.file("nowhere") + "</config_dir>");
       },
       "vav_settings.xml",
       "log",
       {"Log File Setting is vav_settings.xml file is not valid, System is exiting !!!!"}},
      {"no settings file", [](DemoCopy&) {}, "missing.xml", "log", {"missing.xml does not exist"}},
      {"no label table",
       [](DemoCopy& d) { std::filesystem::remove(d.file("demo/data/labels/english.dat")); },
       "vav_settings.xml",
       "log",
       {"Persisted Labels object not found", "Failed to initialize"}},
      {"no key list",
       [](DemoCopy& d) { std::filesystem::remove(d.file("config/key_list.xml")); },
       "vav_settings.xml",
       "log",
       {"key_list.xml file not found", "Failed to initialize"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DemoCopy tree(TEV_DEMO_DIR);
    tree.setSetting("port", "7600", std::to_string(router.port()));
    c.breakIt(tree);
    const std::string early = tree.file("early.txt");
    ScannerProcess process(TEV_VAV_INTERFACE_EXE, tree.root(), {".", c.settingsFile, kDevice, "demo"}, early);
    ScannerScreen screen(process.stdoutFd(), process.stdinFd());
    EXPECT_TRUE(screen.waitForEnd());
    std::optional<ExitStatus> status = process.waitFor();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->shellStatus(), 0);
    EXPECT_EQ(screen.received(), "");  // nothing ever reached the terminal channel
    std::string text = c.where == "early" ? readFile(early) : tree.read("log/SCN7.log");
    for (const std::string& line : c.expected) EXPECT_TRUE(contains(text, line)) << text;
  }
}

// Socket mode: the process listens on scanner_process_port, tells the daemon on its standard output, and
// serves the one connection it accepts.
class ScannerSocketModeTest : public ScannerStartupTest {
 protected:
  void SetUp() override {
    ScannerStartupTest::SetUp();
    port = testing::freePort();
    demo.setSetting("use_sockets_with_scanner_process", "no", "YES");
    demo.setSetting("scanner_process_port", "6100", std::to_string(port));
  }

  // The first line the process writes on its standard output.
  std::string noticeLine(ScannerProcess& process) {
    std::string line;
    char c = 0;
    while (::read(process.stdoutFd(), &c, 1) == 1 && c != '\n') line += c;
    return line;
  }

  int port = 0;
};

TEST_F(ScannerSocketModeTest, ServesExactlyOneDaemonConnection) {
  auto process = startDevice();
  EXPECT_EQ(noticeLine(*process),
            "Using sockets for communicating with Torvend, port number = " + std::to_string(port));
  std::optional<Fd> link;
  ASSERT_TRUE(eventually([&] {
    try {
      link = tcpConnect("127.0.0.1", port, std::chrono::milliseconds(1000));
      return true;
    } catch (const Error&) {
      return false;
    }
  }));
  ScannerScreen screen(link->get(), link->get());
  ASSERT_TRUE(screen.waitFor(kDevice)) << screen.dump() << firstLog();
  // The listener is gone: no second daemon connection.
  EXPECT_THROW(tcpConnect("127.0.0.1", port, std::chrono::milliseconds(1000)), Error);

  link.reset();  // the daemon hangs up
  std::optional<ExitStatus> status = process->waitFor();
  ASSERT_TRUE(status);
  EXPECT_EQ(status->shellStatus(), 0);
  std::string log = firstLog();
  for (const char* line : {"torvendServerSocket socket created ", "torvendServerSocket socket accepted ",
                           "torvendServerSocket socket closed "})
    EXPECT_TRUE(contains(log, line)) << log;
}

TEST_F(ScannerSocketModeTest, EndsWhenNoDaemonConnectsInThirtySeconds) {
  auto started = std::chrono::steady_clock::now();
  auto process = startDevice();
  std::optional<ExitStatus> status = process->waitFor(std::chrono::seconds(60));
  ASSERT_TRUE(status);
  EXPECT_EQ(status->shellStatus(), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::seconds(29));
  std::string log = firstLog();
  EXPECT_TRUE(contains(log, "Exception occured in Torvend socket creation ")) << log;
  EXPECT_FALSE(contains(log, "Label List Object Path")) << log;  // no session was set up
}

}  // namespace
}  // namespace tev
