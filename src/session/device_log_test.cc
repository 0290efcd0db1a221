#include "session/device_log.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "common/exit_hook.h"
#include "common/test_support.h"
#include "config/config_test_support.h"
#include "session/startup_test_support.h"

namespace tev {
namespace {

using testing::ConfigTree;
using testing::readFile;

const Clock::time_point kStart = testing::localTime(2026, 12, 10, 15, 15, 0);

// A tree whose common environment names the log directory with the given text (no relative directory).
std::string settingsWithLogDir(ConfigTree& tree, const std::string& logDir) {
  tree.settings().environment("common").dir("DC", tree.root()).dir("log", logDir);
  return tree.writeSettings();
}

TEST(DeviceLog, FirstLogIsEmptiedAndBecomesTheStream) {
  ConfigTree tree;
  tree.writeFile("log/D1.log", "last run\n");
  testing::StreamStandIn stream;
  DeviceLog log(stream.fd());
  log.openFirst(tree.root(), "D1");
  log.writeLine("DC = x");

  EXPECT_EQ(log.path(), tree.path("log/D1.log"));
  EXPECT_EQ(readFile(tree.path("log/D1.log")), "DC = x\n");
  // The stream stays inheritable (children get it as their standard error); the file's own descriptor is
  // gone.
  EXPECT_EQ(::fcntl(stream.fd(), F_GETFD) & FD_CLOEXEC, 0);
}

TEST(DeviceLog, MissingLogDirectoryFailsBeforeTheStreamChanges) {
  ConfigTree tree;
  testing::StreamStandIn stream;
  DeviceLog log(stream.fd());
  try {
    log.openFirst(tree.root(), "D1");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(tree.path("log/D1.log")), std::string::npos) << e.what();
  }
  EXPECT_EQ(log.path(), "");
}

TEST(DeviceLog, SettingLogKeepsTheFirstFileAndMakesNoDatedLog) {
  ConfigTree tree;
  tree.makeDir("log");
  VAVSettings settings(settingsWithLogDir(tree, "log"));
  testing::StreamStandIn stream;
  DeviceLog log(stream.fd());
  log.openFirst(tree.root(), "D1");
  log.writeLine("before");

  LogPlacement placement = log.place(settings, kStart);
  log.writeLine("after");

  EXPECT_EQ(placement.directory, tree.path("log"));
  EXPECT_EQ(placement.path, tree.path("log/D1.log"));
  EXPECT_EQ(placement.datedName, "D1-12102026-031500.log");
  EXPECT_FALSE(placement.datedLog);
  EXPECT_EQ(readFile(tree.path("log/D1.log")), "before\nafter\n");
}

TEST(DeviceLog, SameDirectoryUnderAnotherSpellingIsTheSameLog) {
  ConfigTree tree;
  tree.makeDir("log");
  VAVSettings settings(settingsWithLogDir(tree, tree.root() + "/./log/"));
  testing::StreamStandIn stream;
  DeviceLog log(stream.fd());
  log.openFirst(tree.root(), "D1");
  log.writeLine("before");

  LogPlacement placement = log.place(settings, kStart);
  log.writeLine("after");
  EXPECT_FALSE(placement.datedLog);
  EXPECT_EQ(placement.path, tree.path("log/D1.log"));
  EXPECT_EQ(readFile(tree.path("log/D1.log")), "before\nafter\n");
}

TEST(DeviceLog, OtherDirectoryGetsANewLogAndKeepsThePreviousAsDatedLog) {
  ConfigTree tree;
  tree.makeDir("log");
  std::string other = tree.makeDir("logs");
  tree.writeFile("logs/D1.log", "previous run\n");
  VAVSettings settings(settingsWithLogDir(tree, other));
  testing::StreamStandIn stream;
  DeviceLog log(stream.fd());
  log.openFirst(tree.root(), "D1");
  log.writeLine("DC = start line");

  LogPlacement placement = log.place(settings, kStart);
  log.writeLine("Device Id: D1");

  EXPECT_EQ(placement.directory, other);
  EXPECT_EQ(placement.path, other + "/D1.log");
  EXPECT_EQ(log.path(), other + "/D1.log");
  ASSERT_TRUE(placement.datedLog);
  EXPECT_EQ(*placement.datedLog, other + "/D1-12102026-031500.log");
  EXPECT_EQ(readFile(*placement.datedLog), "previous run\n");
  EXPECT_EQ(readFile(other + "/D1.log"), "Device Id: D1\n");
  EXPECT_EQ(readFile(tree.path("log/D1.log")), "DC = start line\n");
}

TEST(DeviceLog, DatedLogOfTheSameSecondIsNeverOverwritten) {
  ConfigTree tree;
  tree.makeDir("log");
  std::string other = tree.makeDir("logs");
  tree.writeFile("logs/D1.log", "second run\n");
  tree.writeFile("logs/D1-12102026-031500.log", "first run\n");
  VAVSettings settings(settingsWithLogDir(tree, other));
  testing::StreamStandIn stream;
  DeviceLog log(stream.fd());
  log.openFirst(tree.root(), "D1");

  FakeClock clock(kStart);
  Clock* previous = Clock::install(&clock);
  LogPlacement placement = log.place(settings);
  Clock::install(previous);

  ASSERT_TRUE(placement.datedLog);
  EXPECT_EQ(*placement.datedLog, other + "/D1-12102026-031500-1.log");
  EXPECT_EQ(placement.datedName, "D1-12102026-031500-1.log");
  EXPECT_EQ(readFile(other + "/D1-12102026-031500.log"), "first run\n");
  EXPECT_EQ(readFile(other + "/D1-12102026-031500-1.log"), "second run\n");
}

TEST(DeviceLog, NoPreviousLogInTheOtherDirectoryMakesNoDatedLog) {
  ConfigTree tree;
  tree.makeDir("log");
  std::string other = tree.makeDir("logs");
  VAVSettings settings(settingsWithLogDir(tree, other));
  testing::StreamStandIn stream;
  DeviceLog log(stream.fd());
  log.openFirst(tree.root(), "D1");
  LogPlacement placement = log.place(settings, kStart);
  EXPECT_FALSE(placement.datedLog);
  EXPECT_EQ(placement.datedName, "D1-12102026-031500.log");
  EXPECT_TRUE(std::filesystem::exists(other + "/D1.log"));
}

TEST(DeviceLog, MissingOrUnsetLogDirectoryEndsTheProcessWithItsMessage) {
  for (bool unset : {false, true}) {
    SCOPED_TRACE(unset);
    ConfigTree tree;
    tree.makeDir("log");
    if (unset)
      tree.settings().environment("common").dir("DC", tree.root());
    else
      tree.settings().environment("common").dir("DC", tree.root()).dir("log", tree.path("nowhere"));
    VAVSettings settings(tree.writeSettings());
    testing::StreamStandIn stream;
    DeviceLog log(stream.fd());
    log.openFirst(tree.root(), "D1");
    int status = -1;
    try {
      log.place(settings, kStart);
    } catch (const ExitRequest& exit) {
      status = exit.status;
    }
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readFile(tree.path("log/D1.log")),
              "Log File Setting is vav_settings.xml file is not valid, System is exiting !!!!\n");
  }
}

