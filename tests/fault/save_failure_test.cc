// Saves that fail for want of disk space: the write of the new content stops part-way (a file-size limit
// stands in for a full disk; SIGXFSZ is ignored so the write fails with EFBIG instead of killing the
// writer), or the save is refused before writing because too little space is free. In every case the
// previous file stays exactly as it was, no temporary file is left beside it, and the failure is reported.
//
// The limit is set in a child process only (the offline table builders are run as programs under it; the
// in-process saves run in a forked child), so the test process itself is never limited.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "common/test_support.h"
#include "config/config_test_support.h"
#include "config/transaction_param_list_bean.h"
#include "labels/printer_manager.h"
#include "xml/xml_query_bean.h"
#include "xml/xml_save_error.h"

namespace tev::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAreArray;

constexpr rlim_t kLimit = 64;  // bytes a file may grow to in the child

struct ChildRun {
  int exitCode = -1;   // -1: killed or did not end in time
  std::string output;  // standard output and error together
};

// Runs body in a forked child, under the file-size limit with SIGXFSZ ignored unless limited is false;
// body's return value becomes the exit code and what it writes to standard output or error is collected.
// Bounded to 30 s.
ChildRun runLimited(const std::function<int()>& body, bool limited = true) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw Error("pipe");
  pid_t pid = ::fork();
  if (pid < 0) throw Error("fork");
  if (pid == 0) {
    ::dup2(pipeFds[1], STDOUT_FILENO);
    ::dup2(pipeFds[1], STDERR_FILENO);
    if (limited) {
      ::signal(SIGXFSZ, SIG_IGN);
      struct rlimit limit {};
      ::getrlimit(RLIMIT_FSIZE, &limit);
      limit.rlim_cur = kLimit;
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    int code = 99;
    try {
      code = body();
    } catch (const std::exception& e) {
      std::string text = std::string("uncaught: ") + e.what() + "\n";
      (void)!::write(STDERR_FILENO, text.data(), text.size());
    }
    ::_exit(code);
  }
  ::close(pipeFds[1]);
  ChildRun run;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (;;) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd ready{pipeFds[0], POLLIN, 0};
    if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
      ::kill(pid, SIGKILL);
      break;
    }
    char buffer[4096];
    ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    run.output.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  return run;
}

// A program run in the child (the limit and the ignored signal survive exec).
ChildRun runProgram(const std::vector<std::string>& argv, bool limited = true) {
  return runLimited(
      [&] {
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        return 98;
      },
      limited);
}

std::vector<std::string> entries(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    names.push_back(entry.path().filename());
  return names;
}

// The three offline table builders rebuilding a table that exists: the old table survives the failed write.
class TableBuilderSaveTest : public ::testing::Test {
 protected:
  TableBuilderSaveTest() {
    tree.settings().standardEnvironment("common");
    tree.settings().param({"encoding", "enable_xml_encoding"}, "no");
    tree.settings().param({"encoding", "save_in_text_format"}, "yes");
    tree.settings().standardEnvironment("demo", "common");
    settings = tree.writeSettings();
  }

  ConfigTree tree;
  std::string settings;
};

TEST_F(TableBuilderSaveTest, LabelAndMessageTablesKeepThePreviousTableWhenTheWriteFails) {
  // Many source files (one entry each), so the new table is well beyond the limit.
  const std::pair<const char*, const char*> cases[] = {{TEV_LABEL_PARSER, "label"},
                                                       {TEV_MESSAGE_PARSER, "message"}};
  for (const auto& [program, kind] : cases) {
    SCOPED_TRACE(program);
    const std::string folder = std::string(kind) + "s";
    for (int i = 0; i < 40; ++i)
      tree.writeFile("data/" + folder + "/english/e" + std::to_string(i) + ".xml",
                     "<" + std::string(kind) + " id=\"e" + std::to_string(i) + "\">Entry text number " +
                         std::to_string(i) + "</" + kind + ">");
    const std::string previous = "welcome|the previous table\n";
    std::string table = tree.writeFile("env_demo/data/" + folder + "/english.dat", previous);
    std::vector<std::string> before = entries(tree.path("env_demo/data/" + folder));

    ChildRun run = runProgram({program, settings, "demo", "english"});
    EXPECT_NE(run.exitCode, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr(table)) << "the failure names the table";
    EXPECT_EQ(readFile(table), previous);
    EXPECT_THAT(entries(tree.path("env_demo/data/" + folder)), UnorderedElementsAreArray(before));

    // Without the limit the same run replaces the table: the failure came from the write alone.
    ChildRun unlimited = runProgram({program, settings, "demo", "english"}, false);
    EXPECT_EQ(unlimited.exitCode, 0) << unlimited.output;
    EXPECT_NE(readFile(table), previous);
  }
}

