#include "engine/popup_field.h"

#include <gtest/gtest.h>

#include "common/log.h"
#include "engine/field_test_support.h"
#include "engine/form.h"
#include "engine/multiple_field.h"
#include "terminal/skip_exception.h"

namespace tev::testing {
namespace {

// A form with a pick-list field "item" and, unless the pick list is to be the last input field, an input
// field "qty" after it.
class PopupFieldTest : public FieldTest {
 protected:
  PopupFieldTest() : PopupFieldTest(16, 20) {}
  PopupFieldTest(int rows, int columns) : FieldTest(rows, columns) {
    auto field = makeField<PopupField>("item", "Item:", 3, 1);
    field->values = {"A first", "B second", "C third"};
    field->lineValues = {"A", "B", "C"};
    popup = static_cast<PopupField*>(&form.addField(std::move(field)));
    form.addField(makeField("qty", "Qty:", 4, 1));
    emulator.setCurrentForm(&form);
  }

  void makeLastInputField() { form.setReadOnly("qty", true); }

  // Runs showList; returns the SkipException it raised (message, key), or nothing.
  std::optional<std::pair<std::string, std::string>> showList(std::string* key = nullptr) {
    try {
      std::string result = popup->showList(emulator, form);
      if (key) *key = result;
      return std::nullopt;
    } catch (const SkipException& skip) {
      return std::make_pair(skip.getMessage(), skip.getSkipKey());
    }
  }

