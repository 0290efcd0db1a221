// RequestHandler: construction, the router connection and the request exchange shared by every request
// kind; the session helpers (running transaction, user, settings, screen) and the result-file delegation.

#include "gateway/request_handler.h"

#include "common/clock.h"
#include "common/fd.h"
#include "common/java_text.h"
#include "config/vav_settings.h"
#include "config/vrc_parser.h"
#include "engine/sql_parser.h"
#include "engine/tev_memory_variables.h"
#include "engine/user_data.h"
#include "engine/vav_interface_data.h"
#include "gateway/router_connection.h"
#include "terminal/terminal_emulator.h"

namespace tev {

RequestHandler::RequestHandler() : RequestHandler(GatewayContext{}) {}

RequestHandler::RequestHandler(GatewayContext context) : RequestHandler(std::move(context), Options{}) {}

RequestHandler::RequestHandler(GatewayContext context, Options opts)
    : logger(log::get(LOGGER_NAME)), ctx(std::move(context)), options(std::move(opts)) {
  // A router that goes away must surface as a failed write, never end the process.
  ignoreSigpipe();
}

RequestHandler::~RequestHandler() = default;

// --- connection ------------------------------------------------------------------------------------------

bool RequestHandler::initialize() {
  const bool connected = createSocket();

  bool listLoaded = false;
  std::optional<std::string> path;
  if (ctx.fileLocator != nullptr) path = ctx.fileLocator->getEnvironmentFilePath("sql_list.xml");
  if (path) {
    standardSqlParser = std::make_unique<SqlParser>(ctx.fieldDictionary);
    listLoaded = standardSqlParser->initialize(*path);  // logs "Loading ...", "Loaded ..." or "Failed ..."
  } else {
    logger->error("{}", "Failed to load the sql list file: " + nullText(path));
  }
  return connected && listLoaded;
}

bool RequestHandler::createSocket() {
  VAVInterfaceData* data = ctx.interfaceData;
  const int attempts = data != nullptr ? data->skerrymantleRetryCount : 0;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    try {
      if (!data->skerrymantleIP) throw Error("skerrymantle->ip_address is not set");
      std::optional<std::string> charset = setting({"skerrymantle", "encoding"});
      if (charset && trim(*charset).empty()) charset.reset();  // blank: the platform default
      connection = std::make_unique<RouterConnection>(*data->skerrymantleIP, data->skerrymantlePort, charset,
                                                      options.connectTimeout);
      logger->info("{}", "Connected to Skerrymantle successfully " + connection->description());
    } catch (const Error& e) {
      connection.reset();
      logger->error("{}", " Failed to open up connection to Skerrymantle " + e.getMessage());
      Sleeper::current().sleepFor(options.retryPause);
      continue;
    }
    if (setting({"skerrymantle", "hand_shake_in_use"}) == "yes") {
      try {
        connection->writeLine(HANDSHAKE);
      } catch (const RouterIoError& e) {
        // The next request finds the broken connection and reconnects.
        logger->error("{}", "Failed to send the handshake: " + e.getMessage());
      }
    }
    return true;
  }
  return false;
}

void RequestHandler::thowLeftOverData() {
  if (!connection) return;
  std::string leftOver = connection->takeLeftOver(LEFT_OVER_SIZE);
  if (!leftOver.empty()) logger->warn("{}", "Throwing Leftover Data\n" + leftOver);
}

void RequestHandler::closeConnection() {
  connection.reset();
}

std::string RequestHandler::exchange(const std::string& line, ExchangeKind kind) {
  if (!connection && !createSocket()) {
    showErrorId("unable_to_establish_connection");
    throw DriverDownException("Skerrymantle is Down");
  }
  std::string reply;
  try {
    thowLeftOverData();
    connection->writeLine(line);
    reply = connection->readLine();
  } catch (const RouterIoError& e) {
    logger->error("{}", "IO Error " + e.getMessage());
    closeConnection();
    if (kind == ExchangeKind::kLogin) {
      showErrorId("unable_to_establish_connection");
      throw DriverDownException("unable_to_establish_connection");
    }
    if (!createSocket()) {
      if (kind == ExchangeKind::kFunctionServer) beep(3);
      showErrorId("unable_to_establish_connection");
      throw DriverDownException("Skerrymantle is Down");
    }
    if (kind == ExchangeKind::kFunctionServer)
      logger->info("{}", " Re-established connection with Skerrymantle and sending data = " + line);
    try {
      connection->writeLine(line);
      reply = connection->readLine();
    } catch (const RouterIoError&) {
      closeConnection();  // the one resend failed too: the caller gets the error
      throw;
    }
  }
  logger->info("{}", (kind == ExchangeKind::kQuery ? "Read reply: " : "Received Input\n") + reply);
  return router::normalizeReply(reply);
}

