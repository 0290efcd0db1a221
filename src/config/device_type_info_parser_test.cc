#include "config/device_type_info_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "common/error.h"
#include "common/log.h"
#include "config/config_test_support.h"
#include "config/vrc_parser.h"
#include "xml/xml_test_support.h"

namespace tev {
namespace {

using ::testing::HasSubstr;
using testing::TempDir;

TEST(DeviceInfo, TextFormAndDefaults) {
  EXPECT_EQ(DeviceInfo("Generic", 16, 20, "key_list.xml").toString(), "Generic 16 20 key_list.xml");
  DeviceInfo empty;
  EXPECT_EQ(empty.getDisplayRows(), -1);
  EXPECT_EQ(empty.getDisplayColumns(), -1);
  EXPECT_EQ(empty.getDeviceTypeName(), std::nullopt);
  EXPECT_EQ(empty.getKeyMapFileName(), std::nullopt);
  EXPECT_EQ(empty.toString(), "null -1 -1 null");
}

constexpr const char* kTypes = R"(<?xml version="1.0"?>
<device_type_list>
  <device>
    <device_type>Generic</device_type><rows>8</rows><columns>10</columns><keyMapFile>old.xml</keyMapFile>
  </device>
  <group>
    <device>
      <device_type> Wide </device_type><rows> 16 </rows><columns>
        40</columns><keyMapFile> wide_keys.xml </keyMapFile><vendor>ignored</vendor>
    </device>
  </group>
  <device><device_type>NoKeys</device_type><rows>24</rows></device>
  <device>
    <device_type>Generic</device_type><rows>16</rows><columns>20</columns>
    <keyMapFile>key_list.xml</keyMapFile>
  </device>
  <device><device_type>Commented</device_type><rows>12<!-- only the first text counts -->3</rows></device>
</device_type_list>
)";

class DeviceTypeInfoParserTest : public ::testing::Test {
 protected:
  TempDir dir;
  log::Capture capture;
};

TEST_F(DeviceTypeInfoParserTest, ReadsEveryDeviceElementWhereverItStands) {
  DeviceTypeInfoParser parser(dir.write("device_type_info.xml", kTypes));

  struct Case {
    std::string name;
    std::optional<DeviceInfo> info;
  };
  const Case cases[] = {
      {"Generic", DeviceInfo("Generic", 16, 20, "key_list.xml")},  // the later element replaces the earlier
      {"Wide", DeviceInfo("Wide", 16, 40, "wide_keys.xml")},       // blanks around every text removed
      {"NoKeys", DeviceInfo("NoKeys", 24, -1, std::nullopt)},      // missing children stay unset
      {"Commented", DeviceInfo("Commented", 12, -1, std::nullopt)},
      {"generic", std::nullopt},  // names are compared exactly
      {" Wide ", std::nullopt},
      {"Unknown", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(parser.getDeviceInfo(c.name), c.info) << c.name;
  EXPECT_EQ(parser.getDeviceTypeInfo().size(), 4u);

  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(capture.lines()[0].logger, "tev.framework.parser.Logger");
  EXPECT_EQ(capture.lines()[0].text,
            "{Commented=Commented 12 -1 null, Generic=Generic 16 20 key_list.xml, NoKeys=NoKeys 24 -1 null, "
            "Wide=Wide 16 40 wide_keys.xml}");
}

TEST_F(DeviceTypeInfoParserTest, AnEmptyReaderKnowsNoType) {
  DeviceTypeInfoParser parser;
  EXPECT_EQ(parser.getDeviceInfo("Generic"), std::nullopt);
  EXPECT_TRUE(parser.getDeviceTypeInfo().empty());
  EXPECT_EQ(parser.getDevice(std::nullopt), std::nullopt);
}

TEST_F(DeviceTypeInfoParserTest, BadFilesFailTheReadAndKeepWhatWasRead) {
  struct Case {
    std::string name;
    std::optional<std::string> text;  // nothing: the file does not exist
    std::string message;
  };
  const Case cases[] = {
      {"rows.xml", "<l><device><device_type>A</device_type><rows>sixteen</rows></device></l>",
       "Invalid rows of a device: For input string: \"sixteen\""},
      {"columns.xml", "<l><device><device_type>A</device_type><columns/></device></l>",
       "Invalid columns of a device: For input string: \"\""},
      {"decimal.xml", "<l><device><device_type>A</device_type><rows>16.0</rows></device></l>",
       "For input string: \"16.0\""},
      {"unnamed.xml", "<l><device><rows>16</rows></device></l>", "A device element has no device_type"},
      {"broken.xml", "<l><device></l>", "Failed to read the device types"},
      {"missing.xml", std::nullopt, "Failed to read the device types"},
  };
  DeviceTypeInfoParser parser(dir.write("good.xml", kTypes));
  for (const Case& c : cases) {
    std::string path = c.text ? dir.write(c.name, *c.text) : dir.file(c.name);
    try {
      parser.initialize(path);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const Error& e) {
      EXPECT_THAT(e.getMessage(), HasSubstr(c.message)) << c.name;
      EXPECT_THAT(e.getMessage(), HasSubstr(path)) << c.name;
    }
    EXPECT_EQ(parser.getDeviceInfo("Generic"), DeviceInfo("Generic", 16, 20, "key_list.xml")) << c.name;
  }
  EXPECT_THROW(DeviceTypeInfoParser(dir.file("missing.xml")), Error);
}

TEST_F(DeviceTypeInfoParserTest, ANewReadReplacesTheTable) {
  DeviceTypeInfoParser parser(dir.write("a.xml", kTypes));
  parser.initialize(dir.write("b.xml", "<l><device><device_type>Other</device_type></device></l>"));
  EXPECT_EQ(parser.getDeviceInfo("Generic"), std::nullopt);
  EXPECT_EQ(parser.getDeviceInfo("Other"), DeviceInfo("Other", -1, -1, std::nullopt));
}

TEST(DeviceTypeInfoParserDemoTest, TheDemoListsGenericAndOneMoreType) {
  testing::InDemoDirectory inDemo;
  VRCParser locator("vav_settings.xml", "demo");
  std::string path = locator.getStandardDataFilePath("device_type_info.xml");
  ASSERT_TRUE(std::filesystem::exists(path)) << path;
  DeviceTypeInfoParser parser(path);
  EXPECT_EQ(parser.getDeviceInfo("Generic"), DeviceInfo("Generic", 16, 20, "key_list.xml"));
  EXPECT_EQ(parser.getDeviceTypeInfo().size(), 2u);
  for (const auto& [name, info] : parser.getDeviceTypeInfo()) {
    ASSERT_TRUE(info.getKeyMapFileName()) << name;
    EXPECT_GT(info.getDisplayRows(), 0) << name;
    EXPECT_GT(info.getDisplayColumns(), 0) << name;
  }
}

}  // namespace
}  // namespace tev
