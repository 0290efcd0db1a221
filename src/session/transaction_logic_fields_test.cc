// TransactionLogic on fields and forms: values, flags, properties, titles and the exits, on a transaction
// bound the way the processor binds it before a handler.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <type_traits>

#include "common/error.h"
#include "common/java_text.h"
#include "engine/field.h"
#include "session/transaction_logic_test_support.h"
#include "terminal/skip_exception.h"

namespace tev {
namespace {

using testing::BoundLogic;

std::vector<std::shared_ptr<Form>> twoForms() {
  return {sim::makeForm("order", {sim::input("item", "Item:", 2, 1), sim::input("qty", "Qty:", 3, 1),
                                  sim::input("lot", "Lot:", 4, 1), sim::input("qc", "QC:", 5, 1),
                                  sim::popup("printer", "Prn:", 6, 1, {"P1", "P2"}, {"p1", "p2"})}),
          sim::makeForm("confirm", {sim::input("total", "Total:", 2, 1)})};
}

class LogicFieldsTest : public ::testing::Test {
 protected:
  BoundLogic bound{twoForms()};
};

TEST_F(LogicFieldsTest, ValueGettersFollowTheBoundState) {
  // No form bound at all.
  TransactionLogic& none = bound.bind("");
  EXPECT_EQ(none.getValue("item"), "");
  EXPECT_EQ(none.getValue(), std::nullopt);
  EXPECT_THROW(none.getValueTrimmed(), TransactionLogicException);
  EXPECT_EQ(none.getInt("qty"), -1);
  EXPECT_EQ(none.getDouble("qty"), -1.0);
  EXPECT_EQ(none.getSelIndex("printer"), -1);
  EXPECT_EQ(none.getField("item"), nullptr);

  // A form without current field.
  TransactionLogic& formOnly = bound.bind("order");
  bound.form("order").setFieldValue("item", " A1 ");
  EXPECT_EQ(formOnly.getValue("item"), " A1 ");
  EXPECT_EQ(formOnly.getValueTrimmed("item"), "A1");
  EXPECT_EQ(formOnly.getValue("nosuch"), "");
  EXPECT_EQ(formOnly.getValue(), std::nullopt);

  // The current field.
  TransactionLogic& logic = bound.bind("order", "item");
  EXPECT_EQ(logic.getValue(), " A1 ");
  EXPECT_EQ(logic.getValueTrimmed(), "A1");
  logic.setValue(std::string("B2"));
  EXPECT_EQ(bound.form("order").getFieldValue("item"), "B2");
}

TEST_F(LogicFieldsTest, NumbersFromFields) {
  TransactionLogic& logic = bound.bind("order", "qty");
  struct Case {
    std::string value;
    std::optional<int> asInt;  // nothing: NumberFormatError
    std::optional<double> asDouble;
  };
  for (const Case& c : std::vector<Case>{{"12", 12, 12.0},
                                         {"12 ", std::nullopt, 12.0},
                                         {" 2.5 ", std::nullopt, 2.5},
                                         {"-3", -3, -3.0},
                                         {"", std::nullopt, std::nullopt},
                                         {"abc", std::nullopt, std::nullopt}}) {
    SCOPED_TRACE("value '" + c.value + "'");
    logic.setValue("qty", c.value);
    if (c.asInt)
      EXPECT_EQ(logic.getInt("qty"), *c.asInt);
    else
      EXPECT_THROW(logic.getInt("qty"), NumberFormatError);
    if (c.asDouble)
      EXPECT_EQ(logic.getDouble("qty"), *c.asDouble);
    else
      EXPECT_THROW(logic.getDouble("qty"), NumberFormatError);
  }
}

TEST_F(LogicFieldsTest, BooleansAndEnums) {
  TransactionLogic& logic = bound.bind("order", "qc");
  for (const auto& [value, expected] : std::vector<std::pair<std::string, bool>>{
           {"y", true}, {"Y", true}, {" y ", true}, {"yes", false}, {"N", false}, {"", false}}) {
    logic.setValue("qc", value);
    EXPECT_EQ(logic.getBooleanValue("qc"), expected) << value;
    EXPECT_EQ(logic.getBooleanValue(), expected) << value;
  }
  for (const auto& [text, expected] : std::vector<std::pair<std::optional<std::string>, std::string>>{
           {" y ", "1"}, {"Y", "1"}, {std::nullopt, "2"}, {"", "2"}, {"N", "2"}, {"yes", "2"}})
    EXPECT_EQ(logic.getBaanEnumValue(text), expected) << nullText(text);
  EXPECT_EQ(logic.getBaanEnumValue(true), "1");
  EXPECT_EQ(logic.getBaanEnumValue(false), "2");

  // A text goes to the text overload as given; a flag becomes Y or N.
  logic.setBooleanValue("qc", "N");
  EXPECT_EQ(bound.form("order").getFieldValue("qc"), "N");
  logic.setBooleanValue("qc", "yes");
  EXPECT_EQ(bound.form("order").getFieldValue("qc"), "yes");
  logic.setBooleanValue("qc", true);
  EXPECT_EQ(bound.form("order").getFieldValue("qc"), "Y");
  logic.setBooleanValue(false);
  EXPECT_EQ(bound.form("order").getFieldValue("qc"), "N");
}

// Only a bool fills a Flag.
static_assert(std::is_convertible_v<bool, Flag>);
static_assert(!std::is_convertible_v<const char*, Flag>);
static_assert(!std::is_convertible_v<int, Flag>);
static_assert(!std::is_convertible_v<std::string, Flag>);

TEST_F(LogicFieldsTest, ValuesOfAnotherForm) {
  TransactionLogic& logic = bound.bind("order", "item");
  bound.form("confirm").setFieldValue("total", " 42");
  log::Capture capture;
  EXPECT_EQ(logic.getValue("total", "confirm"), " 42");
  EXPECT_TRUE(capture.contains("getValue: confirm-total"));
  EXPECT_EQ(logic.getValueTrimmed("total", "confirm"), "42");
  EXPECT_THROW(logic.getInt("total", "confirm"), NumberFormatError);
  bound.form("confirm").setFieldValue("total", "42");
  EXPECT_EQ(logic.getInt("total", "confirm"), 42);
  EXPECT_THROW(logic.getInt("nosuch", "confirm"), TransactionLogicException);
  EXPECT_THROW(logic.getField("total", "nosuch"), TransactionLogicException);

  logic.setValue("total", "confirm", "7");
  EXPECT_EQ(bound.form("confirm").getFieldValue("total"), "7");
  // A missing form is logged, not passed on.
  logic.setValue("total", "nosuch", "7");
  EXPECT_TRUE(capture.contains("Exception thrown in TransactionLogic / setValue"));
}

TEST_F(LogicFieldsTest, AMissingFieldOfAnotherFormShowsTheErrorWindowThenFails) {
  TransactionLogic& logic = bound.bind("order", "item");
  bound.session.scanner().enter();
  EXPECT_THROW(logic.getValue("nosuch", "confirm"), TransactionLogicException);
  ASSERT_FALSE(bound.session.screensAtInput().empty());
  sim::ScreenModel screen = bound.session.screensAtInput().back();
  EXPECT_TRUE(screen.contains("Error Message")) << ::testing::PrintToString(screen.lines());
  EXPECT_TRUE(screen.contains("invalid access")) << ::testing::PrintToString(screen.lines());
}

TEST_F(LogicFieldsTest, SplitBarCode) {
  struct Case {
    std::string scan, first, second;
  };
  for (const Case& c : std::vector<Case>{{"ITEM01 LOT 7", "ITEM01", "LOT 7"},
                                         {"ITEM01 ", "ITEM01", ""},
                                         {"ITEM01", "old", "old"},
                                         {" X", "", "X"}}) {
    TransactionLogic& logic = bound.bind("order", "item");
    logic.setValue("item", "old");
    logic.setValue("lot", "old");
    int clearsBefore = bound.session.screen().clears();
    logic.splitBarCode(c.scan, "item", "lot");
    EXPECT_EQ(bound.form("order").getFieldValue("item"), c.first) << c.scan;
    EXPECT_EQ(bound.form("order").getFieldValue("lot"), c.second) << c.scan;
    EXPECT_GT(bound.session.screen().clears(), clearsBefore) << "the form is drawn again";
  }
}

TEST_F(LogicFieldsTest, PropertiesWithoutCurrentFieldOrId) {
  TransactionLogic& formOnly = bound.bind("order");
  formOnly.setRetain("qty", true);
  EXPECT_FALSE(formOnly.isRetain("qty"));
  EXPECT_FALSE(bound.form("order").isRetain("qty"));
  EXPECT_FALSE(formOnly.isReadOnly());
  EXPECT_FALSE(formOnly.isVisible());
  EXPECT_THROW(formOnly.setReadOnly(true), TransactionLogicException);
  formOnly.setVisible(false);  // logged, nothing else
  formOnly.setInputable(std::nullopt, false);
  EXPECT_FALSE(formOnly.isReadOnly(std::nullopt));
  EXPECT_TRUE(bound.form("order").isVisible("qty"));

  TransactionLogic& logic = bound.bind("order", "item");
  logic.setRetain("qty", true);
  EXPECT_TRUE(logic.isRetain("qty"));
  logic.setDisplayable("qty", false);
  EXPECT_FALSE(logic.isVisible("qty"));
  EXPECT_TRUE(logic.isReadOnly("qty"));
  logic.setInputable("qty", true);
  EXPECT_TRUE(logic.isVisible("qty"));
  EXPECT_FALSE(logic.isReadOnly("qty"));
  logic.setDisplayable("qty", true);
  EXPECT_TRUE(logic.isVisible("qty"));
  EXPECT_TRUE(logic.isReadOnly("qty"));
  logic.setReadOnly(true);
  EXPECT_TRUE(logic.isReadOnly());
}

TEST_F(LogicFieldsTest, SkipSettingsNeedTheField) {
  TransactionLogic& logic = bound.bind("order", "item");
  logic.setSkipBehavior("qty", "always");
  EXPECT_EQ(logic.getSkipBehavior("qty"), "always");
  logic.setSkipBehavior("on_no_error");
  EXPECT_EQ(logic.getSkipBehavior(), "on_no_error");
  logic.setSkipDataInput("qty", true);
  EXPECT_TRUE(logic.getSkipDataInput("qty"));
  EXPECT_FALSE(logic.getSkipDataInput());
  logic.setSkipDataInput(true);
  EXPECT_TRUE(logic.getSkipDataInput());
  EXPECT_THROW(logic.getSkipBehavior("nosuch"), TransactionLogicException);
  EXPECT_THROW(logic.setSkipDataInput("nosuch", true), TransactionLogicException);

  TransactionLogic& formOnly = bound.bind("order");
  EXPECT_EQ(formOnly.getSkipBehavior(), std::nullopt);
  EXPECT_FALSE(formOnly.getSkipDataInput());
}

TEST_F(LogicFieldsTest, LinesPerDisplayOnlyForListFields) {
  TransactionLogic& logic = bound.bind("order", "item");
  logic.setLinesPerDisplay("printer", "3");
  EXPECT_EQ(logic.getLinesPerDisplay("printer"), 3);

  struct Case {
    std::optional<std::string> fieldId;
    std::string window;
  };
  logic.setLinesPerDisplay("printer", "x");
  for (const Case& c : std::vector<Case>{
           {std::nullopt, "Input field id missing"},
           {"qty",
            "Field Id:qty is neither Popup Field or Multiple Field, setting this propery is not allowed"},
           {"printer", "Field id:printer has invalid linesPerDisplay property set :x"}}) {
    bound.session.scanner().enter();
    EXPECT_THROW(logic.getLinesPerDisplay(c.fieldId), TransactionLogicException);
    // The window's message may wrap over several rows; its start is enough.
    EXPECT_TRUE(bound.session.screensAtInput().back().contains(c.window.substr(0, 15))) << c.window;
  }
}

TEST_F(LogicFieldsTest, TitlesAndLabels) {
  TransactionLogic& none = bound.bind("");
  EXPECT_THROW(none.setTitle("Receipt"), TransactionLogicException);
  EXPECT_THROW(none.setTitleById("rcpt"), TransactionLogicException);

  VAVInterface::labelList.setlabel("rcpt", "Receipt");
  VAVInterface::labelList.setlabel("item_lbl", "Article:");
  VAVInterface::messageList.setMessage("item_lbl", "Scan the article");
  TransactionLogic& logic = bound.bind("order", "item");
  logic.setTitleById("rcpt");
  logic.setLabelMessageById("item", "item_lbl");
  EXPECT_EQ(logic.getField("item")->label, "Article:");
  EXPECT_EQ(logic.getField("item")->message, "Scan the article");

  bound.session.scanner().enter();
  EXPECT_THROW(logic.setTitleById("nosuch"), TransactionLogicException);
  EXPECT_TRUE(bound.session.screensAtInput().back().contains("Title Label missing"));
  bound.session.scanner().enter();
  EXPECT_THROW(logic.setLabelMessageById("item", "nosuch"), TransactionLogicException);
  EXPECT_TRUE(bound.session.screensAtInput().back().contains("nosuch Label missing"));
}

TEST_F(LogicFieldsTest, ExitsRaiseTheirSkipKeys) {
  TransactionLogic& logic = bound.bind("order", "item");
  struct Case {
    std::function<void()> exit;
    std::string message;
    std::string key;
  };
  std::vector<Case> cases = {
      {[&] { logic.exitForm(); }, "Skipping form: order", "FORM"},
      {[&] { logic.exitToForm("confirm"); }, "Skipping form: ", "FORM"},
      {[&] { logic.exitTransaction(); }, "Exiting Transaction", "EXIT TRANS"},
      {[&] { logic.exitToMenu(); }, "Exiting Transaction", "EXIT MENU"},
  };
  for (const Case& c : cases) {
    try {
      c.exit();
      ADD_FAILURE() << "no skip for " << c.key;
    } catch (const SkipException& skip) {
      EXPECT_EQ(skip.getMessage(), c.message);
      EXPECT_EQ(skip.getSkipKey(), c.key);
    }
  }
  // exitToForm has set the next form before it left.
  EXPECT_EQ(bound.processor->nextForm, &bound.form("confirm"));
}

TEST_F(LogicFieldsTest, NavigationWritesTheProcessor) {
  TransactionLogic& logic = bound.bind("order", "item");
  logic.setNextForm("confirm");
  EXPECT_EQ(bound.processor->nextForm, &bound.form("confirm"));
  logic.setNextForm("nosuch");
  EXPECT_EQ(bound.processor->nextForm, nullptr);
  logic.setNextField("qty");
  EXPECT_EQ(bound.processor->nextField, bound.form("order").getField("qty"));
  logic.setNextField("nosuch");
  EXPECT_EQ(bound.processor->nextField, nullptr);
  logic.setCurrentField("lot");
  EXPECT_EQ(bound.processor->currentField, bound.form("order").getField("lot"));
  logic.setPreviousForm(&bound.form("confirm"));
  EXPECT_EQ(bound.processor->previousForm, &bound.form("confirm"));
}

}  // namespace
}  // namespace tev