TEST_F(TableBuilderSaveTest, FieldDictionaryKeepsThePreviousFileWhenTheWriteFails) {
  std::string fields;
  for (int i = 0; i < 40; ++i)
    fields += "<baan_field id=\"field" + std::to_string(i) +
              "\"><type>string</type><align>right</align><case>upper</case><length>9</length></baan_field>";
  std::string list = tree.writeFile("list.xml", "<baan_field_list>" + fields + "</baan_field_list>");
  const std::string previous = "the previous dictionary";
  std::string output = tree.writeFile("out/BaanFieldDefs.dat", previous);

  ChildRun run = runProgram({TEV_BAAN_FIELD_PARSER, list, output});
  EXPECT_NE(run.exitCode, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr(output)) << "the failure names the file";
  EXPECT_EQ(readFile(output), previous);
  EXPECT_THAT(entries(tree.path("out")), ElementsAre("BaanFieldDefs.dat"));
}

// A transaction's parameter file saved after an edit.
class ParameterFileSaveTest : public ::testing::Test {
 protected:
  ParameterFileSaveTest() {
    path = dir.write("ReceiptTrans.xml", kParams);
    templatePath = dir.write("empty.xml", "<param_value_list/>");
  }

  static constexpr const char* kParams =
      "<?xml version=\"1.0\"?>\n<param_value_list><param "
      "id=\"qty\"><value>1</value></param></param_value_list>\n";
  TempDir dir;
  std::string path;
  std::string templatePath;
};

TEST_F(ParameterFileSaveTest, AWriteFailingPartWayLeavesTheFileAndReportsTheFailure) {
  ChildRun run = runLimited([&] {
    TransactionParamListBean params;
    params.initialize(path, templatePath, std::nullopt);
    // A long value, so the new file is well beyond the limit.
    if (!params.setParamValue("/param_value_list/param[@id='qty']/value", std::string(4000, '7'))) return 2;
    try {
      params.saveParams();
    } catch (const XmlSaveError& e) {
      std::string text = std::string(e.what()) + "\n";
      (void)!::write(STDOUT_FILENO, text.data(), text.size());
      return 1;
    }
    return 0;
  });
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_THAT(run.output, HasSubstr("Failed to save file: " + path));
  EXPECT_EQ(readFile(path), kParams);
  EXPECT_THAT(dir.entries(), UnorderedElementsAreArray({"ReceiptTrans.xml", "empty.xml"}));
}

TEST_F(ParameterFileSaveTest, TooLittleFreeSpaceRefusesTheSaveBeforeWriting) {
  TransactionParamListBean params;
  params.initialize(path, templatePath, std::nullopt);
  ASSERT_TRUE(params.setParamValue("/param_value_list/param[@id='qty']/value", "2"));
  params.getXmlBean().setFreeSpaceProbe([](const std::string&) { return std::int64_t{500} * 1024; });
  try {
    params.saveParams();
    FAIL() << "saved";
  } catch (const XmlSaveError& e) {
    EXPECT_EQ(
        e.getMessage(),
        "File:" + path + " Cannot be saved as disk space is :500 MB, minimum disk space required is 500 MB");
  }
  EXPECT_EQ(readFile(path), kParams);
  EXPECT_THAT(dir.entries(), UnorderedElementsAreArray({"ReceiptTrans.xml", "empty.xml"}));
}

TEST(PrinterListSaveTest, AWriteFailingPartWayLeavesTheListFileAndReportsFalse) {
  TempDir dir;
  const std::string previous =
      "<?xml version=\"1.0\"?>\n<printer_list><printer id=\"P1\"><display_name>Dock</display_name>"
      "<network_path>\\\\srv\\dock</network_path><description>Zebra</description></printer></printer_list>\n";
  std::string path = dir.write("printer_list.xml", previous);
  ChildRun run = runLimited([&] {
    PrinterManager::reset();
    if (!PrinterManager::initialize(path)) return 2;
    PrinterManager manager;
    return manager.addPrinter("P2", "Office", "\\\\srv\\office", std::string(2000, 'd'), path) ? 0 : 1;
  });
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_EQ(readFile(path), previous);
  EXPECT_THAT(dir.entries(), ElementsAre("printer_list.xml"));
}

}  // namespace
}  // namespace tev::testing
