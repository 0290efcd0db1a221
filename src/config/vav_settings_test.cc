#include "config/vav_settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/log.h"
#include "config/config_test_support.h"

namespace tev {
namespace {

using testing::ConfigTree;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Three levels: leaf -> middle -> common, with values placed at every level.
class VAVSettingsChainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& s = tree.settings();
    s.environment("common")
        .dir("DC", "/opt/dc")
        .dir("config", "config", "DC")
        .dir("data", "data", "DC")
        .dir("blank", "")
        .file("devices", "device_list.xml", "config")
        .file("absolute", "/etc/some.xml")
        .param({"torvend", "scanner_process_port"}, "6100")
        .param({"top"}, "from common")
        .param({"hidden"}, "common value")
        .param({"sql", "baan_server", "company_suffix"}, "100")
        .param({"sql", "baan_server", "company_suffix"}, "200");
    s.environment("middle", "common")
        .dir("env_DC", "env_middle", "DC")
        .dir("data", "data", "env_DC")
        .dir("blank", "middle_blank")
        .param({"skerrymantle", "ip_address"}, "10.0.0.1");
    s.environment("leaf", "middle")
        .dir("blank", "")
        .file("users", "user_list.xml", "data")
        .param({"hidden"}, "")
        .param({"leaf_only"}, "here");
    settings = std::make_unique<VAVSettings>(tree.writeSettings());
  }

  ConfigTree tree;
  std::unique_ptr<VAVSettings> settings;
};

TEST_F(VAVSettingsChainTest, ValuesComeFromTheNearestEnvironmentAtAnyDepth) {
  EXPECT_EQ(settings->getConfigParamValue("leaf", {"leaf_only"}), "here");
  EXPECT_EQ(settings->getConfigParamValue("leaf", {"skerrymantle", "ip_address"}), "10.0.0.1");
  EXPECT_EQ(settings->getConfigParamValue("leaf", {"torvend", "scanner_process_port"}), "6100");
  EXPECT_EQ(settings->getConfigParamValue({"top"}), "from common");
  // Without follow only the environment itself counts.
  EXPECT_EQ(settings->getConfigParamValue("leaf", {"top"}, false), std::nullopt);
  EXPECT_EQ(settings->getConfigParamValue("middle", {"leaf_only"}), std::nullopt);
}

TEST_F(VAVSettingsChainTest, DirectoriesResolveRelativeDirChainsThroughTheEnvironments) {
  EXPECT_EQ(settings->getConfigDirPath("DC"), "/opt/dc");
  EXPECT_EQ(settings->getConfigDirPath("config"), "/opt/dc/config");
  // data of middle: env_DC (middle) -> DC (common): two hops.
  EXPECT_EQ(settings->getConfigDirPath("middle", "data"), "/opt/dc/env_middle/data");
  // leaf has no data entry: middle's, with the base resolved in middle.
  EXPECT_EQ(settings->getConfigDirPath("leaf", "data"), "/opt/dc/env_middle/data");
  EXPECT_EQ(settings->getConfigDirPath("leaf", "data", false), std::nullopt);
  EXPECT_EQ(settings->getConfigDirPath("leaf", "missing"), std::nullopt);
}

TEST_F(VAVSettingsChainTest, AnEmptyDirectoryEntryCountsAsAbsent) {
  EXPECT_EQ(settings->getConfigDirPath("leaf", "blank"), "middle_blank");
  EXPECT_EQ(settings->getConfigDirPath("common", "blank"), std::nullopt);
}

TEST_F(VAVSettingsChainTest, FilesGiveTheTextAsWrittenOrTheResolvedPath) {
  EXPECT_EQ(settings->getConfigFileName("devices"), "device_list.xml");
  EXPECT_EQ(settings->getConfigFilePath("devices"), "/opt/dc/config/device_list.xml");
  EXPECT_EQ(settings->getConfigFilePath("absolute"), "/etc/some.xml");
  EXPECT_EQ(settings->getConfigFileName("leaf", "devices"), "device_list.xml");
  EXPECT_EQ(settings->getConfigFileName("leaf", "devices", false), std::nullopt);
  // The base directory of a file is looked up from the environment that holds the entry.
  EXPECT_EQ(settings->getConfigFilePath("leaf", "users"), "/opt/dc/env_middle/data/user_list.xml");
}

TEST_F(VAVSettingsChainTest, AnEmptyParamHidesTheParentValue) {
  EXPECT_EQ(settings->getConfigParamValue("leaf", {"hidden"}), "");
  EXPECT_EQ(settings->loadSetting({"hidden"}, "leaf"), "");
  EXPECT_EQ(settings->getConfigParamValue("middle", {"hidden"}), "common value");
}

