#include "gateway/result_file_fetch.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "common/clock.h"
#include "gateway/result_file_fetch_client.h"
#include "gateway/result_file_fetch_ftp_client.h"

namespace tev {

namespace fs = std::filesystem;

namespace {

log::Logger logger() {
  return log::get("tev.framework.application.RequestHandler.Logger");
}

bool exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

// A base name that names no file in its directory ("", ".", "..") cannot be fetched, nor a name with a line
// end, which would add commands of its own to the client's script.
void requireFileName(const std::string& baseName, const std::string& fileName) {
  if (baseName.empty() || baseName == "." || baseName == ".." ||
      fileName.find_first_of("\r\n") != std::string::npos) {
    logger()->error("No file name in: " + fileName);
    throw FtpOperationFailed();
  }
}

// Deletes the local copy of an earlier fetch, so that only this fetch can make the file appear.
void removeStaleCopy(const std::string& localPath) {
  std::error_code ec;
  fs::remove(localPath, ec);
  if (ec && exists(localPath)) {
    logger()->error("Unable to delete the old local copy " + localPath + ": " + ec.message());
    throw FtpOperationFailed();
  }
}

// A client that had to be stopped may have left half a file: it is not handed out.
void discardUnfinished(const std::string& localPath) {
  logger()->error("The transfer client did not end in time and was stopped; discarding " + localPath);
  std::error_code ignored;
  fs::remove(localPath, ignored);
}

ResultFileFetchClient::Deadline deadlineAfter(std::chrono::milliseconds timeout) {
  return std::chrono::steady_clock::now() + timeout;
}

}  // namespace

ResultFileFetch::ResultFileFetch(Hooks hooks) : ResultFileFetch(std::move(hooks), Options{}) {}

ResultFileFetch::ResultFileFetch(Hooks hooks, Options options)
    : hooks_(std::move(hooks)), options_(std::move(options)) {
  if (!hooks_.data) throw Error("ResultFileFetch needs the interface data");
}

std::string ResultFileFetch::baseName(const std::string& fileName, bool mountedStyle) {
  std::string::size_type slash = fileName.rfind('/');
  if (slash == std::string::npos && mountedStyle) slash = fileName.rfind('\\');
  return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

std::string ResultFileFetch::remotePath(const std::string& fileName,
                                        const std::string& qryFunctionServerDataDir) {
  if (fileName.find('/') != std::string::npos) return fileName;
  return qryFunctionServerDataDir + "/" + fileName;
}

bool ResultFileFetch::yesSetting(const std::string& key) {
  try {
    if (!hooks_.loadSetting) throw Error("no settings reader for sql / baan_server / " + key);
    return hooks_.loadSetting({"sql", "baan_server", key}) == "yes";
  } catch (const std::exception& e) {
    logger()->error(std::string(e.what()));
    return false;
  }
}

void ResultFileFetch::showError(const std::string& message) {
  if (hooks_.showMessageWindow) hooks_.showMessageWindow(kErrorTitle, message, kErrorFooter);
}

void ResultFileFetch::mail(const std::string& subject, const std::string& text) {
  if (!hooks_.sendMail) return;
  try {
    hooks_.sendMail(subject, text);
  } catch (const std::exception& e) {
    logger()->error("Mail about the failed fetch not sent: " + std::string(e.what()));
  }
}

std::string ResultFileFetch::downloadFile(const std::string& fileName, const std::string& tag) {
  logger()->info("Downloading File: " + fileName);
  ResultFileFetchData data = hooks_.data();
  if (!data.useFtp) return data.mountedSqlDataDir + "/" + baseName(fileName, true);

  bool issueLcd = yesSetting("issue_lcd");
  bool issueDelete = yesSetting("issue_delete");
  useNewFtpProtocol_ = yesSetting("use_new_ftp");
  bool useSftp = yesSetting("use_sftp");
  if (useSftp) return downloadFileWithSFTP(fileName, tag);

  std::string command = options_.ftpProgram + " -i -n " + data.ftpIP;
  logger()->info("Cmd Line sent for ftp execution: " + command);

  std::string sqlDataDir = data.DC + "/sqldata";
  std::error_code ec;
  fs::create_directories(sqlDataDir, ec);
  if (!fs::is_directory(sqlDataDir, ec)) {
    showError("Unabled to create directory " + data.DC + "/sqldata" + " Please contact IT");
    throw FtpOperationFailed();
  }
  std::string absoluteDir = fs::absolute(sqlDataDir, ec).string();
  if (ec) absoluteDir = sqlDataDir;

  std::string base = baseName(fileName);
  requireFileName(base, fileName);
  std::string localPath = absoluteDir + "/" + base;
  std::string remote = remotePath(fileName, data.qryFunctionServerDataDir);
  removeStaleCopy(localPath);

  if (useNewFtpProtocol_) return performNewFtpProcess(localPath, remote, issueDelete);

  std::vector<std::string> argv = ResultFileFetchClient::splitCommand(command);
  ResultFileFetchClient client(argv, logger());
  auto deadline = deadlineAfter(options_.clientTimeout);
  client.writeLine("user " + data.ftpUsername + " " + data.ftpPassword);
  if (issueLcd) {
    logger()->info("lcd :" + absoluteDir);
    client.writeLine("lcd " + absoluteDir);
  }
  logger()->info("get :" + remote + ":" + localPath + ":");
  client.writeLine("get " + remote + " " + localPath);
  if (issueDelete) client.writeLine("delete " + remote);
  client.writeLine("bye");
  client.closeInput();
  client.readUntil(deadline, {});
  client.closeOutput();
  if (!client.finish(deadline)) discardUnfinished(localPath);

  if (!exists(localPath)) throw FtpOperationFailed();
  return localPath;
}

std::string ResultFileFetch::downloadFileWithSFTP(const std::string& fileName, const std::string& /*tag*/) {
  logger()->info("Downloading File: " + fileName);
  ResultFileFetchData data = hooks_.data();
  if (!hooks_.loadSetting) throw Error("No settings reader for sql / baan_server / sftp_path");
  std::string sftpPath = hooks_.loadSetting({"sql", "baan_server", "sftp_path"});
  std::string account = data.ftpUsername + "@" + data.ftpIP;
  std::string command = sftpPath + " " + account + " -pw " + data.ftpPassword;
  logger()->info("Cmd Line sent for ftp execution: " + sftpPath + " " + account + " -pw ****");

  std::string base = baseName(fileName);
  requireFileName(base, fileName);
  std::string localPath = data.DC + "/log/" + base;
  std::string remote = remotePath(fileName, data.qryFunctionServerDataDir);
  removeStaleCopy(localPath);

  ResultFileFetchClient client(ResultFileFetchClient::splitCommand(command), logger());
  auto deadline = deadlineAfter(options_.clientTimeout);
  logger()->info("Executing get :" + remote + ":" + localPath + ":");
  client.writeLine("get " + remote + " " + localPath);
  logger()->info("Executing delete " + remote);
  client.writeLine("delete " + remote);
  logger()->info("Executing bye");
  client.writeLine("bye");

  client.readUntil(deadline, [&](const std::string& line) { return line.find(remote) != std::string::npos; });

  // The client may still be writing the file; give it a few pauses, but not once it has ended.
  for (int pauses = 0; !exists(localPath) && pauses < options_.sftpFilePolls && !client.ended(); ++pauses) {
    Sleeper::current().sleepFor(options_.sftpPollPause);
  }

  logger()->info("Closing ftpOut");
  client.closeInput();
  // It has been told "bye": let it finish (and finish writing the file) while its output is read.
  client.readUntil(deadline, {});
  logger()->info("Closing ftpIn");
  client.closeOutput();
  logger()->info("Stopping the ftp process");
  if (!client.finish(deadline)) discardUnfinished(localPath);

  if (!exists(localPath)) throw FtpOperationFailed();
  logger()->info("returning: " + localPath);
  return localPath;
}

std::string ResultFileFetch::performNewFtpProcess(const std::string& localPath, const std::string& remotePath,
                                                  bool deleteRemote) {
  ResultFileFetchData data = hooks_.data();
  FtpRetrieval request;
  if (!parseFtpServer(data.ftpIP, request.host, request.port)) {
    throw Error("Invalid FTP server address: " + data.ftpIP);
  }
  request.user = data.ftpUsername;
  request.password = data.ftpPassword;
  request.remotePath = remotePath;
  request.localPath = localPath;
  request.passive = yesSetting("work_in_passive_mode");
  request.deleteRemote = deleteRemote;
  request.connectTimeout = options_.connectTimeout;
  request.responseTimeout = options_.responseTimeout;

  removeStaleCopy(localPath);
  FtpRetrievalResult result = retrieveByFtp(request);
  switch (result.outcome) {
    case FtpRetrievalResult::Outcome::kRefusedConnection:
      showError("FTP server refused connection");
      logger()->error("FTP server refused connection.");
      mail("FTP server refused connection",
           "FTP server refused connection, Server IP address : " + data.ftpIP);
      throw FtpOperationFailed();
    case FtpRetrievalResult::Outcome::kLoginRefused:
      showError("User/Password Wrong");
      logger()->error("User/Password Wrong.");
      mail("User/Password Wrong.", "User/Password Wrong., Server IP address : " + data.ftpIP);
      throw FtpOperationFailed();
    case FtpRetrievalResult::Outcome::kOtherFailure:
      throw Error("FTP transfer failed: " + result.detail);
    case FtpRetrievalResult::Outcome::kRetrievalFailed:
    case FtpRetrievalResult::Outcome::kDone:
      break;
  }
  if (result.outcome == FtpRetrievalResult::Outcome::kDone && !result.detail.empty()) {
    logger()->error("Unable to delete the remote file " + remotePath + ": " + result.detail);
  }
  if (result.outcome == FtpRetrievalResult::Outcome::kRetrievalFailed || !exists(localPath)) {
    showError("Unable To download File");
    logger()->error("Unable To download File.");
    mail("Unable To download File.",
         "Unable To download File., Remote File Name : " + remotePath + " Local File Name = " + localPath);
    throw FtpOperationFailed();
  }
  return localPath;
}

std::string ResultFileFetch::uploadFile(const std::string& localPath) {
  logger()->info("uploading File: " + localPath);
  ResultFileFetchData data = hooks_.data();
  if (data.useFtp) throw Error("Not Yet Implemented");
  std::string target = data.mountedSqlDataDir + "/" + baseName(localPath);
  std::error_code ec;
  fs::rename(localPath, target, ec);
  if (ec == std::errc::cross_device_link) {
    // The mounted directory is usually another file system: copy, then remove the original.
    ec.clear();
    fs::copy_file(localPath, target, fs::copy_options::overwrite_existing, ec);
    if (!ec) fs::remove(localPath, ec);
  }
  if (ec || !exists(target)) {
    logger()->error("Unable to move " + localPath + " to " + target + ": " +
                    (ec ? ec.message() : std::string("the file is not there")));
    throw FtpOperationFailed();
  }
  return target;
}

}  // namespace tev
