#include "tests/support/mariadb_runner.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tev::testing {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(60);
constexpr auto kStopTimeout = std::chrono::seconds(30);

bool runsAsRoot() {
  return ::geteuid() == 0;
}

}  // namespace

bool MariadbRunner::installed() {
  return ::access(kMariadbd.c_str(), X_OK) == 0 && ::access(kInstallDb.c_str(), X_OK) == 0;
}

std::string MariadbRunner::notInstalledReason() {
  if (::access(kMariadbd.c_str(), X_OK) != 0) return "mariadbd is not installed (" + kMariadbd + ")";
  if (::access(kInstallDb.c_str(), X_OK) != 0)
    return "mariadb-install-db is not installed (" + kInstallDb + ")";
  return "";
}

MariadbRunner::MariadbRunner() {
  if (!installed()) throw std::runtime_error(notInstalledReason());
  install();
  bool started = false;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) started = startOn(freePort());
  if (!started) throw std::runtime_error("mariadbd did not start:\n" + log());
  prepare();
}

MariadbRunner::~MariadbRunner() {
  try {
    stop();
  } catch (const std::exception&) {
    // The ChildProcess still kills and reaps a child that is left.
  }
}

void MariadbRunner::install() {
  std::filesystem::create_directories(temporaryDirectory());
  ChildProcess::Options options;
  options.argv = {kInstallDb, "--no-defaults", "--auth-root-authentication-method=normal", "--skip-test-db",
                  "--datadir=" + dataDirectory()};
  if (runsAsRoot()) options.argv.push_back("--user=root");
  options.extraEnvironment = {"TMPDIR=" + temporaryDirectory()};
  options.stdinSpec = StreamSpec::null();
  options.stdoutSpec = StreamSpec::file(dir_.file("install.out"));
  options.stderrSpec = StreamSpec::file(dir_.file("install.out"));
  ExitStatus status = ChildProcess::start(options).wait();
  if (!status.success())
    throw std::runtime_error("mariadb-install-db failed (" + status.describe() + "):\n" +
                             readFile(dir_.file("install.out")));
}

// Runs the server on the port and waits until it answers as this runner's server. False when it ended
// first (the port was taken meanwhile); throws when it does not answer in time.
bool MariadbRunner::startOn(int port) {
  const std::string socket = dir_.file("mariadbd.sock");
  ChildProcess::Options options;
  options.argv = {kMariadbd,
                  "--no-defaults",
                  "--datadir=" + dataDirectory(),
                  "--bind-address=127.0.0.1",
                  "--port=" + std::to_string(port),
                  "--socket=" + socket,
                  "--pid-file=" + dir_.file("mariadbd.pid"),
                  "--log-error=" + dir_.file("mariadbd.err"),
                  "--tmpdir=" + temporaryDirectory(),
                  "--skip-name-resolve",
                  "--innodb-buffer-pool-size=16M"};
  if (runsAsRoot()) options.argv.push_back("--user=root");
  options.stdinSpec = StreamSpec::null();
  options.stdoutSpec = StreamSpec::file(dir_.file("mariadbd.out"));
  options.stderrSpec = StreamSpec::file(dir_.file("mariadbd.out"));
  process_ = ChildProcess::start(options);

  auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  std::string lastError;
  while (std::chrono::steady_clock::now() < deadline) {
    if (process_.tryWait()) return false;
    try {
      MysqlConnection root("127.0.0.1", static_cast<unsigned>(port), "root", "", "mysql");
      // Another test's server may hold the port while this one is still failing to bind it.
      auto rows = root.query("SELECT @@socket");
      if (rows.size() == 1 && rows[0].size() == 1 && rows[0][0] == socket) {
        port_ = port;
        return true;
      }
      lastError = "a server that is not ours answers on port " + std::to_string(port);
    } catch (const MysqlError& error) {
      lastError = error.what();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  process_.kill(SIGKILL);
  process_.wait();
  throw std::runtime_error("mariadbd did not accept connections within " +
                           std::to_string(kStartTimeout.count()) + " s (" + lastError + "):\n" + log());
}

void MariadbRunner::prepare() {
  MysqlConnection root = connectAs("root", "", "mysql");
  const std::vector<std::string> statements = {
      "CREATE DATABASE " + kDatabase,
      "CREATE USER '" + kUser + "'@'localhost' IDENTIFIED BY '" + kPassword + "'",
      "CREATE USER '" + kUser + "'@'127.0.0.1' IDENTIFIED BY '" + kPassword + "'",
      "GRANT ALL PRIVILEGES ON " + kDatabase + ".* TO '" + kUser + "'@'localhost'",
      "GRANT ALL PRIVILEGES ON " + kDatabase + ".* TO '" + kUser + "'@'127.0.0.1'",
      "CREATE TABLE " + kDatabase +
          ".scans (id INT AUTO_INCREMENT PRIMARY KEY, device VARCHAR(20), code VARCHAR(40))",
  };
  for (const std::string& statement : statements) {
    try {
      root.executeUpdate(statement);
    } catch (const MysqlError& error) {
      throw std::runtime_error("preparing the test server failed at \"" + statement + "\": " + error.what());
    }
  }
}

MysqlConnection MariadbRunner::connectAs(const std::string& user, const std::string& password,
                                         const std::string& database) const {
  return MysqlConnection("127.0.0.1", static_cast<unsigned>(port_), user, password, database);
}

std::string MariadbRunner::log() const {
  return readFile(dir_.file("mariadbd.err")) + readFile(dir_.file("mariadbd.out"));
}

void MariadbRunner::stop() {
  if (process_.pid() <= 0 || process_.tryWait()) return;
  process_.kill(SIGTERM);
  if (!process_.waitFor(kStopTimeout)) {
    process_.kill(SIGKILL);
    process_.wait();
  }
}

}  // namespace tev::testing