TEST_F(VAVSettingsChainTest, ListReadsAreNotInherited) {
  EXPECT_THAT(settings->getConfigParamValues({"sql", "baan_server", "company_suffix"}).value(),
              ElementsAre("100", "200"));
  EXPECT_EQ(settings->getConfigParamValueCount({"sql", "baan_server", "company_suffix"}), 2);
  EXPECT_THAT(settings->getConfigParamValues("leaf", {"sql", "baan_server", "company_suffix"}).value(),
              IsEmpty());
  EXPECT_EQ(settings->getConfigParamValueCount("leaf", {"sql", "baan_server", "company_suffix"}), 0);
}

TEST_F(VAVSettingsChainTest, EnvironmentsAndRelativeEnvironments) {
  EXPECT_THAT(settings->getEnvironmentNamesList().value(), ElementsAre("common", "middle", "leaf"));
  EXPECT_EQ(settings->getRelativeEnvironmentId("leaf"), "middle");
  EXPECT_EQ(settings->getRelativeEnvironmentId("common"), std::nullopt);
}

TEST_F(VAVSettingsChainTest, AbsentRequiredSettingsNameTheJoinedIds) {
  EXPECT_EQ(settings->getConfigParamValue("common", {"skerrymantle", "port"}), std::nullopt);
  try {
    settings->loadSetting({"skerrymantle", "port"}, "common");
    FAIL() << "no exception";
  } catch (const InvalidSettingException& e) {
    EXPECT_EQ(e.getMessage(), "skerrymantle->port setting not available");
  }
  // An absent integer or yes/no setting reports the same.
  EXPECT_THROW(
      {
        try {
          settings->loadIntSetting({"skerrymantle", "port"});
        } catch (const InvalidSettingException& e) {
          EXPECT_STREQ(e.what(), "skerrymantle->port setting not available");
          throw;
        }
      },
      InvalidSettingException);
  EXPECT_THROW(settings->loadBooleanSetting({"nothing"}, "leaf"), InvalidSettingException);
}

TEST_F(VAVSettingsChainTest, LookupsLogTheParamPathAndNeverCrashOnApostrophes) {
  log::Capture capture;
  EXPECT_EQ(settings->getConfigParamValue("leaf", {"leaf_only"}), "here");
  EXPECT_TRUE(capture.contains(
      "Param Path: "
      "/environment_list/environment[@id='leaf']/config_param_list/config_param[@id='leaf_only']"));
  EXPECT_EQ(settings->getConfigParamValue("le'af", {"leaf_only"}), std::nullopt);
  EXPECT_EQ(settings->getConfigDirPath("le'af", "data"), std::nullopt);
  EXPECT_EQ(settings->getConfigParamValue({}), std::nullopt);
}

struct TypedCase {
  std::string text;
  std::optional<int> number;  // nothing: "Invalid " + ids
  bool yes;
};

TEST(VAVSettingsTypedTest, IntegersAreStrictAndBooleansAreExactlyYes) {
  const std::vector<TypedCase> cases = {
      {"08", 8, false},
      {"-5", -5, false},
      {"+7", 7, false},
      {" 8", std::nullopt, false},
      {"8 ", std::nullopt, false},
      {"eight", std::nullopt, false},
      {"", std::nullopt, false},
      {"yes", std::nullopt, true},
      {"YES", std::nullopt, false},
      {"true", std::nullopt, false},
      {"Yes", std::nullopt, false},
      {"99999999999", std::nullopt, false},
  };
  ConfigTree tree;
  tree.settings().environment("common");
  for (const TypedCase& c : cases)
    tree.settings().param({"sec", "k" + std::to_string(&c - cases.data())}, c.text);
  VAVSettings settings(tree.writeSettings());
  for (size_t i = 0; i < cases.size(); ++i) {
    const TypedCase& c = cases[i];
    SettingsPath path{"sec", "k" + std::to_string(i)};
    SCOPED_TRACE("value '" + c.text + "'");
    EXPECT_EQ(settings.loadBooleanSetting(path), c.yes);
    if (c.number) {
      EXPECT_EQ(settings.loadIntSetting(path, "common"), *c.number);
    } else {
      try {
        settings.loadIntSetting(path);
        ADD_FAILURE() << "no exception";
      } catch (const InvalidSettingException& e) {
        EXPECT_EQ(e.getMessage(), "Invalid sec->k" + std::to_string(i));
      }
    }
  }
}

