// One connection to a MySQL (or MariaDB) server through libmariadb, for callers that run single statements:
//
//   MysqlConnection connection("localhost", 0, "qoj", "qoj", "mosku");
//   std::uint64_t added = connection.executeUpdate("INSERT INTO scans (device) VALUES ('D1')");
//   auto rows = connection.query("SELECT id, device FROM scans");
//
// Invariants:
//  - The connection always goes over TCP, also for "localhost" (the client library would otherwise take the
//    local socket). Port 0 is the client library's default: MYSQL_TCP_PORT when set, else 3306.
//  - Connecting gives up after 10 s and every read or write on an open connection after 30 s, so a dead or
//    stopped server ends in a MysqlError, never in a hang.
//  - The connection does not reconnect by itself: once the server is gone every statement fails, and the
//  owner
//    opens a new connection when it wants one.
//  - Multiple statements in one text are refused by the server (a syntax error), as one request is one
//    statement.
//  - Errors carry what the server or the client library said (mysql_error), never the password.
//  - A connection is used by one thread at a time; the client library is initialised once per process and
//    once per thread that opens a connection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/error.h"

struct st_mysql;

namespace tev {

// A failed connect or statement; the message is what the server or the client library said.
class MysqlError : public Error {
 public:
  using Error::Error;
};

class MysqlConnection {
 public:
  // Connects to host:port as user and selects the database. Throws MysqlError.
  MysqlConnection(const std::string& host, unsigned port, const std::string& user,
                  const std::string& password, const std::string& database);
  ~MysqlConnection();
  MysqlConnection(const MysqlConnection&) = delete;
  MysqlConnection& operator=(const MysqlConnection&) = delete;

  // Runs one statement that returns no rows and answers the number of rows it affected. A statement that
  // returns rows is refused (its rows are read and dropped, so the connection stays usable). Throws
  // MysqlError.
  std::uint64_t executeUpdate(const std::string& sql);

  // Runs a statement that returns rows and answers every row, each value as text (NULL as ""). A statement
  // that returns no rows answers no rows. Throws MysqlError.
  std::vector<std::vector<std::string>> query(const std::string& sql);

 private:
  [[noreturn]] void fail() const;
  void run(const std::string& sql);

  st_mysql* mysql_ = nullptr;
};

}  // namespace tev
