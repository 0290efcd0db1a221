#include "util/send_mail.h"

#include <iostream>
#include <memory>

#include "util/mail_authenticator.h"
#include "util/mail_error.h"
#include "util/mail_session.h"
#include "util/smtp_transport.h"

namespace tev {

namespace {
constexpr const char* kMaskedPassword = "********";
}  // namespace

void SendMail::send(const std::string& host, const std::string& userName, const std::string& password,
                    const std::string& from, const std::string& to, const std::string& subject,
                    const std::string& body, std::optional<std::vector<MailAttachment>> attachments) {
  MailSession::setProperty(MailSession::kHostProperty, host);
  MailSession::setProperty(MailSession::kAuthProperty, "true");
  auto authenticator = std::make_shared<const MailAuthenticator>(userName, password);
  MailSession session = MailSession::getInstance(std::move(authenticator));
  MailMessage message{
      MailAddress::parse(from), MailAddress::parse(to), MailAddress::parse(from), subject, body,
      std::move(attachments)};
  SmtpTransport::send(session, message);
}

void SendMail::sendMessage(const std::string& host, const std::string& userName, const std::string& password,
                           const std::string& from, const std::string& to, const std::string& subject,
                           const std::string& body) {
  std::cerr << " Into SendMessage Function in SendMail " << std::endl;
  try {
    send(host, userName, password, from, to, subject, body, std::nullopt);
  } catch (const std::exception& e) {
    std::cerr << " **** SendMail Failed ***" << std::endl;
    std::cerr << e.what() << std::endl;
    throw;
  }
}

void SendMail::sendMessageWithAttachment(const std::string& host, const std::string& userName,
                                         const std::string& password, const std::string& from,
                                         const std::string& to, const std::string& subject,
                                         const std::string& body, const std::string& attachment) {
  send(host, userName, password, from, to, subject, body,
       std::vector<MailAttachment>{{attachment, attachment}});
}

void SendMail::sendMessageWithAttachment(const std::string& host, const std::string& userName,
                                         const std::string& password, const std::string& from,
                                         const std::string& to, const std::string& subject,
                                         const std::string& body,
                                         const std::vector<std::filesystem::path>& files) {
  std::vector<MailAttachment> attachments;
  for (const std::filesystem::path& file : files) attachments.push_back({file.string(), baseName(file)});
  send(host, userName, password, from, to, subject, body, std::move(attachments));
}

void SendMail::sendMessageWithAttachment(const std::string& host, const std::string& userName,
                                         const std::string& password, const std::string& from,
                                         const std::string& to, const std::string& subject,
                                         const std::string& body, const std::vector<std::string>& paths) {
  std::vector<MailAttachment> attachments;
  for (const std::string& path : paths) attachments.push_back({path, path});
  send(host, userName, password, from, to, subject, body, std::move(attachments));
}

std::string SendMail::baseName(const std::filesystem::path& file) {
  std::string text = file.string();
  while (!text.empty() && text.back() == '/') text.pop_back();
  std::size_t slash = text.rfind('/');
  return slash == std::string::npos ? text : text.substr(slash + 1);
}

int SendMail::main(const std::vector<std::string>& args) {
  if (args.size() < 8) {
    std::cerr << "Usage: SendMail <SMTP host address> <user name> <password> <from address> <to address> "
                 "<subject> <body> <file attachment>"
              << std::endl;
    return 0;
  }
  // The password is masked: this line may end up in a log.
  std::cerr << args[0] << ' ' << args[1] << ' ' << kMaskedPassword << ' ' << args[3] << ' ' << args[4] << ' '
            << args[5] << ' ' << args[6] << ' ' << args[7] << std::endl;
  try {
    sendMessageWithAttachment(args[0], args[1], args[2], args[3], args[4], args[5], args[6], args[7]);
  } catch (const Error& e) {
    std::cerr << e.what() << std::endl;
    return 1;
  }
  return 0;
}

}  // namespace tev
