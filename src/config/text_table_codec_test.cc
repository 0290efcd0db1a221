#include "config/text_table_codec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "common/log.h"
#include "xml/xml_test_support.h"

namespace tev {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using testing::readFile;
using ::testing::StartsWith;
using testing::TempDir;

constexpr TextTableForm kForms[] = {TextTableForm::Text, TextTableForm::Xml, TextTableForm::Stored};

// Texts every form carries exactly.
const TextTable kPlain = {
    {"Standard", "Standard"},
    {"empty", ""},
    {"markup", "<b>&amp; \"q\" 'a' >"},
    {"blanks", "  two blanks around  "},
    {"tab", "a\tb"},
    {"accents", "Almac\xC3\xA9n \xE2\x82\xAC \xF0\x9F\x93\xA6"},
    {"with space id", "x"},
};

// Texts only the XML and stored forms carry.
const TextTable kHard = {
    {"bar", "a|b"},         {"lf", "line one\nline two"},
    {"crlf", "one\r\ntwo"}, {"cr", "one\rtwo"},
    {"id|bar", "x"},        {"", "empty id"},
};

TEST(TableCodecText, PlainTextsRoundTripInEveryFormAndKind) {
  TempDir dir;
  for (TextTableKind kind : {TextTableKind::Labels, TextTableKind::Messages}) {
    for (TextTableForm form : kForms) {
      std::string path = dir.file(textTableKindName(kind) + "_" + textTableFormName(form) + ".dat");
      writeTextTable(path, kPlain, kind, form);
      EXPECT_EQ(readTextTable(path, kind, form), kPlain) << textTableFormName(form);
    }
  }
  EXPECT_EQ(readTextTable(dir.write("empty_text.dat", ""), TextTableKind::Labels, TextTableForm::Text),
            TextTable{});
}

TEST(TableCodecText, XmlAndStoredFormsCarryBarsLineBreaksAndEmptyIds) {
  TempDir dir;
  TextTable all = kPlain;
  all.insert(kHard.begin(), kHard.end());
  for (TextTableForm form : {TextTableForm::Xml, TextTableForm::Stored}) {
    std::string path = dir.file(textTableFormName(form) + ".dat");
    writeTextTable(path, all, TextTableKind::Messages, form);
    EXPECT_EQ(readTextTable(path, TextTableKind::Messages, form), all) << textTableFormName(form);
  }
  writeTextTable(dir.file("none.dat"), {}, TextTableKind::Labels, TextTableForm::Stored);
  EXPECT_EQ(readTextTable(dir.file("none.dat"), TextTableKind::Labels, TextTableForm::Stored), TextTable{});
}

TEST(TableCodecText, TextFormLosesOrCutsWhatItCannotCarry) {
  EXPECT_EQ(textFormUncarried(kHard), (std::vector<std::string>{"bar", "cr", "crlf", "id|bar", "lf"}));
  EXPECT_TRUE(textFormUncarried(kPlain).empty());

  std::string content = encodeTextTable(kHard, TextTableKind::Labels, TextTableForm::Text);
  TextTable back = decodeTextTable(content, TextTableKind::Labels, TextTableForm::Text, "x.dat");
  // "bar" and "id|bar" split into three parts and are lost; a line break keeps the part before it; the
  // empty id survives ("|empty id" splits into two parts).
  EXPECT_EQ(back, (TextTable{{"", "empty id"}, {"cr", "one"}, {"crlf", "one"}, {"lf", "line one"}}));
}

TEST(TableCodecText, TextFormReadsLinesAsALineReaderDoes) {
  std::string content =
      "a|1\r\n"
      "b|2\r"
      "no bar here\n"
      "c|3|4\n"
      "d|\n"
      "a|again\n"
      "|lead\n"
      "last|no end";
  EXPECT_EQ(decodeTextTable(content, TextTableKind::Labels, TextTableForm::Text, "x.dat"),
            (TextTable{{"a", "again"}, {"b", "2"}, {"d", ""}, {"", "lead"}, {"last", "no end"}}));
}

TEST(TableCodecText, XmlFormIsAReadableDocumentWithItsKind) {
  std::string xml = encodeTextTable({{"welcome", "Hi & bye"}}, TextTableKind::Messages, TextTableForm::Xml);
  EXPECT_THAT(xml, StartsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"));
  EXPECT_THAT(xml, HasSubstr("<text_table kind=\"messages\" version=\"1\">"));
  EXPECT_THAT(xml, HasSubstr("<text id=\"welcome\">Hi &amp; bye</text>"));
}

TEST(TableCodecText, XmlFormRefusesCharactersXmlCannotCarry) {
  TempDir dir;
  std::string path = dir.write("keep.dat", "previous");
  for (std::string text : {std::string("bell\x07"), std::string("bad \xC3"), std::string("nul\0x", 5)}) {
    EXPECT_THROW(encodeTextTable({{"id", text}}, TextTableKind::Labels, TextTableForm::Xml),
                 TableFormatError);
    EXPECT_THROW(writeTextTable(path, {{"id", text}}, TextTableKind::Labels, TextTableForm::Xml),
                 TableFormatError);
  }
  EXPECT_EQ(readFile(path), "previous");
  // The stored form carries any bytes.
  TextTable odd = {{"id", std::string("bell\x07 \xC3 nul\0x", 13)}};
  EXPECT_EQ(decodeTextTable(encodeTextTable(odd, TextTableKind::Labels, TextTableForm::Stored),
                            TextTableKind::Labels, TextTableForm::Stored, "x.dat"),
            odd);
}

TEST(TableCodecText, SettingsChooseTheForm) {
  EXPECT_EQ(textTableForm(true, true), TextTableForm::Xml);
  EXPECT_EQ(textTableForm(true, false), TextTableForm::Xml);
  EXPECT_EQ(textTableForm(false, true), TextTableForm::Text);
  EXPECT_EQ(textTableForm(false, false), TextTableForm::Stored);
}

// Every reader given a file in another form says so instead of misreading it.
TEST(TableCodecText, WrongFormIsAClearError) {
  TempDir dir;
  struct Case {
    TextTableForm written;
    TextTableForm read;
    std::string says;
  };
  const Case cases[] = {
      {TextTableForm::Stored, TextTableForm::Text,
       "not the text form of a labels table: the file holds the stored form of a labels table"},
      {TextTableForm::Xml, TextTableForm::Text,
       "not the text form of a labels table: the file holds the XML form"},
      {TextTableForm::Text, TextTableForm::Xml,
       "not the XML form of a labels table: the file holds the text form"},
      {TextTableForm::Stored, TextTableForm::Xml,
       "not the XML form of a labels table: the file holds the stored form"},
      {TextTableForm::Text, TextTableForm::Stored, "not a stored labels table: the file holds the text form"},
      {TextTableForm::Xml, TextTableForm::Stored, "not a stored labels table: the file holds the XML form"},
  };
  for (const Case& c : cases) {
    std::string path = dir.file("english.dat");
    writeTextTable(path, kPlain, TextTableKind::Labels, c.written);
    try {
      readTextTable(path, TextTableKind::Labels, c.read);
      ADD_FAILURE() << "no error reading the " << textTableFormName(c.written) << " form as "
                    << textTableFormName(c.read);
    } catch (const TableFormatError& e) {
      EXPECT_THAT(e.getMessage(), AllOf(StartsWith(path + ": "), HasSubstr(c.says)));
    }
  }
}

TEST(TableCodecText, WrongFormIsLoggedByTheLoadingForm) {
  TempDir dir;
  std::string path = dir.file("english.dat");
  writeTextTable(path, kPlain, TextTableKind::Labels, TextTableForm::Text);
  log::Capture capture;
  auto logger = log::get("tev.framework.application.Logger");
  EXPECT_EQ(loadTextTable(path, TextTableKind::Labels, TextTableForm::Stored, logger,
                          "Error in loading the persisted Labels object: "),
            std::nullopt);
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(capture.lines()[0].level, spdlog::level::err);
  EXPECT_EQ(capture.lines()[0].text, "Error in loading the persisted Labels object: " + path +
                                         ": not a stored labels table: the file holds the text form");
  EXPECT_EQ(loadTextTable(path, TextTableKind::Labels, TextTableForm::Text, logger, "x"), kPlain);
}

TEST(TableCodecText, OtherKindDamageAndMissingFilesAreClearErrors) {
  TempDir dir;
  std::string stored = encodeTextTable(kPlain, TextTableKind::Messages, TextTableForm::Stored);
  std::string xml = encodeTextTable(kPlain, TextTableKind::Messages, TextTableForm::Xml);
  std::string versionTwo = stored;
  versionTwo[kStoredMagic.size() + 1 + 8 + 1] = 2;  // the low byte of the version after "messages"
  struct Case {
    std::string content;
    TextTableForm form;
    std::string says;
  };
  const Case cases[] = {
      {stored, TextTableForm::Stored,
       "not a stored labels table: the file holds the stored form of a messages table"},
      {xml, TextTableForm::Xml, "it holds a table of kind \"messages\""},
      {"<?xml version=\"1.0\"?><menu/>", TextTableForm::Xml, "the root element is <menu>"},
      {"<text_table kind=\"labels\" version=\"1\"><text id=\"a\">x</text", TextTableForm::Xml,
       "cannot be parsed"},
      {"<text_table kind=\"labels\" version=\"1\"><text>no id</text></text_table>", TextTableForm::Xml,
       "holds an element <text> that is not a <text> with an id"},
      {"", TextTableForm::Stored, "the file holds an empty file"},
      {"", TextTableForm::Xml, "the file holds an empty file"},
  };
  for (const Case& c : cases) {
    try {
      decodeTextTable(c.content, TextTableKind::Labels, c.form, "t.dat");
      ADD_FAILURE() << "no error for " << c.says;
    } catch (const TableFormatError& e) {
      EXPECT_THAT(e.getMessage(), AllOf(StartsWith("t.dat: "), HasSubstr(c.says)));
    }
  }
  const std::pair<std::string, std::string> damaged[] = {
      {stored.substr(0, stored.size() - 1), "the stored table is truncated"},
      {stored + "x", "1 bytes follow its last entry"},
      {versionTwo, "stored messages table of version 2; this program reads version 1"},
  };
  for (const auto& [content, says] : damaged) {
    EXPECT_THROW(
        {
          try {
            decodeTextTable(content, TextTableKind::Messages, TextTableForm::Stored, "t.dat");
          } catch (const TableFormatError& e) {
            EXPECT_THAT(e.getMessage(), HasSubstr(says));
            throw;
          }
        },
        TableFormatError);
  }
  EXPECT_THROW(
      {
        try {
          readTextTable(dir.file("missing.dat"), TextTableKind::Labels, TextTableForm::Text);
        } catch (const TableFormatError& e) {
          EXPECT_THAT(e.getMessage(), HasSubstr("missing.dat: cannot read the file: No such file"));
          throw;
        }
      },
      TableFormatError);
}

TEST(TableCodecText, AFailedWriteKeepsThePreviousFile) {
  TempDir dir;
  EXPECT_THROW(
      writeTextTable(dir.file("no/such/dir/english.dat"), kPlain, TextTableKind::Labels, TextTableForm::Text),
      TableFormatError);
  std::filesystem::create_directory(dir.file("english.dat"));
  EXPECT_THROW(writeTextTable(dir.file("english.dat"), kPlain, TextTableKind::Labels, TextTableForm::Stored),
               TableFormatError);
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("english.dat")));
}

}  // namespace
}  // namespace tev
