// The menu transaction after a real login: labels, submenus, logout, and starting transactions.
#include "builtin/menu.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "builtin/builtin_test_support.h"
#include "engine/field.h"
#include "engine/form.h"
#include "engine/menu_item.h"

namespace tev::builtin {
namespace {

using testing::BuiltinSession;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::vector<std::string> kTopLabels = {"1. L_inventory_menu", "2. L_change_password", "3. L_ghost",
                                             "4. L_perl_count", "5. L_empty"};

// Logs "admin" in; the session then waits in the menu.
void login(BuiltinSession& s) {
  s.startLogin();
  s.typeLogin("admin", "Secret");
}

std::vector<std::string> menuValues(BuiltinSession& s) {
  return s.session.transaction("Menu").getForm("menu")->getField("menu_list")->values;
}

Menu& menuObject(BuiltinSession& s) {
  return dynamic_cast<Menu&>(*s.session.transaction("Menu").getProcessingObject());
}

// Moves the selection down to the entry at that position and picks it.
void pick(BuiltinSession& s, int position) {
  for (int i = 0; i < position; ++i) s.session.scanner().down();
  s.session.scanner().enter();
}

TEST(MenuLabels, NumbersUpToNineTakeABlankAfterThePoint) {
  ::tev::testing::CleanRegistry clean;
  auto node = std::make_shared<tev::Menu>(std::string("main"), 0);
  for (int n = 12; n >= 1; --n) {
    auto item = std::make_shared<MenuItem>("T" + std::to_string(n), n);
    item->setLabel("Item" + std::to_string(n));
    node->setMenuItem("T" + std::to_string(n), item);
  }
  Menu menu;
  std::vector<std::string> labels = menu.createMenuLabelList(node);
  ASSERT_EQ(labels.size(), 12u);
  EXPECT_EQ(labels[0], "1. Item1");
  EXPECT_EQ(labels[8], "9. Item9");
  EXPECT_EQ(labels[9], "10.Item10");
  EXPECT_EQ(labels[11], "12.Item12");
  EXPECT_EQ(menu.menuItems[9]->getId(), "T10");
  EXPECT_TRUE(menu.createMenuLabelList(nullptr).empty());
}

TEST(MenuLabels, PerlLabelWithoutItsNumber) {
  EXPECT_EQ(Menu::labelText("4. Count stock"), "Count stock");
  EXPECT_EQ(Menu::labelText("12.Count. stock "), "Count. stock");
  EXPECT_EQ(Menu::labelText("plain"), "plain");
}

TEST(MenuSession, SubmenuAndEscapeBackWithTitles) {
  BuiltinSession s;
  login(s);
  std::vector<std::vector<std::string>> lists;
  std::vector<std::string> titles;
  auto look = [&] {
    lists.push_back(menuValues(s));
    titles.push_back(s.session.screen().line(1));
  };
  s.runSteps({[&] {
                look();
                pick(s, 0);
              },
              [&] {
                look();
                s.session.scanner().escape();
              },
              [&] { look(); }});
  ASSERT_EQ(lists.size(), 3u);
  EXPECT_EQ(lists[0], kTopLabels);
  EXPECT_THAT(lists[1], ElementsAre("1. L_echo"));
  EXPECT_EQ(lists[2], kTopLabels);
  EXPECT_THAT(titles[0], HasSubstr("Menu  ADMIN"));
  EXPECT_THAT(titles[1], HasSubstr("L_inventory_menu"));
  EXPECT_THAT(titles[2], HasSubstr("Menu  ADMIN"));
  EXPECT_EQ(s.session.position(), "Menu/menu/menu_list");
  // Leaving a submenu is no logout.
  EXPECT_THAT(s.daemon.admin.calls(), ElementsAre("[admin] [dev1]"));
}

TEST(MenuSession, CompanyInTheTitleWhenAsked) {
  BuiltinSession s;
  login(s);
  std::vector<std::string> titles;
  s.runSteps({[&] {
                menuObject(s).pm_display_company_on_menu = true;
                pick(s, 0);
              },
              [&] {
                titles.push_back(s.session.screen().line(1));
                s.session.scanner().escape();
              },
              [&] { titles.push_back(s.session.screen().line(1)); }});
  ASSERT_EQ(titles.size(), 2u);
  EXPECT_THAT(titles[0], HasSubstr("L_inventory_menu 101"));
  EXPECT_THAT(titles[1], HasSubstr("Menu  ADMIN 101"));
}

TEST(MenuSession, EmptySubmenuStaysInTheList) {
  BuiltinSession s;
  login(s);
  std::string shown;
  s.runSteps({[&] { pick(s, 4); },
              [&] {
                shown = s.flatScreen();
                s.session.scanner().enter();
              },
              [] {}});
  EXPECT_THAT(shown, HasSubstr("M_empty_menu"));
  EXPECT_EQ(s.session.position(), "Menu/menu/menu_list");
  EXPECT_EQ(menuValues(s), kTopLabels);
}

TEST(MenuSession, ExitQuestionAnsweredNoKeepsTheMenuYesLogsOut) {
  BuiltinSession s;
  login(s);
  std::vector<std::string> positions;
  std::string question;
  s.runSteps({[&] {
                menuObject(s).pm_prompt_menu_exit_question = true;
                s.session.scanner().escape();
              },
              [&] {
                question = s.flatScreen();
                s.session.scanner().type("n");
              },
              [&] {
                positions.push_back(s.session.position());
                s.session.scanner().escape();
              },
              [&] { s.session.scanner().type("Y"); }, [&] { positions.push_back(s.session.position()); }});
  EXPECT_THAT(question, HasSubstr("M_menu_exit_message"));
  EXPECT_THAT(question, HasSubstr("M_attention_title"));
  EXPECT_THAT(positions, ElementsAre("Menu/menu/menu_list", "Standard/welcome/continue"));
  EXPECT_THAT(s.daemon.admin.calls(), ElementsAre("[admin] [dev1]", "[ ] [dev1]"));
  EXPECT_TRUE(s.session.logs().contains("Inside menu_form_escape"));
}

TEST(MenuSession, MissingClassShowsTheProgrammingErrorWindow) {
  BuiltinSession s;
  login(s);
  std::string shown;
  s.runSteps({[&] { pick(s, 2); },
              [&] {
                shown = s.flatScreen();
                s.session.scanner().enter();
              },
              [] {}});
  EXPECT_THAT(shown, HasSubstr("Programming Error"));
  EXPECT_THAT(shown, HasSubstr("Missing class for transaction Ghost"));
  EXPECT_EQ(s.session.position(), "Menu/menu/menu_list");
}

TEST(MenuSession, StartsTheChosenTransactionWithItsParameters) {
  BuiltinSession s;
  login(s);
  s.runSteps({[&] { pick(s, 0); }, [&] { pick(s, 0); }, [] {}});
  EXPECT_EQ(s.session.position(), "Echo/echo/text");
  EXPECT_THAT(s.session.calls(), ElementsAre("echo_form_enter"));
  Transaction& echo = s.session.transaction("Echo");
  EXPECT_EQ(echo.paramManager, s.params);
  EXPECT_EQ(s.params->getCurrentTransactionId(), "Echo");
  // No EchoBarcodeList.xml: no layouts.
  EXPECT_FALSE(echo.barcodeHash.has_value());
  EXPECT_TRUE(s.session.logs().contains("File Path obtained from VRC Parcer for Transaction = "));
  EXPECT_EQ(s.session.memory().currentTransaction->id, "Echo");
}

TEST(MenuSession, LayoutsOfTheTransactionWhenItHasAFile) {
  BuiltinSession s;
  s.tree.writeFile("env_prod/trans/EchoBarcodeList.xml",
                   "<barcode_list><barcode id=\"B1\" form=\"echo\" field_separator=\"-\" no_of_fields=\"1\">"
                   "<field_list><field id=\"f\" map_to=\"text\" map_type=\"field\"/></field_list>"
                   "</barcode></barcode_list>");
  login(s);
  s.runSteps({[&] { pick(s, 0); }, [&] { pick(s, 0); }, [] {}});
  EXPECT_EQ(s.session.position(), "Echo/echo/text");
  EXPECT_TRUE(s.session.transaction("Echo").barcodeHash.has_value());
  EXPECT_TRUE(s.session.logs().contains("BarcodeList File: "));
}

TEST(MenuSession, PerlEntryGoesToTheProgramAndBackToTheMenu) {
  BuiltinSession s;
  std::vector<std::string> runs;
  Menu::perlRunner = [&](const std::string& id, const std::string& label) {
    runs.push_back(id + "|" + label);
  };
  login(s);
  s.runSteps({[&] { pick(s, 3); }, [] {}});
  EXPECT_THAT(runs, ElementsAre("PerlCount|L_perl_count"));
  EXPECT_EQ(s.session.position(), "Menu/menu/menu_list");
  EXPECT_TRUE(s.session.logs().contains("Processing a perl transaction: PerlCount"));
  EXPECT_TRUE(s.session.logs().contains("menu_form_exit failed"));
}

}  // namespace
}  // namespace tev::builtin