  Form form;
  PopupField* popup = nullptr;
};

TEST_F(PopupFieldTest, PickTakesTheLineValueRedrawsTheFormAndReturnsTheKey) {
  log::Capture capture;
  peer.down().enter();
  std::string key;
  EXPECT_EQ(showList(&key), std::nullopt);
  EXPECT_EQ(key, keys().ENTER);
  EXPECT_EQ(popup->value, "B");
  EXPECT_EQ(popup->selIndex, 1);
  EXPECT_TRUE(capture.contains("Displaying popup list for field: item"));
  EXPECT_TRUE(capture.contains(" retValue in popup field = " + keys().ENTER));

  // The list: the label centred from the field's column on row 2, the items from row 3, the first selected.
  sim::ScreenModel list = peer.screensAtInput()[0];
  EXPECT_EQ(list.line(1), "");
  EXPECT_EQ(list.line(2), "       Item:");
  EXPECT_EQ(list.attributed(3, sim::kReverse), "A first");
  EXPECT_EQ(list.line(4), "B second");
  // Without a device type the list ends on row 13 (a 14-row screen): the status line sits below it.
  EXPECT_EQ(list.attributed(15, sim::kReverse), "1 of 3");

  // Afterwards the form is on the screen again with the picked value.
  EXPECT_EQ(screen().line(3), "Item:B");
  EXPECT_EQ(screen().line(4), "Qty:");
}

TEST_F(PopupFieldTest, PickOnTheLastInputFieldEndsInTheSkip) {
  makeLastInputField();
  peer.enter();
  EXPECT_EQ(showList(), std::make_pair(PopupField::kLastFieldSkip, std::string("VAVInterface.settings.ESC")));
  EXPECT_EQ(popup->value, "A");
  EXPECT_EQ(popup->selIndex, 0);
  EXPECT_EQ(screen().line(3), "Item:A");
}

TEST_F(PopupFieldTest, EscapeLeavesTheListWithTheSkip) {
  popup->value = "old";
  peer.down().escape();
  EXPECT_EQ(showList(), std::make_pair(std::string("Escape from Show List"), PopupField::kSkipKey));
  EXPECT_EQ(popup->value, "old");
  EXPECT_EQ(popup->selIndex, -1);
}

TEST_F(PopupFieldTest, DontAssignPopupValueEmptiesTheValueAndKeepsTheIndex) {
  popup->setProperty(Field::DONT_ASSIGN_POPUP_VALUE, true);
  popup->value = "old";
  peer.down().down().enter();
  EXPECT_EQ(showList(), std::make_pair(PopupField::kLastFieldSkip, PopupField::kSkipKey));
  EXPECT_EQ(popup->value, "");
  EXPECT_EQ(popup->selIndex, 2);
  EXPECT_EQ(screen().line(4), "Qty:");  // the form was drawn again
}

TEST_F(PopupFieldTest, EmptyListReturnsNothingOrSkipsOnTheLastField) {
  popup->values.clear();
  popup->selIndex = 4;
  std::string key = "x";
  EXPECT_EQ(showList(&key), std::nullopt);
  EXPECT_EQ(key, "");
  EXPECT_EQ(popup->selIndex, -1);
  EXPECT_EQ(peer.inputWaits(), 0);

  makeLastInputField();
  EXPECT_EQ(showList(), std::make_pair(PopupField::kLastFieldSkip, PopupField::kSkipKey));
}

TEST_F(PopupFieldTest, IndexWithoutLineValueShowsTheListAgain) {
  popup->lineValues = {"A"};
  peer.down().down().enter().escape();
  EXPECT_EQ(showList(), std::make_pair(PopupField::kEscapeSkip, PopupField::kSkipKey));
  // The list came back after the pick of the third item: escape was read on a fresh list.
  EXPECT_EQ(peer.screensAtInput().back().attributed(3, sim::kReverse), "A first");
}

TEST_F(PopupFieldTest, ReadsLikeAPlainField) {
  peer.scan("B");
  EXPECT_EQ(popup->readInput(emulator, form), "B" + keys().ENTER);
  EXPECT_EQ(popup->value, "B");
}

class PopupOnDeviceTest : public PopupFieldTest {
 protected:
  PopupOnDeviceTest() : PopupFieldTest(16, 24) {}
};

TEST_F(PopupOnDeviceTest, TitlesAreCentredOnTheDeviceWidthAndTheListEndsOnRow14) {
  popup->fieldAttrVector = {"title1:Pick", "title2:an item"};
  popup->values = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13"};
  peer.escape();
  showList();
  sim::ScreenModel list = peer.screensAtInput()[0];
  EXPECT_EQ(list.line(1), std::string(9, ' ') + "Pick");     // column (24 - 4) / 2 = 10
  EXPECT_EQ(list.line(2), std::string(7, ' ') + "an item");  // column (24 - 7) / 2 = 8
  EXPECT_EQ(list.line(14), "12");                            // rows 3 .. 14
  EXPECT_EQ(list.line(15).substr(0, 7), "1 of 13");
}

// --- MultipleField
// ----------------------------------------------------------------------------------------------

TEST_F(FieldTest, MultipleFieldDrawsNothingAndReadsThePickedIndex) {
  Form form;
  auto field = makeField<MultipleField>("lines", "Lines:", 3, 2);
  field->values = {"one", "two", "three"};
  peer.clearOutput();
  field->display(emulator);
  EXPECT_EQ(peer.output(), "");

  peer.down().enter();
  EXPECT_EQ(field->readInput(emulator, form), keys().ENTER);
  EXPECT_EQ(field->value, "1");
  sim::ScreenModel list = peer.screensAtInput()[0];
  EXPECT_EQ(list.line(3), " one");
  EXPECT_EQ(list.line(5), " three");
}

TEST_F(FieldTest, MultipleFieldSplitsWideValuesOverItsLines) {
  Form form;
  auto field = makeField<MultipleField>("lines", "", 3, 1);
  field->values = {"abcdefghij", "klmnopqrst"};
  field->linesPerDisplay = "2";
  peer.functionKey(2);
  EXPECT_EQ(field->readInput(emulator, form), keys().KF2);
  EXPECT_EQ(field->value, "0");
  // Width 10 / 2 = 5 characters per line.
  sim::ScreenModel list = peer.screensAtInput()[0];
  EXPECT_EQ(list.line(3), "abcde");
  EXPECT_EQ(list.line(4), "fghij");
  EXPECT_EQ(list.line(5), "klmno");
}

}  // namespace
}  // namespace tev::testing
