#include "engine/baan_field_def_list.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "common/clock.h"
#include "common/log.h"
#include "config/config_test_support.h"
#include "config/table_form.h"
#include "config/vrc_parser.h"
#include "engine/baan_field_checks.h"
#include "engine/field_services.h"
#include "engine/param_manager.h"
#include "engine/single_field.h"
#include "xml/xml_test_support.h"

namespace tev {
namespace {

TEST(BaanFieldDefList, ReadsTheDictionaryFileAndLooksUpExactly) {
  testing::TempDir dir;
  const std::string path = dir.file("BaanFieldDefs.dat");
  writeFieldTable(path, {{"orno", BaanFieldDef("orno", "string", "right", "upper", 9)},
                         {"qty", BaanFieldDef("qty", "number", std::nullopt, std::nullopt, 12)}});

  BaanFieldDefList list(path);
  EXPECT_EQ(list.getBaanFieldDef("orno"), BaanFieldDef("orno", "string", "right", "upper", 9));
  EXPECT_EQ(list.getBaanFieldDef("ORNO"), std::nullopt);  // letter case counts
  EXPECT_EQ(list.getBaanFieldDef("missing"), std::nullopt);

  list.setBaanFieldDef("orno", BaanFieldDef("orno", "number", std::nullopt, std::nullopt, 3));
  list.setBaanFieldDef("new", BaanFieldDef("new", "date", std::nullopt, std::nullopt, 8));
  EXPECT_EQ(list.getBaanFieldDef("orno")->getDataType(), "number");
  EXPECT_EQ(list.getBaanFieldDef("new")->getLength(), 8);
  EXPECT_EQ(list.getBaanFieldDefs().size(), 3u);
}

TEST(BaanFieldDefList, AFileThatCannotBeReadGivesNoDictionary) {
  testing::TempDir dir;
  log::Capture capture;
  EXPECT_EQ(BaanFieldDefList::load(dir.file("missing.dat"), log::get("test")), std::nullopt);
  EXPECT_TRUE(capture.contains("Error in loading the persisted BaanFieldDefs object: "));
  EXPECT_THROW(BaanFieldDefList(dir.write("bad.dat", "not a table")), TableFormatError);
  EXPECT_EQ(BaanFieldDefList::load(dir.file("bad.dat"), log::get("test")), std::nullopt);
}

TEST(BaanFieldDefList, TheDemoDictionary) {
  testing::InDemoDirectory inDemo;
  VRCParser locator("vav_settings.xml", "demo");
  std::optional<BaanFieldDefList> list =
      BaanFieldDefList::load(locator.getPersistedBaanFieldsObjectPath("demo"), log::get("test"));
  ASSERT_TRUE(list);
  EXPECT_EQ(list->getBaanFieldDef("orno"), BaanFieldDef("orno", "string", "right", "upper", 9));
  EXPECT_EQ(list->getBaanFieldDef("date")->getDataType(), "date");
}

// The dictionary's rules behind a field: the date pattern comes from the parameter manager at each check.
TEST(BaanFieldChecks, FieldsCheckAndConvertThroughTheDictionary) {
  log::Capture capture;
  testing::ConfigTree tree;
  tree.settings().standardEnvironment("common");
  tree.settings().standardEnvironment("prod", "common");
  tree.writeFile("config/empty.xml", "<param_value_list/>");
  tree.writeFile("env_prod/data/params/CountTrans.xml",
                 "<param_value_list><param_value id=\"date_format\">yyyy-MM-dd</param_value>"
                 "</param_value_list>");
  VRCParser locator(tree.writeSettings(), "prod");
  ParamManager manager;
  manager.setFileLocator(&locator);
  manager.initialize();

  std::tm noon{};
  noon.tm_year = 2025 - 1900;
  noon.tm_mon = 5;
  noon.tm_mday = 20;
  noon.tm_hour = 12;
  noon.tm_isdst = -1;
  FakeClock today(std::chrono::system_clock::from_time_t(std::mktime(&noon)));
  BaanFieldChecks checks(&manager, &today);
  const BaanFieldDef date("date", "date", std::nullopt, std::nullopt, 10);

  EXPECT_TRUE(checks.validate(date, "06152025"));  // no parameter: MMddyyyy
  EXPECT_FALSE(checks.validate(date, "2025-06-15"));
  manager.loadWhseParams("W1", "Count");
  EXPECT_TRUE(checks.validate(date, "2025-06-15"));
  EXPECT_FALSE(checks.validate(date, "2022-06-15"));
  EXPECT_FALSE(checks.validate(BaanFieldDef("qty", "number", std::nullopt, std::nullopt, 4), "-1"));

  FieldServices saved = fieldServices();
  fieldServices().checks = &checks;
  SingleField field;
  field.typeInfo = BaanFieldDef("item", "string", "right", "upper", 8);
  field.value = "ab-1";
  field.transform();
  EXPECT_EQ(field.value, "AB-1");  // the letter case only: no padding on input
  fieldServices() = saved;
}

}  // namespace
}  // namespace tev
