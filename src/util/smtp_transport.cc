#include "util/smtp_transport.h"

#include <curl/curl.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>

#include "util/mail_error.h"
#include "util/mime_text.h"

namespace tev {
namespace {

constexpr int kDefaultPort = 25;

struct EasyDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct MimeDeleter {
  void operator()(curl_mime* mime) const { curl_mime_free(mime); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;
using List = std::unique_ptr<curl_slist, ListDeleter>;
using Mime = std::unique_ptr<curl_mime, MimeDeleter>;

void globalInit() {
  static std::once_flag once;
  std::call_once(once, [] {
    CURLcode rc = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (rc != CURLE_OK) throw MailError(curl_easy_strerror(rc));
  });
}

void append(List& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (!grown) throw MailError("Out of memory");
  (void)list.release();
  list.reset(grown);
}

void check(CURLcode rc, const std::string& context = "") {
  if (rc == CURLE_OK) return;
  std::string message = curl_easy_strerror(rc);
  if (!context.empty()) message += ": " + context;
  throw MailError(message);
}

template <typename T>
void setOption(CURL* curl, CURLoption option, T value) {
  check(curl_easy_setopt(curl, option, value));
}

bool isHostNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_';
}

bool isIpv6Char(char c) {
  return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || (c >= '0' && c <= '9') || c == ':' || c == '.';
}

std::optional<int> parsePort(const std::string& text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  int port = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + (c - '0');
  }
  if (port < 1 || port > 65535) return std::nullopt;
  return port;
}

// The message of a plain-text mail, whole: headers, a blank line, the encoded text.
std::string plainMessage(const MailMessage& message) {
  mime::TextBody body = mime::encodeTextBody(message.text);
  std::string out;
  for (const std::string& line : message.headerLines()) out += line + "\r\n";
  out += "MIME-Version: 1.0\r\n";
  out += "Content-Type: " + body.contentType + "\r\n";
  out += "Content-Transfer-Encoding: " + body.transferEncoding + "\r\n";
  out += "\r\n";
  out += body.content;
  return out;
}

// Feeds a text to the library as the upload.
struct Upload {
  const std::string* data;
  std::size_t offset = 0;

  static std::size_t read(char* buffer, std::size_t size, std::size_t count, void* self) {
    auto* upload = static_cast<Upload*>(self);
    std::size_t n = std::min(size * count, upload->data->size() - upload->offset);
    std::memcpy(buffer, upload->data->data() + upload->offset, n);
    upload->offset += n;
    return n;
  }
};

// Keeps the server's last reply line, so a failure can say what the server answered. Only what the server
// sends is looked at: the client's lines (with the credentials) are not kept.
struct LastReply {
  std::string line;

  static int record(CURL*, curl_infotype type, char* data, std::size_t size, void* self) {
    if (type != CURLINFO_HEADER_IN) return 0;
    std::string text(data, size);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    std::size_t lastLine = text.rfind('\n');
    if (lastLine != std::string::npos) text.erase(0, lastLine + 1);
    if (!text.empty()) static_cast<LastReply*>(self)->line = text;
    return 0;
  }

