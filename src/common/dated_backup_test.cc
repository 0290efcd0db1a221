#include "common/dated_backup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/test_support.h"

namespace tev {
namespace {

using testing::readFile;
using testing::TempDir;

TEST(DatedBackup, TimestampUsesTheTwelveHourClockWithoutMarker) {
  EXPECT_EQ(backupTimestamp(testing::localTime(2026, 12, 10, 15, 15, 0)), "12102026-031500");
  EXPECT_EQ(backupTimestamp(testing::localTime(2027, 1, 2, 0, 5, 9)), "01022027-120509");
  EXPECT_EQ(backupTimestamp(testing::localTime(2027, 1, 2, 9, 5, 9)), "01022027-090509");
}

TEST(DatedBackup, CounterGoesBeforeTheExtension) {
  EXPECT_EQ(withCounter("/l/D1-12102026-031500.log", 0), "/l/D1-12102026-031500.log");
  EXPECT_EQ(withCounter("/l/D1-12102026-031500.log", 1), "/l/D1-12102026-031500-1.log");
  EXPECT_EQ(withCounter("/l/D1_perl-x.out", 12), "/l/D1_perl-x-12.out");
  EXPECT_EQ(withCounter("/a.b/name", 2), "/a.b/name-2");
  EXPECT_EQ(withCounter("/a/.hidden", 1), "/a/.hidden-1");
}

TEST(DatedBackup, MoveNeverOverwritesAndKeepsCounting) {
  TempDir dir;
  dir.write("D1-x.log", "old");
  dir.write("D1-x-1.log", "older");
  std::string source = dir.write("D1.log", "previous run");

  auto moved = moveKeepingBoth(source, dir.file("D1-x.log"));
  ASSERT_TRUE(moved);
  EXPECT_EQ(*moved, dir.file("D1-x-2.log"));
  EXPECT_EQ(readFile(*moved), "previous run");
  EXPECT_EQ(readFile(dir.file("D1-x.log")), "old");
  EXPECT_EQ(readFile(dir.file("D1-x-1.log")), "older");
  EXPECT_FALSE(std::filesystem::exists(source));
}

TEST(DatedBackup, MoveOfAMissingFileOrIntoAMissingDirectorySaysWhy) {
  TempDir dir;
  std::string why;
  EXPECT_FALSE(moveKeepingBoth(dir.file("none.log"), dir.file("x.log"), &why));
  EXPECT_NE(why.find("none.log"), std::string::npos) << why;

  std::string source = dir.write("D1.log", "kept");
  EXPECT_FALSE(moveKeepingBoth(source, dir.file("missing/x.log")));
  EXPECT_EQ(readFile(source), "kept");
}

TEST(DatedBackup, MoveAcrossFileSystemsCopiesAndRemoves) {
  TempDir target;
  struct stat shm {
  }, tmp{};
  if (::stat("/dev/shm", &shm) != 0 || ::stat(target.path().c_str(), &tmp) != 0 || shm.st_dev == tmp.st_dev ||
      ::access("/dev/shm", W_OK) != 0)
    GTEST_SKIP() << "no second file system to move across";
  std::string source = "/dev/shm/tev_dated_backup_" + std::to_string(::getpid()) + ".log";
  { std::ofstream(source) << "across"; }
  target.write("D1-x.log", "taken");

  auto moved = moveKeepingBoth(source, target.file("D1-x.log"));
  ASSERT_TRUE(moved);
  EXPECT_EQ(*moved, target.file("D1-x-1.log"));
  EXPECT_EQ(readFile(*moved), "across");
  EXPECT_FALSE(std::filesystem::exists(source));
}

}  // namespace
}  // namespace tev
