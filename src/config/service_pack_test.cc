#include "config/service_pack.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "common/log.h"
#include "config/config_test_support.h"
#include "config/service_pack_list.h"
#include "config/vrc_parser.h"

namespace tev {
namespace {

using testing::ConfigTree;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(ServicePackDescriptorTest, ReadsEveryElement) {
  ConfigTree tree;
  std::string path = tree.writeFile("servicepack/SP2.xml", R"(<?xml version="1.0"?>
<service_pack id="SP2">
  <description>Fixes</description>
  <depends><service_pack_id>SP1</service_pack_id></depends>
  <runtime_hierarchy><service_pack_id>SP2</service_pack_id><service_pack_id>SP1</service_pack_id></runtime_hierarchy>
  <custom_action_handler>tev.Handler</custom_action_handler>
  <changed_framework_file_list><file derived=" true "><name>key_list.xml</name></file></changed_framework_file_list>
  <new_framework_file_list><file><name>a.xml</name></file><file derived="1"><name>b.xml</name></file></new_framework_file_list>
  <affected_framework_data_file_list/>
  <changed_environment_file_list><file derived="false"><name>menus.xml</name></file></changed_environment_file_list>
  <new_environment_file_list/>
  <affected_environment_data_file_list><file derived="maybe"><name>labels</name></file></affected_environment_data_file_list>
  <standard_action_list>
    <standard_action><action>build labels</action><action>build messages</action></standard_action>
    <standard_action/>
  </standard_action_list>
</service_pack>)");
  auto pack = ServicePackUtil::getServicePack(path);
  ASSERT_TRUE(pack);
  EXPECT_EQ(pack->id, "SP2");
  EXPECT_EQ(pack->description, "Fixes");
  EXPECT_THAT(pack->depends.servicePackId, ElementsAre("SP1"));
  EXPECT_THAT(pack->runtimeHierarchy.servicePackId, ElementsAre("SP2", "SP1"));
  EXPECT_EQ(pack->customActionHandler, "tev.Handler");
  ASSERT_EQ(pack->changedFrameworkFileList.file.size(), 1u);
  EXPECT_EQ(pack->changedFrameworkFileList.file[0].name, "key_list.xml");
  EXPECT_TRUE(pack->changedFrameworkFileList.file[0].derived);
  ASSERT_EQ(pack->newFrameworkFileList.file.size(), 2u);
  EXPECT_FALSE(pack->newFrameworkFileList.file[0].derived);
  EXPECT_TRUE(pack->newFrameworkFileList.file[1].derived);
  EXPECT_THAT(pack->affectedFrameworkDataFileList.file, IsEmpty());
  EXPECT_FALSE(pack->changedEnvironmentFileList.file.at(0).derived);
  EXPECT_THAT(pack->newEnvironmentFileList.file, IsEmpty());
  EXPECT_FALSE(pack->affectedEnvironmentDataFileList.file.at(0).derived);
  ASSERT_EQ(pack->standardActionList.standardAction.size(), 2u);
  EXPECT_THAT(pack->standardActionList.standardAction[0].action,
              ElementsAre("build labels", "build messages"));
  EXPECT_THAT(pack->standardActionList.standardAction[1].action, IsEmpty());
}

TEST(ServicePackDescriptorTest, AnUnreadableDescriptorGivesNothing) {
  ConfigTree tree;
  const std::vector<std::string> paths = {
      tree.path("servicepack/missing.xml"),
      tree.writeFile("servicepack/broken.xml", "<service_pack id='x'>"),
      tree.writeFile("servicepack/other.xml", "<service_pack_list/>"),
  };
  for (const std::string& path : paths) {
    log::Capture capture;
    EXPECT_EQ(ServicePackUtil::getServicePack(path), std::nullopt) << path;
    EXPECT_TRUE(capture.contains("Failed to to service pack info: " + path)) << path;
  }
}

// common <- child with a service pack; files are created per case.
class ServicePackLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.settings().standardEnvironment("common");
    tree.settings().standardEnvironment("child", "common").param({"service_pack"}, "SP");
    tree.writeServicePackDescriptor("SP", {"A", "B"});
    parser = std::make_unique<VRCParser>(tree.writeSettings(), "child");
  }
  std::string at(const std::string& relative) const { return tree.path(relative); }

