#include "daemon/scanner_command_line.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "daemon/daemon_test_support.h"

namespace tev {
namespace {

namespace fs = std::filesystem;
using testing::DaemonTree;
using testing::TempDir;

TEST(CopyScannerProgram, CopiesTheProgramPerDevice) {
  TempDir dir;
  std::string exe = dir.write("scan.exe", "program");
  std::string plain = dir.write("scanner", "program");
  fs::permissions(plain, fs::perms::owner_all);
  EXPECT_EQ(copyScannerProgram(exe + " R S d1 plant Generic", "d1"),
            dir.file("scan_d1.exe") + "  R S d1 plant Generic");
  EXPECT_EQ(testing::readFile(dir.file("scan_d1.exe")), "program");
  EXPECT_EQ(copyScannerProgram("  " + plain + " R S d1 plant Generic ", "d1"),
            dir.file("scanner_d1") + "  R S d1 plant Generic");
  EXPECT_EQ(fs::status(dir.file("scanner_d1")).permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
  // An ".EXE" in any letter case counts; the copy is named with ".exe".
  std::string upper = dir.write("SCAN.EXE", "x");
  EXPECT_EQ(copyScannerProgram(upper + " R", "d2"), dir.file("SCAN_d2.exe") + "  R");
}

TEST(CopyScannerProgram, AnUpToDateCopyIsKeptAndAStaleOneReplaced) {
  TempDir dir;
  std::string program = dir.write("scan", "new");
  dir.write("scan_d1", "kept");
  fs::last_write_time(dir.file("scan_d1"), fs::last_write_time(program) + std::chrono::hours(1));
  copyScannerProgram(program + " R", "d1");
  EXPECT_EQ(testing::readFile(dir.file("scan_d1")), "kept");
  fs::last_write_time(dir.file("scan_d1"), fs::last_write_time(program) - std::chrono::hours(1));
  copyScannerProgram(program + " R", "d1");
  EXPECT_EQ(testing::readFile(dir.file("scan_d1")), "new");
}

TEST(CopyScannerProgram, OurOwnProgramIsNeverCopiedAndBadLinesFail) {
  EXPECT_EQ(copyScannerProgram(" /opt/bin/vavinterface R S d1 ", "d1"), "/opt/bin/vavinterface R S d1");
  EXPECT_THROW(copyScannerProgram("/opt/bin/scan", "d1"), Error);
  EXPECT_THROW(copyScannerProgram("/nonexistent/scan R", "d1"), Error);
}

TEST(BuildScannerCommandLine, ConfiguredProgramOrOurExecutable) {
  DaemonTree tree;
  std::string program = tree.dir.write("scan", "x");
  tree.plantExtra = "<config_param id=\"scanner_program\">" + program + " R S</config_param>";
  tree.write();
  SystemLogImpl log(tree.logDir());
  auto data = TorvendData::load(log, tree.settingsPath(), std::nullopt);
  Device inPlant(DeviceListEntry{"d1", "1.2.3.4", "plant", "Generic"});
  Device inCommon(DeviceListEntry{"d2", "1.2.3.5", "common", "Simulated"});
  EXPECT_EQ(buildScannerCommandLine(*data, inPlant, "/bin/VAVInterface"),
            tree.dir.file("scan_d1") + "  R S d1 plant Generic");
  EXPECT_EQ(buildScannerCommandLine(*data, inCommon, "/bin/VAVInterface"),
            "/bin/VAVInterface " + tree.dir.path() + " " + tree.settingsPath() + " d2 common Simulated");
}

TEST(SplitCommandLine, SplitsAtWhiteSpaceWithoutQuoting) {
  EXPECT_EQ(splitCommandLine(" a  b\t\"c d\" "), (std::vector<std::string>{"a", "b", "\"c", "d\""}));
  EXPECT_TRUE(splitCommandLine("  ").empty());
}

}  // namespace
}  // namespace tev
