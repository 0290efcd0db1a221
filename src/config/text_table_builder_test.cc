#include "config/text_table_builder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "config/config_test_support.h"
#include "config/label_parser.h"
#include "config/message_parser.h"

namespace tev {
namespace {

using testing::ConfigTree;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::readFile;

// Every line of the text.
std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

// The data directory of an environment of a ConfigTree with standard environments.
std::string dataDir(const std::string& environment) {
  return environment == "common" ? "data" : "env_" + environment + "/data";
}

void encoding(ConfigTree& tree, bool xml, bool text) {
  tree.settings().param({"encoding", "enable_xml_encoding"}, xml ? "yes" : "no");
  tree.settings().param({"encoding", "save_in_text_format"}, text ? "yes" : "no");
}

// One source text file of a level: <data>/<texts>/<language>/<name>.
void source(ConfigTree& tree, const std::string& environment, const std::string& texts,
            const std::string& language, const std::string& name, const std::string& xml) {
  tree.writeFile(dataDir(environment) + "/" + texts + "/" + language + "/" + name, xml);
}

void label(ConfigTree& tree, const std::string& environment, const std::string& language,
           const std::string& id, const std::string& text) {
  source(tree, environment, "labels", language, id + ".xml", "<label id=\"" + id + "\">" + text + "</label>");
}

// common <- base <- site <- plant, text form.
class ChainTree : public ::testing::Test {
 protected:
  ChainTree() {
    tree.settings().standardEnvironment("common");
    encoding(tree, false, true);
    tree.settings().standardEnvironment("base", "common");
    tree.settings().standardEnvironment("site", "base");
    tree.settings().standardEnvironment("plant", "site");
    settings = tree.writeSettings();
  }