TEST(VAVSettingsPathTest, PredicatesSelectAmongSectionsOfTheSameId) {
  ConfigTree tree;
  tree.settings()
      .environment("common")
      .section({"sql", "baan_server"})
      .param({"sql", "baan_server", "company_suffix"}, "100")
      .section({"sql", "baan_server"})
      .param({"sql", "baan_server", "company_suffix"}, "200");
  VAVSettings settings(tree.writeSettings());
  EXPECT_EQ(settings.getConfigParamValue({"sql", "baan_server[2]", "company_suffix"}), "200");
  EXPECT_EQ(settings.getConfigParamValue({"sql", "baan_server", "company_suffix"}), "100");
  EXPECT_EQ(settings.getConfigParamValue({"sql", "baan_server[3]", "company_suffix"}), std::nullopt);
  EXPECT_EQ(VAVSettings::getConfigParamPath("common", {"sql", "baan_server[2]", "company_suffix"}),
            "/environment_list/environment[@id='common']/config_param_list/config_param[@id='sql']"
            "/config_param[@id='baan_server'][2]/config_param[@id='company_suffix']");
  EXPECT_EQ(VAVSettings::getSettingIdsStr({"torvend", "emulator_port"}), "torvend->emulator_port");
  EXPECT_EQ(VAVSettings::getSettingIdsStr({"perl_program"}), "perl_program");
}

TEST(VAVSettingsLoopTest, ARelativeEnvChainThatLoopsIsReported) {
  ConfigTree tree;
  tree.settings().environment("common").param({"x"}, "1");
  tree.settings().environment("a", "b").dir("base", "/a");
  tree.settings().environment("b", "a");
  tree.settings().environment("self", "self");
  VAVSettings settings(tree.writeSettings());
  log::Capture capture;
  EXPECT_EQ(settings.getConfigParamValue("a", {"x"}), std::nullopt);
  EXPECT_TRUE(capture.contains("Loop in relative_env chain: a -> b -> a"));
  EXPECT_EQ(settings.getConfigDirPath("b", "missing"), std::nullopt);
  EXPECT_TRUE(capture.contains("Loop in relative_env chain: b -> a -> b"));
  EXPECT_EQ(settings.getConfigDirPath("b", "base"), "/a");  // found before the chain closes
  EXPECT_EQ(settings.getConfigFileName("self", "f"), std::nullopt);
  EXPECT_TRUE(capture.contains("Loop in relative_env chain: self -> self"));
  try {
    settings.loadSetting({"x"}, "a");
    FAIL() << "no exception";
  } catch (const InvalidSettingException& e) {
    EXPECT_EQ(e.getMessage(), "x setting not available");
  }
}

TEST(VAVSettingsLoopTest, ARelativeDirChainThatLoopsIsReported) {
  ConfigTree tree;
  tree.settings()
      .environment("common")
      .dir("x", "x", "y")
      .dir("y", "y", "x")
      .dir("me", "me", "me")
      .dir("z", "z", "x")
      .file("f", "f.xml", "x");
  VAVSettings settings(tree.writeSettings());
  log::Capture capture;
  EXPECT_EQ(settings.getConfigDirPath("x"), std::nullopt);
  EXPECT_TRUE(capture.contains("Loop in relative_dir chain: x -> y -> x"));
  EXPECT_EQ(settings.getConfigDirPath("z"), std::nullopt);
  EXPECT_EQ(settings.getConfigFilePath("f"), std::nullopt);
  EXPECT_EQ(settings.getConfigDirPath("me"), std::nullopt);
  EXPECT_TRUE(capture.contains("Loop in relative_dir chain: me -> me"));
}

TEST(VAVSettingsDirTest, AMissingBaseDirectoryLeavesAPathWithoutAValidBase) {
  ConfigTree tree;
  tree.settings().environment("common").dir("data", "data", "nowhere");
  VAVSettings settings(tree.writeSettings());
  EXPECT_EQ(settings.getConfigDirPath("data"), "null/data");
}

TEST(VAVSettingsLoadTest, AMissingOrBrokenFileFindsNothing) {
  ConfigTree tree;
  std::string broken = tree.writeFile("broken.xml", "<environment_list><environment id='common'>");
  for (const std::string& path : {tree.path("missing.xml"), broken}) {
    log::Capture capture;
    VAVSettings settings(path);
    EXPECT_TRUE(capture.contains("Failed to load xml document: " + path));
    EXPECT_EQ(settings.getSettingsXmlFilePath(), path);
    EXPECT_EQ(settings.getConfigParamValue({"x"}), std::nullopt);
    EXPECT_TRUE(capture.contains("Error in looking for Expr: "));
    EXPECT_EQ(settings.getConfigDirPath("DC"), std::nullopt);
    EXPECT_EQ(settings.getConfigParamValues({"x"}), std::nullopt);
    EXPECT_EQ(settings.getConfigParamValueCount({"x"}), 0);
    EXPECT_EQ(settings.getEnvironmentNamesList(), std::nullopt);
    EXPECT_THROW(settings.loadSetting({"x"}), InvalidSettingException);
  }
  VAVSettings unloaded;
  EXPECT_EQ(unloaded.getConfigParamValue({"x"}), std::nullopt);
}

}  // namespace
}  // namespace tev
