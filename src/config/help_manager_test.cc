#include "config/help_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "common/java_text.h"
#include "common/log.h"
#include "config/config_test_support.h"
#include "config/vrc_parser.h"
#include "xml/xml_save_error.h"
#include "xml/xml_test_support.h"

namespace tev {
namespace {

using help::FormType;
using help::HelpDisplayType;
using help::TransactionType;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::readFile;
using testing::TempDir;

constexpr const char* kHelp = R"(<?xml version="1.0"?>
<help_display>
  <transaction id="Receipt">
    <form id="order"><main_help>Scan the order number.</main_help></form>
    <form id="item"><main_help>First text</main_help></form>
    <form id="item"><main_help>Second text</main_help></form>
    <form id="bare"/>
    <form id="rich"><main_help>Line 1
Line 2 &amp; <![CDATA[<more>]]></main_help><note>ignored</note></form>
  </transaction>
</help_display>
)";

// "id=help" for each form of the document's transaction.
std::vector<std::string> forms(const HelpDisplayType& document) {
  std::vector<std::string> result;
  if (const TransactionType* transaction = document.getTransaction())
    for (const FormType& form : transaction->getForm())
      result.push_back(nullText(form.getId()) + "=" + nullText(form.getMainHelp()));
  return result;
}

std::vector<std::string> texts(const log::Capture& capture, spdlog::level::level_enum level) {
  std::vector<std::string> result;
  for (const log::Line& line : capture.lines())
    if (line.level == level) result.push_back(line.text);
  return result;
}

class HelpManagerTest : public ::testing::Test {
 protected:
  TempDir dir;
  log::Capture capture;
  HelpManager manager;
};

TEST_F(HelpManagerTest, ReadsTheFormsOfTheTransactionInOrder) {
  HelpDisplayType* document = manager.getHelpDisplayType(dir.write("ReceiptHelp.xml", kHelp));
  ASSERT_NE(document, nullptr);
  EXPECT_THAT(forms(*document), ElementsAre("order=Scan the order number.", "item=First text",
                                            "item=Second text", "bare=null", "rich=Line 1\nLine 2 & <more>"));
  EXPECT_EQ(manager.getTransactionId(), "Receipt");
  EXPECT_EQ(manager.getTransaction(), document->getTransaction());
}

TEST_F(HelpManagerTest, GetFormHelpFindsTheFirstFormOfThatIdAndLogsEachComparison) {
  ASSERT_TRUE(manager.initialize(dir.write("ReceiptHelp.xml", kHelp)));
  capture.clear();
  FormType* form = manager.getFormHelp("item", "NotUsed");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->getMainHelp(), "First text");
  EXPECT_THAT(texts(capture, spdlog::level::info), ElementsAre(" Form Id = item  getId of form type = order",
                                                               " Form Id = item  getId of form type = item"));

  const std::pair<std::string, std::optional<std::string>> cases[] = {{"order", "Scan the order number."},
                                                                      {"bare", std::nullopt},
                                                                      {"ITEM", std::nullopt},
                                                                      {"", std::nullopt}};
  for (const auto& [id, text] : cases) {
    FormType* found = manager.getFormHelp(id, "Receipt");
    EXPECT_EQ(found ? found->getMainHelp() : std::nullopt, text) << id;
  }
  EXPECT_EQ(manager.getFormHelp("ITEM", "Receipt"), nullptr);
  EXPECT_NE(manager.getFormHelp("bare", "Receipt"), nullptr);  // found, without text
}

TEST_F(HelpManagerTest, NothingIsFoundWithoutDocumentOrTransaction) {
  EXPECT_EQ(manager.getFormHelp("order", "Receipt"), nullptr);
  EXPECT_EQ(manager.getTransaction(), nullptr);
  EXPECT_EQ(manager.getTransactionId(), std::nullopt);
  EXPECT_FALSE(manager.addTransactionEntry("Receipt"));

  ASSERT_TRUE(manager.initialize(dir.write("empty.xml", "<help_display/>")));
  EXPECT_EQ(manager.getTransaction(), nullptr);
  EXPECT_EQ(manager.getFormHelp("order", "Receipt"), nullptr);
}

