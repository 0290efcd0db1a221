// The directory check against a real slapd started for the test on a loopback port, and the login with it.
#include "builtin/active_directory_authenticator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "builtin/builtin_test_support.h"
#include "common/log.h"
#include "rpc/rpc_test_support.h"
#include "tests/support/slapd_runner.h"

namespace tev::builtin {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::tev::testing::SlapdRunner;

class DirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!SlapdRunner::installed()) GTEST_SKIP() << "slapd is not installed";
    slapd = std::make_unique<SlapdRunner>(
        SlapdRunner::personEntry("jdoe", "Secret1", "12") + SlapdRunner::personEntry("later", "pw3", "30") +
        SlapdRunner::personEntry("past", "pw4", "-5") + SlapdRunner::personEntry("never", "pw5", "0") +
        SlapdRunner::personEntry("noexpiry", "pw2", std::nullopt));
  }

  std::string providerUrl(const std::string& cn) const { return slapd->url() + "/" + SlapdRunner::dnOf(cn); }

  std::unique_ptr<SlapdRunner> slapd;
};

TEST_F(DirectoryTest, BindThenAccountExpires) {
  struct Case {
    std::string cn;
    std::string password;
    bool accepted;
    std::int64_t days;
    const char* logLine;
  };
  for (const Case& c : {Case{"jdoe", "Secret1", true, 12, "accountExpires : 12"},
                        Case{"past", "pw4", true, -5, "accountExpires : -5"},
                        Case{"jdoe", "secret1", false, -1, "Exception : Authentication Exception "},
                        Case{"nobody", "nopass9", false, -1, "Exception : Authentication Exception "},
                        Case{"noexpiry", "pw2", false, -1, "has no accountExpires"},
                        // An empty simple bind would be an unauthenticated bind, which slapd accepts.
                        Case{"jdoe", "", false, -1, "An empty password is refused"}}) {
    SCOPED_TRACE(c.cn + "/" + c.password);
    log::Capture logs;
    ActiveDirectoryAuthenticator authenticator(providerUrl(c.cn));
    EXPECT_EQ(authenticator.authenticate(c.cn, c.password), c.accepted);
    EXPECT_EQ(authenticator.getLoginExpirationDays(), c.days);
    EXPECT_TRUE(logs.contains("Info: Authenticating with Active Directory For User = " + c.cn));
    EXPECT_TRUE(logs.contains(c.logLine));
    if (!c.password.empty()) {
      for (const auto& line : logs.lines()) EXPECT_THAT(line.text, Not(HasSubstr(c.password)));
    }
  }
}

TEST(DirectoryUrl, WithoutSlashOrServerTheCheckFails) {
  for (std::string url : {std::string("no-slash-at-all"),
                          "ldap://127.0.0.1:" + std::to_string(rpc::testing::unusedPort()) + "/cn=a,dc=b"}) {
    SCOPED_TRACE(url);
    log::Capture logs;
    ActiveDirectoryAuthenticator authenticator(url);
    EXPECT_FALSE(authenticator.authenticate("a", "pw"));
    EXPECT_TRUE(logs.contains("Exception : Other Exception "));
  }
  std::string server;
  std::string principal;
  ASSERT_TRUE(ActiveDirectoryAuthenticator::splitProviderUrl("ldap://h:389/cn=x,dc=y", server, principal));
  EXPECT_EQ(server, "ldap://h:389");
  EXPECT_EQ(principal, "cn=x,dc=y");
}

// The login with the directory on: ADMIN's provider URL names the directory entry.
class DirectoryLoginTest : public DirectoryTest {
 protected:
  void useEntry(const std::optional<std::string>& cn) {
    std::string url = cn ? "<param_value id=\"provider_url\" value=\"" + providerUrl(*cn) + "\"/>" : "";
    s.tree.writeFile(
        "env_prod/data/user_list.xml",
        "<user_list><user><username>ADMIN</username><password>ignored</password><whse>W1</whse>"
        "<language>english</language><param_value_list><param_value id=\"company\" value=\"101\"/>" +
            url + "</param_value_list><menu id=\"main_menu\"/></user></user_list>");
    s.startLogin().pm_active_directory_implementation = true;
  }

  // Logs in with the password; returns the screen at the first stop after the password.
  std::string login(const std::string& password) {
    std::string shown;
    s.session.scanner().enter().type("admin").enter().type(password).enter();
    s.runSteps({[&] {
                  shown = s.flatScreen();
                  s.session.scanner().enter();
                },
                [&] { s.session.scanner().enter().enter(); }, [] {}});
    return shown;
  }

  testing::BuiltinSession s;
};

TEST_F(DirectoryLoginTest, ExpiryWithinThirtyDaysIsShown) {
  useEntry(std::string("jdoe"));
  std::string shown = login("Secret1");
  EXPECT_THAT(shown, HasSubstr("Information"));
  // "Password Expires in " fills the row; the number starts the next one.
  EXPECT_THAT(shown, HasSubstr("Password Expires in12 day(s)"));
  EXPECT_EQ(s.session.position(), "Menu/menu/menu_list");
}

TEST_F(DirectoryLoginTest, ThirtyDaysOrMoreShowNothing) {
  useEntry(std::string("later"));
  s.session.scanner().enter().type("admin").enter().type("pw3").enter().enter().enter();
  s.session.run();
  EXPECT_EQ(s.session.position(), "Menu/menu/menu_list");
  for (const sim::ScreenModel& screen : s.session.screensAtInput())
    EXPECT_FALSE(screen.contains("Password Expires"));
}

TEST_F(DirectoryLoginTest, WrongPasswordIsRefused) {
  useEntry(std::string("jdoe"));
  // The user list's own password does not count with the directory on.
  std::string shown = login("ignored");
  EXPECT_THAT(shown, HasSubstr("M_invalid_username_password"));
  EXPECT_EQ(s.session.memory().getTransaction("Menu"), nullptr);
}

TEST_F(DirectoryLoginTest, WithoutProviderUrlTheLoginIsLeft) {
  useEntry(std::nullopt);
  std::string shown = login("Secret1");
  EXPECT_THAT(shown, HasSubstr("Provider URL parameter is not setup"));
  EXPECT_EQ(s.session.memory().getTransaction("Menu"), nullptr);
  EXPECT_THAT(s.session.position(), HasSubstr("Standard/"));
}

}  // namespace
}  // namespace tev::builtin
