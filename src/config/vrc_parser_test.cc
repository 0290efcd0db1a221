#include "config/vrc_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/log.h"
#include "config/config_test_support.h"

namespace tev {
namespace {

using testing::ConfigTree;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The locator's own lines (the settings reader shares the logger: its "Param Path: " lines are left out).
std::vector<std::string> texts(const log::Capture& capture) {
  std::vector<std::string> out;
  for (const log::Line& line : capture.lines())
    if (line.logger == "tev.framework.application.Logger" && line.text.rfind("Param Path: ", 0) != 0)
      out.push_back(line.text);
  return out;
}

// common <- parent <- child, each with its own tree below the root (env_<id>/...).
class VRCParserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.settings().standardEnvironment("common");
    tree.settings().standardEnvironment("parent", "common");
    tree.settings().standardEnvironment("child", "parent");
    settings = std::make_unique<VAVSettings>(tree.writeSettings());
    parser = std::make_unique<VRCParser>(*settings, "child");
  }

  std::string at(const std::string& relative) const { return tree.path(relative); }

  ConfigTree tree;
  std::unique_ptr<VAVSettings> settings;
  std::unique_ptr<VRCParser> parser;
};

TEST_F(VRCParserTest, ConstructionLogsItsStepsAndSetsTheHomes) {
  log::Capture capture;
  VRCParser logged(*settings, "child");
  EXPECT_THAT(texts(capture), ElementsAre("Looking for DC", "Looking for env_DC", "Looking for Servicepack",
                                          "Servicepack: null", "Exiting constructor"));
  EXPECT_EQ(VRCParser::DC_HOME(), tree.root());
  EXPECT_EQ(VRCParser::ENV_HOME(), at("env_child"));
  EXPECT_FALSE(logged.isCheckForServicePacks());
  EXPECT_EQ(logged.getCurrentServicePackId(), std::nullopt);

  capture.clear();
  VRCParser quiet(tree.path("vav_settings.xml"), "parent");
  EXPECT_THAT(texts(capture), IsEmpty());
  EXPECT_EQ(VRCParser::ENV_HOME(), at("env_parent"));
  EXPECT_EQ(quiet.getCurrentEnvironmentId(), "parent");
  EXPECT_EQ(quiet.getVavSettings().getSettingsXmlFilePath(), tree.path("vav_settings.xml"));
}

TEST_F(VRCParserTest, TransactionFilesFollowTheChainOnlyWhenAsked) {
  tree.writeFile("env_parent/trans/Pick.xml");
  tree.writeFile("env_child/trans/Standard.xml");
  tree.writeFile("env_common/trans/Menu.xml");
  EXPECT_EQ(parser->getTransXMLFilePath("Standard.xml"), at("env_child/trans/Standard.xml"));
  EXPECT_EQ(parser->getTransXMLFilePath("Pick.xml"), at("env_parent/trans/Pick.xml"));
  EXPECT_EQ(parser->getTransXMLFilePath("Menu.xml"), at("env_common/trans/Menu.xml"));
  // Without follow the environment's own path is returned whether it exists or not.
  EXPECT_EQ(parser->getTransXMLFilePath("child", "Pick.xml", false), at("env_child/trans/Pick.xml"));
  EXPECT_EQ(parser->getTransXMLFilePath("Nowhere.xml"), std::nullopt);

  log::Capture capture;
  parser->getTransXMLFilePath("Pick.xml");
  EXPECT_THAT(texts(capture), ElementsAre("Looking for transaction file: " + at("env_child/trans/Pick.xml"),
                                          "Looking for transaction file: " + at("env_parent/trans/Pick.xml"),
                                          "Found transaction file: " + at("env_parent/trans/Pick.xml")));
}

