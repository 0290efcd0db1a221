// The password change on a scripted scanner, writing a temporary user list.
#include "builtin/change_password.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "builtin/builtin_test_support.h"
#include "engine/user_menu_xml_parser.h"
#include "xml/xml_query_bean.h"

namespace tev::builtin {
namespace {

using testing::BuiltinSession;
using ::testing::HasSubstr;
using ::testing::Not;

// ADMIN (stored password "Secret") logged in, in the password change.
class ChangePasswordTest : public ::testing::Test {
 protected:
  ChangePasswordTest() {
    UserMenuXmlParser users(s.userListPath());
    VAVInterface::userData = users.getUserInfoByUserName("ADMIN");
    auto reader = std::make_shared<TransactionXmlParser>(VAVInterface::labelList, VAVInterface::messageList,
                                                         fieldDictionaryOf(s.dictionary.getBaanFieldDefs()));
    s.session.addTransaction(reader->loadTransaction(*s.locator, "ChangePassword"));
    s.session.start("ChangePassword");
  }

  std::string storedPassword() {
    XMLQueryBean list;
    list.loadXMLDocument(s.userListPath());
    return list.getNodeValueByParsedExpr(ChangePassword::PASSWORD_PATH, {"ADMIN"}).value_or("<none>");
  }

  // Types the three passwords and records the screen the form exit leaves (then dismisses it).
  std::string change(const std::string& oldPassword, const std::string& password, const std::string& confirm,
                     std::function<void()> beforeExit = {}) {
    std::string shown;
    s.session.scanner().type(oldPassword).enter().type(password).enter();
    s.runSteps({[&] {
                  if (beforeExit) beforeExit();
                  s.session.scanner().type(confirm).enter();
                },
                [&] {
                  shown = s.flatScreen();
                  s.session.scanner().enter();
                },
                [] {}});
    return shown;
  }

  BuiltinSession s;
};

TEST_F(ChangePasswordTest, ConfirmedSaveThenTheMessage) {
  std::string shown = change("Secret", "N3w", "N3w");
  EXPECT_THAT(shown, HasSubstr("M_password_changed"));
  EXPECT_EQ(storedPassword(), "N3w");
  // The session's user keeps the old password until the next login.
  EXPECT_EQ(VAVInterface::userData->getPassword(), "Secret");
  EXPECT_TRUE(s.session.logs().contains("Renamed the original files"));
  EXPECT_TRUE(s.session.logs().contains("Saved the file"));
  // Written through a temporary file that is gone now; the other user is untouched.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(s.tree.path("env_prod/data"))) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 3);  // user_list.xml, menus.xml, printer_list.xml
  UserMenuXmlParser reread(s.userListPath());
  EXPECT_EQ(reread.getUserInfoByUserName("nocomp")->getPassword(), "pw");
  EXPECT_EQ(s.session.position(), "ChangePassword/set_password/old_password");
}

TEST_F(ChangePasswordTest, OldPasswordMustMatchInCase) {
  std::string shown = change("secret", "N3w", "N3w");
  EXPECT_THAT(shown, HasSubstr("M_password_mismatch"));
  EXPECT_THAT(shown, Not(HasSubstr("M_password_changed")));
  EXPECT_EQ(storedPassword(), "Secret");
}

TEST_F(ChangePasswordTest, ConfirmationMismatchStaysInTheField) {
  std::string shown;
  std::string where;
  s.session.scanner().type("Secret").enter().type("N3w").enter().type("N3W").enter();
  s.runSteps({[&] {
                shown = s.flatScreen();
                s.session.scanner().enter();
              },
              [&] { where = s.session.position(); }});
  EXPECT_THAT(shown, HasSubstr("M_password_mismatch"));
  EXPECT_EQ(where, "ChangePassword/set_password/confirm_password");
  EXPECT_EQ(storedPassword(), "Secret");
}

TEST_F(ChangePasswordTest, AFailedSaveShowsAnErrorAndKeepsTheList) {
  // A file-size limit makes writing the temporary file fail (as a full disk would), even for root.
  struct rlimit previous {};
  ::getrlimit(RLIMIT_FSIZE, &previous);
  struct sigaction ignore {};
  struct sigaction previousAction {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGXFSZ, &ignore, &previousAction);
  std::string before = ::tev::testing::readFile(s.userListPath());
  std::string shown = change("Secret", "N3w", "N3w", [] {
    struct rlimit tiny {
      16, RLIM_INFINITY
    };
    ::getrlimit(RLIMIT_FSIZE, &tiny);
    tiny.rlim_cur = 16;
    ::setrlimit(RLIMIT_FSIZE, &tiny);
  });
  ::setrlimit(RLIMIT_FSIZE, &previous);
  ::sigaction(SIGXFSZ, &previousAction, nullptr);

  EXPECT_THAT(shown, HasSubstr(ChangePassword::NOT_SAVED));
  EXPECT_THAT(shown, Not(HasSubstr("M_password_changed")));
  EXPECT_EQ(::tev::testing::readFile(s.userListPath()), before);
  EXPECT_TRUE(s.session.logs().contains("set_password_form_exit failed"));
}

TEST_F(ChangePasswordTest, MaskingFollowsThePasswordFields) {
  std::vector<bool> masked;
  s.session.scanner().type("Secret").enter();
  s.runSteps({[&] {
                masked.push_back(s.session.terminal().isMaskInput());
                s.session.scanner().type("a").enter().type("a").enter();
              },
              [&] {
                masked.push_back(s.session.terminal().isMaskInput());
                s.session.scanner().enter();
              },
              [&] { masked.push_back(s.session.terminal().isMaskInput()); }});
  // In the new password field; off once the confirmation matched (the message after the save); on again in
  // the old password field of the next round.
  EXPECT_EQ(masked, (std::vector<bool>{true, false, true}));
  EXPECT_EQ(s.session.transaction("ChangePassword").getForm("set_password")->getFieldValue("username"),
            "ADMIN");
}

}  // namespace
}  // namespace tev::builtin
