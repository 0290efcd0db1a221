// MysqlConnection against a real MariaDB server started for each test (tests/support/mariadb_runner.*).
#include "session/mysql_connection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "common/tcp.h"
#include "tests/support/mariadb_runner.h"

namespace tev {
namespace {

using ::testing::HasSubstr;
using testing::MariadbRunner;
using ::testing::Not;
using Rows = std::vector<std::vector<std::string>>;

class MysqlConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!MariadbRunner::installed()) GTEST_SKIP() << MariadbRunner::notInstalledReason();
    mariadb_ = std::make_unique<MariadbRunner>();
  }

  // The connection the Perl program link opens: the local machine by name, over TCP.
  std::unique_ptr<MysqlConnection> connectAsLink() {
    return std::make_unique<MysqlConnection>("localhost", mariadb_->port(), MariadbRunner::kUser,
                                             MariadbRunner::kPassword, MariadbRunner::kDatabase);
  }

  // The message of the MysqlError the call throws ("" when it throws none).
  template <typename Call>
  static std::string errorOf(Call call) {
    try {
      call();
    } catch (const MysqlError& error) {
      return error.what();
    }
    return "";
  }

  std::unique_ptr<MariadbRunner> mariadb_;
};

TEST_F(MysqlConnectionTest, InsertsAndReadsBackAsTheLinkAccount) {
  auto connection = connectAsLink();
  EXPECT_EQ(
      connection->executeUpdate("INSERT INTO scans (device, code) VALUES ('D1', 'A-1'), ('D2', 'Größe')"),
      2u);
  EXPECT_EQ(connection->executeUpdate("INSERT INTO scans (device, code) VALUES ('D3', NULL)"), 1u);
  EXPECT_EQ(connection->executeUpdate("UPDATE scans SET code = 'B' WHERE device IN ('D1', 'D9')"), 1u);
  EXPECT_EQ(connection->executeUpdate("DELETE FROM scans WHERE device = 'none'"), 0u);

  EXPECT_EQ(connection->query("SELECT id, device, code FROM scans ORDER BY id"),
            (Rows{{"1", "D1", "B"}, {"2", "D2", "Größe"}, {"3", "D3", ""}}));
  EXPECT_EQ(connection->query("SELECT device FROM scans WHERE device = 'none'"), Rows{});
  // Another connection sees the rows: each statement is committed on its own.
  EXPECT_EQ(mariadb_->connectAs("qoj", "qoj").query("SELECT COUNT(*) FROM scans"), Rows{{"3"}});
}

TEST_F(MysqlConnectionTest, FailedStatementsThrowTheServerTextAndLeaveTheConnectionUsable) {
  auto connection = connectAsLink();
  struct Case {
    std::string sql;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"INSERT INTO scans (device) VALUS ('D1')", "You have an error in your SQL syntax"},
      {"INSERT INTO missing (device) VALUES ('D1')", "Table 'mosku.missing' doesn't exist"},
      {"INSERT INTO scans (device) VALUES ('D1'); INSERT INTO scans (device) VALUES ('D2')",
       "You have an error in your SQL syntax"},
      {"INSERT INTO scans (id, device) VALUES (7, 'D1'), (7, 'D2')", "Duplicate entry '7' for key 'PRIMARY'"},
      {"SELECT device FROM scans", "The statement returned rows"},
      {"", "Query was empty"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_THAT(errorOf([&] { connection->executeUpdate(c.sql); }), HasSubstr(c.message));
    EXPECT_EQ(connection->executeUpdate("INSERT INTO scans (device) VALUES ('ok')"), 1u);
  }
  EXPECT_THAT(errorOf([&] { connection->query("SELECT nothing FROM scans"); }),
              HasSubstr("Unknown column 'nothing'"));
  // Only the inserts after each failure are there: neither the two statements in one nor the duplicate key.
  EXPECT_EQ(connection->query("SELECT device, COUNT(*) FROM scans GROUP BY device"), (Rows{{"ok", "6"}}));
}

TEST_F(MysqlConnectionTest, RefusedConnectionsThrowWithoutThePassword) {
  EXPECT_THAT(errorOf([&] { mariadb_->connectAs("qoj", "wrong-secret"); }),
              ::testing::AllOf(HasSubstr("Access denied for user 'qoj'"), Not(HasSubstr("wrong-secret"))));
  EXPECT_THAT(errorOf([&] { mariadb_->connectAs("nobody", "qoj"); }), HasSubstr("Access denied"));
  EXPECT_THAT(errorOf([&] { mariadb_->connectAs("qoj", "qoj", "mysql"); }),
              HasSubstr("Access denied for user 'qoj'@'127.0.0.1' to database 'mysql'"));
}

TEST_F(MysqlConnectionTest, AStoppedServerFailsTheNextStatementAndConnect) {
  auto connection = connectAsLink();
  mariadb_->stop();
  auto start = std::chrono::steady_clock::now();
  EXPECT_NE(errorOf([&] { connection->executeUpdate("INSERT INTO scans (device) VALUES ('D1')"); }), "");
  EXPECT_NE(errorOf([&] { connectAsLink(); }), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// A peer that accepts TCP connections but never speaks (a hung server) ends the connect after its time-out.
TEST(MysqlConnectionTimeoutTest, ASilentServerEndsTheConnectInsteadOfHanging) {
  TcpListener silent = TcpListener::listen(0, true);
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(MysqlConnection("127.0.0.1", silent.port(), "qoj", "qoj", "mosku"), MysqlError);
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::seconds(9));
  EXPECT_LT(elapsed, std::chrono::seconds(40));
}

}  // namespace
}  // namespace tev
