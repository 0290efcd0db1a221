#include "config/field_table_codec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "config/text_table_codec.h"
#include "xml/xml_test_support.h"

namespace tev {
namespace {

using ::testing::HasSubstr;
using testing::TempDir;

BaanFieldTable sample() {
  BaanFieldTable table;
  table.emplace("orno", BaanFieldDef("orno", "string", "right", "upper", 9));
  table.emplace("loca", BaanFieldDef("loca", " string ", std::nullopt, std::nullopt, 0));
  table.emplace("none", BaanFieldDef("none", std::nullopt, "", std::nullopt, -1));
  table.emplace("max",
                BaanFieldDef("max", "number", "left", "lower", std::numeric_limits<std::int32_t>::max()));
  table.emplace("min",
                BaanFieldDef("min", "number", "left", "lower", std::numeric_limits<std::int32_t>::min()));
  table.emplace("key", BaanFieldDef("other id", "\xC3\xA9|\n", "none", "none", 5));
  return table;
}

TEST(TableCodecFields, RoundTripKeepsAbsentTextsAndLengths) {
  TempDir dir;
  std::string path = dir.file("BaanFieldDefs.dat");
  writeFieldTable(path, sample());
  EXPECT_EQ(readFieldTable(path), sample());
  EXPECT_EQ(readFieldTable(path).at("loca").getAlignment(), std::nullopt);
  EXPECT_EQ(readFieldTable(path).at("none").getAlignment(), "");

  writeFieldTable(path, {});
  EXPECT_EQ(readFieldTable(path), BaanFieldTable{});
}

TEST(TableCodecFields, WrongFormOrKindAndDamageAreClearErrors) {
  std::string good = encodeFieldTable(sample());
  const std::pair<std::string, std::string> cases[] = {
      {encodeTextTable({{"a", "b"}}, TextTableKind::Labels, TextTableForm::Stored),
       "not a stored fields table: the file holds the stored form of a labels table"},
      {"orno|string\n", "not a stored fields table: the file holds the text form"},
      {"<?xml version=\"1.0\"?>\n<baan_field_list/>",
       "not a stored fields table: the file holds the XML form"},
      {good.substr(0, good.size() - 2), "the stored table is truncated"},
      {good + "\n", "1 bytes follow its last entry"},
      {"TEVTBL", "not a stored fields table: the file holds a damaged stored-form header"},
  };
  for (const auto& [content, says] : cases) {
    try {
      decodeFieldTable(content, "BaanFieldDefs.dat");
      ADD_FAILURE() << "no error for " << says;
    } catch (const TableFormatError& e) {
      EXPECT_EQ(e.getMessage().rfind("BaanFieldDefs.dat: ", 0), 0u) << e.getMessage();
      EXPECT_THAT(e.getMessage(), HasSubstr(says));
    }
  }
  // The first entry ("key") starts after the 19 bytes of the header; its presence flag of the data type
  // follows the key (4 + 3 bytes) and the id (4 + 8 bytes).
  std::string flag = good;
  flag[19 + 7 + 12] = 7;
  EXPECT_THROW(
      {
        try {
          decodeFieldTable(flag, "f.dat");
        } catch (const TableFormatError& e) {
          EXPECT_EQ(e.getMessage(), "f.dat: the stored table is damaged (bad presence flag)");
          throw;
        }
      },
      TableFormatError);
}

TEST(TableCodecFields, LoadingFormLogsTheError) {
  TempDir dir;
  std::string path = dir.write("BaanFieldDefs.dat", "orno|string\n");
  log::Capture capture;
  EXPECT_EQ(loadFieldTable(path, log::get("tev.framework.application.Logger"),
                           "Error in loading the persisted BaanFieldDefs object: "),
            std::nullopt);
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(capture.lines()[0].text, "Error in loading the persisted BaanFieldDefs object: " + path +
                                         ": not a stored fields table: the file holds the text form");
}

TEST(TableCodecFields, AFailedWriteIsAnError) {
  TempDir dir;
  EXPECT_THROW(writeFieldTable(dir.file("missing/BaanFieldDefs.dat"), sample()), TableFormatError);
}

}  // namespace
}  // namespace tev
