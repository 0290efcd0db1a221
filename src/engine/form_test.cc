#include "engine/form.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "common/log.h"
#include "config/device_info.h"
#include "engine/field_test_support.h"
#include "engine/popup_field.h"
#include "engine/transaction.h"

namespace tev::testing {
namespace {

// A field of the given width in reflow layouts: the label plus the data length.
std::unique_ptr<Field> sized(const std::string& id, const std::string& label, int dataLength, int row,
                             const std::vector<std::string>& words = {}) {
  auto field = makeField(id, label, row, 1, words);
  field->dataLength = std::to_string(dataLength);
  return field;
}

std::vector<std::string> describe(const Form& form) {
  std::vector<std::string> lines;
  for (const auto& field : form.fieldsVector) {
    std::string words;
    for (const std::string& word : field->fieldAttrVector) words += " " + word;
    lines.push_back(field->id + "|" + field->label.value_or("<none>") + "|" + field->row + "|" + field->col +
                    "|" + field->center + "|" + words);
  }
  return lines;
}

// --- generated lines
// --------------------------------------------------------------------------------------------

TEST(FormLinesTest, StandardFormGetsTitleDashesAndEscExit) {
  Form form;
  form.type = "standard";
  form.addField(makeField("a", "A:", 3, 1));
  form.addField(makeField("b", "B:", 4, 1));
  form.appendGeneratedLines("Receipt", "ACME");
  EXPECT_EQ(describe(form), (std::vector<std::string>{
                                "a|A:|3|1||",
                                "b|B:|4|1||",
                                "title|Receipt|1|0|center| center read_only underline",
                                "title|-----------------|14|1|| read_only",
                                "title|           ESC EXIT|15|1|| read_only",
                            }));
  EXPECT_TRUE(form.isStandardTypeForm());
}

TEST(FormLinesTest, IntroductionFormGetsCompanyTitleAndTwoDashLines) {
  Form form;
  form.type = "introduction";
  for (const char* id : {"a", "b", "c"}) form.addField(makeField(id, "", 5, 1));
  form.appendGeneratedLines(std::nullopt, "ACME");
  ASSERT_EQ(form.fieldsVector.size(), 8u);
  std::vector<std::string> lines = describe(form);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.end()),
            (std::vector<std::string>{
                "title|ACME|1|0|center| center read_only",
                "title|<none>|2|0|center| center read_only underline",
                "title|-----------------|3|1|| read_only",
                "title|-----------------|14|1|| read_only",
                "title|           ESC EXIT|15|1|| read_only",
            }));
}

TEST(FormLinesTest, CompanyLineFallsBackToQuillanbury) {
  for (const std::optional<std::string>& company :
       {std::optional<std::string>(), std::optional<std::string>(" \t")}) {
    Form form;
    form.type = "introduction";
    form.appendGeneratedLines("T", company);
    EXPECT_EQ(form.fieldsVector.front()->label, "QUILLANBURY");
  }
}

TEST(FormLinesTest, PlainFormsGetNoLines) {
  for (const char* type : {"form", "other", ""}) {
    Form form;
    form.type = type;
    form.appendGeneratedLines("T", "C");
    EXPECT_TRUE(form.fieldsVector.empty()) << type;
    EXPECT_TRUE(form.isReadOnly());
  }
}

TEST_F(FieldTest, StandardFormOnTheScreen) {
  Form form;
  form.type = "standard";
  form.addField(makeField("item", "Item:", 3, 1, {}, "4711"));
  form.addField(makeField("lot", "Lot:", 4, 1, {"read_only"}, "L1"));
  form.addField(makeField("hidden", "Secret:", 5, 1, {"invisible"}, "x"));
  form.appendGeneratedLines("Receipt", std::nullopt);
  emulator.display(9, 9, "old");
  form.display(emulator);
  sim::ScreenModel s = screen();
  EXPECT_EQ(s.lines(),
            (std::vector<std::string>{"     Receipt", "", "Item:4711", "Lot:L1", "", "", "", "", "", "", "",
                                      "", "", "-----------------", "           ESC EXIT", ""}))
      << s.dump();
  EXPECT_TRUE(s.has(1, 6, sim::kUnderline));
}

// --- navigation
// ---------------------------------------------------------------------------------------------

// ro0, in1, ro2, in3, ro4 (ro: read-only).
class FormNavigationTest : public ::testing::Test {
 protected:
  FormNavigationTest() {
    for (int i = 0; i < 5; ++i) {
      std::string id = (i % 2 ? "in" : "ro") + std::to_string(i);
      auto field = makeField(id, id, i + 1, 1,
                             i % 2 ? std::vector<std::string>{} : std::vector<std::string>{"read_only"});
      field->fserver_input_index = 10 + i;
      f[i] = &form.addField(std::move(field));
    }
  }
  Form form;
  Field* f[5] = {};
};