  ConfigTree tree;
  std::unique_ptr<VRCParser> parser;
};

TEST_F(ServicePackLookupTest, TheRuntimeHierarchyIsSearchedInOrderBeforeTheOwnFiles) {
  ASSERT_TRUE(parser->isCheckForServicePacks());
  EXPECT_EQ(parser->getCurrentServicePackId(), "SP");
  EXPECT_EQ(parser->getServicePackFile(), at("servicepack/SP.xml"));

  tree.writeFile("env_child/data/params/A/PickTrans.xml");
  tree.writeFile("env_child/data/params/B/PickTrans.xml");
  tree.writeFile("env_child/data/params/PickTrans.xml");
  tree.writeFile("env_child/data/params/B/PutTrans.xml");
  tree.writeFile("env_child/data/params/PutTrans.xml");
  tree.writeFile("env_child/data/params/CountTrans.xml");
  tree.writeFile("env_child/data/params/SP/CountTrans.xml");  // the pack's own id is not in its hierarchy
  EXPECT_EQ(parser->getParamsFilePath("Pick"), at("env_child/data/params/A/PickTrans.xml"));
  EXPECT_EQ(parser->getParamsFilePath("Put"), at("env_child/data/params/B/PutTrans.xml"));
  EXPECT_EQ(parser->getParamsFilePath("Count"), at("env_child/data/params/CountTrans.xml"));

  log::Capture capture;
  parser->getParamsFilePath("Put");
  EXPECT_TRUE(capture.contains("Looking for file: " + at("env_child/data/params/A/PutTrans.xml")));
  EXPECT_TRUE(capture.contains("Found the parameters file: " + at("env_child/data/params/B/PutTrans.xml")));
}

TEST_F(ServicePackLookupTest, EveryKindOfLookupSearchesThePacks) {
  tree.writeFile("env_child/trans/B/Standard.xml");
  tree.writeFile("env_child/data/A/user_list.xml");
  tree.writeFile("env_child/data/helpfiles/german/B/PickHelp.xml");
  tree.makeDir("env_child/data/A/labels");
  tree.makeDir("env_child/data/B/messages");
  tree.writeFile("env_child/data/B/BaanFieldDefs.dat");
  tree.writeFile("env_child/data/A/fields.dat");
  tree.writeFile("config/B/key_list.xml");
  // Found in the relative environment's pack copy, after the child's own candidates.
  tree.writeFile("data/B/printer_list.xml");

  EXPECT_EQ(parser->getTransXMLFilePath("Standard.xml"), at("env_child/trans/B/Standard.xml"));
  EXPECT_EQ(parser->getEnvironmentFilePath("user_list.xml"), at("env_child/data/A/user_list.xml"));
  EXPECT_EQ(parser->getHelpXMLFilePath("PickHelp.xml", "german"),
            at("env_child/data/helpfiles/german/B/PickHelp.xml"));
  EXPECT_EQ(parser->getLabelsDirectory("child"), at("env_child/data/A/labels"));
  EXPECT_EQ(parser->getPersistedLabelsObjectPath("english"), at("env_child/data/A/labels/english.dat"));
  EXPECT_EQ(parser->getMessagesDirectory("child"), at("env_child/data/B/messages"));
  EXPECT_EQ(parser->getPersistedBaanFieldsObjectPath("child"), at("env_child/data/B/BaanFieldDefs.dat"));
  EXPECT_EQ(parser->getPersistedObjectPath("fields"), at("env_child/data/A/fields.dat"));
  EXPECT_EQ(parser->getStandardDataFilePath("key_list.xml"), at("config/B/key_list.xml"));
  EXPECT_EQ(parser->getEnvironmentFilePath("printer_list.xml"), at("data/B/printer_list.xml"));
  // A pack copy of the English help is not searched.
  tree.writeFile("env_child/data/helpfiles/english/A/PutHelp.xml");
  EXPECT_EQ(parser->getHelpXMLFilePath("PutHelp.xml", "german"), std::nullopt);
}

