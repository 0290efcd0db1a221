// VAVInterface::initializeLabelsAndMessages in-process, on a copy of the demo installation (its built tables
// are in the text form that save_in_text_format "yes" selects): the encoding settings choose the form of the
// tables, and a failed load keeps the lists the session had.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "common/log.h"
#include "config/vav_settings.h"
#include "config/vrc_parser.h"
#include "scanner_process_driver.h"
#include "session/vav_interface.h"

namespace tev {
namespace {

using testing::DemoCopy;

class ScreenTextsLoadingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDirectory = std::filesystem::current_path();
    std::filesystem::current_path(demo.root());
  }
  void TearDown() override {
    VAVInterface::reset();
    std::filesystem::current_path(previousDirectory);
  }

  // The registry entries the loading reads, over the copy's settings as they are now.
  void useSettings() {
    VAVInterface::reset();
    VAVInterface::environment = "demo";
    VAVInterface::vavSettings = VAVInterface::own(std::make_unique<VAVSettings>("vav_settings.xml"));
    VAVInterface::vrcParser =
        VAVInterface::own(std::make_unique<VRCParser>(*VAVInterface::vavSettings, "demo"));
  }

  DemoCopy demo{TEV_DEMO_DIR};
  std::filesystem::path previousDirectory;
};

TEST_F(ScreenTextsLoadingTest, LoadsTheTablesOfTheLanguageInTheFormTheSettingsChoose) {
  useSettings();
  log::Capture logs;
  ASSERT_TRUE(VAVInterface::initializeLabelsAndMessages("english"));
  EXPECT_EQ(VAVInterface::labelList.getLabel("text"), "Text:");
  EXPECT_EQ(VAVInterface::messageList.getMessage("password_changed"), "Password changed");
  EXPECT_EQ(VAVInterface::charEncoding, "UTF-8");
  EXPECT_TRUE(
      logs.contains("Label List Object Path = ./demo/data/labels/english.dat For Language = english"));
  EXPECT_TRUE(logs.contains("dat File Encoding = false xmlEncodingInUse = false"));

  // Another language replaces both lists.
  ASSERT_TRUE(VAVInterface::initializeLabelsAndMessages("spanish"));
  EXPECT_NE(VAVInterface::labelList.getLabel("username"), "User:");
}

TEST_F(ScreenTextsLoadingTest, AFailedLoadKeepsTheListsItCouldNotReplace) {
  useSettings();
  ASSERT_TRUE(VAVInterface::initializeLabelsAndMessages("english"));

  // No message table for the language: the labels are replaced, the messages kept.
  std::filesystem::remove(demo.file("demo/data/messages/spanish.dat"));
  log::Capture logs;
  EXPECT_FALSE(VAVInterface::initializeLabelsAndMessages("spanish"));
  EXPECT_TRUE(logs.contains("Persisted messages object not found"));
  EXPECT_NE(VAVInterface::labelList.getLabel("username"), "User:");
  EXPECT_EQ(VAVInterface::messageList.getMessage("password_changed"), "Password changed");

  // No table at all for a language.
  logs.clear();
  EXPECT_FALSE(VAVInterface::initializeLabelsAndMessages("klingon"));
  EXPECT_TRUE(logs.contains("Persisted Labels object not found"));
}

TEST_F(ScreenTextsLoadingTest, SettingsThatNameAnotherFormRefuseTheTables) {
  // Stored form asked for, text form on disk: the read fails and nothing is replaced.
  demo.setSetting("save_in_text_format", "yes", "no");
  useSettings();
  VAVInterface::labelList.setlabel("kept", "yes");
  log::Capture logs;
  EXPECT_FALSE(VAVInterface::initializeLabelsAndMessages("english"));
  EXPECT_TRUE(logs.contains("Error in loading the persisted Labels object: "));
  EXPECT_EQ(VAVInterface::labelList.getLabel("kept"), "yes");

  // Without encoding settings the reads stop at the first missing one (logged) and the stored form is asked
  // for as well.
  demo.replace("vav_settings.xml", "<config_param id=\"enable_xml_encoding\">no</config_param>", "");
  useSettings();
  logs.clear();
  EXPECT_FALSE(VAVInterface::initializeLabelsAndMessages("english"));
  EXPECT_TRUE(logs.contains(" encoding tags not found"));
  EXPECT_EQ(VAVInterface::charEncoding, "");
}

}  // namespace
}  // namespace tev
