#include "config/import_dumps.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/clock.h"
#include "config/zip_test_support.h"
#include "xml/xml_test_support.h"

namespace tev {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::Entries;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::Pair;
using testing::readFile;
using testing::readZip;
using testing::TempDir;
using testing::writeZip;

// A tool on an archive and an installation directory, with its two streams captured.
class ImportDumpsTest : public ::testing::Test {
 protected:
  ImportDumpsTest() : tool(out, err) {
    fs::create_directories(root.file("inst/config"));
    fs::create_directories(root.file("inst/backup"));
    tool.dumpFileName = root.file("dump.zip");
    tool.destinationPath = root.file("inst");
  }
  std::string inst(const std::string& relative) const { return root.file("inst/" + relative); }

  TempDir root;
  std::ostringstream out;
  std::ostringstream err;
  ImportDumps tool;
};

TEST(ImportDumpsStatic, ParameterFilesAreNamedByTrans) {
  EXPECT_TRUE(ImportDumps::isParameterFile("/i/config/PickTrans.xml"));
  EXPECT_TRUE(ImportDumps::isParameterFile("Trans.xml.bak"));
  EXPECT_FALSE(ImportDumps::isParameterFile("/i/config/Picktrans.xml"));
  EXPECT_FALSE(ImportDumps::isParameterFile("/i/config/global_params.xml"));
}

TEST_F(ImportDumpsTest, ReadingListsTheEntriesAndRefusesThoseOutsideTheInstallation) {
  writeZip(tool.dumpFileName, {{"config/", ""},
                               {"config/a.xml", "<a/>"},
                               {"../evil.xml", "x"},
                               {"/etc/evil", "x"},
                               {"config/../../evil", "x"},
                               {"config/..x/b.xml", "ok"}});
  tool.readDumpFile();
  EXPECT_THAT(tool.dumpFileEntries, ElementsAre("config/", "config/a.xml", "config/..x/b.xml"));
  EXPECT_EQ(tool.refusedEntries(), 3);
  EXPECT_THAT(tool.backupFileEntries,
              ElementsAre(inst("config/"), inst("config/a.xml"), inst("config/..x/b.xml")));
  EXPECT_EQ(out.str(),
            "Reading the ZIP File\n"
            "config/\n\n"
            "config/a.xml\n\n"
            "../evil.xml\n\n"
            "Refused the entry outside the installation directory: ../evil.xml\n"
            "/etc/evil\n\n"
            "Refused the entry outside the installation directory: /etc/evil\n"
            "config/../../evil\n\n"
            "Refused the entry outside the installation directory: config/../../evil\n"
            "config/..x/b.xml\n\n"
            "Entering closeZipFile\n");
}

TEST_F(ImportDumpsTest, ReadingFailsWithoutAReadableArchiveOrADestination) {
  EXPECT_THROW(tool.readDumpFile(), ImportError);  // no such file
  root.write("dump.zip", "not a zip archive");
  EXPECT_THROW(tool.readDumpFile(), ImportError);
  writeZip(tool.dumpFileName, {{"a.xml", "<a/>"}});
  tool.destinationPath = "";
  EXPECT_THROW(tool.readDumpFile(), ImportError);
  tool.destinationPath = inst("");
  tool.dumpFileName = "";
  EXPECT_THROW(tool.readDumpFile(), ImportError);
  EXPECT_THAT(out.str(), Not(HasSubstr("Reading the ZIP File")));
}

// The stamp of the backup archive's name at a fixed time, in local time.
std::string localStamp(std::time_t time) {
  std::tm local{};
  ::localtime_r(&time, &local);
  char text[16];
  std::strftime(text, sizeof text, "%y%m%d%H%M%S", &local);
  return text;
}

class FixedClock {
 public:
  explicit FixedClock(std::time_t time) : clock_(std::chrono::system_clock::from_time_t(time)) {
    previous_ = Clock::install(&clock_);
  }
  ~FixedClock() { Clock::install(previous_); }