TEST_F(HelpManagerTest, AFailedLoadClearsTheDocumentLoadedBefore) {
  struct Case {
    std::string name;
    std::optional<std::string> text;  // nothing: no such file
    std::string cause;
  };
  const Case cases[] = {
      {"MissingHelp.xml", std::nullopt, "Failed to read the help file"},
      {"BrokenHelp.xml", "<help_display><transaction></help_display>", "Failed to read the help file"},
      {"OtherHelp.xml", "<barcode_list/>", "the root element is not help_display"},
  };
  const std::string good = dir.write("ReceiptHelp.xml", kHelp);
  for (const Case& c : cases) {
    std::string path = c.text ? dir.write(c.name, *c.text) : dir.file(c.name);
    ASSERT_TRUE(manager.initialize(good));
    capture.clear();
    EXPECT_FALSE(manager.initialize(path)) << c.name;
    EXPECT_EQ(manager.getFormHelp("order", "Receipt"), nullptr) << c.name;
    EXPECT_EQ(manager.getTransactionId(), std::nullopt) << c.name;
    auto errors = texts(capture, spdlog::level::err);
    ASSERT_EQ(errors.size(), 1u) << c.name;
    EXPECT_THAT(errors[0], HasSubstr(path)) << c.name;
    EXPECT_THAT(errors[0], HasSubstr(c.cause)) << c.name;

    ASSERT_TRUE(manager.initialize(good));
    EXPECT_EQ(manager.getHelpDisplayType(path), nullptr) << c.name;
    EXPECT_EQ(manager.getTransaction(), nullptr) << c.name;
  }
}

TEST_F(HelpManagerTest, CreateStartsAnEmptyDocumentWhenTheFileCannotBeRead) {
  manager.createHelpDisplayType(dir.file("NewHelp.xml"));
  EXPECT_EQ(manager.getTransaction(), nullptr);
  ASSERT_TRUE(manager.addTransactionEntry("New"));
  EXPECT_EQ(manager.getTransactionId(), "New");

  manager.createHelpDisplayType(dir.write("ReceiptHelp.xml", kHelp));
  EXPECT_EQ(manager.getTransactionId(), "Receipt");
}

TEST_F(HelpManagerTest, AddTransactionEntryDropsTheOldTransactionAndItsForms) {
  ASSERT_TRUE(manager.initialize(dir.write("ReceiptHelp.xml", kHelp)));
  ASSERT_TRUE(manager.addTransactionEntry("Putaway"));
  EXPECT_EQ(manager.getTransactionId(), "Putaway");
  EXPECT_TRUE(manager.getTransaction()->getForm().empty());
}

TEST_F(HelpManagerTest, SaveFileWritesTheDocumentThatReadsBackTheSame) {
  HelpDisplayType* document = manager.getHelpDisplayType(dir.write("ReceiptHelp.xml", kHelp));
  ASSERT_NE(document, nullptr);
  FormType special;
  special.setId("a\"b'<c>&d");
  special.setMainHelp("  Ä & <b> \"quoted\"\n  second line  ");
  document->getTransaction()->getForm().push_back(special);
  document->getTransaction()->setId("R&D");

  const std::string copy = dir.file("CopyHelp.xml");
  capture.clear();
  manager.saveFile(copy);
  EXPECT_THAT(
      texts(capture, spdlog::level::info),
      ::testing::Contains(" In Save function of Help Manager class .. HelpType = "
                          "HelpDisplayType[transaction=TransactionType[id=R&D, forms=[order, item, item, "
                          "bare, rich, a\"b'<c>&d]]]"));
  EXPECT_EQ(texts(capture, spdlog::level::info).back(), "xml is written ..");

  HelpManager reader;
  HelpDisplayType* reread = reader.getHelpDisplayType(copy);
  ASSERT_NE(reread, nullptr);
  EXPECT_EQ(forms(*reread), forms(*document));
  EXPECT_EQ(reader.getTransactionId(), "R&D");
  EXPECT_THAT(readFile(copy), ::testing::StartsWith("<?xml version='1.0'?>\n<help_display>\n  <transaction"));
}

TEST_F(HelpManagerTest, SaveFileReportsFailures) {
  EXPECT_THROW(manager.saveFile(dir.file("NothingHelp.xml")), XmlSaveError);  // no document
  EXPECT_FALSE(std::filesystem::exists(dir.file("NothingHelp.xml")));

  ASSERT_TRUE(manager.initialize(dir.write("ReceiptHelp.xml", kHelp)));
  capture.clear();
  EXPECT_THROW(manager.saveFile(dir.file("no_such_dir/ReceiptHelp.xml")), XmlSaveError);
  EXPECT_THAT(texts(capture, spdlog::level::info), ::testing::Not(::testing::Contains("xml is written ..")));
}

class HelpManagerAddFormHelpTest : public HelpManagerTest {
 protected:
  std::string path = dir.write("ReceiptHelp.xml", kHelp);

  std::vector<std::string> formsOnDisk() {
    HelpManager reader;
    HelpDisplayType* document = reader.getHelpDisplayType(path);
    return document ? forms(*document) : std::vector<std::string>{};
  }
};

TEST_F(HelpManagerAddFormHelpTest, ANewFormIsAppendedAfterTheOthers) {
  ASSERT_TRUE(manager.addFormHelp("Receipt", "qty", "Key the quantity.", path));
  EXPECT_THAT(formsOnDisk(),
              ElementsAre("order=Scan the order number.", "item=First text", "item=Second text", "bare=null",
                          "rich=Line 1\nLine 2 & <more>", "qty=Key the quantity."));
  EXPECT_THAT(texts(capture, spdlog::level::info),
              ::testing::IsSupersetOf(std::vector<std::string>{
                  " transaction Type = TransactionType[id=Receipt, forms=[order, item, item, "
                  "bare, rich]]",
                  "  file name = " + path + " Help added for form id = qty"}));
}

