// Making a query result file readable on this machine. The back end writes multi-row answers into a file on
// its own host and names that file in its reply; ResultFileFetch turns that name into a local path:
//  - the back end's result directory is mounted here (useFtp false): the file is read where it is;
//  - FTP through the platform's command-line client ("ftp -i -n " + server), driven by a script on its
//    standard input (lines end with LF);
//  - FTP through the built-in client (libcurl) when sql / baan_server / use_new_ftp is "yes";
//  - SFTP through the installation's SFTP client program (sql / baan_server / sftp_path), driven through its
//    standard input, when sql / baan_server / use_sftp is "yes".
//
// The request handler owns one ResultFileFetch for the life of the scanner process and delegates
// downloadFile / uploadFile to it:
//
//   ResultFileFetch::Hooks hooks;
//   hooks.data = [&] {  // the current values of VAVInterfaceData
//     return ResultFileFetchData{d.DC, d.useFtp, d.mountedSqlDataDir, d.qryFunctionServerDataDir, d.ftpIP,
//                                d.ftpUsername, d.ftpPassword}; };
//   hooks.loadSetting = [&](const SettingsPath& p) { return settings.loadSetting(p, environment); };
//   hooks.showMessageWindow = [&](auto& title, auto& text, auto& footer) {
//     emulator.displayErrorMessageWindow(title, text, footer); };
//   hooks.sendMail = [&](auto& subject, auto& text) { return sendMail(subject, text); };
//   ResultFileFetch fetch(std::move(hooks));
//   std::string path = fetch.downloadFile("/data/qry/r123.txt", "1");
//
// Invariants:
//  - Every failure reaches the caller as an exception: FtpOperationFailed ("FTP operation failed") for a
//    fetch that left no local file or was refused, tev::Error for a client that could not be started or a
//    transfer that broke, tev::Error "Not Yet Implemented" for an upload while useFtp is true.
//  - The local copy (FTP and SFTP) is deleted before each fetch, so a failed fetch never hands back the rows
//    of an earlier one.
//  - Settings of the fetch are read again on every fetch; only useNewFtpProtocol() survives a fetch.
//  - Every wait is bounded: the command-line clients are stopped after Options::clientTimeout, the built-in
//    client has connect and response time-outs.
//  - Child processes get an argument vector, never a shell string; passwords never appear in a log line.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "common/error.h"

namespace tev {

// A fetch or upload that did not leave the file where the caller expects it. Text: "FTP operation failed".
class FtpOperationFailed : public Error {
 public:
  FtpOperationFailed() : Error("FTP operation failed") {}
};

// The fields of the process's interface data that a fetch reads (copied from VAVInterfaceData, whose
// company-specific values change at log-in: the hooks hand out the current ones on every fetch).
struct ResultFileFetchData {
  std::string DC;                        // installation root: <DC>/sqldata (FTP) and <DC>/log (SFTP)
  bool useFtp = false;                   // sql / use_ftp
  std::string mountedSqlDataDir;         // local path of the mounted result directory
  std::string qryFunctionServerDataDir;  // result directory on the back end's host
  // FTP or SFTP server. For the command-line FTP client the text is handed on as its arguments ("host" or
  // "host port"); the built-in client takes the same form (port 21 when none is given).
  std::string ftpIP;
  std::string ftpUsername;
  std::string ftpPassword;
};

class ResultFileFetch {
 public:
  struct Hooks {
    // The current interface data (called once at the start of every fetch and upload). Required.
    std::function<ResultFileFetchData()> data;
    // Reads a required setting of the process's environment (paths like {"sql", "baan_server",
    // "issue_lcd"}); throws when it cannot be read, which counts as "no" (or as no SFTP client). Required.
    std::function<std::string(const std::vector<std::string>& path)> loadSetting;
    // Shows a message window (title, message, footer), e.g. TerminalEmulator::displayErrorMessageWindow.
    // Optional: nothing is shown when empty.
    std::function<void(const std::string& title, const std::string& message, const std::string& footer)>
        showMessageWindow;
    // The request handler's mail to the configured sender (subject, text); it decides itself whether mail
    // is switched on (email / self). Its result and failures do not change the fetch. Optional.
    std::function<bool(const std::string& subject, const std::string& text)> sendMail;
  };

  struct Options {
    // The command-line FTP client's program ("ftp", looked up in PATH).
    std::string ftpProgram = "ftp";
    // The longest a command-line client (FTP or SFTP) may run before it is stopped.
    std::chrono::milliseconds clientTimeout{std::chrono::minutes(5)};
    // Built-in client: time-out of the connection and of each server response.
    std::chrono::milliseconds connectTimeout{std::chrono::seconds(30)};
    std::chrono::milliseconds responseTimeout{std::chrono::seconds(60)};
    // SFTP: pauses while waiting for the local file, and their length (at most about 10 s in all).
    int sftpFilePolls = 10;
    std::chrono::milliseconds sftpPollPause{1000};
  };

  static inline const std::string kErrorTitle = "Error Message";
  static inline const std::string kErrorFooter = "Press Enter To Continue";

  explicit ResultFileFetch(Hooks hooks);
  ResultFileFetch(Hooks hooks, Options options);

  // The local path of the result file, ready to be read. The tag is passed along and changes nothing.
  std::string downloadFile(const std::string& fileName, const std::string& tag);
  // SFTP fetch into <DC>/log/<base name>; always deletes the remote file.
  std::string downloadFileWithSFTP(const std::string& fileName, const std::string& tag);
  // Built-in FTP client: retrieves remotePath into localPath, deletes the remote file when asked.
  std::string performNewFtpProcess(const std::string& localPath, const std::string& remotePath,
                                   bool deleteRemote);
  // Mounted case: moves the file into the mounted result directory and returns its new path.
  std::string uploadFile(const std::string& localPath);

  // sql / baan_server / use_new_ftp as read by the last FTP fetch; false before the first.
  bool useNewFtpProtocol() const { return useNewFtpProtocol_; }

  // The text after the last "/" (mountedStyle: or after the last "\" when there is no "/").
  static std::string baseName(const std::string& fileName, bool mountedStyle = false);
  // The file name itself when it contains "/", else qryFunctionServerDataDir + "/" + file name.
  static std::string remotePath(const std::string& fileName, const std::string& qryFunctionServerDataDir);

 private:
  // Runs the FTP script through the command-line client; returns the local path.
  std::string runFtpScript(const ResultFileFetchData& data, const std::string& sqlDataDir,
                           const std::string& localPath, const std::string& remotePath, bool issueLcd,
                           bool issueDelete);
  // A yes/no setting of sql / baan_server; unreadable counts as "no".
  bool yesSetting(const std::string& key);
  void showError(const std::string& message);
  void mail(const std::string& subject, const std::string& text);

  Hooks hooks_;
  Options options_;
  bool useNewFtpProtocol_ = false;
};

}  // namespace tev