TEST_F(FormNavigationTest, NextField) {
  EXPECT_EQ(form.getNextField(nullptr), f[1]);
  EXPECT_EQ(form.getNextField(nullptr, true), f[0]);
  EXPECT_EQ(form.getNextField(f[0]), f[1]);
  EXPECT_EQ(form.getNextField(f[1]), f[3]);
  EXPECT_EQ(form.getNextField(f[1], true), f[2]);
  EXPECT_EQ(form.getNextField(f[3]), nullptr);  // only read-only fields follow
  EXPECT_EQ(form.getNextField(f[3], true), f[4]);
  EXPECT_EQ(form.getNextField(f[4]), nullptr);  // the last field of the list
  EXPECT_EQ(form.getNextField(f[4], true), nullptr);
  // The last of the list by identity, even with input fields before it.
  f[4]->setReadOnly(false);
  EXPECT_EQ(form.getNextField(f[4]), nullptr);
  // A field of another form: the search starts at the top.
  Field stranger;
  EXPECT_EQ(form.getNextField(&stranger), f[1]);
}

TEST_F(FormNavigationTest, PreviousField) {
  EXPECT_EQ(form.getPreviousField(nullptr), nullptr);
  EXPECT_EQ(form.getPreviousField(f[0]), nullptr);  // the first field
  EXPECT_EQ(form.getPreviousField(f[1]), nullptr);  // only read-only fields before it
  EXPECT_EQ(form.getPreviousField(f[2]), f[1]);
  EXPECT_EQ(form.getPreviousField(f[4]), f[3]);
  Field stranger;
  stranger.id = "x";
  EXPECT_EQ(form.getPreviousField(&stranger), f[0]);  // not in the list: the first field
  stranger.id = " ro0 ";
  EXPECT_EQ(form.getPreviousField(&stranger), nullptr);  // the first field's id, blanks trimmed
}

TEST_F(FormNavigationTest, LastInputFieldIndexAndPosition) {
  EXPECT_EQ(form.getLastInputField(), f[3]);
  EXPECT_TRUE(form.isLastField(*f[3]));
  EXPECT_FALSE(form.isLastField(*f[1]));
  Field sameId;
  sameId.id = "in3";
  EXPECT_TRUE(form.isLastField(sameId));
  EXPECT_EQ(form.getIndexOf(sameId), 3);
  sameId.id = "zz";
  EXPECT_EQ(form.getIndexOf(sameId), 5);

  EXPECT_EQ(form.getFieldByPos(12), f[2]);
  EXPECT_EQ(form.getFieldByPos(99), f[3]);

  EXPECT_FALSE(form.isReadOnly());
  form.setReadOnly("in1", true);
  form.setReadOnly("in3", true);
  EXPECT_TRUE(form.isReadOnly());
  EXPECT_EQ(form.getLastInputField(), nullptr);
  EXPECT_FALSE(form.isLastField(*f[3]));
  EXPECT_EQ(form.getNextField(nullptr), nullptr);
}

TEST_F(FormNavigationTest, FieldPositionForError) {
  struct Case {
    int status;
    bool autoPosition;
    std::string code;
    Field* expected;
  };
  const Case cases[] = {
      {Transaction::AFTER_PROCESSING_ERROR, true, " 11 ", f[1]},
      {Transaction::AFTER_PROCESSING_ERROR, true, "14", f[4]},   // read-only fields count too
      {Transaction::AFTER_PROCESSING_ERROR, true, "7", f[3]},    // no field there: the last input field
      {Transaction::AFTER_PROCESSING_ERROR, true, "E12", f[3]},  // no integer
      {Transaction::AFTER_PROCESSING_ERROR, true, "", f[3]},
      {Transaction::AFTER_PROCESSING_ERROR, false, "11", nullptr},
      {Transaction::AFTER_SUCCESSFUL_COMPLETION, true, "11", nullptr},
      {-1, true, "11", nullptr},
  };
  for (const Case& c : cases) {
    Transaction transaction;
    transaction.transactionStatus = c.status;
    transaction.bAutoPositionCursor = c.autoPosition;
    transaction.fserverErrorCode = c.code;
    EXPECT_EQ(form.getFieldPosForError(transaction), c.expected) << c.status << " '" << c.code << "'";
  }
}