 private:
  FakeClock clock_;
  Clock* previous_;
};

TEST_F(ImportDumpsTest, BackupSavesTheInstalledFilesUnderTheirFullPaths) {
  root.write("inst/config/a.xml", "old a");
  root.write("inst/config/b.xml", "old b");
  writeZip(
      tool.dumpFileName,
      {{"config/", ""}, {"config/a.xml", "new a"}, {"config/new.xml", "new"}, {"config/b.xml", "new b"}});
  tool.readDumpFile();
  out.str("");
  const std::time_t time = 1700000000;
  FixedClock clock(time);
  tool.startBackup();

  std::string backup = inst("backup/backupDump." + localStamp(time) + ".zip");
  EXPECT_THAT(readZip(backup),
              ElementsAre(Pair(inst("config/a.xml"), "old a"), Pair(inst("config/b.xml"), "old b")));
  EXPECT_EQ(out.str(), "File being Processed: " + inst("config/") + "\nFile being Processed: " +
                           inst("config/a.xml") + "\nFile being Processed: " + inst("config/new.xml") +
                           "\nFile being Processed: " + inst("config/b.xml") + "\n");
}

TEST_F(ImportDumpsTest, BackupOfNothingIsAnEmptyArchive) {
  writeZip(tool.dumpFileName, {{"config/new.xml", "new"}});
  tool.readDumpFile();
  FixedClock clock(1700000000);
  tool.startBackup();
  std::string backup = inst("backup/backupDump." + localStamp(1700000000) + ".zip");
  ASSERT_TRUE(fs::exists(backup));
  EXPECT_TRUE(readZip(backup).empty());
}

TEST_F(ImportDumpsTest, BackupFailsWithoutTheBackupDirectory) {
  root.write("inst/config/a.xml", "old a");
  writeZip(tool.dumpFileName, {{"config/a.xml", "new a"}});
  tool.readDumpFile();
  out.str("");
  fs::remove(inst("backup"));
  EXPECT_THROW(tool.startBackup(), ImportError);
  EXPECT_EQ(out.str(), "");  // stopped before the first file
  EXPECT_FALSE(fs::exists(inst("backup")));
}

TEST_F(ImportDumpsTest, ReplacingWritesFilesCreatesDirectoriesAndReportsFailures) {
  root.write("inst/config/a.xml", "old a");
  writeZip(tool.dumpFileName, {{"config/", ""},
                               {"data/sub/", ""},
                               {"config/a.xml", "new a"},
                               {"nowhere/x.xml", "x"},
                               {"data/sub/n.txt", "n"}});
  tool.readDumpFile();
  out.str("");
  EXPECT_FALSE(tool.replaceOldFile());  // nowhere/ does not exist

  EXPECT_EQ(readFile(inst("config/a.xml")), "new a");
  EXPECT_EQ(readFile(inst("data/sub/n.txt")), "n");
  EXPECT_FALSE(fs::exists(inst("nowhere")));
  const std::string d = inst("");
  auto trying = [&](const std::string& name, const std::string& target) {
    return "Trying next entry - " + d + name + " matches " + d + target + "\n";
  };
  EXPECT_EQ(out.str(), "Is not a Parameter File: " + d + "config/\n" +
                           "******Not able to create the directory structure for: " + d + "config/\n" +
                           "Is not a Parameter File: " + d + "data/sub/\n" +
                           "Successfully created the directory structure for: " + d + "data/sub/\n" +
                           "Is not a Parameter File: " + d + "config/a.xml\n" +
                           trying("config/", "config/a.xml") + trying("data/sub/", "config/a.xml") +
                           trying("config/a.xml", "config/a.xml") + "Is not a Parameter File: " + d +
                           "nowhere/x.xml\n" + trying("config/", "nowhere/x.xml") +
                           trying("data/sub/", "nowhere/x.xml") + trying("config/a.xml", "nowhere/x.xml") +
                           trying("nowhere/x.xml", "nowhere/x.xml") + "Is not a Parameter File: " + d +
                           "data/sub/n.txt\n" + trying("config/", "data/sub/n.txt") +
                           trying("data/sub/", "data/sub/n.txt") + trying("config/a.xml", "data/sub/n.txt") +
                           trying("nowhere/x.xml", "data/sub/n.txt") +
                           trying("data/sub/n.txt", "data/sub/n.txt") + "Exiting replaceOldFile\n");
  EXPECT_THAT(err.str(), HasSubstr(inst("nowhere/x.xml")));
}

const char* const kInstalled =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<param_value_list>\n"
    "  <param_value id=\"email\"><param_value id=\"smtp_host\">mail</param_value></param_value>\n"
    "  <param_value id=\"print\"/>\n"
    "</param_value_list>\n";

TEST_F(ImportDumpsTest, MergeAppendsTheNewRootWhereItsPathPoints) {
  std::string installed = root.write("inst/config/PickTrans.xml", kInstalled);
  std::string fresh = root.write(
      "fresh.xml",
      "<param_value id=\"smtp_port\" type=\"t\" path=\"//param_value[@id='email']\">25</param_value>");
  EXPECT_TRUE(tool.updateParameterFiles(fresh, installed));
  EXPECT_EQ(readFile(installed),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<param_value_list>\n"
            "  <param_value id=\"email\"><param_value id=\"smtp_host\">mail</param_value>"
            "<param_value id=\"smtp_port\" type=\"t\">25</param_value></param_value>\n"
            "  <param_value id=\"print\"/>\n"
            "</param_value_list>\n");
  EXPECT_EQ(out.str(), " Node Value of Path = //param_value[@id='email']\n cloned node = param_value\n");
  EXPECT_EQ(err.str(),
            "xmlDoc = <param_value id=\"smtp_port\" type=\"t\" "
            "path=\"//param_value[@id='email']\">25</param_value>\n"
            " initial node = param_value\n");
}

TEST_F(ImportDumpsTest, MergeWithoutPathAppendsToTheInstalledRoot) {
  std::string installed = root.write("inst/config/PickTrans.xml", kInstalled);
  std::string fresh = root.write("fresh.xml", "<param_value id=\"label\"><x/></param_value>");
  EXPECT_TRUE(tool.updateParameterFiles(fresh, installed));
  EXPECT_EQ(readFile(installed),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<param_value_list>\n"
            "  <param_value id=\"email\"><param_value id=\"smtp_host\">mail</param_value></param_value>\n"
            "  <param_value id=\"print\"/>\n"
            "<param_value id=\"label\"><x/></param_value></param_value_list>\n");
  EXPECT_EQ(out.str(), " cloned node = param_value_list\n");
}

TEST_F(ImportDumpsTest, FailedMergesLeaveTheInstalledFileAsItWas) {
  std::string installed = root.write("inst/config/PickTrans.xml", kInstalled);
  struct Case {
    const char* fresh;
    const char* trace;
  };
  for (const Case& c : {
           Case{"<p path=\"/param_value_list/missing\"/>", "selects nothing"},
           Case{"<p path=\"//param_value/@id\"/>", "cannot append p to the node id"},
           Case{"<p path=\"count(//param_value)\"/>", "does not select nodes"},
           Case{"<p path=\"//[\"/>", "invalid XPath expression"},
           Case{"<p><unclosed></p>", "cannot parse"},
       }) {
    err.str("");
    std::string fresh = root.write("fresh.xml", c.fresh);
    EXPECT_FALSE(tool.updateParameterFiles(fresh, installed)) << c.fresh;
    EXPECT_THAT(err.str(), HasSubstr(c.trace)) << c.fresh;
    EXPECT_EQ(readFile(installed), kInstalled) << c.fresh;
  }
  std::string broken = root.write("inst/config/BrokenTrans.xml", "<param_value_list>");
  EXPECT_FALSE(tool.updateParameterFiles(root.write("fresh.xml", "<p/>"), broken));
  EXPECT_EQ(readFile(broken), "<param_value_list>");
}

// The merge works on a copy in the working directory: run these in a directory of their own.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::string& dir) : previous_(fs::current_path()) { fs::current_path(dir); }
  ~WorkingDirectory() { fs::current_path(previous_); }

