#include "terminal/selection_list.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>

#include "terminal/terminal_test_support.h"

namespace tev {
namespace {

using testing::TerminalTest;

std::vector<std::string> items(int n, const std::string& prefix = "Item ") {
  std::vector<std::string> out;
  for (int i = 1; i <= n; ++i) out.push_back(prefix + std::to_string(i));
  return out;
}

// --- the paging rules alone ------------------------------------------------------------------------------

TEST(ListGeometry, UsesWholeItemsOfTheWindow) {
  ListGeometry g = ListGeometry::of(2, 1, 12, 20, 2, 1);  // 11 rows, 2 lines per item
  EXPECT_EQ(g.usedRows, 10);
  EXPECT_EQ(g.pageRows, 5);
  EXPECT_EQ(g.pageItems, 5);
  EXPECT_EQ(g.cellWidth, 20);
  EXPECT_EQ(g.itemRow(3), 8);

  ListGeometry two = ListGeometry::of(1, 1, 3, 21, 1, 2);
  EXPECT_EQ(two.cellWidth, 10);
  EXPECT_EQ(two.pageItems, 6);
  EXPECT_EQ(two.itemRow(5), 3);
  EXPECT_EQ(two.itemColumn(5), 11);

  ListGeometry tiny = ListGeometry::of(5, 5, 4, 4, 0, 0);  // nonsense gives one usable cell
  EXPECT_EQ(tiny.pageItems, 1);
  EXPECT_EQ(tiny.cellWidth, 1);
}

TEST(ListGeometry, BoundsValuesNoScreenHas) {
  // Rows and columns of a definition file as large as an int goes: the page arithmetic once overflowed.
  const int big = std::numeric_limits<int>::max(), small = std::numeric_limits<int>::min();
  ListGeometry g = ListGeometry::of(big, big, big, -3, 0, 65);
  EXPECT_EQ(g.firstRow, ListGeometry::kMaxScreenSize);
  EXPECT_EQ(g.lastColumn, -3);
  EXPECT_EQ(g.pageRows, 1);
  EXPECT_EQ(g.pageItems, 65);
  EXPECT_EQ(g.cellWidth, 1);

  ListGeometry all = ListGeometry::of(small, small, big, big, big, big);
  EXPECT_EQ(all.firstRow, -ListGeometry::kMaxScreenSize);
  EXPECT_EQ(all.linesPerDisplay, ListGeometry::kMaxScreenSize);
  EXPECT_EQ(all.pageRows, 2);  // 1001 rows of 500 lines per item
  EXPECT_EQ(all.usedRows, 1000);
  EXPECT_EQ(all.cellWidth, 2);
  EXPECT_EQ(all.pageItems, 1000);
  EXPECT_EQ(all.itemRow(999), -ListGeometry::kMaxScreenSize + 500);
}

struct MoveCase {
  const char* name;
  int count, linesInWindow, dataColumns;
  std::string keys;  // d, u, r, l
  int start, sel, column;
};

void PrintTo(const MoveCase& c, std::ostream* os) {
  *os << c.name;
}

class ListSelectionMoves : public ::testing::TestWithParam<MoveCase> {};

TEST_P(ListSelectionMoves, EndWhereExpected) {
  const MoveCase& c = GetParam();
  ListSelection s(ListGeometry::of(1, 1, c.linesInWindow, 20, 1, c.dataColumns), c.count);
  for (char k : c.keys) {
    if (k == 'd') s.down();
    if (k == 'u') s.up();
    if (k == 'r') s.right();
    if (k == 'l') s.left();
  }
  EXPECT_EQ(s.startElement, c.start);
  EXPECT_EQ(s.selElement, c.sel);
  EXPECT_EQ(s.column, c.column);
  if (c.count > 0) {
    EXPECT_LT(s.selected(), c.count);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListSelectionMoves,
    ::testing::Values(MoveCase{"up_from_first_wraps_to_last", 10, 5, 1, "u", 5, 4, 0},
                      MoveCase{"down_from_last_wraps_to_first", 10, 5, 1, "ud", 0, 0, 0},
                      MoveCase{"down_to_next_page", 10, 5, 1, "ddddd", 5, 0, 0},
                      MoveCase{"up_to_previous_page_last_row", 10, 5, 1, "dddddu", 0, 4, 0},
                      MoveCase{"short_last_page_ends_at_last_item", 7, 5, 1, "dddddd", 5, 1, 0},
                      MoveCase{"past_short_last_page_to_first", 7, 5, 1, "ddddddd", 0, 0, 0},
                      MoveCase{"up_from_first_with_short_last_page", 7, 5, 1, "u", 5, 1, 0},
                      MoveCase{"arrows_sideways_do_nothing_in_one_column", 7, 5, 1, "rl", 0, 0, 0},
                      MoveCase{"empty_list_stays_at_zero", 0, 5, 1, "dduu", 0, 0, 0},
                      MoveCase{"two_columns_right_wraps", 9, 3, 2, "rr", 0, 0, 0},
                      MoveCase{"two_columns_left_wraps", 9, 3, 2, "l", 0, 0, 1},
                      MoveCase{"two_columns_page_moves_by_page_items", 9, 3, 2, "rddd", 6, 0, 1},
                      MoveCase{"two_columns_missing_item_goes_to_next_page", 9, 3, 2, "rdddd", 0, 0, 1},
                      MoveCase{"two_columns_short_row_wraps_among_its_items", 9, 3, 2, "ddddr", 6, 1, 0},
                      MoveCase{"two_columns_up_before_first_selects_last_item", 9, 3, 2, "u", 6, 1, 0},
                      MoveCase{"two_columns_up_to_previous_page", 9, 3, 2, "rdddu", 0, 2, 1}),
    [](const ::testing::TestParamInfo<MoveCase>& info) { return std::string(info.param.name); });

TEST(ListSelection, TypedNumberCountsFromThePageAndIgnoresOthers) {
  ListSelection s(ListGeometry::of(1, 1, 5, 20, 1, 1), 7);
  for (int i = 0; i < 5; ++i) s.down();  // second page: items 6 and 7
  EXPECT_TRUE(s.selectOnPage(2));
  EXPECT_EQ(s.selected(), 6);
  EXPECT_FALSE(s.selectOnPage(3));  // no third item on this page
  EXPECT_FALSE(s.selectOnPage(0));
  EXPECT_FALSE(s.selectOnPage(-1));
  EXPECT_EQ(s.selected(), 6);
}

// --- through the terminal ----------------------------------------------------------------------------------

TEST_F(TerminalTest, ListPagesWithWrappingArrowsAndShowsThePosition) {
  peer.up().down().enter();
  EXPECT_EQ(emulator.displayList(items(10), 1, 1, 5, 20, 1), keys().ENTER);
  EXPECT_EQ(emulator.getInput(), "0");
  EXPECT_EQ(emulator.getPlaceOfInvoke(), "displayList");

  std::vector<sim::ScreenModel> shown = peer.screensAtInput();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].line(1), "Item 1");
  EXPECT_EQ(shown[0].attributed(1, sim::kReverse), "Item 1");
  EXPECT_TRUE(shown[0].has(1, 20, sim::kReverse));  // the selected item fills its cell
  EXPECT_EQ(shown[0].attributed(2, sim::kReverse), "");
  EXPECT_EQ(shown[0].line(15), "1 of 10");
  EXPECT_EQ(shown[0].cursorRow(), 1);