TEST_F(FormNavigationTest, EmptyFormHasNothingToOffer) {
  Form empty;
  EXPECT_EQ(empty.getNextField(nullptr), nullptr);
  EXPECT_EQ(empty.getPreviousField(f[1]), nullptr);
  EXPECT_EQ(empty.getLastInputField(), nullptr);
  EXPECT_EQ(empty.getFieldByPos(1), nullptr);
}

// --- values by id
// -------------------------------------------------------------------------------------------

TEST_F(FormNavigationTest, InitializeClearsAfterSuccessOnlyAndKeepsRetainedValues) {
  for (Field* field : f) field->value = "v";
  form.setRetain("in3", true);
  for (int status : {-1, Transaction::VERY_FIRST_TIME, Transaction::AFTER_PROCESSING_ERROR}) {
    form.initialize(status);
    EXPECT_EQ(form.getFieldValue("in1"), "v") << status;
  }
  form.initialize(Transaction::AFTER_SUCCESSFUL_COMPLETION);
  EXPECT_EQ(form.getFieldValue("ro0"), "");
  EXPECT_EQ(form.getFieldValue("in1"), "");
  EXPECT_EQ(form.getFieldValue("in3"), "v");
  EXPECT_TRUE(form.isRetain("in3"));
}

TEST_F(FormNavigationTest, AccessByIdWithNeutralValuesForUnknownIds) {
  form.setFieldValue("in1", std::string("x"));
  form.setFieldValue("in3", std::vector<std::string>{"a", "b"});
  form.setFieldValue("ro4", {"c"}, {"1"});
  f[1]->selIndex = 2;
  EXPECT_EQ(form.getFieldValue("in1"), "x");
  EXPECT_EQ(f[3]->values, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(f[4]->lineValues, std::vector<std::string>{"1"});
  EXPECT_EQ(form.getFieldSelIndexValue("in1"), 2);
  EXPECT_TRUE(form.isVisible("in1"));
  EXPECT_EQ(form.getField("in3"), f[3]);

  EXPECT_EQ(form.getField("nope"), nullptr);
  EXPECT_EQ(form.getFieldValue("nope"), "");
  EXPECT_EQ(form.getFieldSelIndexValue("nope"), -1);
  EXPECT_FALSE(form.isReadOnly("nope"));
  EXPECT_FALSE(form.isRetain("nope"));
  EXPECT_FALSE(form.isVisible("nope"));
  EXPECT_EQ(form.getSQL("nope"), nullptr);
  form.setFieldValue("nope", std::string("x"));
  form.setReadOnly("nope", true);
  form.setRetain("nope", true);
  EXPECT_EQ(form.fieldsVector.size(), 5u);

  form.setCurrentField(f[3]);
  EXPECT_EQ(form.getCurrentField(), f[3]);
}

TEST_F(FieldTest, SetVisibleByIdBlanksTheFieldOrLogsAnUnknownId) {
  log::Capture capture;
  Form form;
  form.addField(makeField("item", "Item:", 3, 1, {}, "4711"));
  form.display(emulator);
  form.setVisible("item", false, emulator);
  EXPECT_EQ(screen().line(3), "");
  EXPECT_TRUE(form.isReadOnly("item"));
  EXPECT_FALSE(form.isVisible("item"));
  form.setVisible("nope", false, emulator);
  EXPECT_TRUE(capture.contains("returned from setvisible in form class because field is null"));
}

TEST(FormTitleTest, SetTitle) {
  Form empty;
  EXPECT_THROW(empty.setTitle("T", true), Error);

  Form onRowOne;
  onRowOne.addField(makeField("a", "A", 2, 1));
  onRowOne.addField(makeField("head", "Old", 1, 4));
  onRowOne.setTitle("New", false);
  EXPECT_EQ(onRowOne.fieldsVector.size(), 2u);
  EXPECT_EQ(onRowOne.getField("head")->label, "New");

  Form withoutRowOne;
  withoutRowOne.addField(makeField("a", "A", 2, 1));
  withoutRowOne.setTitle("New", false);
  EXPECT_EQ(describe(withoutRowOne).back(), "title|New|1|1|| read_only center underline");
}

// --- reflow
// ---------------------------------------------------------------------------------------------------

TEST_F(FieldTest, DrawDisplayLaysTheFieldsOutFromTheTop) {
  Form form;
  form.addField(sized("title", "Moves", 0, 1, {"center", "read_only"}));
  form.addField(sized("item", "Item:", 10, 7));  // width 15
  form.addField(sized("qty", "Qty:", 5, 7));     // width 9
  form.addField(sized("unit", "U:", 2, 7));      // width 4: fits after qty
  form.addField(sized("loc", "Loc:", 6, 7));     // the last field: row rows - 2
  form.getField("qty")->value = "5";
  form.display(emulator, true, nullptr, nullptr);
  EXPECT_EQ(describe(form)[3], "unit|U:|3|10||");
  sim::ScreenModel s = screen();
  EXPECT_EQ(s.line(1), "       Moves");
  EXPECT_EQ(s.line(2), "Item:");
  EXPECT_EQ(s.line(3), "Qty:5    U:");
  EXPECT_EQ(s.line(14), "Loc:");
  EXPECT_EQ(s.line(7), "");
}

TEST_F(FieldTest, DrawDisplayShowsTheLastFieldWhenTheRestDoesNotFit) {
  log::Capture capture;
  Form form;
  for (int i = 0; i < 20; ++i)
    form.addField(sized("f" + std::to_string(i), "F" + std::to_string(i) + ":", 11, 1));
  form.drawDisplay(16, 20, emulator);
  sim::ScreenModel s = screen();
  EXPECT_EQ(s.line(1), "F0:");
  EXPECT_EQ(s.line(13), "F12:");
  EXPECT_EQ(s.line(14), "F19:");
  EXPECT_EQ(form.getField("f13")->row, "1");  // never placed
  EXPECT_TRUE(capture.contains(" Field Name in More Fields f19"));
}

// title, f1 .. f9 (width 15, one per row), a and b (width 8, sharing a row), cur, seperator2.
class ReflowByFieldTest : public FieldTest {
 protected:
  ReflowByFieldTest() {
    form.addField(sized("title", "T", 0, 1, {"center", "read_only"}));
    for (int i = 1; i <= 9; ++i)
      form.addField(sized("f" + std::to_string(i), "F" + std::to_string(i) + ":", 12, 1));
    form.addField(sized("a", "A:", 6, 1));
    form.addField(sized("b", "B:", 6, 1));
    current = &form.addField(sized("cur", "Cur:", 5, 12));
    form.addField(sized("seperator2", "====", 0, 1, {"read_only"}));
  }
  Form form;
  Field* current = nullptr;
};

TEST_F(ReflowByFieldTest, CurrentFieldLowOnTheScreenIsShownWithTheFieldsAboveIt) {
  current->row = "13";
  form.display(emulator, true, nullptr, current);
  sim::ScreenModel s = screen();
  EXPECT_EQ(s.line(13), "Cur:");
  EXPECT_EQ(s.line(1), "         T");  // the title at column 1, centred
  EXPECT_EQ(s.line(14), "====");
  EXPECT_EQ(s.line(12), "A:      B:");  // packed from column 1
  EXPECT_EQ(s.line(11), "F9:");
  EXPECT_EQ(s.line(3), "F1:");
  EXPECT_EQ(s.line(2), "");  // the loop stops before the first field of the list
  EXPECT_EQ(form.getField("b")->col, "9");
  EXPECT_EQ(current->row, "13");
}

TEST_F(ReflowByFieldTest, FieldsAboveThatDoNotFitAreNotDrawn) {
  DeviceInfo small("Small", 10, 20, "key_list.xml");
  current->row = "bad";  // no number: shown around the current field
  form.display(emulator, true, &small, current);
  sim::ScreenModel s = screen();
  EXPECT_EQ(s.line(7), "Cur:");
  EXPECT_EQ(s.line(8), "====");
  EXPECT_EQ(s.line(6), "A:      B:");
  EXPECT_EQ(s.line(2), "F6:");
  EXPECT_FALSE(s.contains("F5:"));
  EXPECT_EQ(form.getField("f5")->row, "1");  // untouched
}

TEST_F(ReflowByFieldTest, CurrentFieldHighEnoughLaysOutFromTheTop) {
  // On row 12 of 16 (above rows - 3) the whole form is laid out from the top.
  current->row = "12";
  current->col = "5";
  form.display(emulator, true, nullptr, current);
  sim::ScreenModel s = screen();
  EXPECT_EQ(s.line(2), "F1:");
  EXPECT_EQ(s.line(11), "A:      B:");
  EXPECT_EQ(s.line(12), "Cur:");
  EXPECT_EQ(s.line(14), "====");
  EXPECT_EQ(current->col, "1");
}

TEST_F(FieldTest, DisplayWithoutReflowKeepsThePositions) {
  Form form;
  form.addField(makeField("a", "A:", 7, 3, {}, "1"));
  emulator.display(1, 1, "junk");
  form.display(emulator, false, nullptr, form.getField("a"));
  EXPECT_EQ(screen().line(7), "  A:1");
  EXPECT_EQ(screen().line(1), "");
  EXPECT_EQ(form.getField("a")->row, "7");
}

}  // namespace
}  // namespace tev::testing
