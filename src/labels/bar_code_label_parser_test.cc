#include "labels/bar_code_label_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/error.h"
#include "config/config_test_support.h"
#include "config/vav_settings.h"
#include "xml/xml_test_support.h"

namespace tev {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::TempDir;

// Entries as texts: fields as "<id:type>", text in brackets so blanks show.
std::vector<std::string> entries(const std::vector<BarCodeEntry>& list) {
  std::vector<std::string> out;
  for (const BarCodeEntry& entry : list) {
    if (const BarCodeField* field = std::get_if<BarCodeField>(&entry))
      out.push_back("<" + field->getId() + ":" + field->getType() + ">");
    else
      out.push_back("[" + std::get<std::string>(entry) + "]");
  }
  return out;
}

class BarCodeLabelParserTest : public ::testing::Test {
 protected:
  BarCodeLabelParser::LabelTable read(const std::string& xml) {
    BarCodeLabelParser parser(dir.write("labels.xml", xml));
    return parser.getLabels();
  }

  TempDir dir;
};

TEST_F(BarCodeLabelParserTest, ReadsHeadersFieldsSeparatorAndType) {
  auto labels = read(R"(<?xml version="1.0"?>
<transaction>
  <label id=" receipt_label " type=" Sentinel " other="x">
    <header id=" h1 ">
      FIRST LINE
      <header_field id=" printer " type=" t "/>
      <wrap>  second line  <header_field id="noOfLabels"/></wrap>
      <!-- a comment --><![CDATA[cdata]]>
      <header_field id="copies">inside</header_field>
    </header>
    <header>   </header>
    <group><field id="lot"/></group>
    <field id="item" type="string">
    </field>
    <field id=" qty ">QTY:<b>x</b></field>
    <field><field id="inner" type="string"/></field>
    <field_seperator> \t </field_seperator>
  </label>
</transaction>
)");
  ASSERT_EQ(labels.size(), 1u);
  const BarCodeLabel& label = labels.at("receipt_label");
  EXPECT_EQ(label.getId(), "receipt_label");
  EXPECT_EQ(label.getTypeOfLabel(), "Sentinel");
  EXPECT_EQ(label.getSeperator(), "\t");

  ASSERT_EQ(label.getHeaderStatements().size(), 2u);
  const BarCodeHeaderStatement& first = label.getHeaderStatements()[0];
  EXPECT_EQ(first.getId(), "h1");
  // Text is trimmed and blank text dropped; wrapped content counts as if it stood in the header; comments and
  // CDATA are ignored; text inside a header_field follows the field.
  EXPECT_THAT(entries(first.getBarCodeFields()), ElementsAre("[FIRST LINE]", "<printer:t>", "[second line]",
                                                             "<noOfLabels:>", "<copies:>", "[inside]"));
  EXPECT_EQ(label.getHeaderStatements()[1].getId(), std::nullopt);
  EXPECT_TRUE(label.getHeaderStatements()[1].getBarCodeFields().empty());

  // A field's character data, untrimmed, stands just before it; a nested field overwrites the attributes of
  // the one around it and is a field of its own as well.
  EXPECT_THAT(entries(label.getFieldsVector()),
              ElementsAre("<lot:>", "[\n    ]", "<item:string>", "[QTY:]", "[x]", "<qty:>", "<inner:string>",
                          "<inner:string>"));
}

TEST_F(BarCodeLabelParserTest, EachLabelHoldsOnlyItsOwnEntriesAndALaterIdWins) {
  auto labels = read(R"(<transaction>
  <label id="a"><header>A</header><field id="one"/><field_seperator>|</field_seperator></label>
  <label id="b" type="Loftware"><field id="two"/><field_seperator>;</field_seperator></label>
  <label id="c"><field_seperator>,</field_seperator></label>
  <label id="a"><header>A2</header><field id="three"/><field_seperator>|</field_seperator></label>
  <other><label id="nested"><field_seperator>|</field_seperator></label></other>
</transaction>)");
  EXPECT_THAT(labels, ::testing::SizeIs(3));
  EXPECT_EQ(labels.count("nested"), 0u);
  EXPECT_THAT(entries(labels.at("a").getFieldsVector()), ElementsAre("<three:>"));
  EXPECT_THAT(entries(labels.at("a").getHeaderStatements().at(0).getBarCodeFields()), ElementsAre("[A2]"));
  EXPECT_THAT(entries(labels.at("b").getFieldsVector()), ElementsAre("<two:>"));
  EXPECT_TRUE(labels.at("b").getHeaderStatements().empty());
  EXPECT_EQ(labels.at("b").getTypeOfLabel(), "Loftware");
  EXPECT_EQ(labels.at("c").getTypeOfLabel(), std::nullopt);
  EXPECT_TRUE(labels.at("c").getFieldsVector().empty());
  EXPECT_TRUE(labels.at("c").getHeaderStatements().empty());
}

TEST_F(BarCodeLabelParserTest, SeparatorTurnsBackslashTIntoTab) {
  struct Case {
    const char* text;
    const char* expected;
  };
  for (const Case& c : {Case{"\\t\\t", "\t\t"}, Case{"a\\tb", "a\tb"}, Case{"|", "|"}, Case{"   ", ""},
                        Case{" \\n ", "\\n"}, Case{"\\", "\\"}}) {
    auto labels = read(std::string("<transaction><label id='x'><field_seperator>") + c.text +
                       "</field_seperator></label></transaction>");
    EXPECT_EQ(labels.at("x").getSeperator(), c.expected) << c.text;
  }
}

TEST_F(BarCodeLabelParserTest, BadDefinitionsFailTheWholeFile) {
  struct Case {
    const char* name;
    const char* xml;
    const char* message;
  };
  const std::string good = "<label id='good'><field_seperator>|</field_seperator></label>";
  for (const Case& c : {
           Case{"no id", "<label><field_seperator>|</field_seperator></label>", "has no id"},
           Case{"no separator", "<label id='bad'><field id='a'/></label>", "Label bad of "},
           Case{"empty separator", "<label id='bad'><field_seperator/></label>", "empty field_seperator"},
       }) {
    BarCodeLabelParser parser(dir.write("bad.xml", "<transaction>" + good + c.xml + "</transaction>"));
    try {
      parser.getLabels();
      ADD_FAILURE() << c.name << ": no error";
    } catch (const Error& e) {
      EXPECT_THAT(e.getMessage(), HasSubstr(c.message)) << c.name;
    }
  }
}

TEST_F(BarCodeLabelParserTest, UnreadableFilesAreErrors) {
  EXPECT_THROW(BarCodeLabelParser(dir.file("missing.xml")), Error);
  EXPECT_THROW(BarCodeLabelParser(dir.write("broken.xml", "<transaction><label id='a'>")), Error);
  BarCodeLabelParser empty;
  EXPECT_THROW(empty.getLabels(), Error);
  // A failed load keeps the document read before.
  BarCodeLabelParser parser(dir.write("ok.xml",
                                      "<transaction><label id='a'><field_seperator>|</field_seperator>"
                                      "</label></transaction>"));
  EXPECT_THROW(parser.loadXML(dir.file("missing.xml")), Error);
  EXPECT_EQ(parser.getLabels().count("a"), 1u);
}

TEST(BarCodeFieldTest, OnlyTheStringTypeQuotesTheValue) {
  EXPECT_EQ(BarCodeField("item", "string").getFieldValue("A 1"), "\"A 1\"");
  EXPECT_EQ(BarCodeField("item", "String").getFieldValue("A 1"), "A 1");
  EXPECT_EQ(BarCodeField("item", "").getFieldValue(""), "");
  EXPECT_EQ(BarCodeField("item", "int").toString(), "ID: item, type: int");
}

TEST(BarCodeLabelParserDemoTest, TheDemoLabelsRead) {
  testing::InDemoDirectory inDemo;
  VAVSettings settings("vav_settings.xml");
  std::optional<std::string> directory = settings.getConfigDirPath("demo", "barcode_label_files_path");
  ASSERT_TRUE(directory);
  struct Case {
    const char* file;
    const char* label;
    std::optional<std::string> type;
  };
  for (const Case& c : {Case{"/receipts_lab.xml", "receipt_label", std::nullopt},
                        Case{"/kanban_id_lab.xml", "kanban_id_label", "Sentinel"},
                        Case{"/putaway_lab.xml", "putaway_label", "Loftware"}}) {
    BarCodeLabelParser parser(*directory + c.file);
    auto labels = parser.getLabels();
    ASSERT_EQ(labels.count(c.label), 1u) << c.file;
    EXPECT_EQ(labels.at(c.label).getTypeOfLabel(), c.type) << c.file;
    EXPECT_FALSE(labels.at(c.label).getFieldsVector().empty()) << c.file;
  }
}

}  // namespace
}  // namespace tev
