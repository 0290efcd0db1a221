// Runs the built offline table builders (LabelParser, MessageParser, BaanFieldParser) as a user would, on
// fixture trees: command line, console lines, exit status, files written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "common/child_process.h"
#include "config/config_test_support.h"
#include "config/field_table_codec.h"
#include "config/text_table_codec.h"

namespace tev {
namespace {

using testing::ConfigTree;
using ::testing::HasSubstr;
using testing::readFile;

struct ToolRun {
  ExitStatus status;
  std::string out;
  std::string err;
};

ToolRun run(const std::string& program, const std::vector<std::string>& args,
            const testing::TempDir& scratch) {
  ChildProcess::Options options;
  options.argv = {program};
  options.argv.insert(options.argv.end(), args.begin(), args.end());
  std::string out = scratch.file("stdout");
  std::string err = scratch.file("stderr");
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  options.stdinSpec = StreamSpec::null();
  options.stdoutSpec = StreamSpec::file(out);
  options.stderrSpec = StreamSpec::file(err);
  ChildProcess child = ChildProcess::start(options);
  auto status = child.waitFor(std::chrono::seconds(30));
  if (!status) {
    child.kill(SIGKILL);
    status = child.wait();
    ADD_FAILURE() << program << " did not end";
  }
  return ToolRun{*status, readFile(out), readFile(err)};
}

// A tree with common and demo (relative common), tables in the text form.
class BuilderTree : public ::testing::Test {
 protected:
  BuilderTree() {
    tree.settings().standardEnvironment("common");
    tree.settings().param({"encoding", "enable_xml_encoding"}, "no");
    tree.settings().param({"encoding", "save_in_text_format"}, "yes");
    tree.settings().standardEnvironment("demo", "common");
    settings = tree.writeSettings();
  }

