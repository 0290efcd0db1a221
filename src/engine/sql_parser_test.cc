#include "engine/sql_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "xml/xml_test_support.h"

namespace tev {
namespace {

using ::testing::ElementsAre;

TEST(SqlParserTest, StatementsByIdFromTheQueryList) {
  testing::TempDir dir;
  std::string path = dir.write("sql_list.xml", R"(<sql_list>
  <sql id="item_desc" row_type=" single " query_no="" err_no="no_item">select t.dsca from tcibd001 t where t.item = <field id="item"/> and <field id="unknown"/> <note/>
  </sql>
  <sql id="plain">select a from b</sql>
</sql_list>)");
  BaanFieldTable dictionary = {{"item", BaanFieldDef("item", "string", "right", "upper", 16)}};
  SqlParser parser(fieldDictionaryOf(dictionary));
  {
    log::Capture capture;
    ASSERT_TRUE(parser.initialize(path));
    EXPECT_TRUE(capture.contains("Loading the sql list file: " + path));
    EXPECT_TRUE(capture.contains("Loaded the sql list file: " + path));
  }

  std::shared_ptr<SQLStatement> statement = parser.getSQLStatement("item_desc");
  ASSERT_NE(statement, nullptr);
  EXPECT_EQ(statement->id, "item_desc");
  EXPECT_EQ(statement->rowType, "single");
  EXPECT_EQ(statement->errorMessageId, "no_item");
  EXPECT_THAT(
      statement->sqlElements,
      ElementsAre(SQLStatement::Element("select t.dsca from tcibd001 t where t.item = "),
                  SQLStatement::Element(dictionary.at("item")), SQLStatement::Element(" and "),
                  SQLStatement::Element(BaanFieldDef("", std::nullopt, std::nullopt, std::nullopt, 0))));
  // Built once, then kept.
  EXPECT_EQ(parser.getSQLStatement("item_desc"), statement);
  EXPECT_NE(parser.getSQLStatement("plain"), nullptr);
  EXPECT_EQ(parser.getSQLStatement(""), nullptr);
  EXPECT_EQ(parser.getSQLStatement("missing"), nullptr);
  EXPECT_EQ(parser.getSQLStatement("it's"), nullptr);

  log::Capture capture;
  EXPECT_FALSE(parser.initialize(dir.file("none.xml")));
  EXPECT_TRUE(capture.contains("Failed to load the sql list file: " + dir.file("none.xml")));
  // The list loaded before stays.
  EXPECT_EQ(parser.getSQLStatement("item_desc"), statement);
}

}  // namespace
}  // namespace tev
