#include "daemon/device_log_backup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/clock.h"
#include "common/test_support.h"

namespace tev {
namespace {

using testing::localTime;
using testing::TempDir;

TEST(DeviceLogBackup, OnlyTheDevicesOwnFiles) {
  std::vector<std::string> known{"dev1", "dev10", "dev1_x"};
  struct Case {
    const char* file;
    bool dev1;
  };
  for (const Case& c :
       {Case{"dev1.log", true}, Case{"dev1_debug.log", true}, Case{"dev10.0.log", true},
        Case{"dev11.2.log", true}, Case{"dev10_debug.log", false}, Case{"dev10.log", false},
        Case{"dev100.0.log", false}, Case{"dev1_x.log", false}, Case{"dev1_x_debug.log", false},
        Case{"dev1.txt", false}, Case{"dev1", false}, Case{"xdev1.log", false}}) {
    EXPECT_EQ(isDeviceLogFile(c.file, "dev1", known), c.dev1) << c.file;
  }
  EXPECT_TRUE(isDeviceLogFile("dev10_debug.log", "dev10", known));
  EXPECT_TRUE(isDeviceLogFile("dev1_x_debug.log", "dev1_x", known));
}

TEST(DeviceLogBackup, BackupNameCarriesTheTimeOnATwelveHourClock) {
  EXPECT_EQ(backupFileName("dev7_debug.log", localTime(2026, 12, 8, 18, 40, 38)),
            "dev7_debug-12082026-064038.log");
  EXPECT_EQ(backupFileName("dev7.0.log", localTime(2026, 1, 2, 0, 5, 9)), "dev7.0-01022026-120509.log");
}

TEST(DeviceLogBackup, MovesFilesWithoutOverwritingEarlierBackups) {
  TempDir dir;
  std::filesystem::create_directories(dir.file("log"));
  FakeClock clock(localTime(2026, 12, 8, 18, 40, 38));
  Clock* previous = Clock::install(&clock);
  for (const char* name : {"log/dev1.log", "log/dev1_debug.log", "log/dev10_debug.log"})
    dir.write(name, name);
  auto first = backupDeviceLogFiles(dir.file("backup"), dir.file("log"), "dev1", {"dev1", "dev10"});
  dir.write("log/dev1.log", "second run");
  auto second = backupDeviceLogFiles(dir.file("backup"), dir.file("log"), "dev1", {"dev1", "dev10"});
  Clock::install(previous);

  EXPECT_EQ(first.size(), 2u);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_TRUE(second[0].moved);
  EXPECT_EQ(second[0].to, dir.file("backup/dev1-12082026-064038-1.log"));
  EXPECT_EQ(testing::readFile(dir.file("backup/dev1-12082026-064038.log")), "log/dev1.log");
  EXPECT_EQ(testing::readFile(dir.file("backup/dev1-12082026-064038-1.log")), "second run");
  EXPECT_TRUE(std::filesystem::exists(dir.file("log/dev10_debug.log")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("log/dev1_debug.log")));
}

}  // namespace
}  // namespace tev
