#include "engine/menu_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "xml/xml_test_support.h"

namespace tev {
namespace {

using ::testing::ElementsAre;
using testing::TempDir;

const char* const kMenus = R"(<?xml version="1.0"?>
<menu id="main" label="main_menu" sequence_no="">
  <menu_item trans_id="Putaway" label="putaway_label" sequence_no="3"/>
  <menu_item trans_id="Receipt" label="" />
  <menu_item trans_id="PerlPick" perl_transaction="YES" sequence_no="2"/>
  <menu_item trans_id="NotPerl" perl_transaction="true"/>
  <menu id="inventory" sequence_no="1">
    <menu_item trans_id="Transfer" label="transfer"/>
    <note>ignored</note>
  </menu>
  <other trans_id="Ignored"/>
</menu>
)";

class MenuParserTest : public ::testing::Test {
 protected:
  MenuParserTest() {
    labels.setlabel("main_menu", "Main Menu");
    labels.setlabel("putaway_label", "Putaway");
    labels.setlabel("Receipt", "Receipt");
    labels.setlabel("inventory", "Inventory");
    labels.setlabel("", "empty key");
    path = dir.write("menus.xml", kMenus);
  }

  TempDir dir;
  LabelList labels;
  std::string path;
};

TEST_F(MenuParserTest, BuildsTheTreeWithLabelsFromTheLabelList) {
  MenuParser parser;
  parser.initialize(path);
  parser.setLabelsObj(&labels);
  std::shared_ptr<Menu> menu = parser.getMenuInfo();

  EXPECT_EQ(menu->getId(), "main");
  EXPECT_EQ(menu->getLabelId(), "main");
  EXPECT_EQ(menu->getLabel(), "Main Menu");
  EXPECT_EQ(menu->getSequenceNo(), 0);
  EXPECT_THAT(menu->getMenuItemIds(), ElementsAre("NotPerl", "PerlPick", "Putaway", "Receipt", "inventory"));

  struct Case {
    std::string id;
    std::optional<std::string> label;
    int sequenceNo;
    bool perl;
  };
  const Case cases[] = {
      {"Putaway", "Putaway", 3, false},     // label attribute is the key; the label id stays the trans_id
      {"Receipt", "Receipt", 0, false},     // empty label attribute: the key is the trans_id
      {"PerlPick", std::nullopt, 2, true},  // no text in the list: no label; "yes" in any case
      {"NotPerl", std::nullopt, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    std::shared_ptr<MenuItem> item = menu->getMenuItem(c.id);
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(menu->isSubMenu(c.id));
    EXPECT_EQ(item->getId(), c.id);
    EXPECT_EQ(item->getLabelId(), c.id);
    EXPECT_EQ(item->getLabel(), c.label);
    EXPECT_EQ(item->getSequenceNo(), c.sequenceNo);
    EXPECT_EQ(item->isPerlTransaction(), c.perl);
    EXPECT_EQ(item->getParentMenu(), nullptr);
  }

  std::shared_ptr<Menu> inventory = menu->getSubMenu("inventory");
  ASSERT_NE(inventory, nullptr);
  EXPECT_EQ(inventory->getLabel(), "Inventory");
  EXPECT_EQ(inventory->getSequenceNo(), 1);
  EXPECT_EQ(inventory->getParentMenu(), menu);
  EXPECT_THAT(inventory->getMenuItemIds(), ElementsAre("Transfer"));
}

TEST_F(MenuParserTest, WithoutALabelListNoLabelIsSet) {
  MenuParser parser;
  parser.initialize(path);
  std::shared_ptr<Menu> menu = parser.getMenuInfo();
  EXPECT_EQ(menu->getLabel(), std::nullopt);
  EXPECT_EQ(menu->getMenuItem("Putaway")->getLabel(), std::nullopt);
  EXPECT_EQ(menu->getMenuItem("Putaway")->getSequenceNo(), 3);
}

TEST_F(MenuParserTest, LabelLookUpByIdInTheFile) {
  MenuParser parser;
  parser.initialize(path);
  // Without a label list the label attribute itself.
  EXPECT_EQ(parser.getMenuItemLabel("Putaway"), "putaway_label");
  EXPECT_EQ(parser.getMenuLabel("inventory"), "");
  parser.setLabelsObj(&labels);
  log::Capture capture;
  EXPECT_EQ(parser.getMenuItemLabel("Putaway"), "Putaway");
  EXPECT_TRUE(capture.contains("Looking for path: /menu//menu_item[@trans_id='Putaway']"));
  EXPECT_TRUE(capture.contains("Reading label: putaway_label"));
  EXPECT_EQ(parser.getMenuItemLabel("PerlPick"), "empty key");  // no label attribute: the key ""
  EXPECT_EQ(parser.getMenuLabel("inventory"), "empty key");
  // The root menu and ids the file does not hold are errors, also ids that cannot be quoted.
  for (const char* id : {"main", "absent", "it's"})
    EXPECT_THROW(parser.getMenuLabel(id), MenuFileError) << id;
  EXPECT_THROW(parser.getMenuItemLabel("Absent"), MenuFileError);
}

TEST_F(MenuParserTest, FailuresReachTheCaller) {
  MenuParser parser;
  EXPECT_THROW(parser.getMenuInfo(), MenuFileError);
  EXPECT_THROW(parser.initialize(dir.file("missing.xml")), MenuFileError);
  EXPECT_THROW(parser.initialize(dir.write("broken.xml", "<menu>")), MenuFileError);

  std::string bad =
      dir.write("bad.xml", "<menu id='m'>\n<menu_item trans_id='X' sequence_no=' 2'/>\n</menu>");
  parser.initialize(bad);
  log::Capture capture;
  try {
    parser.getMenuInfo();
    ADD_FAILURE() << "no error";
  } catch (const MenuFileError& e) {
    EXPECT_EQ(e.getMessage(), "The menu file " + bad +
                                  ", line 2: the sequence_no \" 2\" of <menu_item> is not a whole number");
    EXPECT_TRUE(capture.contains(e.getMessage()));
  }

  // A failed load keeps the file loaded before.
  parser.initialize(path);
  EXPECT_THROW(parser.initialize(dir.file("missing.xml")), MenuFileError);
  EXPECT_EQ(parser.getMenuInfo()->getId(), "main");
}

TEST_F(MenuParserTest, EntriesWithoutIdsAreSkippedWithAWarning) {
  MenuParser parser;
  parser.initialize(
      dir.write("noid.xml", "<menu id='m'><menu_item label='x'/><menu/><menu_item trans_id='A'/></menu>"));
  log::Capture capture;
  std::shared_ptr<Menu> menu = parser.getMenuInfo();
  EXPECT_THAT(menu->getMenuItemIds(), ElementsAre("A"));
  EXPECT_TRUE(capture.contains("a <menu_item> without trans_id is skipped"));
  EXPECT_TRUE(capture.contains("a <menu> without id is skipped"));
}

}  // namespace
}  // namespace tev
