// PerlFormProcessor::mysqlConnector: the MySQL database of the Perl program's "<<MYSQL>>" requests.
#include <memory>
#include <string>

#include "session/mysql_connection.h"
#include "session/perl_form_processor.h"

namespace tev {
namespace {

class MysqlUpdater : public PerlFormProcessor::SqlUpdater {
 public:
  // 127.0.0.1 at the client library's default port (MYSQL_TCP_PORT when set, else 3306).
  MysqlUpdater() : connection_("127.0.0.1", 0, "qoj", "qoj", "mosku") {}
  void executeUpdate(const std::string& sql) override { connection_.executeUpdate(sql); }

 private:
  MysqlConnection connection_;
};

}  // namespace

PerlFormProcessor::SqlConnector PerlFormProcessor::mysqlConnector() {
  return [] { return std::make_unique<MysqlUpdater>(); };
}

}  // namespace tev
