#include "session/mysql_connection.h"

#include <mysql.h>

#include <memory>
#include <mutex>

namespace tev {
namespace {

constexpr unsigned kConnectTimeoutSeconds = 10;
constexpr unsigned kReadWriteTimeoutSeconds = 30;

// The client library's process-wide set-up, done once before the first connection of any thread.
void initLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (mysql_library_init(0, nullptr, nullptr) != 0)
      throw MysqlError("Could not initialise the MySQL client library");
  });
}

// The client library's per-thread set-up, done on a thread's first connection and undone when it ends.
class ThreadRegistration {
 public:
  ThreadRegistration() { mysql_thread_init(); }
  ~ThreadRegistration() { mysql_thread_end(); }
  ThreadRegistration(const ThreadRegistration&) = delete;
  ThreadRegistration& operator=(const ThreadRegistration&) = delete;
};

void registerThread() {
  static thread_local ThreadRegistration registration;
  (void)registration;
}

std::string errorText(MYSQL* mysql) {
  std::string text = mysql_error(mysql);
  if (text.empty()) text = "MySQL error " + std::to_string(mysql_errno(mysql));
  return text;
}

// Frees a result set when it goes out of scope.
struct ResultDeleter {
  void operator()(MYSQL_RES* result) const { mysql_free_result(result); }
};
using Result = std::unique_ptr<MYSQL_RES, ResultDeleter>;

// Reads and drops what a statement sent after its first result (a procedure call's closing status), so the
// connection is ready for the next statement; throws on a failure among them.
void dropFurtherResults(MYSQL* mysql) {
  while (mysql_more_results(mysql)) {
    int status = mysql_next_result(mysql);
    if (status > 0) throw MysqlError(errorText(mysql));
    if (status < 0) break;
    mysql_free_result(mysql_store_result(mysql));
  }
}

}  // namespace

MysqlConnection::MysqlConnection(const std::string& host, unsigned port, const std::string& user,
                                 const std::string& password, const std::string& database) {
  initLibrary();
  registerThread();
  mysql_ = mysql_init(nullptr);
  if (mysql_ == nullptr) throw MysqlError("Out of memory for a MySQL connection");

  unsigned protocol = MYSQL_PROTOCOL_TCP;
  unsigned connectTimeout = kConnectTimeoutSeconds;
  unsigned readWriteTimeout = kReadWriteTimeoutSeconds;
  mysql_optionsv(mysql_, MYSQL_OPT_PROTOCOL, &protocol);
  mysql_optionsv(mysql_, MYSQL_OPT_CONNECT_TIMEOUT, &connectTimeout);
  mysql_optionsv(mysql_, MYSQL_OPT_READ_TIMEOUT, &readWriteTimeout);
  mysql_optionsv(mysql_, MYSQL_OPT_WRITE_TIMEOUT, &readWriteTimeout);
  mysql_optionsv(mysql_, MYSQL_SET_CHARSET_NAME, "utf8mb4");

  if (mysql_real_connect(mysql_, host.c_str(), user.c_str(), password.c_str(), database.c_str(), port,
                         nullptr, 0) == nullptr) {
    std::string text = errorText(mysql_);
    mysql_close(mysql_);
    mysql_ = nullptr;
    throw MysqlError(text);
  }
}

MysqlConnection::~MysqlConnection() {
  if (mysql_ != nullptr) mysql_close(mysql_);
}

void MysqlConnection::fail() const {
  throw MysqlError(errorText(mysql_));
}

void MysqlConnection::run(const std::string& sql) {
  if (mysql_real_query(mysql_, sql.data(), static_cast<unsigned long>(sql.size())) != 0) fail();
}

std::uint64_t MysqlConnection::executeUpdate(const std::string& sql) {
  run(sql);
  if (mysql_field_count(mysql_) != 0) {
    Result rows(mysql_store_result(mysql_));
    dropFurtherResults(mysql_);
    throw MysqlError("The statement returned rows");
  }
  std::uint64_t affected = mysql_affected_rows(mysql_);
  dropFurtherResults(mysql_);
  return affected;
}

std::vector<std::vector<std::string>> MysqlConnection::query(const std::string& sql) {
  run(sql);
  std::vector<std::vector<std::string>> rows;
  Result result(mysql_store_result(mysql_));
  if (result == nullptr) {
    if (mysql_field_count(mysql_) != 0) fail();  // the rows could not be read
    dropFurtherResults(mysql_);
    return rows;
  }
  unsigned columns = mysql_num_fields(result.get());
  while (MYSQL_ROW row = mysql_fetch_row(result.get())) {
    unsigned long* lengths = mysql_fetch_lengths(result.get());
    std::vector<std::string>& values = rows.emplace_back();
    values.reserve(columns);
    for (unsigned column = 0; column < columns; ++column)
      values.push_back(row[column] == nullptr ? std::string() : std::string(row[column], lengths[column]));
  }
  dropFurtherResults(mysql_);
  return rows;
}

}  // namespace tev
