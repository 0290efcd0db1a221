#include "session/perl_command.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "common/error.h"
#include "common/log.h"
#include "common/test_support.h"
#include "config/config_test_support.h"
#include "session/startup_test_support.h"

namespace tev {
namespace {

using testing::ConfigTree;
using testing::readFile;
using testing::TempDir;

// Sets a file's modification time to the given number of seconds before now.
void ageFile(const std::string& path, int seconds) {
  auto when = std::filesystem::file_time_type::clock::now() - std::chrono::seconds(seconds);
  std::filesystem::last_write_time(path, when);
}

mode_t modeOf(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode & 0777;
}

TEST(PerlCommand, InterpreterCommandsRunAsConfigured) {
  EXPECT_TRUE(runsPerlInterpreter("perl /opt/tev/perl/main.pl D1 prod Generic"));
  EXPECT_TRUE(runsPerlInterpreter("/usr/bin/perl main.pl D1 prod Generic"));
  EXPECT_TRUE(runsPerlInterpreter("c:/perl/bin/perl.exe main.pl D1 prod Generic"));
  EXPECT_FALSE(runsPerlInterpreter("/opt/tev/bin/perlrunner D1 prod Generic"));
  EXPECT_FALSE(runsPerlInterpreter("c:/x/prog.EXE D1 prod Generic"));
  EXPECT_FALSE(runsPerlInterpreter("/opt/perl/main.pl D1 prod Generic"));
}

TEST(PerlCommand, CopyNameFollowsTheExeRuleIgnoringCase) {
  struct Case {
    std::string program;
    std::string copy;
  };
  const Case cases[] = {
      {"prog.EXE", "prog_D1.exe"},   {"prog.Exe", "prog_D1.exe"}, {"prog.exe", "prog_D1.exe"},
      {"runner.pl", "runner.pl_D1"}, {"runner", "runner_D1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    // A directory per case: the three spellings of ".exe" share one copy name.
    TempDir dir;
    std::string program = dir.write(c.program, "#!/bin/sh\necho " + c.program + "\n");
    std::string command = copyPerlProgram("  " + program + " D1 prod Generic \n", "D1");
    EXPECT_EQ(command, dir.file(c.copy) + "  D1 prod Generic");
    EXPECT_EQ(readFile(dir.file(c.copy)), readFile(program));
    EXPECT_EQ(modeOf(dir.file(c.copy)), 0755u);
  }
  // A program without arguments.
  TempDir dir;
  std::string program = dir.write("alone", "x");
  EXPECT_EQ(copyPerlProgram(program, "D2"), dir.file("alone_D2") + " ");
}

TEST(PerlCommand, CopyIsMadeOnlyWhenMissingOrOlder) {
  TempDir dir;
  std::string program = dir.write("prog.EXE", "version 1");
  ageFile(program, 100);
  const std::string copy = dir.file("prog_D1.exe");

  copyPerlProgram(program + " D1", "D1");
  EXPECT_EQ(readFile(copy), "version 1");

  // The copy is newer than the program: it is left alone.
  dir.write("prog_D1.exe", "changed copy");
  copyPerlProgram(program + " D1", "D1");
  EXPECT_EQ(readFile(copy), "changed copy");

  // The program changed after the copy was made: copied again.
  ageFile(copy, 200);
  copyPerlProgram(program + " D1", "D1");
  EXPECT_EQ(readFile(copy), "version 1");
}

TEST(PerlCommand, RelativeCopyKeepsTheProgramsModeAndMissingProgramFails) {
  TempDir dir;
  std::string program = dir.write("prog", "x");
  ::chmod(program.c_str(), 0700);
  std::string cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  std::string command;
  EXPECT_NO_THROW(command = copyPerlProgram("prog D1", "D1"));
  std::filesystem::current_path(cwd);
  EXPECT_EQ(command, "prog_D1  D1");
  EXPECT_EQ(modeOf(dir.file("prog_D1")), 0700u);

  EXPECT_THROW(copyPerlProgram(dir.file("missing") + " D1", "D1"), Error);
}

struct PerlFixture {
  ConfigTree tree;
  PerlCommandContext context;

  explicit PerlFixture(const std::optional<std::string>& perlProgram) {
    tree.settings().standardEnvironment("common");
    tree.settings().standardEnvironment("prod", "common");
    if (perlProgram) tree.settings().param({"perl_program"}, *perlProgram);
    context.environment = "prod";
    context.deviceId = "D1";
    context.deviceType = "Generic";
    context.logDirectory = tree.makeDir("log");
    context.start = testing::localTime(2026, 12, 10, 15, 15, 0);
  }
  std::optional<std::string> run() {
    VAVSettings settings(tree.writeSettings());
    return preparePerlCommand(settings, context);
  }
};

TEST(PerlCommand, EmptyOrMissingSettingStartsNothing) {
  EXPECT_FALSE(PerlFixture("").run());
  log::Capture capture;
  EXPECT_FALSE(PerlFixture(std::nullopt).run());
  EXPECT_TRUE(capture.contains("perl_program"));
}

TEST(PerlCommand, CommandAddsDeviceEnvironmentAndType) {
  PerlFixture perl("perl /opt/tev/perl/main.pl");
  EXPECT_EQ(perl.run(), "perl /opt/tev/perl/main.pl D1 prod Generic");

  PerlFixture withProgram(std::nullopt);
  std::string program = withProgram.tree.writeFile("bin/prog.EXE", "x");
  withProgram.tree.settings().param({"perl_program"}, program);
  withProgram.context.deviceType = "Hand";
  EXPECT_EQ(withProgram.run(), withProgram.tree.path("bin/prog_D1.exe") + "  D1 prod Hand");
}

TEST(PerlCommand, PreviousOutputIsBackedUpWhenTheSettingSaysSo) {
  struct Case {
    std::optional<std::string> keep;
    bool moved;
  };
  const Case cases[] = {{"yes", true}, {"TRUE", true}, {"no", false}, {std::nullopt, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keep.value_or("<absent>"));
    PerlFixture f("perl main.pl");
    std::string backupDir = f.tree.makeDir("backup");
    f.tree.writeFile("backup/D1_perl-12102026-031500.out", "older output");
    std::string output = f.tree.writeFile("log/D1_perl.out", "last output");
    f.context.backup.keepLogFiles = c.keep;
    f.context.backup.backupDir = backupDir;
    log::Capture capture;
    EXPECT_EQ(f.run(), "perl main.pl D1 prod Generic");
    EXPECT_EQ(std::filesystem::exists(output), !c.moved);
    EXPECT_EQ(readFile(backupDir + "/D1_perl-12102026-031500.out"), "older output");
    if (c.moved) {
      EXPECT_EQ(readFile(backupDir + "/D1_perl-12102026-031500-1.out"), "last output");
      EXPECT_TRUE(
          capture.contains("Saved the old log file as: " + backupDir + "/D1_perl-12102026-031500-1.out"));
    } else {
      EXPECT_FALSE(capture.contains("Saved the old log file"));
    }
  }
}

}  // namespace
}  // namespace tev
