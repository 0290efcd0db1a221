#include "engine/user_data.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "common/java_text.h"
#include "config/config_test_support.h"
#include "config/label_parser.h"
#include "config/vrc_parser.h"
#include "engine/user_menu_xml_parser.h"

namespace tev {
namespace {

using testing::ConfigTree;
using ::testing::ElementsAre;

TEST(UserData, CompanySuffixIsTheLastCharacterOfTheCompany) {
  struct Case {
    std::optional<std::string> company;
    std::string suffix;
  };
  const Case cases[] = {{"101", "1"}, {"7", "7"}, {"", ""}, {std::nullopt, ""}, {"ACMEÑ", "Ñ"}};
  for (const Case& c : cases) {
    UserData user;
    if (c.company) user.setParameterValue("company", *c.company);
    EXPECT_EQ(user.getCompanySuffix(), c.suffix) << nullText(c.company);
  }
}

TEST(UserData, StartsEmptyAndKeepsParameters) {
  UserData user;
  EXPECT_EQ(user.getUserName(), std::nullopt);
  EXPECT_EQ(user.getPassword(), std::nullopt);
  EXPECT_EQ(user.getWhse(), std::nullopt);
  EXPECT_EQ(user.getLanguage(), std::nullopt);
  EXPECT_EQ(user.getMenuList(), nullptr);
  EXPECT_EQ(user.getParameterValue("def_printer"), std::nullopt);
  user.setParameterValue("def_printer", "P1");
  user.setParameterValue("def_printer", "");
  EXPECT_EQ(user.getParameterValue("def_printer"), "");
}

// The user list gives the structure, the menu file labels, Perl flags and the sequence numbers the user
// list leaves out.
class MenuMergeTest : public ::testing::Test {
 protected:
  MenuMergeTest() {
    tree.settings().standardEnvironment("common");
    settings = tree.writeSettings();
    tree.writeFile("data/menus.xml", R"(<menu id="main" label="main_menu">
  <menu_item trans_id="A" label="a_label" sequence_no="7"/>
  <menu_item trans_id="B" sequence_no="8" perl_transaction="yes"/>
  <menu_item trans_id="EnvOnly" sequence_no="1"/>
  <menu_item trans_id="OnlyId" label="a_label" sequence_no="9"/>
  <menu id="sub" label="sub_label" sequence_no="4">
    <menu_item trans_id="S1" sequence_no="2"/>
  </menu>
  <menu_item trans_id="UserSubEnvItem" sequence_no="6"/>
</menu>
)");
    labels.setlabel("main_menu", "Main Menu");
    labels.setlabel("a_label", "Label A");
    labels.setlabel("sub_label", "Sub");
    labels.setlabel("B", "Label B");
  }

  std::shared_ptr<UserData> user(const std::string& menu) {
    std::string path =
        tree.writeFile("users.xml", "<user_list><user><username>u</username>" + menu + "</user></user_list>");
    return UserMenuXmlParser(path).getUserInfoByUserName("u");
  }

