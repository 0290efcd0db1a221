#include "common/log.h"

#include <gtest/gtest.h>

namespace tev::log {
namespace {

TEST(Log, LoggersAreSharedByNameAndCapturedWithTheirNames) {
  Logger early = get("tev.test.Early");  // created before the capture: must still be captured
  Capture capture;
  EXPECT_EQ(get("tev.beans.XmlLogger"), get("tev.beans.XmlLogger"));
  early->info("first");
  get("tev.beans.XmlLogger")->debug("second {}", 2);

  auto lines = capture.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].logger, "tev.test.Early");
  EXPECT_EQ(lines[0].text, "first");
  EXPECT_EQ(lines[1].logger, "tev.beans.XmlLogger");
  EXPECT_EQ(lines[1].level, spdlog::level::debug);
  EXPECT_EQ(lines[1].text, "second 2");
  EXPECT_TRUE(capture.contains("secon"));
  EXPECT_FALSE(capture.contains("third"));
}

TEST(Log, CaptureRestoresTheSinksItReplaced) {
  auto before = currentSinks();
  { Capture capture; }
  EXPECT_EQ(currentSinks(), before);
}

}  // namespace
}  // namespace tev::log