TEST_F(ServicePackLookupTest, AMissingDescriptorLeavesThePacksOff) {
  tree.writeFile("env_child/data/params/A/PickTrans.xml");
  tree.writeFile("env_child/data/params/PickTrans.xml");
  ConfigTree other;
  other.settings().standardEnvironment("common");
  other.settings().standardEnvironment("child", "common").param({"service_pack"}, "GONE");
  other.writeFile("env_child/data/params/A/PickTrans.xml");
  other.writeFile("env_child/data/params/PickTrans.xml");
  VAVSettings settings(other.writeSettings());

  log::Capture capture;
  VRCParser without(settings, "child");
  EXPECT_TRUE(capture.contains("Setting Servicepack"));
  EXPECT_TRUE(capture.contains("Failed to to service pack info: " + other.path("servicepack/GONE.xml")));
  EXPECT_TRUE(capture.contains("Failed to load service pack: GONE"));
  EXPECT_FALSE(without.isCheckForServicePacks());
  EXPECT_EQ(without.getParamsFilePath("Pick"), other.path("env_child/data/params/PickTrans.xml"));

  // Switching the working locator to a missing pack turns its packs off as well.
  ASSERT_EQ(parser->getParamsFilePath("Pick"), at("env_child/data/params/A/PickTrans.xml"));
  parser->setServicePack("GONE");
  EXPECT_FALSE(parser->isCheckForServicePacks());
  EXPECT_EQ(parser->getParamsFilePath("Pick"), at("env_child/data/params/PickTrans.xml"));
}

TEST(ServicePackSettingTest, ABlankServicePackOrEnvironmentActivatesNothing) {
  ConfigTree tree;
  tree.settings().standardEnvironment("common");
  tree.settings().standardEnvironment("child", "common").param({"service_pack"}, "  ");
  tree.writeServicePackDescriptor("  ", {"A"});
  VAVSettings settings(tree.writeSettings());
  log::Capture capture;
  VRCParser parser(settings, "child");
  EXPECT_FALSE(capture.contains("Setting Servicepack"));
  EXPECT_FALSE(parser.isCheckForServicePacks());
}

TEST(ServicePackListTest, RuntimeHierarchyIdsInDocumentOrder) {
  ConfigTree tree;
  std::string path = tree.writeFile("service_pack_list.xml", R"(<service_pack_list>
  <service_pack id="SP1"><runtime_hierarchy><service_pack id="SP1"/></runtime_hierarchy></service_pack>
  <service_pack id="SP2"><runtime_hierarchy><service_pack id="SP2"/><service_pack id="SP1"/></runtime_hierarchy></service_pack>
</service_pack_list>)");
  ServicePackList list;
  list.initialize(path);
  EXPECT_THAT(list.getRunTimeHierarchyIds("SP2").value(), ElementsAre("SP2", "SP1"));
  EXPECT_THAT(list.getRunTimeHierarchyIds("SP9").value(), IsEmpty());
  EXPECT_EQ(list.getRunTimeHierarchyIds("S'P"), std::nullopt);

  ServicePackList missing;
  missing.initialize(tree.path("nothing.xml"));
  EXPECT_EQ(missing.getRunTimeHierarchyIds("SP1"), std::nullopt);
}