  // Up on the first item: items 6 to 10, item 10 selected.
  for (int row = 1; row <= 5; ++row) EXPECT_EQ(shown[1].line(row), "Item " + std::to_string(row + 5));
  EXPECT_EQ(shown[1].attributed(5, sim::kReverse), "Item 10");
  EXPECT_EQ(shown[1].line(15), "10 of 10");
  EXPECT_EQ(shown[1].cursorRow(), 5);

  // Down on item 10: items 1 to 5, item 1 selected.
  EXPECT_EQ(shown[2].line(1), "Item 1");
  EXPECT_EQ(shown[2].attributed(1, sim::kReverse), "Item 1");
  EXPECT_EQ(shown[2].line(15), "1 of 10");
}

TEST_F(TerminalTest, ListTypedNumberSelectsOnThePageShown) {
  for (int i = 0; i < 5; ++i) peer.down();
  peer.chunk("2").enter();
  EXPECT_EQ(emulator.displayList(items(10), 1, 1, 5, 20, 1), keys().ENTER);
  EXPECT_EQ(emulator.getInput(), "6");
  EXPECT_EQ(peer.screensAtInput().back().attributed(2, sim::kReverse), "Item 7");
  EXPECT_EQ(peer.screensAtInput().back().line(15), "7 of 10");
}

TEST_F(TerminalTest, ListTypedNumberWithAutoEnterReturnsAtOnce) {
  host.params["emulator_display_defaults/auto_enter_on_menu"] = "yes";
  for (int i = 0; i < 5; ++i) peer.down();
  peer.chunk("2");
  EXPECT_EQ(emulator.displayList(items(10), 1, 1, 5, 20, 1), keys().ENTER);
  EXPECT_EQ(emulator.getInput(), "6");
  EXPECT_EQ(peer.queued(), 0u);
}

TEST_F(TerminalTest, ListIgnoresNumbersOffThePageAndOtherText) {
  host.params["emulator_display_defaults/auto_enter_on_menu"] = "yes";
  peer.down().chunk("9").chunk("0").chunk("abc").chunk("").chunk(" 1").escape();
  EXPECT_EQ(emulator.displayList(items(7), 1, 1, 5, 20, 1), keys().ESC);
  EXPECT_EQ(emulator.getInput(), "1");
  EXPECT_EQ(peer.screensAtInput().back().attributed(2, sim::kReverse), "Item 2");
}

TEST_F(TerminalTest, ListEndsWithFunctionKeysGivingTheIndex) {
  for (int key : {2, 3, 4}) {
    peer.down().down().functionKey(key);
    EXPECT_EQ(emulator.displayList(items(7), 1, 1, 5, 20, 1), *keys().capability("kf" + std::to_string(key)));
    EXPECT_EQ(emulator.getInput(), "2");
  }
}

TEST_F(TerminalTest, ListClearsRowsWithoutItems) {
  for (int row = 1; row <= 6; ++row) emulator.display(row, 1, "old text here");
  peer.up().enter();
  emulator.displayList(items(7), 1, 1, 6, 20, 1);  // 6 rows, one page of 6: the second page has one item
  sim::ScreenModel page2 = peer.screensAtInput().at(1);
  EXPECT_EQ(page2.line(1), "Item 7");
  for (int row = 2; row <= 6; ++row) EXPECT_EQ(page2.line(row), "") << row;
}

TEST_F(TerminalTest, ListItemsOfSeveralLinesAreCutAndPadded) {
  peer.down().enter();
  emulator.displayList({"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", "short"}, 1, 1, 5, 20, 2);
  sim::ScreenModel first = peer.screensAtInput().at(0);
  EXPECT_EQ(first.line(1), "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(first.line(2), "UVWXYZabcdefghijklmn");
  EXPECT_EQ(first.line(3), "short");
  EXPECT_EQ(first.line(5), "");  // the fifth row is left over (two lines per item)
  sim::ScreenModel second = peer.screensAtInput().at(1);
  EXPECT_TRUE(second.has(4, 20, sim::kReverse));
  EXPECT_FALSE(second.has(1, 1, sim::kReverse));
}

TEST_F(TerminalTest, ListWithAnImpossibleWindowStillAnswersKeys) {
  const int big = std::numeric_limits<int>::max();
  peer.down().right().up().escape();
  EXPECT_EQ(emulator.displayList(items(30), big, big, big, -3, 0, 65), keys().ESC);
  EXPECT_EQ(emulator.getInput(), "29");
}

TEST_F(TerminalTest, ListItemsOfSeveralLinesAreCutByCharacters) {
  peer.enter();
  const std::string line1 = "ÄÖÜäöüß東京12345678901";
  const std::string line2 = "東京東京äbcdefghijklmnop";
  emulator.displayList({line1 + line2 + "cut off"}, 1, 1, 4, 20, 2);
  sim::ScreenModel first = peer.screensAtInput().at(0);
  EXPECT_EQ(first.line(1), line1);
  EXPECT_EQ(first.line(2), line2);
}

TEST_F(TerminalTest, ListOfTwoColumnsPagesConsistently) {
  peer.right().down().down().down().right().enter();
  std::vector<std::string> values = {"A", "B", "C", "D", "E", "F", "G", "H", "I"};
  EXPECT_EQ(emulator.displayList(values, 1, 1, 3, 20, 1, 2), keys().ENTER);
  EXPECT_EQ(emulator.getInput(), "6");  // G
  std::vector<sim::ScreenModel> shown = peer.screensAtInput();
  EXPECT_EQ(shown[0].line(1), "A         B");
  EXPECT_EQ(shown[0].line(3), "E         F");
  EXPECT_EQ(shown[0].line(15), "1 of 9");
  EXPECT_EQ(shown[1].attributed(1, sim::kReverse), "          B");
  EXPECT_EQ(shown[4].line(1), "G         H");  // second page: items 7 to 9
  EXPECT_EQ(shown[4].line(2), "I");
  EXPECT_EQ(shown[4].line(3), "");
  EXPECT_EQ(shown[4].attributed(1, sim::kReverse), "          H");
  EXPECT_EQ(shown[4].line(15), "8 of 9");
  EXPECT_EQ(shown[5].attributed(1, sim::kReverse), "G");
}

}  // namespace
}  // namespace tev