namespace tev {
namespace {

// Flags take only a bool: a text never reaches a flag overload.
template <class A>
concept SkipInputTakes = requires(TransactionLogic& t, A a) {
  t.setSkipDataInput(std::string(), a);
};
template <class A>
concept BooleanValueTakes = requires(TransactionLogic& t, A a) {
  t.setBooleanValue(a);
};
template <class A>
concept ReadOnlyTakes = requires(TransactionLogic& t, A a) {
  t.setReadOnly(a);
};
static_assert(SkipInputTakes<bool>);
static_assert(!SkipInputTakes<const char*>);
static_assert(!SkipInputTakes<int>);
static_assert(BooleanValueTakes<bool>);
static_assert(!BooleanValueTakes<const char*>);
static_assert(ReadOnlyTakes<bool>);
static_assert(!ReadOnlyTakes<const char*>);

using testing::BoundLogic;

class LogicLocationsTest : public ::testing::Test {
 protected:
  BoundLogic bound{
      {sim::makeForm("move", {sim::input("to_whse", "Whse:", 2, 1), sim::input("loc", "Loc:", 3, 1)})}};
};

TEST_F(LogicLocationsTest, DefaultLocationRules) {
  TransactionLogic& logic = bound.bind("move", "to_whse");
  Form& form = bound.form("move");
  struct Case {
    std::string stockLocation;
    std::optional<std::string> defaultLocation;
    std::string useFixed;
    bool visible;
    bool readOnly;
    std::string value;
  };
  for (const Case& c : std::vector<Case>{{"2", "L1", "no", false, true, ""},
                                         {" 1 ", "L1", "no", true, false, "L1"},
                                         {"1", "", "yes", true, false, ""},  // no router: the fixed
                                                                             // location is left out
                                         {"1", std::nullopt, "no", true, false, ""}}) {
    SCOPED_TRACE("flag '" + c.stockLocation + "'");
    form.setFieldValue("loc", "old");
    logic.assignDefaultLocation("W1", "ITEM", c.stockLocation, c.defaultLocation, c.useFixed, "no", "loc",
                                "");
    EXPECT_EQ(form.isVisible("loc"), c.visible);
    EXPECT_EQ(form.isReadOnly("loc"), c.readOnly);
    EXPECT_EQ(form.getFieldValue("loc"), c.value);
  }

  // getLocations acts only when transfer / self is yes, with the warehouse of the field "to_whse".
  form.setFieldValue("loc", "old");
  logic.getLocations("", "", "1", "ITEM", "loc", "");
  EXPECT_EQ(form.getFieldValue("loc"), "old");
  bound.params->values = {{"transfer/self", " yes "}, {"transfer/def_ibd_loc", "DOCK"}};
  logic.getLocations("", "", "1", "ITEM", "loc", "");
  EXPECT_EQ(form.getFieldValue("loc"), "DOCK");
}

}  // namespace
}  // namespace tev