  ConfigTree tree;
  testing::TempDir scratch;
  std::string settings;
};

TEST(TableBuilderTools, UsageLinesWithTooFewArguments) {
  testing::TempDir scratch;
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {TEV_LABEL_PARSER, {"vav_settings.xml", "demo"}},
      {TEV_MESSAGE_PARSER, {}},
      {TEV_BAAN_FIELD_PARSER, {"list.xml"}},
  };
  const std::string expected[] = {
      "usage tev.framework.parser.LabelParser vavSettingsFile environmentName language\n",
      "usage tev.framework.parser.MessageParser vavSettingsFile environmentName language\n",
      "usage tev.framework.parser.BaanFieldParser baanFieldListFile persistedFile\n",
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    ToolRun result = run(cases[i].first, cases[i].second, scratch);
    EXPECT_EQ(result.status, ExitStatus{}) << cases[i].first;
    EXPECT_EQ(result.out, expected[i]);
  }
}

TEST_F(BuilderTree, LabelParserBuildsTheTableOfALanguage) {
  tree.writeFile("data/labels/english/a.xml", "<label id=\"welcome\">Welcome</label>");
  tree.writeFile("data/labels/english/b.xml", "<label id=\"item\">Item:</label>");
  tree.writeFile("env_demo/data/labels/spanish/a.xml", "<label id=\"welcome\">Bienvenido</label>");
  ToolRun result = run(TEV_LABEL_PARSER, {settings, "demo", "spanish"}, scratch);
  EXPECT_EQ(result.status, ExitStatus{});
  std::string table = tree.path("env_demo/data/labels/spanish.dat");
  EXPECT_EQ(result.out,
            " into LabelParser .-----------------------------\n"
            "Looking for path: " +
                tree.path("data/labels/english") + "\n" +
                "Looking for path: " + tree.path("data/labels/spanish") + "\n" +
                "Looking for path: " + tree.path("env_demo/data/labels/english") + "\n" +
                "Looking for path: " + tree.path("env_demo/data/labels/spanish") + "\n" +
                "*** saveInXmlFormat: false\n"
                "*** Persisted labels in file using Text Format: " +
                table + "\n");
  EXPECT_EQ(readFile(table), "item|Item:\nwelcome|Bienvenido\n");
}

TEST_F(BuilderTree, MessageParserWritesAListingWithFourArguments) {
  tree.writeFile("data/messages/english/a.xml", "<message id=\"processing\">Processing...</message>");
  tree.makeDir("env_demo/data/messages");
  std::string listing = scratch.file("listing.txt");
  ToolRun result = run(TEV_MESSAGE_PARSER, {settings, "demo", "english", listing}, scratch);
  EXPECT_EQ(result.status, ExitStatus{});
  EXPECT_THAT(result.out, Not(HasSubstr("into LabelParser")));
  EXPECT_EQ(readFile(listing), "processing,Processing...\n");
  EXPECT_FALSE(std::filesystem::exists(tree.path("env_demo/data/messages/english.dat")));
}

TEST_F(BuilderTree, MessageParserFailureEndsNonZeroAndKeepsThePreviousTable) {
  std::string table = tree.writeFile("env_demo/data/messages/english.dat", "processing|previous\n");
  tree.writeFile("data/messages/english", "a file where a directory belongs");
  ToolRun result = run(TEV_MESSAGE_PARSER, {settings, "demo", "english"}, scratch);
  EXPECT_EQ(result.status.code, 1);
  EXPECT_THAT(result.err, HasSubstr("Failed to build the messages table: Cannot list the directory " +
                                    tree.path("data/messages/english")));
  EXPECT_EQ(readFile(table), "processing|previous\n");
}

TEST_F(BuilderTree, BaanFieldParserBuildsTheDictionary) {
  std::string list = tree.writeFile(
      "list.xml",
      "<baan_field_list><baan_field id=\"orno\"><type>string</type><align>right</align><case>upper</case>"
      "<length>9</length></baan_field><baan_field "
      "id=\"qty\"><type>number</type></baan_field></baan_field_list>");
  std::string output = tree.path("BaanFieldDefs.dat");
  ToolRun result = run(TEV_BAAN_FIELD_PARSER, {list, output, "ignored"}, scratch);
  EXPECT_EQ(result.status, ExitStatus{});
  EXPECT_EQ(result.out, "Loading the baan fields list file: " + list + "\n" +
                            "Loaded the baan fields list file: " + list + "\n" +
                            "orno : ID: orno, Data Type: string, Alignment: right, Case: upper, Length: 9\n"
                            "qty : ID: qty, Data Type: number, Alignment: null, Case: null, Length: 0\n"
                            "string\n");
  EXPECT_EQ(readFieldTable(output),
            (BaanFieldTable{{"orno", BaanFieldDef("orno", "string", "right", "upper", 9)},
                            {"qty", BaanFieldDef("qty", "number", std::nullopt, std::nullopt, 0)}}));
}

TEST_F(BuilderTree, BaanFieldParserWritesNothingWhenTheListFailsToLoad) {
  std::string list = tree.path("missing.xml");
  std::string output = tree.path("BaanFieldDefs.dat");
  ToolRun result = run(TEV_BAAN_FIELD_PARSER, {list, output}, scratch);
  EXPECT_EQ(result.status.code, 1);
  EXPECT_EQ(result.out, "Loading the baan fields list file: " + list + "\n" +
                            "Failed to load baan fields list file: " + list + "\n");
  EXPECT_FALSE(std::filesystem::exists(output));
}

// The build made the demo's tables (target demo_tables) in the form its settings choose.
TEST(TableBuilderTools, DemoTablesAreBuilt) {
  std::string data = std::string(TEV_DEMO_DIR) + "/demo/data/";
  TextTable spanish = readTextTable(data + "labels/spanish.dat", TextTableKind::Labels, TextTableForm::Text);
  EXPECT_EQ(spanish.at("standard_comp_name"), "Almac\xC3\xA9n Demo");  // the environment's own text
  EXPECT_EQ(spanish.at("welcome"), "Bienvenido");                      // common in Spanish
  EXPECT_EQ(spanish.at("warehouse"), "Whse:");                         // English fallback
  TextTable messages =
      readTextTable(data + "messages/english.dat", TextTableKind::Messages, TextTableForm::Text);
  EXPECT_EQ(messages.at("successful"), "Booked");
  EXPECT_EQ(messages.at("continue"), "Press Enter To Continue");
  EXPECT_EQ(readFieldTable(data + "BaanFieldDefs.dat").at("orno"),
            BaanFieldDef("orno", "string", "right", "upper", 9));
}

}  // namespace
}  // namespace tev
