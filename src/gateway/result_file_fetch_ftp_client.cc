#include "gateway/result_file_fetch_ftp_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "common/error.h"
#include "gateway/result_file_fetch_client.h"

namespace tev {

namespace {

void initCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) throw Error("libcurl could not be initialised");
  });
}

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// What the transfer callbacks see.
struct TransferState {
  std::FILE* file = nullptr;
  int writeErrno = 0;
  std::optional<int> greetingCode;  // the code of the server's first reply
};

size_t writeToFile(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<TransferState*>(user);
  size_t bytes = size * count;
  if (bytes == 0) return 0;
  if (std::fwrite(data, 1, bytes, state->file) != bytes) {
    state->writeErrno = errno != 0 ? errno : EIO;
    return 0;  // makes libcurl stop with CURLE_WRITE_ERROR
  }
  return bytes;
}

// Only the server's replies are looked at (the commands sent include the password and are never kept).
int watchReplies(CURL*, curl_infotype type, char* data, size_t size, void* user) {
  auto* state = static_cast<TransferState*>(user);
  if (type != CURLINFO_HEADER_IN || state->greetingCode || size < 3) return 0;
  int code = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (data[i] < '0' || data[i] > '9') return 0;
    code = code * 10 + (data[i] - '0');
  }
  state->greetingCode = code;
  return 0;
}

std::string urlHost(const std::string& host) {
  return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

void check(CURLcode rc, const char* what) {
  if (rc != CURLE_OK)
    throw Error(std::string("FTP client set-up failed (") + what + "): " + curl_easy_strerror(rc));
}

}  // namespace

bool parseFtpServer(const std::string& text, std::string& host, int& port) {
  std::vector<std::string> words = ResultFileFetchClient::splitCommand(text);
  if (words.empty() || words.size() > 2) return false;
  int parsed = 21;
  if (words.size() == 2) {
    const std::string& p = words[1];
    if (p.empty() || p.size() > 5) return false;
    parsed = 0;
    for (char c : p) {
      if (c < '0' || c > '9') return false;
      parsed = parsed * 10 + (c - '0');
    }
    if (parsed < 1 || parsed > 65535) return false;
  }
  host = words[0];
  port = parsed;
  return true;
}

FtpRetrievalResult retrieveByFtp(const FtpRetrieval& request) {
  initCurlOnce();
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) throw Error("FTP client set-up failed: no libcurl handle");

  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(request.localPath.c_str(), "wbe"));
  if (!file) {
    throw Error("Cannot open local file " + request.localPath + ": " + std::strerror(errno));
  }
  TransferState state;
  state.file = file.get();

  // libcurl's own escaping of the whole path ("/" included) keeps it from reading dot segments or blanks
  // in it; with FTPFILE_NOCWD the decoded path after the URL's first "/" goes into RETR unchanged.
  char* escaped =
      curl_easy_escape(curl.get(), request.remotePath.data(), static_cast<int>(request.remotePath.size()));
  if (!escaped) throw Error("FTP client set-up failed: cannot escape the remote path");
  std::string url = "ftp://" + urlHost(request.host) + "/" + escaped;
  curl_free(escaped);

  std::unique_ptr<curl_slist, SlistDeleter> postQuote;
  if (request.deleteRemote) {
    postQuote.reset(curl_slist_append(nullptr, ("DELE " + request.remotePath).c_str()));
    if (!postQuote) throw Error("FTP client set-up failed: no memory");
  }

  char errorBuffer[CURL_ERROR_SIZE] = {0};
  CURL* h = curl.get();
  check(curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer), "error buffer");
  check(curl_easy_setopt(h, CURLOPT_URL, url.c_str()), "url");
  check(curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "ftp"), "protocols");
  check(curl_easy_setopt(h, CURLOPT_PORT, static_cast<long>(request.port)), "port");
  check(curl_easy_setopt(h, CURLOPT_USERNAME, request.user.c_str()), "user");
  check(curl_easy_setopt(h, CURLOPT_PASSWORD, request.password.c_str()), "password");
  check(curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD)), "file method");
  check(curl_easy_setopt(h, CURLOPT_FTPPORT, request.passive ? nullptr : "-"), "data connection mode");
  check(curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L), "no signals");
  check(curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectTimeout.count())),
        "connect time-out");
  long responseSeconds = std::max<long>(1, static_cast<long>(request.responseTimeout.count() / 1000));
  check(curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, responseSeconds), "response time-out");
  check(curl_easy_setopt(h, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(request.responseTimeout.count())),
        "accept time-out");
  // A transfer that stalls (below 1 byte/s) for the response time-out is given up.
  check(curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L), "low speed limit");
  check(curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, responseSeconds), "low speed time");
  check(curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writeToFile), "write function");
  check(curl_easy_setopt(h, CURLOPT_WRITEDATA, &state), "write data");
  check(curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, watchReplies), "debug function");
  check(curl_easy_setopt(h, CURLOPT_DEBUGDATA, &state), "debug data");
  check(curl_easy_setopt(h, CURLOPT_VERBOSE, 1L), "verbose");
  if (postQuote) check(curl_easy_setopt(h, CURLOPT_POSTQUOTE, postQuote.get()), "post quote");

  CURLcode rc = curl_easy_perform(h);
  curl.reset();  // disconnects (QUIT)

  int closeErrno = 0;
  if (std::fclose(file.release()) != 0) closeErrno = errno;

  auto failed = [&](FtpRetrievalResult::Outcome outcome) {
    std::error_code ignored;
    std::filesystem::remove(request.localPath, ignored);
    std::string detail = errorBuffer[0] != '\0' ? std::string(errorBuffer) : curl_easy_strerror(rc);
    return FtpRetrievalResult{outcome, detail};
  };

  if (state.writeErrno != 0 || closeErrno != 0) {
    std::error_code ignored;
    std::filesystem::remove(request.localPath, ignored);
    throw Error("Cannot write local file " + request.localPath + ": " +
                std::strerror(state.writeErrno != 0 ? state.writeErrno : closeErrno));
  }
  // The post-transfer DELE only runs after a complete retrieval, so its failure leaves a good local file.
  if (rc == CURLE_OK) return {FtpRetrievalResult::Outcome::kDone, ""};
  if (rc == CURLE_QUOTE_ERROR) {
    std::string detail = errorBuffer[0] != '\0' ? std::string(errorBuffer) : curl_easy_strerror(rc);
    return {FtpRetrievalResult::Outcome::kDone, detail};
  }
  if (state.greetingCode && *state.greetingCode / 100 != 2) {
    return failed(FtpRetrievalResult::Outcome::kRefusedConnection);
  }
  switch (rc) {
    case CURLE_LOGIN_DENIED:
      return failed(FtpRetrievalResult::Outcome::kLoginRefused);
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_REMOTE_ACCESS_DENIED:
      return failed(FtpRetrievalResult::Outcome::kRetrievalFailed);
    default:
      return failed(FtpRetrievalResult::Outcome::kOtherFailure);
  }
}

}  // namespace tev