// The real standard error stream, in a child: the start line and the process logger's records reach the file
// that is the stream at the time.
TEST(DeviceLog, StandardErrorAndTheProcessLoggerFollowTheLog) {
  ConfigTree tree;
  tree.makeDir("log");
  std::string other = tree.makeDir("logs");
  VAVSettings settings(settingsWithLogDir(tree, other));

  int status = testing::runInChild([&] {
    DeviceLog log;
    log.openFirst(tree.root(), "D1");
    log::Logger logger = DeviceLog::attachLoggersToStandardError();
    log.writeLine("DC = start line");
    logger->info("before placing");
    log.place(settings, kStart);
    logger->info("Device Id: D1");
    log::get("tev.framework.parser.Logger")->warn("parser line");
    std::fputs("raw stderr\n", stderr);
    return 0;
  });
  ASSERT_EQ(status, 0);

  std::string first = readFile(tree.path("log/D1.log"));
  std::string final = readFile(other + "/D1.log");
  EXPECT_EQ(first.rfind("DC = start line\n", 0), 0u) << first;
  EXPECT_NE(first.find("[tev.framework.application.Logger] before placing"), std::string::npos) << first;
  EXPECT_EQ(first.find("Device Id"), std::string::npos) << first;
  EXPECT_NE(final.find("[tev.framework.application.Logger] Device Id: D1"), std::string::npos) << final;
  EXPECT_NE(final.find("[tev.framework.parser.Logger] parser line"), std::string::npos) << final;
  EXPECT_NE(final.find("raw stderr\n"), std::string::npos) << final;
}

}  // namespace
}  // namespace tev