TEST_F(HelpManagerAddFormHelpTest, AnExistingFormGetsTheNewText) {
  ASSERT_TRUE(manager.addFormHelp("Receipt", "item", "Replaced", path));
  ASSERT_TRUE(manager.addFormHelp("Receipt", "bare", "Now with help", path));
  EXPECT_THAT(formsOnDisk(), ElementsAre("order=Scan the order number.", "item=Replaced", "item=Second text",
                                         "bare=Now with help", "rich=Line 1\nLine 2 & <more>"));
  EXPECT_TRUE(capture.contains(" Help Added to the same form = item"));
  EXPECT_EQ(manager.getFormHelp("bare", "Receipt")->getMainHelp(), "Now with help");  // the kept document too
}

TEST_F(HelpManagerAddFormHelpTest, TheTransactionOfTheFileIsKeptWhateverItsId) {
  ASSERT_TRUE(manager.addFormHelp("Putaway", "order", "Changed", path));
  HelpManager reader;
  ASSERT_TRUE(reader.initialize(path));
  EXPECT_EQ(reader.getTransactionId(), "Receipt");
  EXPECT_EQ(reader.getFormHelp("order", "")->getMainHelp(), "Changed");
}

TEST_F(HelpManagerAddFormHelpTest, AFileWithoutTransactionGetsOne) {
  path = dir.write("NewHelp.xml", "<help_display/>");
  ASSERT_TRUE(manager.addFormHelp("New", "first", "Text", path));
  HelpManager reader;
  ASSERT_TRUE(reader.initialize(path));
  EXPECT_EQ(reader.getTransactionId(), "New");
  EXPECT_THAT(formsOnDisk(), ElementsAre("first=Text"));
}

TEST_F(HelpManagerAddFormHelpTest, AMissingFileIsReportedAndNotCreated) {
  ASSERT_TRUE(manager.initialize(path));
  const std::string missing = dir.file("MissingHelp.xml");
  capture.clear();
  EXPECT_FALSE(manager.addFormHelp("Missing", "form", "Text", missing));
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_EQ(texts(capture, spdlog::level::info), std::vector<std::string>{});
  EXPECT_EQ(manager.getTransaction(), nullptr);  // the failed load cleared the document
}

TEST_F(HelpManagerAddFormHelpTest, AFailedWriteIsReportedAndLeavesTheFileAsItWas) {
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  struct rlimit tiny = old;
  tiny.rlim_cur = 16;
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
  const bool added = manager.addFormHelp("Receipt", "qty", "Key the quantity.", path);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);

  EXPECT_FALSE(added);
  EXPECT_EQ(readFile(path), kHelp);
  EXPECT_THAT(dir.entries(), ElementsAre("ReceiptHelp.xml"));
  EXPECT_FALSE(capture.contains("Help added for form id"));
  EXPECT_THAT(texts(capture, spdlog::level::err),
              ::testing::Contains(HasSubstr("Failed to save file: " + path)));
}

TEST(HelpObjectFactory, MakesEmptyTypesAndTheRootElement) {
  help::ObjectFactory factory;
  HelpDisplayType document = factory.createHelpDisplayType();
  EXPECT_EQ(document.getTransaction(), nullptr);
  TransactionType transaction = factory.createTransactionType();
  transaction.getForm().push_back(factory.createFormType());
  document.setTransaction(transaction);
  help::HelpDisplay root = factory.createHelpDisplay(document);
  EXPECT_EQ(root.ELEMENT_NAME, "help_display");
  EXPECT_EQ(root.value.getTransaction()->getForm().size(), 1u);
  EXPECT_EQ(help::toXml(factory.createHelpDisplayType()), "<help_display/>");
}

TEST(HelpManagerDemoTest, TheLoginHelpIsFoundInEnglish) {
  testing::InDemoDirectory inDemo;
  VRCParser locator("vav_settings.xml", "demo");
  // A language without its own help files falls back to English.
  for (const char* language : {"english", "spanish"}) {
    std::optional<std::string> path = locator.getHelpXMLFilePath("StandardHelp.xml", language);
    ASSERT_TRUE(path) << language;
    HelpManager manager;
    ASSERT_TRUE(manager.initialize(*path)) << language;
    EXPECT_EQ(manager.getTransactionId(), "Standard");
    for (const char* form : {"welcome", "login"}) {
      FormType* help = manager.getFormHelp(form, "Standard");
      ASSERT_NE(help, nullptr) << form;
      EXPECT_TRUE(help->getMainHelp()) << form;
    }
  }
}

}  // namespace
}  // namespace tev
