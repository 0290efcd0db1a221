// MariadbRunner: a throw-away MariaDB server for tests. It creates a data directory in a temporary directory
// (mariadb-install-db), runs mariadbd on a free loopback port with its own socket, pid file and error log
// there, waits until it accepts connections, and prepares what the Perl program link expects: the database
// "mosku", the account qoj/qoj (from 'localhost' and '127.0.0.1') with all rights on it, and a table
//   scans(id INT AUTO_INCREMENT PRIMARY KEY, device VARCHAR(20), code VARCHAR(40)).
// The server's root account has no password. The destructor stops the server and removes the directory.
//
//   if (!MariadbRunner::installed()) GTEST_SKIP() << MariadbRunner::notInstalledReason();
//   MariadbRunner mariadb;
//   MysqlConnection connection = mariadb.connectAs("qoj", "qoj");
//   ... << mariadb.log();                                // the server's error log, for failure messages
#pragma once

#include <string>

#include "common/child_process.h"
#include "common/test_support.h"
#include "session/mysql_connection.h"

namespace tev::testing {

class MariadbRunner {
 public:
  static inline const std::string kMariadbd = "/usr/sbin/mariadbd";
  static inline const std::string kInstallDb = "/usr/bin/mariadb-install-db";
  static inline const std::string kDatabase = "mosku";
  static inline const std::string kUser = "qoj";
  static inline const std::string kPassword = "qoj";

  // Starts and prepares the server. Throws std::runtime_error, with the programs' own output, when it cannot
  // be started or prepared (also when the programs are not installed).
  MariadbRunner();
  ~MariadbRunner();
  MariadbRunner(const MariadbRunner&) = delete;
  MariadbRunner& operator=(const MariadbRunner&) = delete;

  // Whether the server programs are installed; when not, notInstalledReason() says which one is missing.
  static bool installed();
  static std::string notInstalledReason();

  int port() const { return port_; }
  // A new connection over TCP to 127.0.0.1:port(). Throws MysqlError.
  MysqlConnection connectAs(const std::string& user, const std::string& password,
                            const std::string& database = kDatabase) const;
  // The server's error log so far.
  std::string log() const;
  // Stops the server: SIGTERM, up to 30 s for its shutdown, then SIGKILL. Later calls do nothing.
  void stop();

 private:
  void install();
  bool startOn(int port);
  void prepare();
  std::string dataDirectory() const { return dir_.file("data"); }
  // The servers' own temporary files: the shared /tmp is not safe for servers set up side by side.
  std::string temporaryDirectory() const { return dir_.file("tmp"); }

  TempDir dir_;
  ChildProcess process_;
  int port_ = 0;
};

}  // namespace tev::testing
