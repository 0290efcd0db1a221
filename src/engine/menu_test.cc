#include "engine/menu.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace tev {
namespace {

using ::testing::ElementsAre;

TEST(MenuItem, IsMadeWithLabelIdEqualToIdAndNoLabel) {
  MenuItem item("Putaway", 4);
  EXPECT_EQ(item.getId(), "Putaway");
  EXPECT_EQ(item.getLabelId(), "Putaway");
  EXPECT_EQ(item.getLabel(), std::nullopt);
  EXPECT_EQ(item.getSequenceNo(), 4);
  EXPECT_FALSE(item.isPerlTransaction());
  EXPECT_EQ(item.getParentMenu(), nullptr);
  EXPECT_TRUE(MenuItem("PerlPick", 1, true).isPerlTransaction());
}

TEST(MenuItem, SortsBySequenceNumberOnly) {
  struct Case {
    int a;
    int b;
    int expected;
  };
  for (const Case& c : {Case{1, 2, -1}, Case{2, 1, 1}, Case{0, 0, 0}, Case{-1, 0, -1}, Case{5, -1, 1}})
    EXPECT_EQ(MenuItem("a", c.a).compareTo(MenuItem("b", c.b)), c.expected) << c.a << " vs " << c.b;

  // A sub-menu sorts among entries by its own number.
  std::vector<std::shared_ptr<MenuItem>> items = {std::make_shared<MenuItem>("three", 3),
                                                  std::make_shared<Menu>("one", 1),
                                                  std::make_shared<MenuItem>("two", 2)};
  std::stable_sort(items.begin(), items.end(), bySequenceNo);
  std::vector<std::string> ids;
  for (const auto& item : items) ids.push_back(*item->getId());
  EXPECT_THAT(ids, ElementsAre("one", "two", "three"));
}

TEST(Menu, KeepsEntriesAndSubMenusById) {
  auto root = std::make_shared<Menu>("main", 0);
  EXPECT_EQ(root->getLabelId(), "main");
  auto sub = std::make_shared<Menu>("inventory", 2);
  sub->setParentMenu(root);
  root->setMenuItem("inventory", sub);
  root->setMenuItem("Putaway", std::make_shared<MenuItem>("Putaway", 1));

  EXPECT_TRUE(root->isSubMenu("inventory"));
  EXPECT_FALSE(root->isSubMenu("Putaway"));
  EXPECT_FALSE(root->isSubMenu("absent"));
  EXPECT_EQ(root->getMenuItem("absent"), nullptr);
  EXPECT_EQ(root->getSubMenu("inventory"), sub);
  EXPECT_EQ(sub->getParentMenu(), root);
  EXPECT_EQ(root->getNoOfMenuItems(), 2);
  EXPECT_THAT(root->getMenuItemIds(), ElementsAre("Putaway", "inventory"));

  // A null entry changes nothing, also under an existing id.
  root->setMenuItem("Putaway", nullptr);
  root->setMenuItem("Other", nullptr);
  EXPECT_EQ(root->getNoOfMenuItems(), 2);
  EXPECT_NE(root->getMenuItem("Putaway"), nullptr);

  root->removeMenuItem("Putaway");
  EXPECT_THAT(root->getMenuItemIds(), ElementsAre("inventory"));
  root->setMenuItems({{"a", std::make_shared<MenuItem>("a", 1)}, {"b", nullptr}});
  EXPECT_THAT(root->getMenuItemIds(), ElementsAre("a"));

  // The parent link does not keep a menu alive.
  root.reset();
  EXPECT_EQ(sub->getParentMenu(), nullptr);
}

TEST(Menu, ArrayOfEntriesLogsItsCount) {
  Menu menu("main", 0);
  menu.setMenuItem("b", std::make_shared<MenuItem>("b", 1));
  menu.setMenuItem("a", std::make_shared<MenuItem>("a", 2));
  log::Capture capture;
  std::vector<std::shared_ptr<MenuItem>> items = menu.getMenuItemsArr();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0]->getId(), "a");
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(capture.lines()[0].logger, "tev.framework.Logger");
  EXPECT_EQ(capture.lines()[0].level, spdlog::level::info);
  EXPECT_EQ(capture.lines()[0].text, "No of child items for menu: main is 2");
  capture.clear();
  Menu(std::nullopt, 0).getMenuItemsArr();
  EXPECT_TRUE(capture.contains("No of child items for menu: null is 0"));
}

}  // namespace
}  // namespace tev
