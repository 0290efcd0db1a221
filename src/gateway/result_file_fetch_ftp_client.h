// The built-in FTP client of the result-file fetch: one retrieval (and optional delete) over one libcurl
// connection. It only reports what happened; the operator messages and mails belong to ResultFileFetch.
#pragma once

#include <chrono>
#include <string>

namespace tev {

struct FtpRetrieval {
  std::string host;  // a name or an address (an IPv6 address without brackets)
  int port = 21;
  std::string user;
  std::string password;
  std::string remotePath;  // sent as it is in RETR (absolute, or relative to the login directory)
  std::string localPath;   // created or overwritten
  bool passive = false;    // false: active data connections (PORT/EPRT), as the classic client defaults
  bool deleteRemote = false;
  std::chrono::milliseconds connectTimeout{30000};
  std::chrono::milliseconds responseTimeout{60000};
};

struct FtpRetrievalResult {
  enum class Outcome {
    kDone,  // the file was retrieved (and deleted when asked, or the delete failure is in detail)
    kRefusedConnection,  // the server's greeting was not a positive completion (2xx)
    kLoginRefused,       // user or password refused
    kRetrievalFailed,    // the server refused the retrieval (no such file, no access)
    kOtherFailure,       // the connection or the transfer broke otherwise; detail says how
  };
  Outcome outcome = Outcome::kOtherFailure;
  // libcurl's description of a failure; for kDone a failed delete's description, else "".
  std::string detail;
};

// "host" or "host port" (the form the command-line client takes) -> host and port; port 21 when absent.
// Returns false for an empty text, more than two words or a port that is not a number in 1..65535.
bool parseFtpServer(const std::string& text, std::string& host, int& port);

// Runs the retrieval. A local file left by a failed retrieval is removed. Never throws for a network or
// server problem (that is the outcome); throws tev::Error when the local file cannot be opened or written.
FtpRetrievalResult retrieveByFtp(const FtpRetrieval& request);

}  // namespace tev