  ConfigTree tree;
  std::string settings;
};
using LabelParserTree = ChainTree;
using MessageParserTree = ChainTree;

// Which text wins, level by level and language by language: a later slot replaces an earlier one.
TEST_F(LabelParserTree, MergeOrderThroughTheChainWithEnglishFallback) {
  struct Slot {
    std::string environment;
    std::string language;
  };
  const std::vector<Slot> order = {{"common", "english"}, {"common", "spanish"}, {"base", "english"},
                                   {"base", "spanish"},   {"site", "english"},   {"site", "spanish"},
                                   {"plant", "english"},  {"plant", "spanish"}};
  struct Case {
    std::string id;
    std::vector<int> definedIn;  // indices into order
    int wins;
  };
  const Case cases[] = {
      {"only_common_english", {0}, 0},              // English fallback
      {"common_language_over_english", {0, 1}, 1},  // within a level the language wins
      {"parent_english_over_common_language", {1, 2}, 2},
      {"own_english_over_parent_language", {3, 6}, 6},  // a more specific level's English wins
      {"own_language_over_own_english", {6, 7}, 7},
      {"language_only_in_the_middle", {5}, 5},
      {"every_slot", {0, 1, 2, 3, 4, 5, 6, 7}, 7},
      {"common_and_base_english", {0, 2}, 2},
  };
  for (const Case& c : cases) {
    for (int slot : c.definedIn)
      label(tree, order[slot].environment, order[slot].language, c.id,
            order[slot].environment + "-" + order[slot].language);
  }
  std::ostringstream out, err;
  LabelParser parser(out, err);
  ASSERT_TRUE(parser.initialize(settings, "plant", "spanish"));
  TextTable table = parser.getLabels();
  for (const Case& c : cases)
    EXPECT_EQ(table[c.id], order[c.wins].environment + "-" + order[c.wins].language) << c.id;
  EXPECT_EQ(table.size(), std::size(cases));

  std::vector<std::string> expected;
  auto looking = [&](const std::string& environment, const std::string& language) {
    expected.push_back("Looking for path: " + tree.path(dataDir(environment)) + "/labels/" + language);
  };
  looking("common", "english");
  looking("common", "spanish");
  for (std::string environment : {"base", "site"}) {
    expected.push_back("Creating labels for environment: " + environment);
    looking(environment, "english");
    looking(environment, "spanish");
  }
  looking("plant", "english");
  looking("plant", "spanish");
  EXPECT_EQ(lines(out.str()), expected);
  EXPECT_EQ(err.str(), "");
}

TEST_F(MessageParserTree, InEnglishVisitsCommonOnceAndEveryOtherLevelTwice) {
  source(tree, "site", "messages", "english", "m.xml", "<message id=\"processing\">Working</message>");
  std::ostringstream out, err;
  MessageParser parser(out, err);
  parser.initialize(settings, "site", "english");
  EXPECT_EQ(parser.getMessages(), (TextTable{{"processing", "Working"}}));
  std::string messages = "/messages/english";
  EXPECT_THAT(lines(out.str()), ElementsAre("Looking for path: " + tree.path("data") + messages,
                                            "Creating messages for environment: base",
                                            "Looking for path: " + tree.path("env_base/data") + messages,
                                            "Looking for path: " + tree.path("env_base/data") + messages,
                                            "Looking for path: " + tree.path("env_site/data") + messages,
                                            "Looking for path: " + tree.path("env_site/data") + messages));
}

// leaf <- mid <- top: the farthest ancestor is not visited; common is, though it is not in the chain.
TEST(LabelParserChain, FarthestAncestorIsNotVisited) {
  ConfigTree tree;
  tree.settings().standardEnvironment("common");
  tree.settings().standardEnvironment("top").dir("DC", tree.root());
  encoding(tree, false, true);
  tree.settings().standardEnvironment("mid", "top");
  tree.settings().standardEnvironment("leaf", "mid");
  std::string settings = tree.writeSettings();
  label(tree, "common", "english", "a", "common");
  label(tree, "top", "english", "b", "top");
  label(tree, "mid", "english", "c", "mid");
  label(tree, "leaf", "english", "d", "leaf");
  std::ostringstream out, err;
  LabelParser parser(out, err);
  parser.initialize(settings, "leaf", "english");
  EXPECT_EQ(parser.getLabels(), (TextTable{{"a", "common"}, {"c", "mid"}, {"d", "leaf"}}));
  EXPECT_THAT(out.str(), HasSubstr("Creating labels for environment: mid\n"));
  EXPECT_THAT(out.str(), Not(HasSubstr("top")));
}

TEST_F(LabelParserTree, SourceFilesThatGiveNoTextAreSkipped) {
  source(tree, "plant", "labels", "spanish", "1_good.xml", "<label id=\"good\">  kept as it is\n</label>");
  source(tree, "plant", "labels", "spanish", "2_element.xml", "<label id=\"bold\"><b>x</b></label>");
  source(tree, "plant", "labels", "spanish", "3_broken.xml", "<label id=\"broken\">x</lab>");
  source(tree, "plant", "labels", "spanish", "4_empty.xml", "<label id=\"empty\"/>");
  source(tree, "plant", "labels", "spanish", "5_noid.xml", "<label>no id</label>");
  source(tree, "plant", "labels", "spanish", "6_cdata.xml", "<label id=\"cdata\"><![CDATA[<a|b>]]></label>");
  std::filesystem::create_directories(tree.path("env_plant/data/labels/spanish/7_subdirectory"));
  std::ostringstream out, err;
  LabelParser parser(out, err);
  parser.initialize(settings, "plant", "spanish");
  EXPECT_EQ(parser.getLabels(),
            (TextTable{{"good", "  kept as it is\n"}, {"", "no id"}, {"cdata", "<a|b>"}}));
  std::string dir = tree.path("env_plant/data/labels/spanish/");
  std::vector<std::string> errors = lines(err.str());
  ASSERT_EQ(errors.size(), 2u) << err.str();
  EXPECT_EQ(errors[0], "Skipped " + dir +
                           "2_element.xml: the root element <label> holds the element <b> instead of a text");
  EXPECT_THAT(errors[1], ::testing::StartsWith("Error in parsing " + dir + "3_broken.xml: "));
}

// Console lines and the file form, for each combination of the two settings.
TEST(LabelParserAndMessageParserRun, ConsoleLinesAndFormFollowTheSettings) {
  struct Case {
    TextTableKind kind;
    bool xml;
    bool text;
    TextTableForm form;
    std::vector<std::string> written;  // the lines after the "Looking for path" lines; PATH = the table file
  };
  const Case cases[] = {
      {TextTableKind::Labels,
       true,
       true,
       TextTableForm::Xml,
       {"*** saveInXmlFormat: true", "*** Persisted labels in file using xml encoding: PATH"}},
      {TextTableKind::Labels,
       false,
       true,
       TextTableForm::Text,
       {"*** saveInXmlFormat: false", "*** Persisted labels in file using Text Format: PATH"}},
      {TextTableKind::Labels,
       false,
       false,
       TextTableForm::Stored,
       {"*** saveInXmlFormat: false", "*** saveInXmlFormat: false", "Persisted labels in file: PATH"}},
      {TextTableKind::Messages, true, false, TextTableForm::Xml, {}},
      {TextTableKind::Messages, false, true, TextTableForm::Text, {}},
      {TextTableKind::Messages,
       false,
       false,
       TextTableForm::Stored,
       {"*** saveInXmlFormat: false", "Persisted messages in file: PATH"}},
  };
  for (const Case& c : cases) {
    ConfigTree tree;
    tree.settings().standardEnvironment("common");
    encoding(tree, c.xml, c.text);
    tree.settings().standardEnvironment("demo", "common");
    std::string settings = tree.writeSettings();
    std::string texts = textTableKindName(c.kind);
    source(tree, "common", texts, "english", "a.xml", "<t id=\"a\">A</t>");
    source(tree, "demo", texts, "spanish", "b.xml", "<t id=\"b\">B</t>");
    std::string path = tree.path("env_demo/data/" + texts + "/spanish.dat");

    std::ostringstream out, err;
    std::vector<std::string> args = {settings, "demo", "spanish"};
    int status = c.kind == TextTableKind::Labels ? LabelParser::run(args, out, err)
                                                 : MessageParser::run(args, out, err);
    EXPECT_EQ(status, 0);
    std::vector<std::string> expected;
    if (c.kind == TextTableKind::Labels)
      expected.push_back(" into LabelParser .-----------------------------");
    for (std::string environment : {"common", "demo"}) {
      for (std::string language : {"english", "spanish"})
        expected.push_back("Looking for path: " + tree.path(dataDir(environment)) + "/" + texts + "/" +
                           language);
    }
    for (std::string line : c.written) {
      if (auto at = line.find("PATH"); at != std::string::npos) line.replace(at, 4, path);
      expected.push_back(line);
    }
    EXPECT_EQ(lines(out.str()), expected) << texts << " " << textTableFormName(c.form);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(readTextTable(path, c.kind, c.form), (TextTable{{"a", "A"}, {"b", "B"}}));
  }
}

TEST_F(LabelParserTree, WarnsAboutTextsTheTextFormCannotCarry) {
  label(tree, "common", "english", "bar", "a|b");
  label(tree, "common", "english", "lines", "one\ntwo");
  label(tree, "common", "english", "plain", "fine");
  tree.makeDir("env_plant/data/labels");
  std::ostringstream out, err;
  EXPECT_EQ(LabelParser::run({settings, "plant", "english"}, out, err), 0);
  EXPECT_EQ(err.str(),
            "Warning: the text of id bar holds a \"|\" or a line break; the text form cannot carry it\n"
            "Warning: the text of id lines holds a \"|\" or a line break; the text form cannot carry it\n");
  std::string path = tree.path("env_plant/data/labels/english.dat");
  EXPECT_EQ(readFile(path), "bar|a|b\nlines|one\ntwo\nplain|fine\n");
  // What a scanner process reads back: the bar entry is lost, the other cut at the line break.
  EXPECT_EQ(readTextTable(path, TextTableKind::Labels, TextTableForm::Text),
            (TextTable{{"lines", "one"}, {"plain", "fine"}}));
}

TEST(LabelParserRun, FailingBuildKeepsThePreviousTable) {
  ConfigTree tree;
  tree.settings().standardEnvironment("common");
  tree.settings().param({"encoding", "enable_xml_encoding"}, "no");
  tree.settings().standardEnvironment("demo", "common");
  std::string noTextSetting = tree.writeSettings();
  tree.settings().param({"encoding", "save_in_text_format"}, "no");
  std::string complete = tree.writeSettings("complete.xml");
  std::string path = tree.writeFile("env_demo/data/labels/english.dat", "previous");
  label(tree, "demo", "english", "a", "A");

  std::ostringstream out, err;
  EXPECT_EQ(LabelParser::run({noTextSetting, "demo", "english"}, out, err), 1);
  EXPECT_EQ(err.str(),
            "Failed to build the labels table: encoding->save_in_text_format setting not available\n");
  EXPECT_EQ(readFile(path), "previous");

  // A level directory that cannot be listed stops the build after the merge has started.
  tree.writeFile("data/labels/english", "a file where a directory belongs");
  std::ostringstream out2, err2;
  EXPECT_EQ(LabelParser::run({complete, "demo", "english"}, out2, err2), 1);
  EXPECT_THAT(err2.str(), HasSubstr("Failed to build the labels table: Cannot list the directory " +
                                    tree.path("data/labels/english")));
  EXPECT_EQ(readFile(path), "previous");

  std::filesystem::remove(tree.path("data/labels/english"));
  std::ostringstream out3, err3;
  EXPECT_EQ(LabelParser::run({complete, "demo", "english"}, out3, err3), 0);
  EXPECT_EQ(readTextTable(path, TextTableKind::Labels, TextTableForm::Stored), (TextTable{{"a", "A"}}));
}

TEST_F(MessageParserTree, FourArgumentsWriteAListingAndNoTable) {
  source(tree, "common", "messages", "english", "a.xml", "<m id=\"b\">two, words</m>");
  source(tree, "plant", "messages", "english", "b.xml", "<m id=\"a\">one</m>");
  std::string listing = tree.path("listing.txt");
  std::ostringstream out, err;
  EXPECT_EQ(MessageParser::run({settings, "plant", "english", listing}, out, err), 0);
  EXPECT_EQ(readFile(listing), "a,one\nb,two, words\n");
  EXPECT_FALSE(std::filesystem::exists(tree.path("env_plant/data/messages/english.dat")));
  EXPECT_THAT(out.str(), Not(HasSubstr("Persisted")));

  // A fifth argument brings back the table build.
  std::ostringstream out5, err5;
  EXPECT_EQ(MessageParser::run({settings, "plant", "english", listing, "extra"}, out5, err5), 0);
  EXPECT_EQ(readTextTable(tree.path("env_plant/data/messages/english.dat"), TextTableKind::Messages,
                          TextTableForm::Text),
            (TextTable{{"a", "one"}, {"b", "two, words"}}));

  MessageParser::createFile({settings, "plant", "english", tree.path("again.txt")}, out, err);
  EXPECT_EQ(readFile(tree.path("again.txt")), "a,one\nb,two, words\n");
}

TEST(MessageParserRun, UsageWithTwoArgumentsOrFewer) {
  for (std::vector<std::string> args : {std::vector<std::string>{}, {"settings.xml", "demo"}}) {
    std::ostringstream out, err;
    EXPECT_EQ(MessageParser::run(args, out, err), 0);
    EXPECT_EQ(out.str(),
              "usage tev.framework.parser.MessageParser vavSettingsFile environmentName language\n");
    std::ostringstream labelOut;
    EXPECT_EQ(LabelParser::run(args, labelOut, err), 0);
    EXPECT_EQ(labelOut.str(),
              "usage tev.framework.parser.LabelParser vavSettingsFile environmentName language\n");
    EXPECT_EQ(err.str(), "");
  }
}

}  // namespace
}  // namespace tev