TEST_F(VRCParserTest, EnvironmentFilesAreFoundAlongTheChain) {
  tree.writeFile("env_child/data/user_list.xml");
  tree.writeFile("data/menus.xml");  // data of common
  EXPECT_EQ(parser->getEnvironmentFilePath("user_list.xml"), at("env_child/data/user_list.xml"));

  log::Capture capture;
  EXPECT_EQ(parser->getEnvironmentFilePath("menus.xml"), at("data/menus.xml"));
  // Logged at the level that found it and again by each level on the way back.
  EXPECT_THAT(texts(capture), ElementsAre("Found the environment file: " + at("data/menus.xml"),
                                          "Found the environment file: " + at("data/menus.xml"),
                                          "Found the environment file: " + at("data/menus.xml")));
  capture.clear();
  EXPECT_EQ(parser->getEnvironmentFilePath("menus.xml", "child", false), std::nullopt);
  EXPECT_THAT(texts(capture),
              ElementsAre("Failed to load environment file: " + at("env_child/data/menus.xml")));
  capture.clear();
  EXPECT_EQ(parser->getEnvironmentFilePath("printer_list.xml"), std::nullopt);
  EXPECT_THAT(texts(capture), ElementsAre("Failed to load environment file: " + at("data/printer_list.xml")));
}

TEST_F(VRCParserTest, HelpFilesFallBackToEnglishUnlessTheLanguageIsEnglish) {
  tree.writeFile("env_child/data/helpfiles/english/PickHelp.xml");
  tree.writeFile("env_child/data/helpfiles/german/PutHelp.xml");
  tree.writeFile("env_parent/data/helpfiles/ENGLISH/PickHelp.xml");

  EXPECT_EQ(parser->getHelpXMLFilePath("PutHelp.xml", "german"),
            at("env_child/data/helpfiles/german/PutHelp.xml"));
  {
    log::Capture capture;
    EXPECT_EQ(parser->getHelpXMLFilePath("PickHelp.xml", " german "),
              at("env_child/data/helpfiles/english/PickHelp.xml"));
    EXPECT_TRUE(
        capture.contains("Looking for transaction file in english language for Environment = : child"
                         "  file name = :" +
                         at("env_child/data/helpfiles/english/PickHelp.xml")));
    EXPECT_TRUE(capture.contains("Found transaction file in english language: " +
                                 at("env_child/data/helpfiles/english/PickHelp.xml")));
  }
  // "ENGLISH" is english: no retry in the child's english directory, the parent is asked next.
  EXPECT_EQ(parser->getHelpXMLFilePath("PickHelp.xml", "ENGLISH"),
            at("env_parent/data/helpfiles/ENGLISH/PickHelp.xml"));
  // Without follow the own path comes back as it is.
  EXPECT_EQ(parser->getHelpXMLFilePath("child", "PickHelp.xml", "french", false),
            at("env_child/data/helpfiles/french/PickHelp.xml"));
  EXPECT_EQ(parser->getHelpXMLFilePath("NoHelp.xml", "french"), std::nullopt);
}

TEST_F(VRCParserTest, ParameterFilePaths) {
  tree.writeFile("env_child/data/params/W1/PickTrans.xml");
  tree.writeFile("env_child/data/params/PickTrans.xml");
  tree.writeFile("data/params/global_param_list.xml");
  tree.writeFile("env_parent/data/params/PutTrans.xml");

  EXPECT_EQ(parser->getParamsFilePath(std::string("W1"), "Pick"),
            at("env_child/data/params/W1/PickTrans.xml"));
  EXPECT_EQ(parser->getParamsFilePath(std::string(" W1 "), " Pick "),
            at("env_child/data/params/W1/PickTrans.xml"));
  EXPECT_EQ(parser->getParamsFilePath("Pick"), at("env_child/data/params/PickTrans.xml"));
  EXPECT_EQ(parser->getParamsFilePath("global_param_list"), at("data/params/global_param_list.xml"));
  EXPECT_EQ(parser->getParamsFilePath("Put"), at("env_parent/data/params/PutTrans.xml"));
  EXPECT_EQ(parser->getParamsFilePath("", std::nullopt, "Pick", true), std::nullopt);
  EXPECT_EQ(parser->getParamsFilePath("  ", std::nullopt, "Pick", true), std::nullopt);

  log::Capture capture;
  EXPECT_EQ(parser->getParamsFilePath("child", std::string("W2"), "Pick", false), std::nullopt);
  EXPECT_THAT(
      texts(capture),
      ElementsAre("Looking for parameter file: " + at("env_child/data/params/W2/PickTrans.xml"),
                  "Failed to locate parameters file: " + at("env_child/data/params/W2/PickTrans.xml")));
  capture.clear();
  EXPECT_EQ(parser->getParamsFilePath("Count"), std::nullopt);
  EXPECT_TRUE(capture.contains("Failed to locate parameters file: " + at("data/params/CountTrans.xml")));
}

