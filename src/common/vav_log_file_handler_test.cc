#include "common/vav_log_file_handler.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/log.h"
#include "common/test_support.h"

namespace tev {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using Settings = VAVLogFileHandler::Settings;
using testing::TempDir;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::set<std::string> filesIn(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
  return names;
}

// A logger that writes through one handler only.
void logThrough(const std::shared_ptr<VAVLogFileHandler>& handler, const std::string& text) {
  spdlog::logger logger("tev.framework.application.Logger", handler);
  logger.info(text);
}

// An installation root with its log directory.
class VAVLogFileHandlerTest : public ::testing::Test {
 protected:
  VAVLogFileHandlerTest() { fs::create_directory(dc.path() + "/log"); }
  std::string logFile(const std::string& name) const { return dc.path() + "/log/" + name; }
  std::shared_ptr<VAVLogFileHandler> open(Settings settings, const std::string& device = "RF01") {
    return std::make_shared<VAVLogFileHandler>(dc.path(), device, settings, temp.path());
  }

  TempDir dc;
  TempDir temp;
};

TEST_F(VAVLogFileHandlerTest, LaunchDefaultsNameTheFilesAndKeepThePreviousRun) {
  {
    auto handler = open({VAVLogFileHandler::kLaunchLimit, VAVLogFileHandler::kLaunchCount});
    EXPECT_TRUE(handler->writesFiles());
    EXPECT_EQ(handler->uniqueNumber(), 0);
    EXPECT_EQ(handler->fileName(0), logFile("RF010.0.log"));
    logThrough(handler, "first run");
    handler->close();  // does nothing: the file stays usable
    logThrough(handler, "still first run");
  }
  EXPECT_EQ(filesIn(dc.path() + "/log"), (std::set<std::string>{"RF010.0.log"}));
  EXPECT_THAT(readFile(logFile("RF010.0.log")),
              HasSubstr("[tev.framework.application.Logger] still first run"));

  auto handler = open({VAVLogFileHandler::kLaunchLimit, VAVLogFileHandler::kLaunchCount});
  logThrough(handler, "second run");
  EXPECT_EQ(filesIn(dc.path() + "/log"), (std::set<std::string>{"RF010.0.log", "RF010.1.log"}));
  EXPECT_THAT(readFile(logFile("RF010.1.log")), HasSubstr("first run"));
  EXPECT_THAT(readFile(logFile("RF010.1.log")), Not(HasSubstr("second run")));
  EXPECT_THAT(readFile(logFile("RF010.0.log")), HasSubstr("second run"));
  EXPECT_THAT(readFile(logFile("RF010.0.log")), Not(HasSubstr("first run")));
}

TEST_F(VAVLogFileHandlerTest, OpeningMovesEveryGenerationUpAndDropsTheOldest) {
  writeFile(logFile("RF010.0.log"), "gen0");
  writeFile(logFile("RF010.1.log"), "gen1");
  writeFile(logFile("RF010.2.log"), "gen2");
  auto handler = open({1000, 3});
  EXPECT_EQ(readFile(logFile("RF010.0.log")), "");
  EXPECT_EQ(readFile(logFile("RF010.1.log")), "gen0");
  EXPECT_EQ(readFile(logFile("RF010.2.log")), "gen1");
  EXPECT_EQ(filesIn(dc.path() + "/log").size(), 3u);
}

TEST_F(VAVLogFileHandlerTest, OneGenerationStartsTheSameFileEmpty) {
  writeFile(logFile("RF010.0.log"), "old");
  auto handler = open({0, 1});
  EXPECT_EQ(readFile(logFile("RF010.0.log")), "");
  logThrough(handler, "new");
  EXPECT_THAT(readFile(logFile("RF010.0.log")), HasSubstr("new"));
  EXPECT_EQ(filesIn(dc.path() + "/log"), (std::set<std::string>{"RF010.0.log"}));
}

TEST_F(VAVLogFileHandlerTest, RotatesWhenTheCurrentFileReachesTheLimit) {
  auto handler = open({200, 3});
  const std::string record(150, 'x');  // one formatted record is above 200 bytes
  logThrough(handler, "A" + record);
  // The first record reached the limit: it moved to generation 1 and generation 0 started empty.
  EXPECT_EQ(readFile(logFile("RF010.0.log")), "");
  EXPECT_THAT(readFile(logFile("RF010.1.log")), HasSubstr("A" + record));
  logThrough(handler, "B" + record);
  logThrough(handler, "C" + record);
  EXPECT_EQ(filesIn(dc.path() + "/log").size(), 3u);
  EXPECT_EQ(readFile(logFile("RF010.0.log")), "");
  EXPECT_THAT(readFile(logFile("RF010.1.log")), HasSubstr("C" + record));
  EXPECT_THAT(readFile(logFile("RF010.2.log")), HasSubstr("B" + record));
  // The set stays held across rotations: another handler of the same device gets its own set.
  auto other = open({200, 3});
  EXPECT_EQ(other->uniqueNumber(), 1);
}

TEST_F(VAVLogFileHandlerTest, NoLimitNeverRotates) {
  auto handler = open({0, 2});
  for (int i = 0; i < 50; ++i) logThrough(handler, std::string(100, 'y'));
  EXPECT_EQ(filesIn(dc.path() + "/log"), (std::set<std::string>{"RF010.0.log"}));
}

TEST_F(VAVLogFileHandlerTest, ASetHeldByAnotherHandlerIsNeitherUsedNorMoved) {
  auto first = open({VAVLogFileHandler::kLaunchLimit, 2});
  logThrough(first, "from the first");
  auto second = open({VAVLogFileHandler::kLaunchLimit, 2});
  EXPECT_EQ(second->uniqueNumber(), 1);
  EXPECT_EQ(second->fileName(0), logFile("RF011.0.log"));
  logThrough(second, "from the second");
  EXPECT_THAT(readFile(logFile("RF010.0.log")), HasSubstr("from the first"));
  EXPECT_THAT(readFile(logFile("RF011.0.log")), HasSubstr("from the second"));
  EXPECT_FALSE(fs::exists(logFile("RF010.1.log")));

  // Another device has its own sets; a released set is free again.
  EXPECT_EQ(open({VAVLogFileHandler::kLaunchLimit, 2}, "RF02")->uniqueNumber(), 0);
  first.reset();
  EXPECT_EQ(open({VAVLogFileHandler::kLaunchLimit, 2})->uniqueNumber(), 0);
}

TEST_F(VAVLogFileHandlerTest, EveryUniqueNumberTakenIsAnError) {
  std::vector<std::shared_ptr<VAVLogFileHandler>> holders;
  for (int i = 0; i < VAVLogFileHandler::kMaxUniqueNumber; ++i) holders.push_back(open({0, 1}));
  EXPECT_EQ(holders.back()->uniqueNumber(), VAVLogFileHandler::kMaxUniqueNumber - 1);
  try {
    open({0, 1});
    FAIL() << "expected an error";
  } catch (const Error& e) {
    EXPECT_THAT(e.what(), HasSubstr("No free log file set for " + logFile("RF010.0.log")));
  }
}

TEST_F(VAVLogFileHandlerTest, CountWithoutLimitWritesToTheTemporaryDirectory) {
  auto two = open({std::nullopt, 2});
  EXPECT_TRUE(two->writesFiles());
  EXPECT_EQ(two->limit(), 0);
  EXPECT_EQ(two->fileName(0), temp.path() + "/RF010.log.0");
  auto one = open({std::nullopt, 1}, "RF05");
  EXPECT_EQ(one->fileName(0), temp.path() + "/RF050.log");
  logThrough(one, "to temp");
  EXPECT_THAT(readFile(temp.path() + "/RF050.log"), HasSubstr("to temp"));
  EXPECT_TRUE(fs::is_empty(dc.path() + "/log"));
}

// Runs the body with the standard error stream redirected to a file and returns what was written there.
template <typename Body>
std::string captureStderr(const std::string& file, Body body) {
  int saved = ::dup(STDERR_FILENO);
  int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ::dup2(fd, STDERR_FILENO);
  ::close(fd);
  body();
  ::dup2(saved, STDERR_FILENO);
  ::close(saved);
  return readFile(file);
}

TEST_F(VAVLogFileHandlerTest, WithoutSettingsRecordsGoToStandardError) {
  std::shared_ptr<VAVLogFileHandler> handler;
  std::string written = captureStderr(dc.path() + "/stderr.txt", [&] {
    handler = open({});
    logThrough(handler, "to stderr");
  });
  EXPECT_FALSE(handler->writesFiles());
  EXPECT_THAT(written, HasSubstr("[tev.framework.application.Logger] to stderr"));
  EXPECT_TRUE(fs::is_empty(dc.path() + "/log"));
  EXPECT_TRUE(fs::is_empty(temp.path()));
}

TEST_F(VAVLogFileHandlerTest, BadSettingsAndAMissingLogDirectoryAreErrors) {
  EXPECT_THROW(open({-1, 2}), Error);
  EXPECT_THROW(open({100, 0}), Error);
  fs::remove(dc.path() + "/log");
  try {
    open({100, 2});
    FAIL() << "expected an error";
  } catch (const Error& e) {
    EXPECT_THAT(e.what(), HasSubstr("Cannot open the log file " + logFile("RF010.0.log")));
  }
}

}  // namespace
}  // namespace tev
