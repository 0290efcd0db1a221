#include "daemon/system_log.h"

#include <gtest/gtest.h>

#include "common/clock.h"
#include "common/error.h"
#include "common/test_support.h"
#include "daemon/torvend_data.h"

namespace tev {
namespace {

using testing::readFile;
using testing::TempDir;

struct Subject : LogSubject {
  explicit Subject(LogKind kind) : kind(kind) {}
  LogKind logKind() const override { return kind; }
  LogKind kind;
};

class SystemLogTest : public ::testing::Test {
 protected:
  SystemLogTest() {
    std::tm time{};
    time.tm_year = 126;
    time.tm_mon = 11;
    time.tm_mday = 8;
    time.tm_hour = 18;
    time.tm_min = 40;
    time.tm_sec = 38;
    time.tm_isdst = -1;
    clock.set(std::chrono::system_clock::from_time_t(std::mktime(&time)));
    previous = Clock::install(&clock);
  }
  ~SystemLogTest() override { Clock::install(previous); }

  std::string mainLog() const { return readFile(dir.file("torvend.log")); }

  FakeClock clock;
  Clock* previous;
  TempDir dir;
};

TEST_F(SystemLogTest, LinesCarryTheTimeAndPassTheLevelFilterOnceInitialized) {
  SystemLogImpl log(dir.path());
  log.log(9, "before initialize");
  TorvendData data;
  data.debugLevel = 1;
  log.initialize(&data);
  log.log(1, "Created Notifier object");
  log.log(5, "Received select_scanner message. Selected scanner: dev1");
  data.debugLevel = 5;
  log.log(5, "level five");
  EXPECT_EQ(mainLog(),
            "12-08-26 18:40:38| before initialize\n"
            "12-08-26 18:40:38| Created Notifier object\n"
            "12-08-26 18:40:38| level five\n");
}

TEST_F(SystemLogTest, EachKindGoesToItsOwnFileOnlyWhenSwitchedOn) {
  SystemLogImpl log(dir.path());
  TorvendData data;
  data.debugLevel = 10;
  data.bMaintainDeviceLogs = true;
  log.initialize(&data);
  Subject device(LogKind::kDevice), thread(LogKind::kThread);
  log.setLog(device, "dev1_debug.log");
  log.setLog(thread, "EmulatorThread1.log");
  log.log(device, 1, "device line");
  log.log(thread, 1, "thread line");
  EXPECT_EQ(readFile(dir.file("dev1_debug.log")), "12-08-26 18:40:38| device line\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("EmulatorThread1.log")));
  EXPECT_EQ(mainLog(), "12-08-26 18:40:38| thread line\n");

  // A reload re-opens (empties) every file; a kind switched on since gets its file.
  data.bMaintainThreadLogs = true;
  log.reopenAllLogfiles();
  log.log(thread, 1, "thread again");
  EXPECT_EQ(readFile(dir.file("dev1_debug.log")), "");
  EXPECT_EQ(readFile(dir.file("EmulatorThread1.log")), "12-08-26 18:40:38| thread again\n");

  log.closeLog(device);
  log.log(device, 1, "dropped");  // flag on, no file: the line is dropped
  EXPECT_EQ(mainLog(), "12-08-26 18:40:38| thread line\n");
}

TEST_F(SystemLogTest, StackTracesOnlyWhenShown) {
  SystemLogImpl log(dir.path());
  TorvendData data;
  data.debugLevel = 1;
  log.initialize(&data);
  log.logStackTrace("Error in handling", Error("boom"));
  data.bShowStackTraces = true;
  log.logStackTrace("Again", Error("bang"));
  EXPECT_EQ(mainLog(),
            "12-08-26 18:40:38| Error in handling: boom\n"
            "12-08-26 18:40:38| Again: bang\n"
            "12-08-26 18:40:38| tev::Error: bang\n");
}

TEST(SystemLogCreation, FailsWhenTheMainLogCannotBeOpened) {
  EXPECT_THROW(SystemLogImpl("/nonexistent/dir"), Error);
}

}  // namespace
}  // namespace tev