  ConfigTree tree;
  std::string settings;
  LabelList labels;
};

TEST_F(MenuMergeTest, MergesLevelByLevel) {
  std::shared_ptr<UserData> u = user(R"(<menu id="mine" sequence_no="3">
    <menu_item trans_id="A"/>
    <menu_item trans_id="B" sequence_no="5"/>
    <menu_item trans_id="Gone"/>
    <entry id="OnlyId"/>
    <menu id="sub"><menu_item trans_id="S1"/><menu_item trans_id="S2"/></menu>
    <menu id="UserOnlySub"><menu_item trans_id="A"/></menu>
    <menu id="UserSubEnvItem"><menu_item trans_id="X" sequence_no="1"/></menu>
  </menu>)");
  VRCParser locator(settings, "common");
  log::Capture capture;
  std::shared_ptr<Menu> menu = u->getMenuList("spanish", locator, &labels);
  ASSERT_EQ(menu, u->getMenuList());

  EXPECT_EQ(menu->getId(), "mine");
  EXPECT_EQ(menu->getLabel(), "Main Menu");
  EXPECT_EQ(menu->getSequenceNo(), 3);
  EXPECT_THAT(menu->getMenuItemIds(), ElementsAre("A", "B", "OnlyId", "UserSubEnvItem", "sub"));

  struct Row {
    std::string id;
    std::optional<std::string> itemId;
    std::optional<std::string> labelId;
    std::optional<std::string> label;
    int sequenceNo;
    bool perl;
  };
  const Row rows[] = {
      {"A", "A", "A", "Label A", 7, false},                     // number and label from the menu file
      {"B", "B", "B", "Label B", 5, true},                      // the user list's number wins
      {"OnlyId", std::nullopt, "OnlyId", "Label A", 9, false},  // takes label id and label, not the id
      {"UserSubEnvItem", "UserSubEnvItem", "UserSubEnvItem", std::nullopt, 6, false},
      {"sub", "sub", "sub", "Sub", 4, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    std::shared_ptr<MenuItem> item = menu->getMenuItem(r.id);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->getId(), r.itemId);
    EXPECT_EQ(item->getLabelId(), r.labelId);
    EXPECT_EQ(item->getLabel(), r.label);
    EXPECT_EQ(item->getSequenceNo(), r.sequenceNo);
    EXPECT_EQ(item->isPerlTransaction(), r.perl);
  }
  // A user sub-menu whose id is a plain entry in the menu file stays a menu with its own entries.
  ASSERT_TRUE(menu->isSubMenu("UserSubEnvItem"));
  EXPECT_THAT(menu->getSubMenu("UserSubEnvItem")->getMenuItemIds(), ElementsAre("X"));
  // Sub-menus present in both are merged; what the menu file lacks is removed at every level.
  std::shared_ptr<Menu> sub = menu->getSubMenu("sub");
  EXPECT_THAT(sub->getMenuItemIds(), ElementsAre("S1"));
  EXPECT_EQ(sub->getMenuItem("S1")->getSequenceNo(), 2);
  EXPECT_EQ(sub->getParentMenu(), menu);

  for (const char* line : {"Environment menu: Gone is not found",
                           "Environment menu: UserOnlySub is not found", "Environment menu: S2 is not found",
                           "sub is a submenu", "A is a menu item", "UserSubEnvItem is a menu item"})
    EXPECT_TRUE(capture.contains(line)) << line;

  // A second merge with the same files gives the same menu.
  u->getMenuList("spanish", locator, &labels);
  EXPECT_THAT(menu->getMenuItemIds(), ElementsAre("A", "B", "OnlyId", "UserSubEnvItem", "sub"));
  EXPECT_EQ(menu->getMenuItem("B")->getSequenceNo(), 5);
}

TEST_F(MenuMergeTest, ASubMenuThatIsAPlainUserEntryStopsTheMerge) {
  std::shared_ptr<UserData> u = user(R"(<menu id="mine"><menu_item trans_id="A"/><menu_item trans_id="sub"/>
    <menu_item trans_id="zzz"/></menu>)");
  VRCParser locator(settings, "common");
  EXPECT_THROW(u->getMenuList("english", locator, &labels), MenuMergeError);
  std::shared_ptr<Menu> menu = u->getMenuList();
  EXPECT_EQ(menu->getMenuItem("A")->getSequenceNo(), 7);     // merged before the failure
  EXPECT_EQ(menu->getMenuItem("zzz")->getSequenceNo(), -1);  // not reached
}

TEST_F(MenuMergeTest, MissingMenuFileOrMenu) {
  ConfigTree empty;
  empty.settings().standardEnvironment("common");
  VRCParser locator(empty.writeSettings(), "common");
  std::shared_ptr<UserData> u = user(R"(<menu id="mine"><menu_item trans_id="A"/></menu>)");
  EXPECT_THROW(u->getMenuList("english", locator, &labels), MenuFileError);
  EXPECT_EQ(user("")->getMenuList("english", locator, &labels), nullptr);
}

TEST(UserDataDemoTest, DemoUsersGetTheirMenus) {
  testing::InDemoDirectory inDemo;
  VRCParser locator("vav_settings.xml", "demo");
  std::optional<std::string> userList = locator.getEnvironmentFilePath("user_list.xml");
  ASSERT_TRUE(userList);
  UserMenuXmlParser parser(*userList);

  auto labelsOf = [](const std::string& language) {
    std::ostringstream out;
    std::ostringstream err;
    LabelParser builder(out, err);
    builder.initialize("vav_settings.xml", "demo", language);
    return LabelList(builder.getLabels());
  };

  std::shared_ptr<UserData> admin = parser.getUserInfoByUserName("admin");
  ASSERT_NE(admin, nullptr);
  EXPECT_EQ(admin->getLanguage(), "english");
  EXPECT_EQ(admin->getWhse(), "W1");
  EXPECT_EQ(admin->getCompanySuffix(), "0");
  EXPECT_EQ(admin->getParameterValue("def_printer"), "\\\\labelsrv\\dock1");
  LabelList english = labelsOf("english");
  std::shared_ptr<Menu> menu = admin->getMenuList("english", locator, &english);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->getLabel(), "Main Menu");
  std::vector<std::shared_ptr<MenuItem>> items = menu->getMenuItemsArr();
  std::stable_sort(items.begin(), items.end(), bySequenceNo);
  std::vector<std::string> shown;
  for (const auto& item : items) shown.push_back(*item->getLabelId() + "=" + nullText(item->getLabel()));
  EXPECT_THAT(shown,
              ElementsAre("inventory_menu=Inventory", "ChangePassword=Change Password", "HelpDisplay=Help"));
  ASSERT_TRUE(menu->isSubMenu("inventory_menu"));
  EXPECT_THAT(menu->getSubMenu("inventory_menu")->getMenuItemIds(), ElementsAre("InventoryInquiry"));

  std::shared_ptr<UserData> juan = parser.getUserInfoByUserName("juan");
  ASSERT_NE(juan, nullptr);
  EXPECT_EQ(juan->getLanguage(), "spanish");
  LabelList spanish = labelsOf("spanish");
  menu = juan->getMenuList("spanish", locator, &spanish);
  EXPECT_EQ(menu->getLabel(), "Menú Principal");
  EXPECT_EQ(menu->getMenuItem("ChangePassword")->getSequenceNo(), 1);
  EXPECT_EQ(menu->getMenuItem("ChangePassword")->getLabel(), "Change Password");  // English fallback
  EXPECT_EQ(menu->getMenuItem("inventory_menu")->getSequenceNo(), 2);
  EXPECT_EQ(menu->getMenuItem("HelpDisplay"), nullptr);
}

}  // namespace
}  // namespace tev
