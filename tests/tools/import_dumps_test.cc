// Runs the built ImportDumps executable on installation trees made for each test and checks its console, its
// exit status, the installed files and the backup archive.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zip.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "common/child_process.h"
#include "config/zip_test_support.h"
#include "xml/xml_test_support.h"

#ifndef TEV_IMPORT_DUMPS_EXE
#error "TEV_IMPORT_DUMPS_EXE must name the ImportDumps executable"
#endif

namespace tev {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::Entries;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::Pair;
using testing::readFile;
using testing::readZip;
using testing::TempDir;
using testing::writeZip;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// An installation tree "inst" (with its backup directory), a working directory and the archive "dump.zip".
class ImportDumpsTool : public ::testing::Test {
 protected:
  ImportDumpsTool() {
    fs::create_directories(root.file("inst/config"));
    fs::create_directories(root.file("inst/backup"));
    fs::create_directories(root.file("work"));
  }

  // The installation directory as the command line names it, and a path inside it.
  std::string dest() const { return root.file("inst"); }
  std::string inst(const std::string& relative) const { return root.file("inst/" + relative); }
  std::string dump() const { return root.file("dump.zip"); }

  Outcome run(const std::vector<std::string>& args, const std::string& input = "") {
    ++runs_;
    std::string base = root.file("run" + std::to_string(runs_));
    ChildProcess::Options options;
    options.argv = {TEV_IMPORT_DUMPS_EXE};
    options.argv.insert(options.argv.end(), args.begin(), args.end());
    options.workingDirectory = root.file("work");
    options.stdinSpec = StreamSpec::file(root.write("run" + std::to_string(runs_) + ".in", input));
    options.stdoutSpec = StreamSpec::file(base + ".out");
    options.stderrSpec = StreamSpec::file(base + ".err");
    ChildProcess child = ChildProcess::start(options);
    std::optional<ExitStatus> status = child.waitFor(std::chrono::seconds(30));
    Outcome result;
    if (status && !status->signaled()) result.status = status->code;
    result.out = readFile(base + ".out");
    result.err = readFile(base + ".err");
    return result;
  }

  // The one backup archive the import wrote.
  std::string backupArchive() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(inst("backup"))) names.push_back(entry.path().filename());
    EXPECT_EQ(names.size(), 1u);
    if (names.size() != 1) return "";
    EXPECT_TRUE(std::regex_match(names[0], std::regex(R"(backupDump\.[0-9]{12}\.zip)"))) << names[0];
    return inst("backup/" + names[0]);
  }

  TempDir root;

 private:
  int runs_ = 0;
};

const char* const kUsage =
    "Usage: ImportDumps           - For GUI Application\n"
    "Usage: ImportDumps <path to zip file containing dumps> <path to the parent folder where to install "
    "dumps>"
    "          - For NON - GUI Application\n";