TEST(ServicePackDemoTreeTest, TheDemoInstallationIsComplete) {
  testing::InDemoDirectory inDemo;
  VRCParser parser("vav_settings.xml", "demo");
  VAVSettings& settings = parser.getVavSettings();

  ASSERT_TRUE(parser.isCheckForServicePacks());
  EXPECT_EQ(parser.getCurrentServicePackId(), "SP1");
  EXPECT_EQ(VRCParser::DC_HOME(), ".");
  EXPECT_EQ(VRCParser::ENV_HOME(), "./demo");

  // The service pack's copy of the global parameters wins, and is kept identical to the base file.
  auto global = parser.getParamsFilePath("global_param_list");
  ASSERT_EQ(global, "./data/params/SP1/global_param_list.xml");
  EXPECT_EQ(testing::readFile(*global), testing::readFile("./data/params/global_param_list.xml"));
  EXPECT_EQ(parser.getStandardDataFilePath("empty.xml"), "./config/empty.xml");
  EXPECT_TRUE(std::filesystem::exists("./config/empty.xml"));

  for (const char* dir :
       {"DC", "env_DC", "data", "config", "log", "barcode_label_files_path", "barcode_label_output_dir"}) {
    auto path = settings.getConfigDirPath("demo", dir);
    ASSERT_TRUE(path) << dir;
    EXPECT_TRUE(std::filesystem::is_directory(*path)) << dir << " " << *path;
  }
  EXPECT_EQ(settings.getConfigDirPath("log"), "log");

  const std::vector<SettingsPath> required = {
      {"perl_program"},
      {"torvend", "admin_server_object_name"},
      {"skerrymantle", "ip_address"},
      {"skerrymantle", "encoding"},
      {"skerrymantle", "customer_code"},
      {"encoding", "char_encoding"},
      {"encoding", "char_encoding_for_xml"},
      {"boi", "driver_boi_name"},
      {"boi", "driver_boi_funt"},
      {"boi", "driver_boi_tagname"},
      {"boi", "field_seperator"},
      {"boi", "fs_recordset_name"},
      {"boi", "fs_name_tagname"},
      {"boi", "fs_funt_tagname"},
      {"boi", "fs_prefix_tagname"},
      {"boi", "organizational_entity"},
      {"boi", "output_recordset"},
      {"boi", "skerrymantle_output_type"},
      {"boi", "xml_encoding"},
      {"sql", "baan_server", "sftp_path"},
      {"bta", "bta_web_service_base_url"},
      {"bta", "use_company_in_url"},
  };
  for (const SettingsPath& path : required)
    EXPECT_NO_THROW(settings.loadSetting(path, "demo")) << path.back();
  for (const SettingsPath& path : std::vector<SettingsPath>{{"skerrymantle", "hand_shake_in_use"},
                                                            {"encoding", "enable_xml_encoding"},
                                                            {"encoding", "dat_files_in_xml"},
                                                            {"encoding", "save_in_text_format"},
                                                            {"sql", "use_ftp"},
                                                            {"sql", "baan_server", "work_in_passive_mode"}})
    EXPECT_NO_THROW(settings.loadBooleanSetting(path, "demo")) << path.back();
  EXPECT_EQ(settings.loadIntSetting({"skerrymantle", "port"}, "demo"), 7600);
  EXPECT_EQ(settings.loadIntSetting({"skerrymantle", "retry_count"}, "demo"), 3);
  EXPECT_EQ(settings.loadIntSetting({"torvend", "scanner_process_port"}), 6100);
  EXPECT_EQ(settings.loadIntSetting({"torvend", "emulator_poll_time"}), 100);
  EXPECT_EQ(settings.getConfigParamValue("demo", {"skerrymantle", "ip_address"}), "127.0.0.1");
  EXPECT_THAT(settings.getConfigParamValues("demo", {"sql", "baan_server", "company_suffix"}).value(),
              ElementsAre("0"));
  EXPECT_THAT(settings.getEnvironmentNamesList().value(), ElementsAre("common", "demo"));
}

}  // namespace
}  // namespace tev
