#include "config/baan_field_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "xml/xml_test_support.h"

namespace tev {
namespace {

using ::testing::HasSubstr;
using testing::readFile;
using testing::TempDir;

constexpr const char* kList =
    "<?xml version=\"1.0\"?>\n"
    "<baan_field_list>\n"
    "  <baan_field id=\"orno\"><type>string</type><align>right</align><case>upper</case>"
    "<length>9</length></baan_field>\n"
    "  <baan_field id=\"loca\"><type> string </type><length>10</length></baan_field>\n"
    "  <baan_field id=\"orno\"><type>number</type><length>3</length></baan_field>\n"
    "  <baan_field id=\"note\"><type/><align></align><length></length></baan_field>\n"
    "  <baan_field id=\"qty\"><type>number</type><case>none</case></baan_field>\n"
    "  <baan_field><type>ignored: no id</type></baan_field>\n"
    "</baan_field_list>\n";

TEST(BaanFieldParserDefs, DefinitionsFollowTheList) {
  TempDir dir;
  std::ostringstream out;
  BaanFieldParser parser(out);
  ASSERT_TRUE(parser.initialize(dir.write("list.xml", kList)));

  BaanFieldTable table = parser.getBaanFields();
  // The first orno defines it; blanks around a type are kept; missing and empty children give no value;
  // a missing or empty length gives 0.
  EXPECT_EQ(table, (BaanFieldTable{
                       {"orno", BaanFieldDef("orno", "string", "right", "upper", 9)},
                       {"loca", BaanFieldDef("loca", " string ", std::nullopt, std::nullopt, 10)},
                       {"note", BaanFieldDef("note", std::nullopt, std::nullopt, std::nullopt, 0)},
                       {"qty", BaanFieldDef("qty", "number", std::nullopt, "none", 0)},
                   }));
  EXPECT_EQ(out.str(), "Loading the baan fields list file: " + dir.file("list.xml") + "\n" +
                           "Loaded the baan fields list file: " + dir.file("list.xml") + "\n" +
                           "orno : ID: orno, Data Type: string, Alignment: right, Case: upper, Length: 9\n"
                           "loca : ID: loca, Data Type:  string , Alignment: null, Case: null, Length: 10\n"
                           "orno : ID: orno, Data Type: string, Alignment: right, Case: upper, Length: 9\n"
                           "note : ID: note, Data Type: null, Alignment: null, Case: null, Length: 0\n"
                           "qty : ID: qty, Data Type: number, Alignment: null, Case: none, Length: 0\n");

  EXPECT_EQ(parser.getBaanField("orno"), table.at("orno"));
  EXPECT_EQ(parser.getBaanField("missing"), std::nullopt);
  EXPECT_EQ(parser.getBaanField(""), std::nullopt);
  EXPECT_EQ(parser.getBaanFieldType("orno"), "string");
  EXPECT_EQ(parser.getBaanFieldType("loca"), " string ");
  EXPECT_EQ(parser.getBaanFieldType(""), "");
  EXPECT_EQ(parser.getBaanFieldType("missing"), std::nullopt);
  EXPECT_EQ(parser.getBaanFieldType("qty'"), std::nullopt);
}

TEST(BaanFieldParserRun, WritesTheDictionaryAndPrintsTheCheckLine) {
  TempDir dir;
  std::string list = dir.write("list.xml", kList);
  std::ostringstream out, err;
  EXPECT_EQ(BaanFieldParser::run({list, dir.file("BaanFieldDefs.dat")}, out, err), 0);
  std::ostringstream ignored;
  BaanFieldParser reference(ignored);
  reference.initialize(list);
  EXPECT_EQ(readFieldTable(dir.file("BaanFieldDefs.dat")), reference.getBaanFields());
  EXPECT_THAT(out.str(), ::testing::EndsWith("Length: 0\nstring\n"));
  EXPECT_EQ(err.str(), "");

  // Without a field orno the check line is empty.
  std::ostringstream out2;
  EXPECT_EQ(BaanFieldParser::run(
                {dir.write("other.xml", "<baan_field_list><baan_field id=\"a\"/></baan_field_list>"),
                 dir.file("other.dat")},
                out2, err),
            0);
  EXPECT_THAT(out2.str(), ::testing::EndsWith("Length: 0\n\n"));
}

TEST(BaanFieldParserRun, UsageWithTooFewArguments) {
  for (std::vector<std::string> args : {std::vector<std::string>{}, std::vector<std::string>{"list.xml"}}) {
    std::ostringstream out, err;
    EXPECT_EQ(BaanFieldParser::run(args, out, err), 0);
    EXPECT_EQ(out.str(), "usage tev.framework.parser.BaanFieldParser baanFieldListFile persistedFile\n");
    EXPECT_EQ(err.str(), "");
  }
}

// A list that cannot be loaded or holds an unusable field writes nothing: the previous dictionary stays.
TEST(BaanFieldParserRun, FailuresKeepThePreviousDictionary) {
  TempDir dir;
  std::string output = dir.write("BaanFieldDefs.dat", "previous");
  struct Case {
    std::string list;
    std::string says;
  };
  const Case cases[] = {
      {"<baan_field_list><baan_field id=\"a\"></baan_field_list>", ""},
      {"<baan_field_list><baan_field id=\"a\"/><baan_field id=\"\"/></baan_field_list>",
       "Failed to build the field dictionary: A baan_field has an empty id\n"},
      {"<baan_field_list><baan_field id=\"a\"><length> 5</length></baan_field></baan_field_list>",
       "Failed to build the field dictionary: Invalid length of baan field a: For input string: \" 5\"\n"},
      {"<baan_field_list><baan_field id=\"a\"><length>12x</length></baan_field></baan_field_list>",
       "Failed to build the field dictionary: Invalid length of baan field a: For input string: \"12x\"\n"},
  };
  for (const Case& c : cases) {
    std::string list = dir.write("list.xml", c.list);
    std::ostringstream out, err;
    EXPECT_EQ(BaanFieldParser::run({list, output}, out, err), 1) << c.list;
    EXPECT_EQ(err.str(), c.says);
    EXPECT_EQ(readFile(output), "previous");
  }
  std::ostringstream out, err;
  EXPECT_EQ(BaanFieldParser::run({dir.file("missing.xml"), output}, out, err), 1);
  EXPECT_EQ(out.str(), "Loading the baan fields list file: " + dir.file("missing.xml") +
                           "\nFailed to load baan fields list file: " + dir.file("missing.xml") + "\n");
  EXPECT_EQ(readFile(output), "previous");
}

}  // namespace
}  // namespace tev
