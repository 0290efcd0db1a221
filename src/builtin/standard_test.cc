// The login transaction run on a scripted scanner against a temporary installation and a stand-in daemon.
#include "builtin/standard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "builtin/builtin_test_support.h"
#include "builtin/device_user_report.h"
#include "engine/field.h"
#include "engine/form.h"
#include "rpc/rpc_test_support.h"

namespace tev::builtin {
namespace {

using testing::BuiltinSession;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(StandardLogin, NameInEitherCaseAndPasswordIgnoringCaseReachTheMenu) {
  BuiltinSession s;
  s.startLogin();
  std::string passwordShown;
  s.session.scanner().enter().type("admin").enter().type("sECRET").enter();
  s.runSteps({[&] {
                passwordShown = s.session.transaction("Standard").getForm("login")->getFieldValue("password");
                s.session.scanner().enter().enter();
              },
              [] {}});

  EXPECT_EQ(passwordShown, "****");
  EXPECT_EQ(s.session.position(), "Menu/menu/menu_list");
  ASSERT_NE(VAVInterface::userData, nullptr);
  EXPECT_EQ(VAVInterface::userData->getUserName(), "ADMIN");
  EXPECT_NE(VAVInterface::userSettingsParser, nullptr);
  // The daemon hears the name as typed.
  EXPECT_THAT(s.daemon.admin.calls(), ElementsAre("[admin] [dev1]"));
  // The user's language after the check, the chosen one at the hand-over.
  EXPECT_THAT(s.loadedLanguages, ElementsAre("english", "english"));
  EXPECT_TRUE(s.session.logs().contains("admin authenticated successfully"));
  EXPECT_TRUE(s.session.logs().contains("Creating Menu Params: "));
  EXPECT_NE(s.session.memory().getTransaction("Menu"), nullptr);
  EXPECT_EQ(s.session.memory().currentTransaction->id, "Menu");
  EXPECT_FALSE(s.session.terminal().isMaskInput());
}

TEST(StandardLogin, RefusedLoginsGoBackToTheUserName) {
  struct Case {
    const char* name;
    const char* password;
    const char* logLine;
  };
  for (const Case& c : {Case{"admin", "wrong", "admin failed to authenticate"},
                        Case{"ghost", "Secret", "Failed to create User Data Object"}}) {
    SCOPED_TRACE(c.name);
    BuiltinSession s;
    s.startLogin();
    std::string shown;
    s.session.scanner().enter().type(c.name).enter().type(c.password).enter();
    s.runSteps({[&] {
                  shown = s.flatScreen();
                  s.session.scanner().enter();
                },
                [] {}});
    EXPECT_THAT(shown, HasSubstr("M_invalid_username_password"));
    EXPECT_EQ(s.session.position(), "Standard/login/username");
    EXPECT_TRUE(s.session.logs().contains(c.logLine));
    EXPECT_TRUE(s.daemon.admin.calls().empty());
  }
}

TEST(StandardLogin, AutomaticLoginOnceOnAnyDeviceTypeWithTheMaskedPasswordInTheLog) {
  BuiltinSession s;
  Standard& login = s.startLogin();
  login.pm_auto_login = true;
  login.pm_device_type = "all";
  login.pm_auto_login_username = "admin";
  login.pm_auto_login_password = "Secret";
  std::vector<std::string> positions;
  auto where = [&] { positions.push_back(s.session.position()); };
  s.runSteps({[&] {
                where();
                // Escape at the top of the menu logs out; the login waits for the operator now.
                s.session.scanner().escape();
              },
              [&] {
                where();
                s.session.scanner().enter();
              },
              where});

  EXPECT_THAT(positions,
              ElementsAre("Menu/menu/menu_list", "Standard/welcome/continue", "Standard/login/username"));
  EXPECT_FALSE(Standard::bFirstLogin);
  EXPECT_TRUE(s.session.logs().contains("Auto Login:true,DeviceType:all,Username: admin, Password: ****"));
  for (const auto& line : s.session.logs().lines())
    EXPECT_THAT(line.text, ::testing::Not(HasSubstr("Secret")));
  EXPECT_THAT(s.daemon.admin.calls(), ElementsAre("[admin] [dev1]", "[ ] [dev1]"));
}

TEST(StandardLogin, AutomaticLoginOnlyForItsDeviceType) {
  BuiltinSession s;
  Standard& login = s.startLogin();
  login.pm_auto_login = true;
  login.pm_device_type = "Forklift";
  login.pm_auto_login_username = "admin";
  login.pm_auto_login_password = "Secret";
  s.session.run();
  EXPECT_EQ(s.session.position(), "Standard/welcome/continue");
  EXPECT_TRUE(Standard::bFirstLogin);
}

TEST(StandardLogin, UserWithoutCompanyStaysInTheLoginForm) {
  BuiltinSession s;
  s.startLogin();
  std::string shown;
  s.typeLogin("nocomp", "PW");
  s.runSteps({[&] {
                shown = s.flatScreen();
                s.session.scanner().enter();
              },
              [] {}});
  EXPECT_THAT(shown, HasSubstr("Invalid Company =null Please contact Administrator"));
  EXPECT_EQ(s.session.memory().getTransaction("Menu"), nullptr);
  EXPECT_EQ(s.session.position(), "Standard/login/username");
}

TEST(StandardLogin, PrinterWithoutNetworkPathIsRefused) {
  BuiltinSession s;
  Standard& login = s.startLogin();
  login.pm_input_default_printer = true;
  std::vector<std::string> positions;
  std::string offered;
  std::string shown;
  auto printer = [&]() -> Field& {
    return *s.session.transaction("Standard").getForm("login")->getField("label_printer");
  };
  s.session.scanner().enter().type("admin").enter().type("Secret").enter().enter().enter();
  s.runSteps({[&] {
                positions.push_back(s.session.position());
                offered = printer().value;
                printer().value = "NOPATH";
                s.session.scanner().enter();
              },
              [&] {
                shown = s.flatScreen();
                s.session.scanner().enter();
              },
              [&] {
                positions.push_back(s.session.position());
                printer().value = "DOCK1";
                s.session.scanner().enter();
              },
              [] {}});
  // The user's default printer is offered.
  EXPECT_EQ(offered, "DOCK1");
  EXPECT_THAT(shown, HasSubstr("Invalid Printer.."));
  EXPECT_THAT(positions, ElementsAre("Standard/login/label_printer", "Standard/login/label_printer"));
  EXPECT_EQ(s.session.position(), "Menu/menu/menu_list");
  EXPECT_EQ(VAVInterface::userData->getParameterValue("def_printer"), "DOCK1");
}

TEST(StandardLogin, LanguageListFromTheInstallationOrTheBuiltInPair) {
  for (bool withList : {true, false}) {
    SCOPED_TRACE(withList);
    BuiltinSession s;
    if (!withList) std::filesystem::remove(s.tree.path("config/language_list.xml"));
    Standard& login = s.startLogin();
    s.session.scanner().enter().type("admin").enter().type("Secret").enter();
    s.session.run();
    Field* language = s.session.transaction("Standard").getForm("login")->getField("language");
    if (withList) {
      EXPECT_THAT(login.languageIds, ElementsAre("english", "german"));
      EXPECT_THAT(language->values, ElementsAre("English", "Deutsch"));
    } else {
      EXPECT_THAT(login.languageIds, ElementsAre("english", "spanish"));
      EXPECT_THAT(language->values, ElementsAre("english", "spanish"));
      EXPECT_TRUE(s.session.logs().contains("Problem with language list file ."));
    }
    EXPECT_EQ(language->lineValues, login.languageIds);
  }
}

TEST(StandardLogin, ChosenLanguageAndWarehouseBecomeTheUsers) {
  BuiltinSession s;
  s.startLogin();
  auto field = [&](const char* id) -> Field& {
    return *s.session.transaction("Standard").getForm("login")->getField(id);
  };
  s.session.scanner().enter().type("admin").enter().type("Secret").enter();
  s.runSteps({[&] {
                field("whse").value = "W9";
                field("language").value = "german";
                s.session.scanner().enter().enter();
              },
              [] {}});
  EXPECT_EQ(s.session.position(), "Menu/menu/menu_list");
  EXPECT_EQ(VAVInterface::userData->getWhse(), "W9");
  EXPECT_EQ(VAVInterface::userData->getLanguage(), "german");
  EXPECT_THAT(s.loadedLanguages, ElementsAre("english", "german"));
  EXPECT_TRUE(s.session.logs().contains("Labels and Messages are persisted for changed Language :german"));
}

TEST(StandardLogin, AnUnreachableDaemonIsOnlyLogged) {
  BuiltinSession s(std::to_string(rpc::testing::unusedPort()));
  s.startLogin();
  s.typeLogin("admin", "Secret");
  s.session.run();
  EXPECT_EQ(s.session.position(), "Menu/menu/menu_list");
  EXPECT_TRUE(s.session.logs().contains("Failed to register with torvend"));
}

// Only the port is read here: a look-up on the default port would reach whatever daemon runs on this machine.
TEST(DeviceUserReport, RegistryPortFallsBackToTheDefault) {
  struct Case {
    const char* setting;
    int port;
    bool logged;
  };
  for (const Case& c : {Case{"4711", 4711, false}, Case{"not-a-port", 1099, true}, Case{"0", 1099, false},
                        Case{"-1", 1099, false}}) {
    SCOPED_TRACE(c.setting);
    BuiltinSession s(std::string(c.setting));
    EXPECT_EQ(rmiRegistryPort(Standard().currentLogger), c.port);
    EXPECT_EQ(s.session.logs().contains("Failed to load the RMI Registry Port"), c.logged);
  }
}

}  // namespace
}  // namespace tev::builtin
