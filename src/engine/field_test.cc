#include "engine/field.h"

#include <gtest/gtest.h>

#include <map>

#include "common/error.h"
#include "common/log.h"
#include "engine/field_attribute.h"
#include "engine/field_test_support.h"
#include "engine/form.h"
#include "engine/sql_link.h"
#include "terminal/skip_exception.h"

namespace tev::testing {
namespace {

// --- drawing
// --------------------------------------------------------------------------------------------------

struct DrawCase {
  std::string name;
  std::vector<std::string> words;
  std::string label;
  int col;
  int labelColumn;           // where the label starts
  unsigned labelAttributes;  // screen attributes of the label's first cell
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const DrawCase& c, std::ostream* os) {
  *os << c.name;
}

class FieldDrawTest : public FieldTest, public ::testing::WithParamInterface<DrawCase> {};

TEST_P(FieldDrawTest, DrawsLabelWithOneAttributeThenTheValue) {
  const DrawCase& c = GetParam();
  auto field = makeField("item", c.label, 3, c.col, c.words, "4711");
  field->display(emulator);
  sim::ScreenModel s = screen();
  std::string row = s.text(3);
  EXPECT_EQ(row.substr(static_cast<std::size_t>(c.labelColumn - 1), c.label.size() + 4), c.label + "4711")
      << s.dump();
  EXPECT_EQ(s.cell(3, c.labelColumn).attributes, c.labelAttributes);
  // The value is drawn plainly.
  EXPECT_EQ(s.cell(3, c.labelColumn + static_cast<int>(c.label.size())).attributes, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Attributes, FieldDrawTest,
    ::testing::Values(
        DrawCase{"plain", {}, "Item:", 2, 2, 0u},
        DrawCase{"bold_wins", {"reverse", "underline", "bold"}, "Item:", 1, 1, sim::kBold},
        DrawCase{
            "underline_before_reverse", {"blink", "reverse", "underline"}, "Item:", 1, 1, sim::kUnderline},
        DrawCase{"reverse_before_blink", {"blink", "reverse"}, "Item:", 1, 1, sim::kReverse},
        DrawCase{"blink", {"blink"}, "Item:", 1, 1, sim::kBlink},
        DrawCase{"read_only_bold", {"read_only", "bold"}, "Item:", 1, 1, sim::kBold},
        // (20 - 5) / 2 = 7 columns right of col 1.
        DrawCase{"centred", {"center"}, "Title", 1, 8, 0u}),
    [](const auto& info) { return info.param.name; });

TEST_F(FieldTest, DisplayWritesExactBytes) {
  auto field = makeField("qty", "Qty:", 5, 2, {"underline"}, "12");
  peer.clearOutput();
  field->display(emulator);
  const EmulatorSettings& k = keys();
  EXPECT_EQ(peer.output(), "\x1b[5;2H" + k.SMUL + "Qty:" + k.SGR0 + "\x1b[5;6H12");
}

TEST_F(FieldTest, CentredLabelLongerThan20StartsAtItsOwnColumn) {
  auto field = makeField("title", "ABCDEFGHIJKLMNOPQRSTUVWX", 1, 3, {"center"});  // 20 - 24 counts as 0
  peer.clearOutput();
  field->display(emulator);
  EXPECT_EQ(peer.output().substr(0, 6), "\x1b[1;3H");
}

TEST_F(FieldTest, GeneratedTitleOnColumnZeroIsCentredFromZero) {
  auto field = makeField("title", "Receipt", 1, 0, {"center", "read_only", "underline"});
  peer.clearOutput();
  field->display(emulator);
  // 0 + (20 - 7) / 2 = 6.
  EXPECT_EQ(peer.output().substr(0, 6), "\x1b[1;6H");
  EXPECT_EQ(screen().line(1), "     Receipt");
}

TEST_F(FieldTest, InvisibleFieldAndFieldWithoutLabelDrawNoValue) {
  auto hidden = makeField("a", "Hidden:", 2, 1, {"invisible"}, "x");
  auto unlabelled = makeField("b", std::nullopt, 3, 1, {}, "value");
  auto empty = makeField("c", "", 4, 1, {}, "shown");
  peer.clearOutput();
  hidden->display(emulator);
  unlabelled->display(emulator);
  EXPECT_EQ(peer.output(), "");
  empty->display(emulator);
  EXPECT_EQ(screen().line(4), "shown");
}

TEST_F(FieldTest, MaskedInputDrawsStarsPerCharacter) {
  auto field = makeField("pwd", "Pwd:", 6, 1, {}, "sécret");
  emulator.setMaskInput(true);
  field->display(emulator);
  EXPECT_EQ(screen().line(6), "Pwd:******");
}

TEST_F(FieldTest, QuantityIsDrawnInTheDecimalFormatWhenFormattingIsOn) {
  auto field = makeField("qty", "Qty:", 6, 1, {}, "12.5");
  field->typeInfo = entry("quan");
  field->display(emulator);
  EXPECT_EQ(screen().line(6), "Qty:12.5");  // formatting off

  fieldServices().implementDecimalFormatting = true;
  fieldServices().decimalFormatString = "#,##0.000";
  fieldServices().decimalSeperator = ",";
  field->display(emulator);
  EXPECT_EQ(screen().line(6), "Qty:12,500");

  field->typeInfo = entry("number");
  field->value = "7.5";
  emulator.clear();
  field->display(emulator);
  EXPECT_EQ(screen().line(6), "Qty:7.5");  // not a quantity: unchanged
}

TEST_F(FieldTest, NonNumericPositionIsANumberError) {
  auto field = makeField("a", "A:", 1, 1);
  field->row = "x";
  EXPECT_THROW(field->display(emulator), NumberFormatError);
  Form form;
  EXPECT_THROW(field->readInput(emulator, form), NumberFormatError);
}

struct DoubleCase {
  std::string pattern, separator, value, expected;
};

TEST_F(FieldTest, FormatDoubleString) {
  const DoubleCase cases[] = {
      {"0.00", ".", "2.675", "2.67"},        // half-even on the binary value
      {"0.00", ".", "3", "3.00"},            //
      {"0.00", ",", "1.5", "1,50"},          // separator replaces the point
      {"0.0000", ".", "1.2345", "1.2345"},   // four decimals: the number's own text
      {"0.0000", ",", "1.2345", "1,2345"},   //
      {"0.0000", ".", "1.5", "1.5000"},      // otherwise the pattern
      {"0.0000", ".", "1.23456", "1.2346"},  //
      {"0.00", ".", "abc", "abc"},           // no number: unchanged
      {"0.00", ".", "", ""},                 //
      {"#,##0.0", ".", "1234567.25", "1,234,567.2"},
  };
  Field field;
  for (const DoubleCase& c : cases) {
    fieldServices().decimalFormatString = c.pattern;
    fieldServices().decimalSeperator = c.separator;
    EXPECT_EQ(field.formatDoubleString(c.value), c.expected) << c.pattern << " " << c.value;
  }
}

// --- reading
// --------------------------------------------------------------------------------------------------

TEST_F(FieldTest, ReadsTypedInputAtTheEndOfTheLabel) {
  Form form;
  auto field = makeField("item", "Item:", 4, 2, {}, "old");
  field->message = "Scan the item";
  peer.type("ab").enter();
  std::string key = field->readInput(emulator, form);
  EXPECT_EQ(key, keys().ENTER);
  EXPECT_EQ(field->value, "ab");
  EXPECT_FALSE(field->receivedEnterKeyOnly());
  // While reading: the status line shows the message, the cursor waits after the label.
  sim::ScreenModel atInput = peer.screensAtInput()[0];
  EXPECT_EQ(atInput.attributed(15, sim::kReverse), "Scan the item");
  EXPECT_EQ(atInput.cursorRow(), 4);
  EXPECT_EQ(atInput.cursorColumn(), 7);
}

TEST_F(FieldTest, ScanReturnsItsChunkAndSetsTheValue) {
  Form form;
  auto field = makeField("item", "Item:", 4, 1);
  peer.scan("4711");
  std::string key = field->readInput(emulator, form);
  EXPECT_EQ(key, "4711" + keys().ENTER);
  EXPECT_EQ(field->value, "4711");
}

TEST_F(FieldTest, EmptyInputKeepsTheValueAndSaysSo) {
  log::Capture capture;
  Form form;
  auto field = makeField("item", "Item:", 4, 1, {}, "old");
  peer.enter();
  field->readInput(emulator, form);
  EXPECT_EQ(field->value, "old");
  EXPECT_TRUE(field->receivedEnterKeyOnly());
  EXPECT_TRUE(capture.contains("Field item received input: old"));
}

TEST_F(FieldTest, ControlKeysAreReturnedToTheCaller) {
  Form form;
  auto field = makeField("item", "Item:", 4, 1, {}, "old");
  peer.functionKey(4).escape().up();
  EXPECT_EQ(field->readInput(emulator, form), keys().KF4);
  EXPECT_EQ(field->readInput(emulator, form), keys().ESC);
  EXPECT_EQ(field->readInput(emulator, form), keys().KCUU1);
  EXPECT_EQ(field->value, "old");
}

TEST_F(FieldTest, QuantityInputTakesAPointForTheComma) {
  Form form;
  auto field = makeField("qty", "Qty:", 4, 1);
  field->typeInfo = entry("quan");
  fieldServices().implementDecimalFormatting = true;
  peer.type("12,5").enter();
  field->readInput(emulator, form);
  EXPECT_EQ(field->value, "12.5");

  fieldServices().implementDecimalFormatting = false;
  peer.type("1,5").enter();
  field->readInput(emulator, form);
  EXPECT_EQ(field->value, "1,5");
}

TEST_F(FieldTest, MaskedFieldSwitchesTheTerminalToMaskedEcho) {
  Form form;
  auto field = makeField("pwd", "Pwd:", 4, 1, {"masked"});
  peer.type("12").enter();
  field->readInput(emulator, form);
  EXPECT_TRUE(emulator.isMaskInput());
  EXPECT_EQ(screen().line(4), "    *");  // echoed after the label
  EXPECT_EQ(field->value, "12");
}

TEST_F(FieldTest, WideLabelCharactersTakeTwoColumnsForChineseAndJapanese) {
  Form form;
  auto field = makeField("item", "品目:", 4, 1);  // two characters above U+0100, then ":"
  const std::pair<std::optional<std::string>, int> cases[] = {
      {std::nullopt, 4}, {"english", 4}, {"Chinese", 6}, {"JAPANESE", 6}};
  for (const auto& [language, column] : cases) {
    fieldServices().userLanguage = language;
    peer.enter();
    field->readInput(emulator, form);
    EXPECT_EQ(peer.screensAtInput().back().cursorColumn(), column) << language.value_or("none");
  }
}

// --- validation
// -----------------------------------------------------------------------------------------------

struct ValidateCase {
  std::string name;
  std::map<std::string, std::string> params;
  std::vector<std::string> words;
  std::string dataType;
  std::string input;
  bool valid;
  std::string stored;  // the value afterwards
  std::string shown;   // "f003", a window text, or "" for nothing
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ValidateCase& c, std::ostream* os) {
  *os << c.name;
}

class FieldValidateTest : public FieldTest, public ::testing::WithParamInterface<ValidateCase> {};

TEST_P(FieldValidateTest, Validates) {
  const ValidateCase& c = GetParam();
  host.params = c.params;
  auto field = makeField("loc", "Loc:", 3, 1, c.words, c.input);
  field->dataType = c.dataType;
  checks.refused = {"BAD"};
  peer.enter();  // closes an error line or window
  EXPECT_EQ(field->validate(emulator), c.valid);
  EXPECT_EQ(field->value, c.stored);
  if (c.shown.empty()) {
    EXPECT_EQ(peer.queued(), 1u) << "nothing was shown, nothing read";
  } else if (c.shown == "f003") {
    sim::ScreenModel line = peer.screensAtInput().back();
    EXPECT_EQ(line.attributed(15, sim::kReverse), "Invalid input") << line.dump();
  } else {
    sim::ScreenModel window = peer.screensAtInput().back();
    EXPECT_EQ(window.line(2), "Error Message") << window.dump();
    EXPECT_TRUE(window.contains(c.shown.substr(0, 20))) << window.dump();
    EXPECT_EQ(window.attributed(15, sim::kReverse), "Press Enter To Conti");
  }
}

const std::map<std::string, std::string> kPrefixes = {{"prefixes/mandatory", "YES"}, {"prefixes/loc", "L"}};

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldValidateTest,
    ::testing::Values(
        ValidateCase{"trims", {}, {}, "loc", "  A1 \t", true, "A1", ""},
        ValidateCase{"within_limit", {{"max_data_length_allowed", "3"}}, {}, "loc", "ABC", true, "ABC", ""},
        ValidateCase{
            "over_limit", {{"max_data_length_allowed", "3"}}, {}, "loc", "ABCD", false, "ABCD", "f003"},
        ValidateCase{
            "limit_counts_characters", {{"max_data_length_allowed", "3"}}, {}, "loc", "äöü", true, "äöü", ""},
        ValidateCase{"no_check_type",
                     {{"max_data_length_allowed", "3"}},
                     {},
                     "gen_string_no_check",
                     "ABCD",
                     true,
                     "ABCD",
                     ""},
        ValidateCase{"limit_not_a_number",
                     {{"max_data_length_allowed", "ten"}},
                     {},
                     "loc",
                     "ABCDEFGHIJKL",
                     true,
                     "ABCDEFGHIJKL",
                     ""},
        ValidateCase{"mandatory_empty", {}, {"mandatory"}, "loc", "   ", false, "", "f003"},
        ValidateCase{"optional_empty_goes_to_dictionary", {}, {}, "loc", "", true, "", ""},
        ValidateCase{"dictionary_refuses", {}, {}, "loc", "BAD", false, "BAD", "f003"},
        ValidateCase{"prefix_stripped", kPrefixes, {}, "loc", "LA1", true, "A1", ""},
        ValidateCase{"prefix_missing", kPrefixes, {}, "loc", "A1", false, "A1", "Prefix is Mandatory"},
        ValidateCase{"prefix_missing_one_char_optional", kPrefixes, {}, "loc", "A", true, "A", ""},
        ValidateCase{"prefix_missing_one_char_mandatory",
                     kPrefixes,
                     {"mandatory"},
                     "loc",
                     "A",
                     false,
                     "A",
                     "Prefix is Mandatory"},
        ValidateCase{"prefix_alone_empties", kPrefixes, {}, "loc", "L", true, "", ""},
        ValidateCase{"prefix_alone_mandatory", kPrefixes, {"mandatory"}, "loc", "L", false, "", "f003"},
        ValidateCase{"prefix_not_mandatory",
                     {{"prefixes/mandatory", "no"}, {"prefixes/loc", "L"}},
                     {},
                     "loc",
                     "A1",
                     true,
                     "A1",
                     ""},
        ValidateCase{"prefix_blank_is_not_configured",
                     {{"prefixes/mandatory", "yes"}, {"prefixes/loc", "  "}},
                     {},
                     "loc",
                     "A1",
                     true,
                     "A1",
                     ""},
        // The field id's prefix strips, so the data type's is not tried.
        ValidateCase{"type_prefix_after_id_prefix",
                     {{"prefixes/loc", "L"}, {"prefixes/locn", "X"}},
                     {},
                     "locn",
                     "LXA",
                     true,
                     "XA",
                     ""},
        ValidateCase{"type_prefix", {{"prefixes/locn", "X"}}, {}, "locn", "XA", true, "A", ""},
        // prefix1 and prefix2 are always tried.
        ValidateCase{"all_prefixes",
                     {{"prefixes/loc", "L"}, {"prefixes/locn_prefix1", "1"}, {"prefixes/locn_prefix2", "2"}},
                     {},
                     "locn",
                     "L12A",
                     true,
                     "A",
                     ""},
        ValidateCase{"no_type_no_type_prefixes",
                     {{"prefixes/mandatory", "yes"}, {"prefixes/_prefix1", "Q"}},
                     {},
                     "",
                     "QA",
                     true,
                     "QA",
                     ""}),
    [](const auto& info) { return info.param.name; });

TEST_F(FieldTest, WithoutDictionaryEntryValidationShowsTheWindowAndTransformFails) {
  log::Capture capture;
  auto field = makeField("item", "Item:", 3, 1, {}, "x");
  field->typeInfo.reset();
  peer.enter();
  EXPECT_FALSE(field->validate(emulator));
  EXPECT_TRUE(peer.screensAtInput().back().contains("Data Type Definitio"));
  try {
    field->transform();
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.getMessage(), "Baan Field Object is not created");
  }
  EXPECT_TRUE(capture.contains("Baan Field's Object is not created .. in transform method .."));
}

TEST_F(FieldTest, DictionaryFailureIsLoggedAndTheCheckedValueIsTrimmed) {
  log::Capture capture;
  auto field = makeField("item", "Item:", 3, 1, {}, " BAD ");
  checks.refused = {"BAD"};
  peer.enter();
  EXPECT_FALSE(field->validate(emulator));
  EXPECT_EQ(checks.validated, std::vector<std::string>{"BAD"});
  EXPECT_TRUE(capture.contains("Data Type check failure "));
}

TEST_F(FieldTest, LimitThatIsNoNumberIsLoggedOnce) {
  // Once per process: this test may not be the first to see it, so it checks at most one line.
  log::Capture capture;
  auto field = makeField("item", "Item:", 3, 1, {}, "x");
  field->validate(emulator);
  field->validate(emulator);
  int lines = 0;
  for (const log::Line& line : capture.lines())
    if (line.text.find("max_data_length_allowed") != std::string::npos) ++lines;
  EXPECT_LE(lines, 1);
}

TEST_F(FieldTest, TransformUsesTheDictionaryConversion) {
  auto field = makeField("item", "Item:", 3, 1, {}, "ab1");
  field->typeInfo = entry("string", "upper");
  field->transform();
  EXPECT_EQ(field->value, "AB1");
}

// --- the rest
// -------------------------------------------------------------------------------------------------

TEST(FieldPropertiesTest, FlagsFollowTheirWords) {
  Field field;
  EXPECT_TRUE(field.isVisible());
  EXPECT_TRUE(field.canAssignPopupValue());
  field.setReadOnly(true);
  field.setReadOnly(true);
  field.setMandatory(true);
  field.setMasked(true);
  field.setRetain(true);
  EXPECT_EQ(field.fieldAttrVector, (std::vector<std::string>{"read_only", "mandatory", "masked", "retain"}));
  EXPECT_TRUE(field.isReadOnly() && field.isMandatory() && field.isMasked() && field.isRetain());
  field.setMandatory(false);
  field.setReadOnly(false);
  EXPECT_EQ(field.fieldAttrVector, (std::vector<std::string>{"masked", "retain"}));
  field.fieldAttrVector = {"fixed", "dont_assign_popup_value"};
  EXPECT_TRUE(field.isFixed());
  EXPECT_FALSE(field.canAssignPopupValue());
  field.row = "1";
  EXPECT_TRUE(field.isFirstField());
  field.row = "01";
  EXPECT_FALSE(field.isFirstField());
}

TEST(FieldPropertiesTest, PopupTitlesFromTheEighthCharacter) {
  Field field;
  EXPECT_FALSE(field.getPopupTitle1());
  field.fieldAttrVector = {"title1", "title1:", "title2_Pick a lot", "title1=Items", "title1:Other"};
  EXPECT_EQ(field.getPopupTitle1(), "Items");  // "title1" and "title1:" are not longer than 7
  EXPECT_EQ(field.getPopupTitle2(), "Pick a lot");
}

TEST(FieldPropertiesTest, DataLengthTruncateAndQueryLinks) {
  Field field;
  EXPECT_EQ(field.getDataLength(), 0);
  field.dataLength = "12";
  EXPECT_EQ(field.getDataLength(), 12);
  field.dataLength = " 12";
  EXPECT_EQ(field.getDataLength(), 0);

  field.value = "A1 B2 C3";
  field.truncateField();
  EXPECT_EQ(field.value, "A1");
  field.truncateField();
  EXPECT_EQ(field.value, "A1");

  EXPECT_EQ(field.getSQL("q1"), nullptr);
  field.sqlStatements["q1"] = SqlLink("q1", true, "form_enter");
  ASSERT_NE(field.getSQL("q1"), nullptr);
  EXPECT_TRUE(field.getSQL("q1")->isFormEnterEvent());
}

TEST(FieldPropertiesTest, CopyValuesTakesTheDefinitionButNotTheRunningState) {
  Field plain;
  plain.id = "item";
  plain.dataType = "item";
  plain.label = std::nullopt;
  plain.message = "msg";
  plain.row = "3";
  plain.col = "2";
  plain.type = "popup";
  plain.value = "v";
  plain.values = {"a", "b"};
  plain.lineValues = {"1", "2"};
  plain.typeInfo = entry("string");
  plain.linesPerDisplay = "2";
  plain.noOfDataColumns = "3";
  plain.dataLength = "8";
  plain.fserver_input_index = 4;
  plain.fieldAttrVector = {"read_only"};
  plain.fieldEnter = {"q1"};
  plain.fieldExit = {"q2"};
  plain.center = "center";
  plain.skipBehavior = "always";
  plain.selIndex = 1;
  plain.bSkipDataInput = true;
  plain.sqlStatements["q"] = SqlLink();

  SingleField copy;
  copy.copyValues(plain);
  EXPECT_EQ(copy.id, "item");
  EXPECT_EQ(copy.label, std::nullopt);
  EXPECT_EQ(copy.message, "msg");
  EXPECT_EQ(copy.row + copy.col + copy.type + copy.value, "32popupv");
  EXPECT_EQ(copy.values, plain.values);
  EXPECT_EQ(copy.typeInfo, plain.typeInfo);
  EXPECT_EQ(copy.linesPerDisplay + copy.noOfDataColumns + copy.dataLength, "238");
  EXPECT_EQ(copy.fserver_input_index, 4);
  EXPECT_EQ(copy.fieldAttrVector, plain.fieldAttrVector);
  EXPECT_EQ(copy.fieldEnter, plain.fieldEnter);
  EXPECT_EQ(copy.fieldExit, plain.fieldExit);
  // Not taken over.
  EXPECT_TRUE(copy.lineValues.empty());
  EXPECT_EQ(copy.center, "");
  EXPECT_EQ(copy.skipBehavior, "never");
  EXPECT_EQ(copy.selIndex, -1);
  EXPECT_FALSE(copy.bSkipDataInput);
  EXPECT_TRUE(copy.sqlStatements.empty());
  // The property words are a copy of their own.
  plain.setReadOnly(false);
  EXPECT_TRUE(copy.isReadOnly());
}

TEST_F(FieldTest, HidingBlanksTheFieldAndLeavesItReadOnly) {
  auto field = makeField("item", "Item:", 3, 2, {}, "4711");
  field->display(emulator);
  EXPECT_EQ(screen().line(3), " Item:4711");
  field->setVisible(false, emulator);
  EXPECT_EQ(screen().line(3), "");
  EXPECT_EQ(field->value, "");
  EXPECT_FALSE(field->isVisible());
  EXPECT_TRUE(field->isReadOnly());

  peer.clearOutput();
  field->setVisible(false, emulator);  // already hidden: nothing drawn
  EXPECT_EQ(peer.output(), "");

  field->setVisible(true, emulator);
  EXPECT_TRUE(field->isVisible());
  EXPECT_TRUE(field->isReadOnly());
  EXPECT_EQ(field->fieldAttrVector, std::vector<std::string>{"read_only"});
}

TEST_F(FieldTest, PlainFieldHasNoList) {
  Form form;
  auto field = makeField("item", "Item:", 3, 1);
  field->values = {"a"};
  peer.clearOutput();
  EXPECT_EQ(field->showList(emulator, form), "");
  EXPECT_EQ(peer.output(), "");
}

TEST(SqlLinkTest, EnableFromText) {
  SqlLink link;
  EXPECT_FALSE(link.isEnabled());
  link.setEnable(std::string("YeS"));
  EXPECT_TRUE(link.isEnabled());
  link.setEnable(std::string("true"));
  EXPECT_FALSE(link.isEnabled());
  link.setEvent("field_exit");
  EXPECT_FALSE(link.isFormEnterEvent());
}

TEST(FieldAttributeTest, TextForm) {
  FieldAttribute attribute{"a", "frm", "form", "fld", "2", "v"};
  EXPECT_EQ(attribute.toString(),
            "Id: a, Type: form, SourceId: frm, SourceVariableId: fld, sourceVariableIndex: 2, Value: v");
  EXPECT_EQ(FieldAttribute::TRANSACTION_VARIABLE, "transaction_variable");
}

}  // namespace
}  // namespace tev::testing
