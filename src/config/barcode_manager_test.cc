#include "config/barcode_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "common/error.h"
#include "common/java_text.h"
#include "common/log.h"
#include "config/config_test_support.h"
#include "config/vrc_parser.h"
#include "xml/xml_test_support.h"

namespace tev {
namespace {

using barcode::BarcodeListType;
using barcode::BarcodeType;
using barcode::FieldType;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::TempDir;

constexpr const char* kLayouts = R"(<?xml version="1.0"?>
<barcode_list>
  <barcode id="item_lot_qty" form="receipt" field_separator="," no_of_fields="3" move_cursor_to_field="qty">
    <field_list>
      <field id="p1" map_to="item" map_type="field" skip_behavior="always"/>
      <field id="p2" map_to="lotNumber" map_type="variable" skip_behavior="never"/>
      <field id="p3" map_to="qty" map_type="label"/>
    </field_list>
    <note>ignored</note>
  </barcode>
  <barcode id="item_lot" form="receipt" field_separator="\|" no_of_fields=" 2 " move_cursor_to_field="none">
    <field_list>
      <field id="p1" map_to="item" map_type="field"/>
      <field id="p2" map_to="lot" map_type="field"/>
    </field_list>
  </barcode>
  <barcode id="badge" form="login" field_separator="/" no_of_fields="2"/>
  <barcode id="formless" no_of_fields="4"/>
</barcode_list>
)";

std::vector<std::string> ids(const std::vector<BarcodeType>& layouts) {
  std::vector<std::string> result;
  for (const BarcodeType& layout : layouts) result.push_back(nullText(layout.getId()));
  return result;
}

std::vector<std::string> texts(const log::Capture& capture) {
  std::vector<std::string> result;
  for (const log::Line& line : capture.lines()) result.push_back(line.text);
  return result;
}

class BarcodeManagerTest : public ::testing::Test {
 protected:
  TempDir dir;
  log::Capture capture;
  BarcodeManager manager;
};

TEST_F(BarcodeManagerTest, ReadsEveryAttributeInFileOrder) {
  std::optional<BarcodeListType> list =
      manager.getBarcodeList(dir.write("StandardBarcodeList.xml", kLayouts));
  ASSERT_TRUE(list);
  ASSERT_EQ(list->getBarcode().size(), 4u);

  const BarcodeType& first = list->getBarcode()[0];
  EXPECT_EQ(first.getId(), "item_lot_qty");
  EXPECT_EQ(first.getForm(), "receipt");
  EXPECT_EQ(manager.getFieldSeparator(first), ",");
  EXPECT_EQ(manager.getNoOfFields(first), 3);
  EXPECT_EQ(manager.getMoveCursorToField(first), "qty");
  const std::vector<FieldType>& fields = manager.getFields(first);
  ASSERT_EQ(fields.size(), 3u);
  EXPECT_EQ(fields[0].getId(), "p1");
  EXPECT_EQ(manager.getMapTo(fields[0]), "item");
  EXPECT_EQ(manager.getMapType(fields[0]), "field");
  EXPECT_EQ(manager.getSkipBehavior(fields[0]), "always");
  EXPECT_EQ(manager.getMapType(fields[1]), "variable");
  EXPECT_EQ(manager.getSkipBehavior(fields[1]), "never");
  EXPECT_EQ(manager.getSkipBehavior(fields[2]), std::nullopt);  // a missing attribute reads as nothing

  EXPECT_EQ(manager.getNoOfFields(list->getBarcode()[1]), 2);  // blanks around the number allowed
  EXPECT_TRUE(manager.getFields(list->getBarcode()[2]).empty());
  EXPECT_EQ(list->getBarcode()[3].getForm(), std::nullopt);
  EXPECT_EQ(list->getBarcode()[3].getFieldSeparator(), std::nullopt);
  EXPECT_TRUE(capture.contains("barcode.getNoOfFields(): 3"));
}

TEST_F(BarcodeManagerTest, TheTableByFormKeepsFileOrderAndIsLogged) {
  ASSERT_TRUE(manager.initialize(dir.write("list.xml", kLayouts)));
  capture.clear();
  BarcodeManager::BarcodeTable table = manager.getBarcodeHash();

  ASSERT_EQ(table.size(), 2u);  // the layout without a form is left out
  EXPECT_THAT(ids(table["receipt"]), ElementsAre("item_lot_qty", "item_lot"));
  EXPECT_THAT(ids(table["login"]), ElementsAre("badge"));
  EXPECT_THAT(texts(capture),
              ElementsAre("Iterating through Barcode list", "Barcode Id: item_lot_qty",
                          "Barcode Id: item_lot", "Barcode Id: badge", "Barcode Id: formless", "Size: 2"));
  EXPECT_EQ(capture.lines()[0].logger, "tev.framework.application.Logger");
}

TEST_F(BarcodeManagerTest, AScanIsCutByTheFirstLayoutWithItsNumberOfParts) {
  ASSERT_TRUE(manager.initialize(dir.write("list.xml", kLayouts)));
  struct Case {
    std::string scan;
    std::optional<std::string> layout;
    std::vector<std::string> parts;
  };
  // The way the transaction processor tries a form's layouts: split at the separator (a regular expression,
  // trailing empty parts kept) and take the first layout whose number of parts matches.
  const Case cases[] = {
      {"A100,L7,12", "item_lot_qty", {"A100", "L7", "12"}},
      {"A100|L7", "item_lot", {"A100", "L7"}},  // "|" escaped in the file
      {"A100,L7,", "item_lot_qty", {"A100", "L7", ""}},
      {"A100", std::nullopt, {}},
      {"A100,L7,12,9", std::nullopt, {}},
  };
  const std::vector<BarcodeType> receipt = manager.getBarcodeHash()["receipt"];
  for (const Case& c : cases) {
    std::optional<std::string> taken;
    std::vector<std::string> parts;
    for (const BarcodeType& layout : receipt) {
      std::vector<std::string> split = tev::split(c.scan, *manager.getFieldSeparator(layout), -1);
      if (static_cast<int>(split.size()) == manager.getNoOfFields(layout)) {
        taken = layout.getId();
        parts = split;
        break;
      }
    }
    EXPECT_EQ(taken, c.layout) << c.scan;
    EXPECT_EQ(parts, c.parts) << c.scan;
  }
}

TEST_F(BarcodeManagerTest, GetBarcodeFindsTheFirstLayoutOfThatSize) {
  EXPECT_EQ(manager.getBarcode(2), std::nullopt);  // nothing read yet
  ASSERT_TRUE(manager.initialize(dir.write("list.xml", kLayouts)));
  const std::pair<int, std::optional<std::string>> cases[] = {
      {3, "item_lot_qty"}, {2, "item_lot"}, {4, "formless"}, {5, std::nullopt}, {0, std::nullopt}};
  for (const auto& [parts, id] : cases) {
    std::optional<BarcodeType> layout = manager.getBarcode(parts);
    EXPECT_EQ(layout ? layout->getId() : std::nullopt, id) << parts;
  }
}

TEST_F(BarcodeManagerTest, AFailedReadIsLoggedAndKeepsTheLayoutsReadBefore) {
  ASSERT_TRUE(manager.initialize(dir.write("list.xml", kLayouts)));
  struct Case {
    std::string name;
    std::optional<std::string> text;  // nothing: no such file
    std::string cause;
  };
  const Case cases[] = {
      {"missing.xml", std::nullopt, "Failed to read the bar-code layouts"},
      {"broken.xml", "<barcode_list><barcode></barcode_list>", "Failed to read the bar-code layouts"},
      {"root.xml", "<barcodes/>", "the root element is not barcode_list"},
      {"count.xml", R"(<barcode_list><barcode id="b" no_of_fields="two"/></barcode_list>)",
       "Invalid no_of_fields of barcode b: For input string: \"two\""},
  };
  for (const Case& c : cases) {
    std::string path = c.text ? dir.write(c.name, *c.text) : dir.file(c.name);
    capture.clear();
    EXPECT_FALSE(manager.initialize(path)) << c.name;
    EXPECT_EQ(manager.getBarcodeList(path), std::nullopt) << c.name;
    ASSERT_FALSE(capture.lines().empty()) << c.name;
    EXPECT_EQ(capture.lines()[0].level, spdlog::level::err) << c.name;
    EXPECT_THAT(capture.lines()[0].text, HasSubstr(path)) << c.name;
    EXPECT_THAT(capture.lines()[0].text, HasSubstr(c.cause)) << c.name;
    EXPECT_EQ(manager.getBarcodeHash().size(), 2u) << c.name;
  }
}

TEST_F(BarcodeManagerTest, AnEmptyListGivesAnEmptyTable) {
  EXPECT_TRUE(manager.getBarcodeHash().empty());  // nothing read yet
  ASSERT_TRUE(manager.initialize(dir.write("list.xml", kLayouts)));
  ASSERT_TRUE(manager.initialize(dir.write("empty.xml", "<barcode_list/>")));
  EXPECT_TRUE(manager.getBarcodeHash().empty());
  EXPECT_EQ(manager.getBarcode(3), std::nullopt);
}

TEST_F(BarcodeManagerTest, TablesHandedOutDoNotChangeWithLaterReads) {
  ASSERT_TRUE(manager.initialize(dir.write("list.xml", kLayouts)));
  BarcodeManager::BarcodeTable first = manager.getBarcodeHash();
  ASSERT_TRUE(manager.initialize(dir.write(
      "other.xml", R"(<barcode_list><barcode id="x" form="receipt" no_of_fields="2"/></barcode_list>)")));
  EXPECT_THAT(ids(manager.getBarcodeHash()["receipt"]), ElementsAre("x"));
  EXPECT_THAT(ids(first["receipt"]), ElementsAre("item_lot_qty", "item_lot"));
}

TEST(BarcodeObjectFactory, MakesEmptyTypesAndTheRootElement) {
  barcode::ObjectFactory factory;
  BarcodeType layout = factory.createBarcodeType();
  EXPECT_EQ(layout.getId(), std::nullopt);
  EXPECT_EQ(layout.getNoOfFields(), 0);
  layout.getFieldList().getField().push_back(factory.createFieldType());
  BarcodeListType list = factory.createBarcodeListType();
  list.getBarcode().push_back(layout);
  barcode::BarcodeList root = factory.createBarcodeList(list);
  EXPECT_EQ(root.ELEMENT_NAME, "barcode_list");
  EXPECT_EQ(root.value.getBarcode().at(0).getFieldList().getField().size(), 1u);
}

TEST(BarcodeManagerDemoTest, TheLoginLayoutsAreFoundAndRead) {
  testing::InDemoDirectory inDemo;
  VRCParser locator("vav_settings.xml", "demo");
  std::optional<std::string> path = locator.getTransXMLFilePath("StandardBarcodeList.xml");
  ASSERT_TRUE(path);
  BarcodeManager manager;
  ASSERT_TRUE(manager.initialize(*path));
  BarcodeManager::BarcodeTable table = manager.getBarcodeHash();
  ASSERT_EQ(table.count("login"), 1u);
  const BarcodeType& badge = table["login"].at(0);
  EXPECT_EQ(tev::split("jdoe|secret", *badge.getFieldSeparator(), -1).size(),
            static_cast<size_t>(badge.getNoOfFields()));
  EXPECT_EQ(badge.getFieldList().getField().size(), static_cast<size_t>(badge.getNoOfFields()));
}

}  // namespace
}  // namespace tev
