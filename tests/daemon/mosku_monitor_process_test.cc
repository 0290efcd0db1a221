// The resource monitor as a program: it loads its settings file and ends.
#include <gtest/gtest.h>

#include "periphery_test_support.h"

namespace tev {
namespace {

using namespace std::chrono_literals;
using testing::readFile;

struct MonitorRun {
  int status;
  std::string output;
};

MonitorRun runMonitor(const testing::TempDir& dir, const std::vector<std::string>& args) {
  ChildProcess::Options options;
  options.argv = {TEV_MOSKU_MONITOR_EXE};
  options.argv.insert(options.argv.end(), args.begin(), args.end());
  options.stdoutSpec = StreamSpec::file(dir.file("monitor.out"));
  options.stderrSpec = StreamSpec::file(dir.file("monitor.out"));
  std::filesystem::remove(dir.file("monitor.out"));
  ChildProcess monitor = ChildProcess::start(options);
  auto status = monitor.waitFor(10s);
  if (!status) throw Error("the monitor did not end");
  return {status->code, readFile(dir.file("monitor.out"))};
}

TEST(MoskuMonitorProgram, LoadsItsSettingsAndEnds) {
  testing::TempDir dir;
  MonitorRun loaded = runMonitor(dir, {TEV_DEMO_MONITOR_SETTINGS});
  EXPECT_EQ(loaded.status, 0);
  EXPECT_EQ(loaded.output, "");

  MonitorRun broken = runMonitor(dir, {dir.write("bad.xml",
                                                 "<monitor_settings><debug_level>x</debug_level>"
                                                 "</monitor_settings>")});
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.output.find("monitor_settings/debug_level is not a whole number"), std::string::npos);

  MonitorRun usage = runMonitor(dir, {});
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.output, "Syntax: exec MoskuMonitor monitor_settings_xml_file\n");
}

}  // namespace
}  // namespace tev
