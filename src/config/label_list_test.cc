#include "config/label_list.h"

#include <gtest/gtest.h>

#include <sstream>

#include "config/config_test_support.h"
#include "config/label_parser.h"
#include "config/message_list.h"
#include "config/message_parser.h"
#include "config/vrc_parser.h"

namespace tev {
namespace {

using testing::ConfigTree;
using testing::TempDir;

// The text form keeps a line only when it splits into exactly two parts at "|".
TEST(LabelListLoad, TextFormKeepsOnlyLinesOfExactlyTwoParts) {
  TempDir dir;
  std::string path = dir.write("english.dat",
                               "Standard|Standard\n"
                               "empty|\n"
                               "two|bars|here\n"
                               "no bar at all\n"
                               "|no id\n"
                               "twice|first\n"
                               "twice|second\n"
                               " padded | kept as is \n"
                               "crlf|line\r\n"
                               "last|without end");
  LabelList labels = LabelList::load(path, false, true);
  EXPECT_EQ(labels.getTable(), (LabelList::Table{{"Standard", "Standard"},
                                                 {"empty", ""},
                                                 {"", "no id"},
                                                 {"twice", "second"},
                                                 {" padded ", " kept as is "},
                                                 {"crlf", "line"},
                                                 {"last", "without end"}}));
  EXPECT_EQ(labels.getLabel("two"), std::nullopt);
  EXPECT_EQ(labels.getLabel("no bar at all"), std::nullopt);
}

// The table a builder writes in each form reads back whole; the flags pick the form as the settings do, and
// a file of another form is refused rather than misread.
TEST(LabelListLoad, EachFormReadsWhatTheCodecWrites) {
  TempDir dir;
  const TextTable table = {{"Standard", "Estándar"}, {"empty", ""}, {"main_menu", "Menú Principal"}};
  struct Case {
    bool xml;
    bool text;
    TextTableForm form;
  };
  const Case cases[] = {{true, false, TextTableForm::Xml},
                        {true, true, TextTableForm::Xml},
                        {false, true, TextTableForm::Text},
                        {false, false, TextTableForm::Stored}};
  for (const Case& c : cases) {
    std::string path = dir.file("labels_" + textTableFormName(c.form) + ".dat");
    writeTextTable(path, table, TextTableKind::Labels, c.form);
    SCOPED_TRACE(path);
    EXPECT_EQ(LabelList::load(path, c.xml, c.text).getTable(), table);
    EXPECT_EQ(LabelList::load(path, c.form).getTable(), table);
    if (c.form != TextTableForm::Text) {
      EXPECT_EQ(LabelList::load(path, c.xml).getTable(), table);
      EXPECT_THROW(LabelList::load(path, !c.xml), TableFormatError);
    }
    if (c.form == TextTableForm::Stored) {
      EXPECT_EQ(LabelList::load(path).getTable(), table);
    }
  }
  // A messages table is not a labels table.
  std::string messages = dir.file("messages.dat");
  writeTextTable(messages, {{"yesno", "Y/N"}}, TextTableKind::Messages, TextTableForm::Stored);
  EXPECT_THROW(LabelList::load(messages), TableFormatError);
  EXPECT_EQ(MessageList::load(messages).getMessage("yesno"), "Y/N");
  EXPECT_THROW(MessageList::load(dir.file("missing.dat")), TableFormatError);
}

TEST(LabelListLoad, PersistedLoadLogsAFailureAndGivesNothing) {
  TempDir dir;
  log::Logger logger = log::get("tev.framework.application.Logger");
  {
    log::Capture capture;
    EXPECT_EQ(LabelList::loadPersisted(dir.file("missing.dat"), TextTableForm::Stored, logger), std::nullopt);
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0].level, spdlog::level::err);
    EXPECT_TRUE(capture.lines()[0].text.starts_with("Error in loading the persisted Labels object: " +
                                                    dir.file("missing.dat")))
        << capture.lines()[0].text;
  }
  {
    log::Capture capture;
    EXPECT_EQ(MessageList::loadPersisted(dir.file("missing.dat"), TextTableForm::Xml, logger), std::nullopt);
    EXPECT_TRUE(
        capture.contains("Error in loading the persisted messages object: " + dir.file("missing.dat")));
  }
  std::string path = dir.write("english.dat", "yesno|Y/N\n");
  std::optional<MessageList> messages = MessageList::loadPersisted(path, TextTableForm::Text, logger);
  ASSERT_TRUE(messages);
  EXPECT_EQ(messages->getMessage("yesno"), "Y/N");
}

// The builders put English into every language's table; the loaded list answers from it without any
// fallback of its own (a missing id stays missing, it never turns into the id).
TEST(LabelListLoad, EnglishFallbackComesFromTheBuiltTable) {
  for (bool xml : {false, true}) {
    for (bool text : {false, true}) {
      SCOPED_TRACE(std::to_string(xml) + std::to_string(text));
      ConfigTree tree;
      tree.settings().standardEnvironment("common");
      tree.settings().param({"encoding", "enable_xml_encoding"}, xml ? "yes" : "no");
      tree.settings().param({"encoding", "save_in_text_format"}, text ? "yes" : "no");
      tree.writeFile("data/labels/english/item.xml", "<label id=\"item\">Item:</label>");
      tree.writeFile("data/labels/english/warehouse.xml", "<label id=\"warehouse\">Whse:</label>");
      tree.writeFile("data/labels/spanish/item.xml", "<label id=\"item\">Artículo:</label>");
      tree.writeFile("data/messages/english/yesno.xml", "<message id=\"yesno\">Y/N ?</message>");
      std::string settings = tree.writeSettings();
      std::ostringstream out;
      std::ostringstream err;
      LabelParser labelParser(out, err);
      labelParser.initialize(settings, "common", "spanish");
      labelParser.persistLabels();
      MessageParser messageParser(out, err);
      messageParser.initialize(settings, "common", "spanish");
      messageParser.persistMessages();

      VRCParser locator(settings, "common");
      LabelList labels = LabelList::load(locator.getPersistedLabelsObjectPath("spanish"), xml, text);
      EXPECT_EQ(labels.getLabel("item"), "Artículo:");
      EXPECT_EQ(labels.getLabel("warehouse"), "Whse:");
      EXPECT_EQ(labels.getLabel("location"), std::nullopt);
      MessageList messages = MessageList::load(locator.getPersistedMessagesObjectPath("spanish"), xml, text);
      EXPECT_EQ(messages.getMessage("yesno"), "Y/N ?");
    }
  }
}

}  // namespace
}  // namespace tev
