// The help transaction, called with the shared variables of the transaction and form it helps with.
#include "builtin/help_display.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "builtin/builtin_test_support.h"
#include "engine/field.h"
#include "engine/form.h"

namespace tev::builtin {
namespace {

using testing::BuiltinSession;
using ::testing::ElementsAre;

// The help list HelpDisplay shows when called from that transaction and form.
std::vector<std::string> helpFor(const std::optional<std::string>& transactionId, const std::string& formId,
                                 BuiltinSession& s) {
  auto caller = std::make_shared<Transaction>();
  caller->id = "Caller";
  auto shared = [&](const std::string& id, const std::string& value) {
    SharedVariable variable;
    variable.id = id;
    variable.value = value;
    caller->setSharedVariable(id, variable);
  };
  if (transactionId) shared("TransactionId", *transactionId);
  shared("FormId", formId);
  auto reader = std::make_shared<TransactionXmlParser>(VAVInterface::labelList, VAVInterface::messageList,
                                                       fieldDictionaryOf(s.dictionary.getBaanFieldDefs()));
  s.session.addTransaction(reader->loadTransaction(*s.locator, "HelpDisplay"));
  s.session.start("HelpDisplay");
  TransactionLogic::transactionStack = {caller, s.session.memory().getTransaction("HelpDisplay")};
  TransactionLogic::currentStackLevel = 1;
  s.session.run();
  return s.session.transaction("HelpDisplay").getForm("help_display")->getField("help_list")->values;
}

TEST(HelpDisplayTest, TextOfTheCallingFormInLinesOfTheScreenWidth) {
  BuiltinSession s;
  s.tree.writeFile(
      "env_prod/data/helpfiles/english/StandardHelp.xml",
      "<help_display><transaction id=\"Standard\">"
      "<form id=\"welcome\"><main_help>Press Enter.</main_help></form>"
      "<form id=\"login\"><main_help>Key or scan your user name and\n  password.</main_help></form>"
      "</transaction></help_display>");
  EXPECT_THAT(helpFor(std::string("Standard"), "login", s),
              ElementsAre("Key or scan your", "user name and", "password."));
  EXPECT_TRUE(s.session.logs().contains(" Form Id = login  getId of form type = welcome"));
}

TEST(HelpDisplayTest, MissingFileOrFormGivesOneLine) {
  struct Case {
    std::optional<std::string> transactionId;
    const char* formId;
    const char* line;
  };
  for (const Case& c : {Case{std::string("Receipts"), "r1", " Help File not found for Receipts"},
                        Case{std::string("Standard"), "nosuch", " Help File not found for Standard"},
                        Case{std::nullopt, "r1", " Help File not found for null"}}) {
    SCOPED_TRACE(c.line);
    BuiltinSession s;
    s.tree.writeFile("env_prod/data/helpfiles/english/StandardHelp.xml",
                     "<help_display><transaction id=\"Standard\"><form id=\"login\"><main_help>x</main_help>"
                     "</form></transaction></help_display>");
    EXPECT_THAT(helpFor(c.transactionId, c.formId, s), ElementsAre(c.line));
  }
}

TEST(HelpDisplayTest, WrapAtBlanksAndCutLongWords) {
  EXPECT_THAT(HelpDisplay::wrap("  one two   three ", 9), ElementsAre("one two", "three"));
  EXPECT_THAT(HelpDisplay::wrap("abcdefghijkl mn", 5), ElementsAre("abcde", "fghij", "kl mn"));
  // Widths count characters, not bytes.
  EXPECT_THAT(HelpDisplay::wrap("\xC3\xA4\xC3\xB6\xC3\xBC x", 5), ElementsAre("\xC3\xA4\xC3\xB6\xC3\xBC x"));
  EXPECT_TRUE(HelpDisplay::wrap("   ", 20).empty());
}

}  // namespace
}  // namespace tev::builtin