  // A refusal (4xx or 5xx) is worth naming; anything else says nothing about the failure.
  bool isRefusal() const { return line.size() >= 3 && (line[0] == '4' || line[0] == '5'); }
};

// The multipart body: the text part, then one base64 part per file (read at send time, its content type
// chosen by the library from the file name).
Mime multipartBody(CURL* curl, const MailMessage& message) {
  Mime mime(curl_mime_init(curl));
  if (!mime) throw MailError("Out of memory");

  mime::TextBody body = mime::encodeTextBody(message.text);
  curl_mimepart* text = curl_mime_addpart(mime.get());
  if (!text) throw MailError("Out of memory");
  check(curl_mime_data(text, body.content.data(), body.content.size()));
  check(curl_mime_type(text, body.contentType.c_str()));
  List textHeaders;
  append(textHeaders, "Content-Transfer-Encoding: " + body.transferEncoding);
  check(curl_mime_headers(text, textHeaders.get(), 1));
  (void)textHeaders.release();

  for (const MailAttachment& attachment : *message.attachments) {
    curl_mimepart* part = curl_mime_addpart(mime.get());
    if (!part) throw MailError("Out of memory");
    // An empty path would stand for no file at all; refuse it as the library refuses a missing file.
    if (attachment.path.empty()) check(CURLE_READ_ERROR, "\"\"");
    check(curl_mime_filedata(part, attachment.path.c_str()), attachment.path);
    // The library would send a directory or a device as an empty or endless part: only files will do.
    struct stat info {};
    if (stat(attachment.path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
      check(CURLE_READ_ERROR, attachment.path);
    }
    check(curl_mime_filename(part, attachment.fileName.c_str()));
    check(curl_mime_encoder(part, "base64"));
  }
  return mime;
}

}  // namespace

std::string SmtpTransport::serverUrl(const std::string& host) {
  auto unknown = [&host]() -> MailError { return MailError("Unknown SMTP host: " + host); };
  if (host.empty()) return "smtp://localhost:" + std::to_string(kDefaultPort);
  std::string name;
  std::string portText;
  if (host.front() == '[') {
    std::size_t close = host.find(']');
    if (close == std::string::npos) throw unknown();
    name = host.substr(1, close - 1);
    std::string rest = host.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') throw unknown();
      portText = rest.substr(1);
      if (portText.empty()) throw unknown();
    }
    if (name.empty() || name.find(':') == std::string::npos) throw unknown();
    for (char c : name) {
      if (!isIpv6Char(c)) throw unknown();
    }
    name = "[" + name + "]";
  } else if (std::count(host.begin(), host.end(), ':') >= 2) {
    // Two colons or more: an IPv6 address without a port.
    for (char c : host) {
      if (!isIpv6Char(c)) throw unknown();
    }
    name = "[" + host + "]";
  } else {
    std::size_t colon = host.find(':');
    name = host.substr(0, colon);
    if (colon != std::string::npos) {
      portText = host.substr(colon + 1);
      if (portText.empty()) throw unknown();
    }
    if (name.empty()) throw unknown();
    for (char c : name) {
      if (!isHostNameChar(c)) throw unknown();
    }
  }
  int port = kDefaultPort;
  if (!portText.empty()) {
    std::optional<int> parsed = parsePort(portText);
    if (!parsed) throw unknown();
    port = *parsed;
  }
  return "smtp://" + name + ":" + std::to_string(port);
}

void SmtpTransport::send(const MailSession& session, const MailMessage& message) {
  globalInit();
  std::string url = serverUrl(session.property(MailSession::kHostProperty).value_or(""));

  Easy easy(curl_easy_init());
  if (!easy) throw MailError("Out of memory");
  CURL* curl = easy.get();
  char errorText[CURL_ERROR_SIZE] = {};
  setOption(curl, CURLOPT_ERRORBUFFER, errorText);
  setOption(curl, CURLOPT_NOSIGNAL, 1L);
  setOption(curl, CURLOPT_URL, url.c_str());

  std::optional<std::string> auth = session.property(MailSession::kAuthProperty);
  std::optional<PasswordAuthentication> credentials;
  if (auth && strcasecmp(auth->c_str(), "true") == 0) credentials = session.requestPasswordAuthentication();
  if (credentials) {
    setOption(curl, CURLOPT_USERNAME, credentials->userName.c_str());
    setOption(curl, CURLOPT_PASSWORD, credentials->password.c_str());
  }

  std::string sender = "<" + message.from.address() + ">";
  setOption(curl, CURLOPT_MAIL_FROM, sender.c_str());
  List recipients;
  for (const std::string& recipient : message.recipients()) append(recipients, "<" + recipient + ">");
  setOption(curl, CURLOPT_MAIL_RCPT, recipients.get());

  std::string whole;
  Upload upload{&whole};
  Mime mime;
  List headers;
  if (message.attachments) {
    for (const std::string& line : message.headerLines()) append(headers, line);
    setOption(curl, CURLOPT_HTTPHEADER, headers.get());
    mime = multipartBody(curl, message);
    setOption(curl, CURLOPT_MIMEPOST, mime.get());
  } else {
    whole = plainMessage(message);
    setOption(curl, CURLOPT_UPLOAD, 1L);
    setOption(curl, CURLOPT_READFUNCTION, &Upload::read);
    setOption(curl, CURLOPT_READDATA, &upload);
    setOption(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(whole.size()));
  }

  LastReply reply;
  setOption(curl, CURLOPT_DEBUGFUNCTION, &LastReply::record);
  setOption(curl, CURLOPT_DEBUGDATA, &reply);
  setOption(curl, CURLOPT_VERBOSE, 1L);

  CURLcode rc = curl_easy_perform(curl);
  if (rc != CURLE_OK) {
    std::string message = errorText[0] != '\0' ? std::string(errorText) : curl_easy_strerror(rc);
    if (reply.isRefusal()) message += " (server: " + reply.line + ")";
    throw MailError(message);
  }
}

}  // namespace tev
