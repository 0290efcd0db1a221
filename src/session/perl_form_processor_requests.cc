// PerlFormProcessor: the answers to the program's parameter and MySQL requests (see perl_form_processor.h).
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "engine/param_manager.h"
#include "engine/user_data.h"
#include "engine/vav_interface_data.h"
#include "session/perl_form_processor.h"
#include "session/vav_interface.h"

namespace tev {
namespace {

std::string orNull(const std::optional<std::string>& value) {
  return value ? *value : "null";
}

}  // namespace

std::string PerlFormProcessor::getUserParameters() {
  const UserData* user = VAVInterface::userData.get();
  auto parameter = [user](const std::string& id) -> std::optional<std::string> {
    return user != nullptr ? user->getParameterValue(id) : std::nullopt;
  };
  const VAVInterfaceData* data = VAVInterface::interfaceData;
  const std::vector<std::optional<std::string>> values = {
      user != nullptr ? user->getUserName() : std::nullopt,
      parameter("company"),
      parameter("def_printer"),
      parameter("laser_printer"),
      user != nullptr ? user->getWhse() : std::nullopt,
      parameter("def_ib_run"),
      parameter("def_ob_run"),
      data != nullptr ? data->qryFunctionServerDataDir : std::nullopt,
      data != nullptr ? data->mountedSqlDataDir : std::nullopt,
      data != nullptr ? data->barCodeOutputDir : std::nullopt,
  };
  std::string list;
  for (std::size_t i = 0; i < values.size(); ++i) list += (i == 0 ? "" : ",") + orNull(values[i]);
  return list;
}

std::string PerlFormProcessor::getTransactionParameters(const std::string& warehouse) {
  ParamManager* params = VAVInterface::paramManager.get();
  if (params == nullptr) {
    logger->error("{}", "No parameters for the Perl transaction " + currentForm + ": no parameter store");
    return "";
  }
  params->loadWhseParams(warehouse, currentForm);
  ParamTable table;
  params->loadParameters({}, &table);
  std::string list;
  for (const auto& [id, value] : table) list += id + "=" + value + ";";
  return list;
}

void PerlFormProcessor::connectMysql() {
  try {
    mySqlConn = options.connectSql();
  } catch (const std::exception& failure) {
    mySqlConn.reset();
    logger->error("Failed to connect to mysql");
    logger->error("{}", failure.what());
  }
}

void PerlFormProcessor::disconnectMysql() {
  try {
    mySqlConn.reset();
  } catch (const std::exception& failure) {
    logger->error("Failed to disconnect mysql");
    logger->error("{}", failure.what());
  }
}

std::string PerlFormProcessor::insertMysqlRecord(const std::string& statement) {
  if (!mySqlConn) connectMysql();
  try {
    if (!mySqlConn) throw Error("No connection to the MySQL database");
    mySqlConn->executeUpdate(statement);
    return MYSQL_ADDED;
  } catch (const std::exception& failure) {
    logger->error("Failed to insert MySQL record");
    logger->error("{}", failure.what());
    disconnectMysql();
    return MYSQL_FAILED;
  }
}

}  // namespace tev