TEST_F(VRCParserTest, DirectoriesAndTablesAreGivenWithoutLookingAtTheDisk) {
  EXPECT_EQ(parser->getLabelsDirectory("child"), at("env_child/data/labels"));
  EXPECT_EQ(parser->getMessagesDirectory("parent"), at("env_parent/data/messages"));
  EXPECT_EQ(parser->getPersistedLabelsObjectPath("english"), at("env_child/data/labels/english.dat"));
  EXPECT_EQ(parser->getPersistedMessagesObjectPath("german", "common"), at("data/messages/german.dat"));
  EXPECT_EQ(parser->getPersistedBaanFieldsObjectPath("child"), at("env_child/data/BaanFieldDefs.dat"));
  EXPECT_EQ(parser->getPersistedObjectPath("fields"), at("env_child/data/fields.dat"));
  EXPECT_EQ(parser->getStandardDataFilePath("key_list.xml"), at("config/key_list.xml"));
  EXPECT_EQ(parser->getLogDirectoryPath(), at("env_child/log"));
  EXPECT_EQ(parser->getLogDirectoryPath("common"), at("log"));
  EXPECT_EQ(parser->getEnvRoot("parent"), at("env_parent"));
  EXPECT_EQ(parser->getEnvRoot("unknown"), "null");
  EXPECT_EQ(parser->getMountLabelsDirPath(), std::nullopt);
  EXPECT_EQ(parser->getMountLabelsDirPath("child", "english"), std::nullopt);
}

TEST_F(VRCParserTest, RelativeEnvironmentsNearestFirst) {
  EXPECT_THAT(parser->getRelativeEnvironments("child"), ElementsAre("parent", "common"));
  EXPECT_THAT(parser->getRelativeEnvironments("common"), IsEmpty());
  EXPECT_EQ(parser->getRelativeEnvironmentId("parent"), "common");
}

TEST(VRCParserLoopTest, ALoopingEnvironmentChainEndsEveryLookup) {
  ConfigTree tree;
  tree.settings().standardEnvironment("common");
  tree.settings().standardEnvironment("a", "b");
  tree.settings().standardEnvironment("b", "a");
  // Neither a nor b reaches common, so their directories have no base; the lookups must still end.
  VRCParser parser(tree.writeSettings(), "a");
  log::Capture capture;
  EXPECT_THAT(parser.getRelativeEnvironments("a"), ElementsAre("b"));
  EXPECT_TRUE(capture.contains("Loop in relative_env chain: a -> b -> a"));
  EXPECT_EQ(parser.getTransXMLFilePath("X.xml"), std::nullopt);
  EXPECT_EQ(parser.getEnvironmentFilePath("x.xml"), std::nullopt);
  EXPECT_EQ(parser.getHelpXMLFilePath("XHelp.xml", "german"), std::nullopt);
  EXPECT_EQ(parser.getParamsFilePath("X"), std::nullopt);
}

}  // namespace
}  // namespace tev