 private:
  fs::path previous_;
};

TEST_F(ImportDumpsTest, InstalledParameterFilesAreMergedAndNewOnesWritten) {
  fs::create_directory(root.file("work"));
  WorkingDirectory cwd(root.file("work"));
  std::string installed = root.write("inst/config/PickTrans.xml", kInstalled);
  writeZip(tool.dumpFileName, {{"config/PickTrans.xml", "<param_value id=\"new\"/>"},
                               {"config/PackTrans.xml", "<param_value_list/>"},
                               {"config/BadTrans.xml", "<param_value id=\"bad\" path=\"/none\"/>"}});
  std::string bad = root.write("inst/config/BadTrans.xml", "<param_value_list/>");
  tool.readDumpFile();
  out.str("");
  EXPECT_FALSE(tool.replaceOldFile());

  EXPECT_THAT(readFile(installed), HasSubstr("<param_value id=\"new\"/></param_value_list>"));
  EXPECT_EQ(readFile(inst("config/PackTrans.xml")), "<param_value_list/>");
  EXPECT_EQ(readFile(bad), "<param_value_list/>");
  EXPECT_FALSE(fs::exists(root.file("work/Parameters_temp_file.xml")));
  std::string text = out.str();
  EXPECT_THAT(text, HasSubstr("Is a Parameter File: " + installed + "\n"));
  EXPECT_THAT(text,
              HasSubstr(" cloned node = param_value_list\nUpdating the parameters file is successful\n"));
  EXPECT_THAT(text, HasSubstr(" Node Value of Path = /none\nUpdating the parameters file is unsuccessful\n"));
}

TEST_F(ImportDumpsTest, UsageLinesForAWrongArgumentCount) {
  std::istringstream in;
  EXPECT_EQ(ImportDumps::main({"only-one"}, in, out, err), ImportDumps::kFailed);
  EXPECT_EQ(
      out.str(),
      "Arguments length: 1\n"
      "Usage: ImportDumps           - For GUI Application\n"
      "Usage: ImportDumps <path to zip file containing dumps> <path to the parent folder where to install "
      "dumps>          - For NON - GUI Application\n");
}

TEST_F(ImportDumpsTest, WithoutArgumentsBothPathsAreAskedFor) {
  writeZip(tool.dumpFileName, {{"config/a.xml", "new a"}});
  std::istringstream in(tool.dumpFileName + "\n" + tool.destinationPath + "\r\n");
  EXPECT_EQ(ImportDumps::main({}, in, out, err), 0);
  EXPECT_EQ(readFile(inst("config/a.xml")), "new a");
  EXPECT_THAT(out.str(), HasSubstr("Arguments length: 0\nDump file to open: You chose to open this file: " +
                                   tool.dumpFileName + "\nDirectory to install the dump in: " +
                                   "You selected this Directory to Save: " + tool.destinationPath +
                                   "\nReading the ZIP File\n"));

  std::ostringstream out2;
  std::istringstream empty("\n");
  EXPECT_EQ(ImportDumps::main({}, empty, out2, err), ImportDumps::kFailed);
  EXPECT_EQ(out2.str(),
            "Arguments length: 0\nDump file to open: Directory to install the dump in: "
            "Unable to read the dump file : \n");
}

}  // namespace
}  // namespace tev