// --- session helpers ---------------------------------------------------------------------------------------

std::shared_ptr<Transaction> RequestHandler::runningTransaction() const {
  return ctx.memory != nullptr ? ctx.memory->currentTransaction : nullptr;
}

const UserData* RequestHandler::currentUser() const {
  return ctx.user ? ctx.user() : nullptr;
}

std::optional<std::string> RequestHandler::userParameter(const std::string& id) const {
  const UserData* user = currentUser();
  return user != nullptr ? user->getParameterValue(id) : std::nullopt;
}

RequestHeader RequestHandler::requestHeader(const Transaction* transaction, bool withUser) const {
  RequestHeader header;
  header.deviceId = ctx.deviceId;
  header.environment = ctx.environment;
  if (withUser) {
    const UserData* user = currentUser();
    header.userName = user != nullptr ? nullText(user->getUserName()) : "";
  }
  if (transaction != nullptr) header.title = nullText(transaction->title);
  return header;
}

std::optional<std::string> RequestHandler::setting(const SettingsPath& path) const {
  if (ctx.interfaceData == nullptr) return std::nullopt;
  try {
    return ctx.interfaceData->getSystemParamSetting(path);
  } catch (const InvalidSettingException& e) {
    logger->debug("{}", e.getMessage());
    return std::nullopt;
  }
}

void RequestHandler::showStatusId(const std::string& id) {
  if (ctx.terminal) ctx.terminal->displayStatusMessageForId(id);
}

void RequestHandler::showErrorId(const std::string& id) {
  if (ctx.terminal) ctx.terminal->displayErrorMessageForId(id);
}

void RequestHandler::showErrorLine(const std::string& text) {
  if (ctx.terminal) ctx.terminal->displayErrorMessage(text);
}

void RequestHandler::showWindow(const std::string& title, const std::string& message,
                                const std::string& footer) {
  if (ctx.terminal) ctx.terminal->displayErrorMessageWindow(title, message, footer);
}

void RequestHandler::showBaanWindow(const std::string& message) {
  if (ctx.terminal) ctx.terminal->displayBaanMessageWindow(message);
}

void RequestHandler::beep(int count) {
  if (ctx.terminal) ctx.terminal->beep(count);
}

// --- result files ------------------------------------------------------------------------------------------

ResultFileFetch& RequestHandler::fetch() {
  if (!resultFileFetch) {
    ResultFileFetch::Hooks hooks;
    hooks.data = [this] {
      ResultFileFetchData data;
      if (const VAVInterfaceData* d = ctx.interfaceData) {
        data.DC = d->DC.value_or("");
        data.useFtp = d->useFtp;
        data.mountedSqlDataDir = d->mountedSqlDataDir.value_or("");
        data.qryFunctionServerDataDir = d->qryFunctionServerDataDir.value_or("");
        data.ftpIP = d->ftpIP.value_or("");
        data.ftpUsername = d->ftpUsername.value_or("");
        data.ftpPassword = d->ftpPassword.value_or("");
      }
      return data;
    };
    hooks.loadSetting = [this](const std::vector<std::string>& path) {
      if (ctx.interfaceData == nullptr)
        throw InvalidSettingException(VAVSettings::getSettingIdsStr(path) + " setting not available");
      return ctx.interfaceData->getSystemParamSetting(path);
    };
    hooks.showMessageWindow = [this](const std::string& title, const std::string& message,
                                     const std::string& footer) { showWindow(title, message, footer); };
    hooks.sendMail = [this](const std::string& subject, const std::string& text) {
      return sendMail(subject, text);
    };
    resultFileFetch = std::make_unique<ResultFileFetch>(std::move(hooks), options.fetch);
  }
  return *resultFileFetch;
}

std::string RequestHandler::downloadFile(const std::string& fileName, const std::string& tag) {
  return fetch().downloadFile(fileName, tag);
}

std::string RequestHandler::downloadFileWithSFTP(const std::string& fileName, const std::string& tag) {
  return fetch().downloadFileWithSFTP(fileName, tag);
}

std::string RequestHandler::performNewFtpProcess(const std::string& localPath, const std::string& remotePath,
                                                 bool deleteRemote) {
  return fetch().performNewFtpProcess(localPath, remotePath, deleteRemote);
}

std::string RequestHandler::uploadFile(const std::string& localPath) {
  return fetch().uploadFile(localPath);
}

bool RequestHandler::useNewFtpProtocol() const {
  return resultFileFetch && resultFileFetch->useNewFtpProtocol();
}

}  // namespace tev
