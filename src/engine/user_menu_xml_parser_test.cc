#include "engine/user_menu_xml_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "xml/xml_test_support.h"

namespace tev {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::TempDir;

class UserListTest : public ::testing::Test {
 protected:
  std::string write(const std::string& users) {
    return dir.write("user_list.xml", "<?xml version=\"1.0\"?>\n<user_list>\n" + users + "</user_list>\n");
  }

  TempDir dir;
};

TEST_F(UserListTest, ReadsUsersPasswordsAndParameters) {
  UserMenuXmlParser parser(write(R"(
  <user>
    <username>admin</username><password>Secret</password><whse>W1</whse><language>english</language>
    <param_value_list>
      <param_value id=" company " value=" 101 "/>
      <param_value id="def_printer" value="\\labelsrv\dock1" extra="ignored"/>
      <param_value id="company" value="102"/>
    </param_value_list>
  </user>
  <group><user><username>juan</username><password>clave</password><language>spanish</language></user></group>
)"));
  UserMenuXmlParser::UserTable users = parser.getUserInfo();
  ASSERT_EQ(users.size(), 2u);

  std::shared_ptr<UserData> admin = parser.getUserInfoByUserName("admin");
  ASSERT_NE(admin, nullptr);
  EXPECT_EQ(admin->getUserName(), "admin");
  EXPECT_EQ(admin->getPassword(), "Secret");
  EXPECT_EQ(admin->getWhse(), "W1");
  EXPECT_EQ(admin->getLanguage(), "english");
  EXPECT_EQ(admin->getParameters(),
            (UserData::Parameters{{"company", "102"}, {"def_printer", "\\\\labelsrv\\dock1"}}));
  EXPECT_EQ(admin->getMenuList(), nullptr);

  std::shared_ptr<UserData> juan = parser.getUserInfoByUserName("juan");
  ASSERT_NE(juan, nullptr);
  EXPECT_EQ(juan->getWhse(), std::nullopt);
  EXPECT_TRUE(juan->getParameters().empty());

  EXPECT_EQ(parser.getPassword("juan"), "clave");
  EXPECT_EQ(parser.getUserInfoByUserName("ADMIN"), nullptr);
  EXPECT_EQ(parser.getUserInfoByParameterValue("company", "102"), admin);
  EXPECT_EQ(parser.getUserInfoByParameterValue("company", "10"), nullptr);

  log::Capture capture;
  EXPECT_EQ(parser.getPassword("nobody"), std::nullopt);
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(capture.lines()[0].level, spdlog::level::err);
  EXPECT_EQ(capture.lines()[0].text, "Failed to locate user: nobody");
}

TEST_F(UserListTest, ElementRulesOfOneUser) {
  UserMenuXmlParser parser(write(R"(
  <user>
    <username>  first  </username><whse>W1</whse><language>english</language>
  </user>
  <user>
    <username> first</username>
    <whse>W1</whse><details><whse>W2</whse></details>
    <language>english</language><language/>
    <password><!-- a comment first -->pw </password>
  </user>
)"));
  // Names are keyed trimmed: the second user replaced the first.
  ASSERT_EQ(parser.getUserInfo().size(), 1u);
  std::shared_ptr<UserData> user = parser.getUserInfoByUserName("first");
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(user->getUserName(), " first");      // the value itself is untrimmed
  EXPECT_EQ(user->getWhse(), "W2");              // the last whse anywhere below the user
  EXPECT_EQ(user->getLanguage(), std::nullopt);  // an element without text clears the value
  EXPECT_EQ(user->getPassword(), "pw ");         // the first text child
}

TEST_F(UserListTest, ReadsTheUsersMenuTree) {
  UserMenuXmlParser parser(write(R"(
  <user>
    <username>admin</username>
    <param_value_list><menu id="not_the_menu"><menu_item trans_id="Hidden"/></menu></param_value_list>
    <menu id="old"><menu_item trans_id="Old"/></menu>
    <menu id="main" sequence_no="">
      <menu_item trans_id=" Putaway " sequence_no=" 5 "/>
      <menu_item trans_id="Receipt" sequence_no=""/>
      <entry id="OnlyId" sequence_no="2"/>
      <menu_item trans_id="Both" id="Other"/>
      <menu_item sequence_no="9"/>
      <menu id="inventory" sequence_no="3">
        <menu_item trans_id="Transfer"/>
      </menu>
      text and <!-- comments --> are skipped
    </menu>
  </user>
)"));
  std::shared_ptr<Menu> menu = parser.getUserInfoByUserName("admin")->getMenuList();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->getId(), "main");
  EXPECT_EQ(menu->getSequenceNo(), -1);
  EXPECT_EQ(menu->getLabel(), std::nullopt);
  EXPECT_THAT(menu->getMenuItemIds(), ElementsAre("Both", "OnlyId", "Putaway", "Receipt", "inventory"));

  std::shared_ptr<MenuItem> putaway = menu->getMenuItem("Putaway");
  EXPECT_EQ(putaway->getId(), " Putaway ");  // the key is trimmed, the id is the attribute as written
  EXPECT_EQ(putaway->getSequenceNo(), 5);
  EXPECT_EQ(putaway->getParentMenu(), nullptr);
  EXPECT_EQ(menu->getMenuItem("Receipt")->getSequenceNo(), -1);
  // An entry with only an id is kept under it but has no id of its own.
  EXPECT_EQ(menu->getMenuItem("OnlyId")->getId(), std::nullopt);
  EXPECT_EQ(menu->getMenuItem("OnlyId")->getLabelId(), std::nullopt);
  EXPECT_EQ(menu->getMenuItem("Both")->getId(), "Both");

  std::shared_ptr<Menu> inventory = menu->getSubMenu("inventory");
  ASSERT_NE(inventory, nullptr);
  EXPECT_EQ(inventory->getSequenceNo(), 3);
  EXPECT_EQ(inventory->getParentMenu(), menu);
  EXPECT_THAT(inventory->getMenuItemIds(), ElementsAre("Transfer"));
}

TEST_F(UserListTest, MalformedListsAreRefusedWithTheFileAndElementNamed) {
  struct Case {
    const char* name;
    std::string users;
    std::string message;
  };
  const Case cases[] = {
      {"param_value without id", "<user><username>a</username>\n<param_value value=\"1\"/></user>\n",
       ", line 4: a <param_value> without the attribute \"id\""},
      {"param_value without value", "<user><username>a</username>\n<param_value id=\"company\"/></user>\n",
       ", line 4: the <param_value> \"company\" has no attribute \"value\""},
      {"entry sequence_no",
       "<user><menu id=\"m\">\n<menu_item trans_id=\"X\" sequence_no=\"1x\"/></menu></user>\n",
       ", line 4: the sequence_no \"1x\" of a <menu_item> is not a whole number"},
      {"menu sequence_no untrimmed", "<user><menu id=\"m\" sequence_no=\" 1\"/></user>\n",
       ", line 3: the sequence_no \" 1\" of a <menu> is not a whole number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = write(c.users);
    log::Capture capture;
    try {
      UserMenuXmlParser parser(path);
      ADD_FAILURE() << "no error";
    } catch (const UserListError& e) {
      EXPECT_EQ(e.getMessage(), "Failed to read the user list " + path + c.message);
      EXPECT_TRUE(capture.contains(e.getMessage()));
    }
  }
  EXPECT_THROW(UserMenuXmlParser(dir.file("missing.xml")), UserListError);
  EXPECT_THROW(UserMenuXmlParser(dir.write("broken.xml", "<user_list><user>")), UserListError);
}

TEST_F(UserListTest, AFailedReloadKeepsThePreviousList) {
  UserMenuXmlParser parser(write("<user><username>admin</username></user>\n"));
  std::string bad =
      dir.write("bad.xml", "<user_list><user><username>x</username><param_value id='a'/></user></user_list>");
  EXPECT_THROW(parser.loadXML(bad), UserListError);
  EXPECT_NE(parser.getUserInfoByUserName("admin"), nullptr);
  EXPECT_EQ(parser.getUserInfoByUserName("x"), nullptr);
  EXPECT_EQ(parser.getPath(), dir.file("user_list.xml"));

  parser.loadXML(dir.write("other.xml", "<users><user><username>x</username></user></users>"));
  EXPECT_EQ(parser.getUserInfoByUserName("admin"), nullptr);
  EXPECT_NE(parser.getUserInfoByUserName("x"), nullptr);
}

TEST_F(UserListTest, LogsTheUsersItReadsWithoutPasswords) {
  log::Capture capture;
  UserMenuXmlParser parser(write(R"(
  <user><username>admin</username><password>TopSecret</password><whse>W1</whse>
    <param_value id="company" value="100"/></user>
  <user><password>x</password></user>
)"));
  EXPECT_TRUE(capture.contains("User Name = admin"));
  EXPECT_TRUE(capture.contains("User Name = null"));
  EXPECT_TRUE(capture.contains("a <user> without username is skipped"));
  EXPECT_TRUE(capture.contains(
      "Hashtable = {admin=UserData[username=admin, whse=W1, language=null, parameters=[company]]}"));
  capture.clear();
  parser.getUserInfoByUserName("admin");
  EXPECT_TRUE(capture.contains("user name obtained for getUserInfo = admin"));
  EXPECT_TRUE(capture.contains("User Data = UserData[username=admin"));
  parser.getUserInfoByUserName("nobody");
  EXPECT_TRUE(capture.contains("User Data = null"));
  for (const log::Line& line : capture.lines())
    EXPECT_THAT(line.text, ::testing::Not(HasSubstr("TopSecret")));
}

}  // namespace
}  // namespace tev
