#include "session/log_backup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>

#include "common/log.h"
#include "common/test_support.h"
#include "config/config_test_support.h"

namespace tev {
namespace {

using testing::ConfigTree;
using testing::readFile;

// A log directory with a dated log, and the settings of the backup.
struct Fixture {
  ConfigTree tree;
  LogPlacement placement;

  Fixture(const std::optional<std::string>& keep, const std::optional<std::string>& backupDir) {
    std::string logs = tree.makeDir("logs");
    placement.directory = logs;
    placement.path = logs + "/D1.log";
    placement.datedName = "D1-12102026-031500.log";
    placement.datedLog = tree.writeFile("logs/" + placement.datedName, "previous run\n");
    tree.settings().standardEnvironment("common");
    if (keep) tree.settings().param({"backup_log_files", "keep_log_files"}, *keep);
    if (backupDir) tree.settings().param({"backup_log_files", "backup_dir"}, *backupDir);
  }
  LogBackupSettings run() {
    VAVSettings settings(tree.writeSettings());
    return keepOrRemoveDatedLog(settings, placement);
  }
};

TEST(LogBackup, YesOrTrueInAnyCaseMovesTheDatedLogIntoACreatedBackupDir) {
  for (const char* keep : {"yes", "TRUE", "Yes", "true"}) {
    SCOPED_TRACE(keep);
    Fixture f(keep, std::nullopt);
    std::string backupDir = f.tree.path("backup/old");
    f.tree.settings().param({"backup_log_files", "backup_dir"}, backupDir);
    log::Capture capture;
    LogBackupSettings read = f.run();

    EXPECT_EQ(read.keepLogFiles, keep);
    EXPECT_EQ(read.backupDir, backupDir);
    EXPECT_EQ(readFile(backupDir + "/D1-12102026-031500.log"), "previous run\n");
    EXPECT_FALSE(std::filesystem::exists(*f.placement.datedLog));
    EXPECT_TRUE(capture.contains("backupDirFile EXIST false  " + backupDir));
    EXPECT_TRUE(capture.contains("Saved the old log file as: " + backupDir + "/D1-12102026-031500.log"));
  }
}

TEST(LogBackup, ExistingBackupKeepsBothThroughACounter) {
  Fixture f("yes", std::nullopt);
  std::string backupDir = f.tree.makeDir("backup");
  f.tree.writeFile("backup/D1-12102026-031500.log", "kept earlier\n");
  f.tree.settings().param({"backup_log_files", "backup_dir"}, backupDir);
  log::Capture capture;
  f.run();
  EXPECT_EQ(readFile(backupDir + "/D1-12102026-031500.log"), "kept earlier\n");
  EXPECT_EQ(readFile(backupDir + "/D1-12102026-031500-1.log"), "previous run\n");
  EXPECT_TRUE(capture.contains("backupDirFile EXIST true  " + backupDir));
  EXPECT_TRUE(capture.contains("Saved the old log file as: " + backupDir + "/D1-12102026-031500-1.log"));
}

TEST(LogBackup, NoDatedLogStillWritesTheSavedLine) {
  Fixture f("yes", std::nullopt);
  std::string backupDir = f.tree.makeDir("backup");
  f.tree.settings().param({"backup_log_files", "backup_dir"}, backupDir);
  std::filesystem::remove(*f.placement.datedLog);
  f.placement.datedLog.reset();
  log::Capture capture;
  f.run();
  EXPECT_TRUE(capture.contains("Saved the old log file as: " + backupDir + "/D1-12102026-031500.log"));
  EXPECT_TRUE(std::filesystem::is_empty(backupDir));
}

TEST(LogBackup, OtherValueDeletesAndAbsentLeavesTheDatedLog) {
  {
    Fixture f("no", "/unused");
    log::Capture capture;
    f.run();
    EXPECT_FALSE(std::filesystem::exists(*f.placement.datedLog));
    EXPECT_TRUE(capture.contains("Deleted the old log file"));
  }
  {
    Fixture f(std::nullopt, std::nullopt);
    log::Capture capture;
    LogBackupSettings read = f.run();
    EXPECT_FALSE(read.keepLogFiles);
    EXPECT_EQ(readFile(*f.placement.datedLog), "previous run\n");
    EXPECT_FALSE(capture.contains("Deleted the old log file"));
    EXPECT_FALSE(capture.contains("backupDirFile"));
  }
}

TEST(LogBackup, BackupDirThatCannotBeCreatedLeavesTheDatedLog) {
  Fixture f("yes", std::nullopt);
  // A regular file stands where a parent directory should be.
  std::string blocker = f.tree.writeFile("blocker", "");
  std::string backupDir = blocker + "/backup";
  f.tree.settings().param({"backup_log_files", "backup_dir"}, backupDir);
  log::Capture capture;
  f.run();
  EXPECT_EQ(readFile(*f.placement.datedLog), "previous run\n");
  EXPECT_TRUE(capture.contains("UNABLE TO BACKUP THE EXISTING FILES AS BACK DIR DOESN'T EXIST " + backupDir));
  EXPECT_FALSE(capture.contains("Saved the old log file"));
}

TEST(LogBackup, YesWithoutBackupDirCreatesNothing) {
  Fixture f("yes", std::nullopt);
  log::Capture capture;
  f.run();
  EXPECT_EQ(readFile(*f.placement.datedLog), "previous run\n");
  EXPECT_TRUE(capture.contains("UNABLE TO BACKUP THE EXISTING FILES AS BACK DIR DOESN'T EXIST null"));
  EXPECT_FALSE(std::filesystem::exists("null"));
}

}  // namespace
}  // namespace tev