TEST_F(ImportDumpsTool, AWrongArgumentCountPrintsTheUsageAndFails) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"a"}, {"a", "b", "c"}}) {
    Outcome r = run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Arguments length: " + std::to_string(args.size()) + "\n" + kUsage);
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(ImportDumpsTool, AFullImportSavesWhatItReplacesAndWritesEveryEntry) {
  root.write("inst/config/a.xml", "old a");
  root.write("inst/config/b.txt", "old b");
  writeZip(dump(), {{"config/", ""},
                    {"config/a.xml", "new a"},
                    {"config/new.xml", "brand new"},
                    {"config/b.txt", "new b"}});
  Outcome r = run({dump(), dest()});
  ASSERT_EQ(r.status, 0) << r.out << r.err;

  EXPECT_EQ(readFile(inst("config/a.xml")), "new a");
  EXPECT_EQ(readFile(inst("config/b.txt")), "new b");
  EXPECT_EQ(readFile(inst("config/new.xml")), "brand new");
  EXPECT_THAT(readZip(backupArchive()),
              ElementsAre(Pair(inst("config/a.xml"), "old a"), Pair(inst("config/b.txt"), "old b")));

  const std::string d = dest() + "/";
  auto trying = [&](const std::string& name, const std::string& target) {
    return "Trying next entry - " + d + name + " matches " + d + target + "\n";
  };
  EXPECT_EQ(r.out,
            "Arguments length: 2\n"
            "You chose to open this file: " +
                dump() + "\nYou selected this Directory to Save: " + dest() +
                "\n"
                "Reading the ZIP File\n"
                "config/\n\nconfig/a.xml\n\nconfig/new.xml\n\nconfig/b.txt\n\n"
                "Entering closeZipFile\n"
                "File being Processed: " +
                d + "config/\nFile being Processed: " + d + "config/a.xml\nFile being Processed: " + d +
                "config/new.xml\nFile being Processed: " + d + "config/b.txt\n" +
                "Is not a Parameter File: " + d + "config/\n" +
                "******Not able to create the directory structure for: " + d + "config/\n" +
                "Is not a Parameter File: " + d + "config/a.xml\n" + trying("config/", "config/a.xml") +
                trying("config/a.xml", "config/a.xml") + "Is not a Parameter File: " + d +
                "config/new.xml\n" + trying("config/", "config/new.xml") +
                trying("config/a.xml", "config/new.xml") + trying("config/new.xml", "config/new.xml") +
                "Is not a Parameter File: " + d + "config/b.txt\n" + trying("config/", "config/b.txt") +
                trying("config/a.xml", "config/b.txt") + trying("config/new.xml", "config/b.txt") +
                trying("config/b.txt", "config/b.txt") + "Exiting replaceOldFile\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(ImportDumpsTool, InstalledParameterFilesAreMergedWithAndWithoutPath) {
  const std::string installed =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<param_value_list><param_value id=\"email\"><param_value id=\"smtp_host\">mail</param_value>"
      "</param_value></param_value_list>\n";
  root.write("inst/config/PickTrans.xml", installed);
  root.write("inst/config/PackTrans.xml", installed);
  writeZip(dump(), {{"config/PickTrans.xml",
                     "<param_value id=\"smtp_port\" path=\"/param_value_list/param_value[@id='email']\">25"
                     "</param_value>"},
                    {"config/PackTrans.xml", "<param_value id=\"printer\">P1</param_value>"},
                    {"config/ShipTrans.xml", "<param_value_list/>"}});
  Outcome r = run({dump(), dest()});
  ASSERT_EQ(r.status, 0) << r.out << r.err;

  EXPECT_EQ(readFile(inst("config/PickTrans.xml")),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<param_value_list><param_value id=\"email\"><param_value id=\"smtp_host\">mail</param_value>"
            "<param_value id=\"smtp_port\">25</param_value></param_value></param_value_list>\n");
  EXPECT_EQ(readFile(inst("config/PackTrans.xml")),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<param_value_list><param_value id=\"email\"><param_value id=\"smtp_host\">mail</param_value>"
            "</param_value><param_value id=\"printer\">P1</param_value></param_value_list>\n");
  // A parameter file not yet installed is written as it is.
  EXPECT_EQ(readFile(inst("config/ShipTrans.xml")), "<param_value_list/>");
  EXPECT_FALSE(fs::exists(root.file("work/Parameters_temp_file.xml")));
  EXPECT_THAT(readZip(backupArchive()), ElementsAre(Pair(inst("config/PickTrans.xml"), installed),
                                                    Pair(inst("config/PackTrans.xml"), installed)));

  const std::string pick = inst("config/PickTrans.xml");
  EXPECT_THAT(
      r.out, HasSubstr("Is a Parameter File: " + pick + "\nTrying next entry - " + pick + " matches " + pick +
                       "\n Node Value of Path = /param_value_list/param_value[@id='email']\n"
                       " cloned node = param_value\nUpdating the parameters file is successful\n"));
  EXPECT_THAT(r.out,
              HasSubstr(" cloned node = param_value_list\nUpdating the parameters file is successful\n"));
  EXPECT_EQ(r.err,
            "xmlDoc = <param_value id=\"smtp_port\" path=\"/param_value_list/param_value[@id='email']\">25"
            "</param_value>\n"
            " initial node = param_value\n"
            "xmlDoc = <param_value id=\"printer\">P1</param_value>\n"
            " initial node = param_value\n");
}

TEST_F(ImportDumpsTool, APathThatSelectsNothingLeavesTheInstalledFileUnchanged) {
  const std::string installed = "<param_value_list><param_value id=\"a\"/></param_value_list>\n";
  root.write("inst/config/PickTrans.xml", installed);
  writeZip(dump(), {{"config/PickTrans.xml", "<param_value id=\"b\" path=\"/param_value_list/missing\"/>"},
                    {"config/other.xml", "other"}});
  Outcome r = run({dump(), dest()});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(readFile(inst("config/PickTrans.xml")), installed);
  EXPECT_EQ(readFile(inst("config/other.xml")), "other");
  EXPECT_FALSE(fs::exists(root.file("work/Parameters_temp_file.xml")));
  EXPECT_THAT(r.out, HasSubstr(" Node Value of Path = /param_value_list/missing\n"
                               "Updating the parameters file is unsuccessful\n"));
  EXPECT_THAT(r.out, Not(HasSubstr(" cloned node")));
  EXPECT_THAT(r.err, HasSubstr("the path /param_value_list/missing selects nothing"));
}

TEST_F(ImportDumpsTool, AMissingBackupDirectoryStopsBeforeAnythingIsReplaced) {
  root.write("inst/config/a.xml", "old a");
  fs::remove(inst("backup"));
  writeZip(dump(), {{"config/a.xml", "new a"}});
  Outcome r = run({dump(), dest()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(readFile(inst("config/a.xml")), "old a");
  EXPECT_THAT(r.out, HasSubstr("Entering closeZipFile\nUnable to create the Backup file : \n"));
  EXPECT_THAT(r.out, Not(HasSubstr("File being Processed")));
  EXPECT_THAT(r.err, HasSubstr(inst("backup/backupDump.")));
}

TEST_F(ImportDumpsTool, AnUnreadableArchiveStopsBeforeTheBackup) {
  root.write("dump.zip", "this is no archive");
  Outcome r = run({dump(), dest()});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.out, HasSubstr("Unable to read the dump file : \n"));
  EXPECT_THAT(r.err, HasSubstr(dump()));
  EXPECT_TRUE(fs::is_empty(inst("backup")));
}

TEST_F(ImportDumpsTool, EntriesOutsideTheInstallationAreRefused) {
  writeZip(dump(), {{"../outside.txt", "escaped"}, {"config/a.xml", "new a"}});
  Outcome r = run({dump(), dest()});
  EXPECT_EQ(r.status, 2);
  EXPECT_FALSE(fs::exists(root.file("outside.txt")));
  EXPECT_EQ(readFile(inst("config/a.xml")), "new a");
  EXPECT_THAT(r.out, HasSubstr("../outside.txt\n\nRefused the entry outside the installation directory: "
                               "../outside.txt\n"));
  EXPECT_THAT(readZip(backupArchive()), IsEmpty());
}

TEST_F(ImportDumpsTool, WithoutArgumentsThePathsAreReadFromTheInput) {
  writeZip(dump(), {{"config/a.xml", "new a"}});
  Outcome r = run({}, dump() + "\n" + dest() + "\n");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(readFile(inst("config/a.xml")), "new a");
  EXPECT_THAT(
      r.out,
      HasSubstr("Arguments length: 0\nDump file to open: You chose to open this file: " + dump() +
                "\nDirectory to install the dump in: You selected this Directory to Save: " + dest() + "\n"));
}

}  // namespace
}  // namespace tev
